#include "platform/http/UrlMon.h"

#include "platform/base/Text.h"
#include "platform/fs/WinPath.h"
#include "platform/http/Http.h"

namespace win {

HRESULT URLDownloadToFile(void*, LPCWSTR url, LPCWSTR fileName, DWORD, void*) {
  if (!url || !fileName) return E_INVALIDARG;
  const std::string address = mx::WideToUtf8(url);
  if (!mx::http::IsHttpUrl(address)) return INET_E_INVALID_URL;
  const auto resolved = mx::ResolveWinPath(fileName);
  if (!resolved) return INET_E_DOWNLOAD_FAILURE;
  mx::http::Options options;
  options.proxy = mx::http::ProxyFromInternetSettings();
  mx::http::Request request;
  request.url = address;
  const mx::http::Result result = mx::http::DownloadToFile(request, resolved->host.string(), options);
  if (result.ok()) return S_OK;
  return result.transferred || result.status == 0 || result.status >= 400 ? INET_E_RESOURCE_NOT_FOUND
                                                                          : INET_E_DOWNLOAD_FAILURE;
}

}  // namespace win
