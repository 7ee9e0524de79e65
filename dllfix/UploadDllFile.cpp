#include "dllfix/UploadDllFile.h"

#include "app/AppLog.h"
#include "app/ServiceAddress.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/http/Http.h"

namespace {
constexpr const char* kBoundary = "pippo";
constexpr std::uint64_t kMaxUpload = 64ull << 20;
}  // namespace

std::string MakeDllUploadBody(const std::string& path, const std::string& bytes) {
  // Byte copies throughout: a DLL holds NUL bytes from its third byte on.
  std::string body = std::string("--") + kBoundary + "\r\n" +
                     "Content-Disposition: form-data; name=\"fileToUpload\"; filename=\"" + path + "\"\r\n" +
                     "Content-Type:\"application/octet-stream\"\r\n\r\n";
  body += bytes;
  body += "\r\n--";
  body += kBoundary;
  body += "--\r\n";
  return body;
}

BOOL UploadDllFile(const std::wstring& path) {
  std::string bytes;
  if (mx::ReadWinFile(path, bytes, kMaxUpload) != ERROR_SUCCESS) return FALSE;
  const std::wstring url = MakeServiceUrl(L"/upload/uploadFile.php");
  if (url.empty()) return FALSE;
  mx::http::Options options;
  options.proxy = mx::http::ProxyFromInternetSettings();
  mx::http::Request request;
  request.method = "POST";
  request.url = mx::WideToUtf8(url);
  request.headers = {"User-Agent: WinSock", std::string("Content-Type: multipart/form-data; boundary=") + kBoundary};
  request.body = MakeDllUploadBody(mx::WideToUtf8(path), bytes);
  const mx::http::Result result = mx::http::Send(request, options);
  if (!result.ok()) WriteLogLine(L"DLL upload failed: " + path);
  return result.ok() ? TRUE : FALSE;
}
