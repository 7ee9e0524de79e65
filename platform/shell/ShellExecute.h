#pragma once
// Shell launches. The registry editor is started as a real child (platform/system/Process.h); everything a
// Linux machine cannot run (an installer, the "runas" verb, the shutdown program, a help file, a browser URL)
// is recorded as what would have been started and fails the way Windows fails for a file it cannot run
// (SE_ERR_FNF / ERROR_FILE_NOT_FOUND); only the shutdown program's restart ("-r") succeeds, since the restart
// is carried out for the prefix (platform/system/RestartRequest.h). The application core hangs its log on the
// record hook.
#include <cstdint>

#include "platform/base/WinTypes.h"
#include "platform/system/LaunchRecord.h"
#include "platform/system/Process.h"

inline constexpr std::intptr_t SE_ERR_FNF = 2;
inline constexpr std::intptr_t SE_ERR_NOASSOC = 31;
inline constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x40;
inline constexpr ULONG SEE_MASK_FLAG_NO_UI = 0x400;

struct SHELLEXECUTEINFOW {
  DWORD cbSize = sizeof(SHELLEXECUTEINFOW);
  ULONG fMask = 0;
  void* hwnd = nullptr;
  LPCWSTR lpVerb = nullptr;
  LPCWSTR lpFile = nullptr;
  LPCWSTR lpParameters = nullptr;
  LPCWSTR lpDirectory = nullptr;
  int nShow = 0;  // SW_ values of platform/win/WinDefs.h
  std::intptr_t hInstApp = 0;  // > 32 on success, else the SE_ERR_ code
  HPROCESS hProcess;  // with SEE_MASK_NOCLOSEPROCESS, owned by the caller
};

namespace win {

// > 32 on success, else SE_ERR_FNF (recorded launches).
std::intptr_t ShellExecute(void* hwnd, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                           int show);
// TRUE on success; FALSE with ERROR_FILE_NOT_FOUND and hInstApp = SE_ERR_FNF otherwise.
BOOL ShellExecuteEx(SHELLEXECUTEINFOW* info);

}  // namespace win
