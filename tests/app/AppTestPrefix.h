#pragma once
// A throw-away machine with what the application core needs of it: the user's application-data folder.
#include <string>

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

}  // namespace apptest
