#pragma once
// #include "scan/support/RegistryProbe.h"
// Reading the registry back in tests of changes: whether a key exists in a view, and a string value as text.
#include <string>
#include <string_view>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"

namespace enginetest {

inline bool KeyExists(HKEY root, const wchar_t* path, REGSAM view) {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
  win::RegCloseKey(key);
  return true;
}

// The value's text without its terminator; "<no key>" or "<no value>" when it is not there.
inline std::string StringValue(HKEY root, const wchar_t* path, const wchar_t* name, REGSAM view) {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return "<no key>";
  BYTE buffer[512] = {};
  DWORD size = sizeof buffer;
  const LONG rc = win::RegQueryValueEx(key, name, nullptr, nullptr, buffer, &size);
  win::RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return "<no value>";
  std::wstring text = mx::Utf16LeToWide(std::string_view(reinterpret_cast<const char*>(buffer), size));
  while (!text.empty() && text.back() == 0) text.pop_back();
  return mx::WideToUtf8(text);
}

}  // namespace enginetest
