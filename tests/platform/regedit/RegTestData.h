#pragma once
// Small helpers the .reg tests share: UTF-16 bytes of a text and the string a registry value holds.
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"

namespace regtest {

inline std::vector<BYTE> Utf16(std::wstring_view text) {
  std::string bytes = mx::WideToUtf16Le(text);
  return {bytes.begin(), bytes.end()};
}

// A version 5.00 file as the editor writes it: byte-order mark, then UTF-16LE.
inline std::string Utf16File(std::wstring_view text) { return "\xFF\xFE" + mx::WideToUtf16Le(text); }

// The text of a string value without its terminator; "<no key>" or "<no value>" when it is not there.
inline std::wstring ReadString(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view = KEY_WOW64_64KEY) {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return L"<no key>";
  std::vector<BYTE> data(1024);
  DWORD type = 0, cb = static_cast<DWORD>(data.size());
  LONG rc = win::RegQueryValueEx(key, name, nullptr, &type, data.data(), &cb);
  win::RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return L"<no value>";
  std::wstring s;
  for (DWORD i = 0; i + 1 < cb; i += 2) s.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
  while (!s.empty() && s.back() == 0) s.pop_back();
  return s;
}

}  // namespace regtest
