#pragma once
// What the DLL finder needs of a throw-away prefix: the user's data folder and the Schedule service that the
// follow-up task is made with.
#include "support/TestPrefix.h"

namespace dlltest {

inline void PrepareDllPrefix(mxtest::TestPrefix& prefix) {
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Schedule]
"Start"=dword:00000003
[HKEY_CURRENT_USER\Volatile Environment]
"USERNAME"="qzx"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"AppData"="C:\\users\\qzx\\AppData\\Roaming"
)");
  prefix.createFile(L"C:\\users\\qzx\\AppData\\Roaming\\desktop.ini");
}

}  // namespace dlltest
