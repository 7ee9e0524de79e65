#include "platform/http/Http.h"

#include <cctype>
#include <cstdio>
#include <memory>
#include <filesystem>
#include <mutex>

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

namespace mx::http {

namespace {

void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
  const Options* options = nullptr;
  std::string* memory = nullptr;
  int fd = -1;
  std::uint64_t written = 0;
  bool overflow = false;
  bool writeFailed = false;
};

size_t OnData(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  if (sink->written + n > sink->options->maxBytes) {
    sink->overflow = true;
    return 0;  // aborts the transfer
  }
  if (sink->memory) {
    sink->memory->append(data, n);
  } else {
    for (size_t done = 0; done < n;) {
      const ssize_t w = ::write(sink->fd, data + done, n - done);
      if (w <= 0) {
        sink->writeFailed = true;
        return 0;
      }
      done += static_cast<size_t>(w);
    }
  }
  sink->written += n;
  return n;
}

struct CurlDeleter {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListDeleter {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

Result Perform(const Request& request, const Options& options, Sink& sink) {
  Result result;
  if (!IsHttpUrl(request.url)) {
    result.error = "not an http or https address";
    return result;
  }
  GlobalInit();
  std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
  if (!curl) {
    result.error = "curl_easy_init failed";
    return result;
  }
  CURL* c = curl.get();
  char errorText[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(c, CURLOPT_URL, request.url.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, options.maxRedirects);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for the resolver's time-out
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBytes));
  // An empty proxy turns libcurl's reading of the host's proxy variables off.
  curl_easy_setopt(c, CURLOPT_PROXY, options.proxy.c_str());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &OnData);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink);
  if (request.method == "POST") {
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
  } else if (request.method == "HEAD") {
    curl_easy_setopt(c, CURLOPT_NOBODY, 1L);
  } else if (request.method != "GET") {
    result.error = "unsupported method " + request.method;
    return result;
  }
  std::unique_ptr<curl_slist, ListDeleter> headers;
  for (const auto& h : request.headers) headers.reset(curl_slist_append(headers.release(), h.c_str()));
  // A POST body of any size goes at once; libcurl would otherwise wait for a 100-continue first.
  headers.reset(curl_slist_append(headers.release(), "Expect:"));
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());

  const CURLcode rc = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &result.status);
  if (rc == CURLE_OK) {
    result.transferred = true;
  } else {
    result.error = sink.overflow ? "answer larger than the cap" : errorText[0] ? errorText : curl_easy_strerror(rc);
  }
  return result;
}

}  // namespace

bool IsHttpUrl(std::string_view url) {
  auto startsNoCase = [&](std::string_view prefix) {
    if (url.size() <= prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
      if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i]) return false;
    return true;
  };
  const size_t skip = startsNoCase("http://") ? 7 : startsNoCase("https://") ? 8 : 0;
  return skip != 0 && url.size() > skip && url[skip] != '/';
}

std::string PercentEncode(std::string_view text) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char ch : text) {
    if (std::isalnum(ch) || ch == '-' || ch == '.' || ch == '_' || ch == '~') {
      out.push_back(static_cast<char>(ch));
    } else {
      out.push_back('%');
      out.push_back(kHex[ch >> 4]);
      out.push_back(kHex[ch & 15]);
    }
  }
  return out;
}

Result Send(const Request& request, const Options& options) {
  std::string body;
  Sink sink;
  sink.options = &options;
  sink.memory = &body;
  Result result = Perform(request, options, sink);
  result.body = std::move(body);
  return result;
}

Result DownloadToFile(const Request& request, const std::string& targetHostPath, const Options& options) {
  namespace fs = std::filesystem;
  const fs::path target(targetHostPath);
  std::string temp = (target.parent_path() / ("." + target.filename().string() + ".part-XXXXXX")).string();
  Result result;
  if (!IsHttpUrl(request.url)) {
    result.error = "not an http or https address";
    return result;
  }
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    result.error = "cannot create a file beside " + targetHostPath;
    return result;
  }
  Sink sink;
  sink.options = &options;
  sink.fd = fd;
  result = Perform(request, options, sink);
  bool keep = result.ok() && !sink.writeFailed && ::fsync(fd) == 0;
  ::close(fd);
  if (keep && std::rename(temp.c_str(), targetHostPath.c_str()) != 0) {
    keep = false;
    result.error = "cannot put the file in place";
  }
  if (!keep) {
    ::unlink(temp.c_str());
    if (result.error.empty()) result.error = sink.writeFailed ? "write failed" : "status " + std::to_string(result.status);
    result.transferred = false;
  }
  return result;
}

}  // namespace mx::http
