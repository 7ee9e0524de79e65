#include "app/ServiceAddress.h"

#include <cstdlib>

#include "app/AppSettings.h"
#include "platform/base/Text.h"
#include "platform/system/RegRead.h"

namespace {

bool IsWebAddress(const std::wstring& url) {
  const std::wstring lower = mx::ToLower(url);
  for (const std::wstring scheme : {L"http://", L"https://"})
    if (lower.rfind(scheme, 0) == 0 && lower.size() > scheme.size() && lower[scheme.size()] != L'/') return true;
  return false;
}

}  // namespace

std::wstring GetServiceBaseUrl() {
  std::wstring url;
  if (const char* env = std::getenv("MENDRIX_SERVICE_URL"); env && *env) {
    url = mx::Utf8ToWide(env);
  } else if (auto value = mx::ReadRegString(HKEY_LOCAL_MACHINE, kProductKey, L"ServiceURL")) {
    url = value->text;
  }
  url = mx::Trim(url);
  while (!url.empty() && url.back() == L'/') url.pop_back();
  return IsWebAddress(url) ? url : std::wstring();
}

std::wstring MakeServiceUrl(const std::wstring& path) {
  const std::wstring base = GetServiceBaseUrl();
  return base.empty() ? base : base + path;
}
