#pragma once
// A throw-away machine with what the application core needs of it: the user's application-data folder.
#include <string>

#include "platform/registry/Registry.h"
#include "support/TestPrefix.h"

namespace apptest {

inline constexpr const wchar_t* kAppData = L"C:\\users\\qzx\\AppData\\Roaming";
inline constexpr const wchar_t* kDataFolder = L"C:\\users\\qzx\\AppData\\Roaming\\Tarvolen\\Mendrix\\Version 1.0";

class AppPrefix : public mxtest::TestPrefix {
 public:
  AppPrefix() {
    import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"AppData"="C:\\users\\qzx\\AppData\\Roaming"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"AppData"="C:\\users\\qzx\\AppData\\Roaming"
)");
    createFile(std::wstring(kAppData) + L"\\desktop.ini");
  }
};

inline bool KeyExists(HKEY root, const std::wstring& key) {
  HKEY h = nullptr;
  if (win::RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  win::RegCloseKey(h);
  return true;
}

}  // namespace apptest
