#pragma once
// Who and what the machine is, read from the prefix: its architecture (the "#arch=" line of system.reg), the
// Windows version the prefix claims, the logged-on user and that user's SID. Our program is a 32-bit program,
// so on a 64-bit prefix it runs under WOW64.
#include <string>

#include "platform/base/WinTypes.h"

struct OSVERSIONINFOW {
  DWORD dwOSVersionInfoSize = 0;
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  WCHAR szCSDVersion[128] = {};
};
inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

namespace mx {

// True when the prefix is a 64-bit one (#arch=win64). A prefix without the line counts as 64-bit when it has
// a drive_c/windows/syswow64 folder. Cached; reset when the prefix changes.
bool PrefixIs64Bit();

// The user's SID as the prefix's user.reg names it ("S-1-5-21-0-0-0-1000" in a fresh prefix).
std::wstring CurrentUserSid();

// "6.1" -> 6, 1 and the build from HKLM\Software\Microsoft\Windows NT\CurrentVersion (CurrentVersion,
// CurrentBuildNumber, CSDVersion). Tests may pin a version; PinOsVersion(0, 0) returns to the prefix's.
void PinOsVersion(DWORD major, DWORD minor, DWORD build = 0);

}  // namespace mx

namespace win {

// The current process runs under WOW64: TRUE on a 64-bit prefix. Always succeeds.
BOOL IsWow64Process(void* process, BOOL* wow64);
// The same as a plain answer, for callers that look it up each time.
BOOL IsWow64();

// dwOSVersionInfoSize must be at least the structure's size, else FALSE with ERROR_INVALID_PARAMETER.
BOOL GetVersionEx(OSVERSIONINFOW* info);

// The user name of the prefix (Volatile Environment USERNAME, else the profile folder's name). *size in
// characters including the null; a short buffer gives FALSE, ERROR_INSUFFICIENT_BUFFER and the needed size.
BOOL GetUserName(LPWSTR buffer, LPDWORD size);
// The machine name (ComputerName key), same buffer rules as GetUserName.
BOOL GetComputerName(LPWSTR buffer, LPDWORD size);

}  // namespace win
