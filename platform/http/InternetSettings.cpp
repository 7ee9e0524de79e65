#include <string>

#include "platform/base/Text.h"
#include "platform/http/Http.h"
#include "platform/system/RegRead.h"

namespace mx::http {

namespace {
constexpr const wchar_t* kInternetSettings = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

bool ProxyEnabled() {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, kInternetSettings, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD value = 0, type = 0, size = sizeof value;
  const LONG rc = win::RegQueryValueEx(key, L"ProxyEnable", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
  win::RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_DWORD && value != 0;
}
}  // namespace

std::string ProxyFromInternetSettings() {
  if (!ProxyEnabled()) return {};
  auto server = ReadRegString(HKEY_CURRENT_USER, kInternetSettings, L"ProxyServer");
  if (!server) return {};
  std::wstring text = Trim(server->text);
  // "http=host:port;https=host:port;..." names one proxy per scheme; the plain form serves them all.
  if (text.find(L'=') != std::wstring::npos) {
    std::wstring chosen;
    size_t pos = 0;
    while (pos <= text.size()) {
      size_t end = text.find(L';', pos);
      if (end == std::wstring::npos) end = text.size();
      const std::wstring part = Trim(std::wstring_view(text).substr(pos, end - pos));
      if (StartsWithNoCase(part, L"http=")) chosen = part.substr(5);
      pos = end + 1;
    }
    text = chosen;
  }
  return WideToUtf8(text);
}

}  // namespace mx::http
