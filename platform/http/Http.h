#pragma once
// HTTP for the program's few transfers, on libcurl. Only http and https are spoken, also after a redirect;
// TLS certificates are verified; every transfer has time-outs and a size cap; a proxy is used only when the
// caller names one (the host's *_proxy variables are never picked up). The Windows-shaped faces (the URL
// moniker download, the WinINet session) stand on this.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mx::http {

struct Options {
  long connectTimeoutMs = 10000;
  long totalTimeoutMs = 120000;
  std::uint64_t maxBytes = 64ull << 20;  // a larger answer fails the transfer
  long maxRedirects = 5;
  std::string proxy;  // "host:port"; empty: a direct connection
};

struct Request {
  std::string method = "GET";  // GET, POST or HEAD
  std::string url;
  std::vector<std::string> headers;  // "Name: value"
  std::string body;                  // sent as is with POST
};

struct Result {
  long status = 0;      // the final answer's status; 0 when no answer came
  std::string body;     // Send only
  std::string error;    // why the transfer failed, for logs
  bool transferred = false;  // an answer came and was read whole within the caps
  // A 2xx answer read whole.
  bool ok() const { return transferred && status >= 200 && status < 300; }
};

// The whole answer in memory.
Result Send(const Request& request, const Options& options = {});

// The answer's body into the host file target: written to a temporary file in the target's folder and renamed
// over the target only for a 2xx answer read whole, so a failed transfer leaves neither a part nor a changed
// target behind.
Result DownloadToFile(const Request& request, const std::string& targetHostPath, const Options& options = {});

// True for an absolute http:// or https:// URL with a host (the scheme without regard to case).
bool IsHttpUrl(std::string_view url);

// Every byte but the unreserved ones (letters, digits, "-._~") as %XX with upper-case digits.
std::string PercentEncode(std::string_view text);

// The proxy the user's Internet settings name for http (HKCU Internet Settings ProxyEnable and ProxyServer,
// "host:port" or "http=host:port;..."); empty when none is enabled.
std::string ProxyFromInternetSettings();

}  // namespace mx::http
