#include "scan/support/RegistryDump.h"

#include <vector>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"

namespace mxtest {

namespace {

void DumpKey(HKEY key, const std::wstring& name, REGSAM view, std::map<std::wstring, std::wstring>& out) {
  const std::wstring lower = mx::ToLower(name);
  if (lower.find(L"\\software\\tarvolen") != std::wstring::npos) return;
  out[lower] = L"";
  std::vector<wchar_t> valueName(16384);
  std::vector<BYTE> data;
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = static_cast<DWORD>(valueName.size()), type = 0, size = 0;
    if (win::RegEnumValue(key, i, valueName.data(), &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    data.assign(size + 1, 0);
    nameLen = static_cast<DWORD>(valueName.size());
    win::RegEnumValue(key, i, valueName.data(), &nameLen, nullptr, &type, data.data(), &size);
    static const wchar_t kHex[] = L"0123456789abcdef";
    std::wstring line = std::to_wstring(type) + L":";
    for (DWORD b = 0; b < size; ++b) {
      line += kHex[data[b] >> 4];
      line += kHex[data[b] & 15];
    }
    out[lower + L" | " + std::wstring(valueName.data(), nameLen)] = line;
  }
  for (DWORD i = 0;; ++i) {
    wchar_t sub[256];
    DWORD len = 256;
    if (win::RegEnumKeyEx(key, i, sub, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    HKEY child = nullptr;
    if (win::RegOpenKeyEx(key, sub, 0, KEY_READ | view, &child) != ERROR_SUCCESS) continue;
    DumpKey(child, name + L"\\" + sub, view, out);
    win::RegCloseKey(child);
  }
}

}  // namespace

std::map<std::wstring, std::wstring> DumpRegistry() {
  std::map<std::wstring, std::wstring> out;
  for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
    const std::wstring tag = view == KEY_WOW64_64KEY ? L"64:" : L"32:";
    for (auto [root, name] : {std::pair{HKEY_LOCAL_MACHINE, L"HKLM"}, std::pair{HKEY_USERS, L"HKU"}}) {
      HKEY key = nullptr;
      if (win::RegOpenKeyEx(root, L"", 0, KEY_READ | view, &key) != ERROR_SUCCESS) continue;
      DumpKey(key, tag + name, view, out);
      win::RegCloseKey(key);
    }
  }
  return out;
}

}  // namespace mxtest
