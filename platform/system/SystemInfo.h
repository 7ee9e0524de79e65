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

struct OSVERSIONINFOEXW : OSVERSIONINFOW {
  WORD wServicePackMajor = 0;
  WORD wServicePackMinor = 0;
  WORD wSuiteMask = 0;
  BYTE wProductType = 0;  // VER_NT_WORKSTATION
  BYTE wReserved = 0;
};
inline constexpr BYTE VER_NT_WORKSTATION = 1;

struct SYSTEM_INFO {
  WORD wProcessorArchitecture = 0;
  WORD wReserved = 0;
  DWORD dwPageSize = 0;
  void* lpMinimumApplicationAddress = nullptr;
  void* lpMaximumApplicationAddress = nullptr;
  DWORD_PTR dwActiveProcessorMask = 0;
  DWORD dwNumberOfProcessors = 0;
  DWORD dwProcessorType = 0;
  DWORD dwAllocationGranularity = 0;
  WORD wProcessorLevel = 0;
  WORD wProcessorRevision = 0;
};
inline constexpr WORD PROCESSOR_ARCHITECTURE_INTEL = 0;
inline constexpr WORD PROCESSOR_ARCHITECTURE_AMD64 = 9;

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

// dwOSVersionInfoSize must be sizeof(OSVERSIONINFOW) or sizeof(OSVERSIONINFOEXW), else FALSE with
// ERROR_INVALID_PARAMETER; the extended form also gets the service pack numbers and the product type.
BOOL GetVersionEx(OSVERSIONINFOW* info);
// What our 32-bit program sees (an x86 processor) and what the machine is (x64 on a 64-bit prefix).
void GetSystemInfo(SYSTEM_INFO* info);
void GetNativeSystemInfo(SYSTEM_INFO* info);

// The user name of the prefix (Volatile Environment USERNAME, else the profile folder's name). *size in
// characters including the null; a short buffer gives FALSE, ERROR_INSUFFICIENT_BUFFER and the needed size.
BOOL GetUserName(LPWSTR buffer, LPDWORD size);
// The machine name (ComputerName key), same buffer rules as GetUserName.
BOOL GetComputerName(LPWSTR buffer, LPDWORD size);

}  // namespace win
