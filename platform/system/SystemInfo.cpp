#include "platform/system/SystemInfo.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cwchar>
#include <thread>
#include <cwctype>
#include <fstream>
#include <mutex>

#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Environment.h"
#include "platform/system/RegRead.h"

namespace mx {

namespace {

std::mutex g_mutex;
std::optional<std::wstring> g_sid;
DWORD g_pinMajor = 0, g_pinMinor = 0, g_pinBuild = 0;

void ResetIdentity() {
  std::lock_guard lock(g_mutex);
  g_sid.reset();
}

[[maybe_unused]] const bool g_registered = [] {
  OnPrefixChanged(&ResetIdentity);
  return true;
}();

// Parses "6.1" into 6 and 1; false when the text is not that shape.
bool ParseVersion(const std::wstring& text, DWORD& major, DWORD& minor) {
  size_t dot = text.find(L'.');
  if (dot == std::wstring::npos || dot == 0 || dot + 1 >= text.size()) return false;
  try {
    major = static_cast<DWORD>(std::stoul(text.substr(0, dot)));
    minor = static_cast<DWORD>(std::stoul(text.substr(dot + 1)));
  } catch (...) {
    return false;
  }
  return true;
}

BOOL CopyOut(const std::wstring& text, LPWSTR buffer, LPDWORD size) {
  if (!size) {
    win::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  DWORD needed = static_cast<DWORD>(text.size() + 1);
  if (!buffer || *size < needed) {
    *size = needed;
    win::SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  *size = needed;
  return TRUE;
}

}  // namespace

bool PrefixIs64Bit() { return reg::RegistryArch() == reg::Arch::Win64; }

std::wstring CurrentUserSid() {
  std::lock_guard lock(g_mutex);
  if (g_sid) return *g_sid;
  // The user hive names its owner in its header: ";; All keys relative to REGISTRY\\User\\S-1-5-21-...".
  std::wstring sid = L"S-1-5-21-0-0-0-1000";
  std::ifstream in(PrefixDir() / "user.reg");
  std::string line;
  for (int n = 0; n < 4 && std::getline(in, line); ++n) {
    const std::string marker = "REGISTRY\\\\User\\\\";
    if (auto pos = line.find(marker); pos != std::string::npos) {
      std::string s = line.substr(pos + marker.size());
      while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
      if (!s.empty() && s.rfind("S-", 0) == 0) sid = Utf8ToWide(s);
      break;
    }
  }
  g_sid = sid;
  return sid;
}

void PinOsVersion(DWORD major, DWORD minor, DWORD build) {
  std::lock_guard lock(g_mutex);
  g_pinMajor = major;
  g_pinMinor = minor;
  g_pinBuild = build;
}

}  // namespace mx

namespace win {

BOOL IsWow64Process(void* /*process*/, BOOL* wow64) {
  if (!wow64) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *wow64 = mx::PrefixIs64Bit() ? TRUE : FALSE;
  return TRUE;
}

BOOL IsWow64() { return mx::PrefixIs64Bit() ? TRUE : FALSE; }

BOOL GetVersionEx(OSVERSIONINFOW* info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A prefix that says nothing is treated as Windows 7, what Wine sets up by default.
  DWORD major = 6, minor = 1, build = 7601;
  std::wstring csd;
  const std::wstring key = L"Software\\Microsoft\\Windows NT\\CurrentVersion";
  if (auto v = mx::ReadRegString(HKEY_LOCAL_MACHINE, key, L"CurrentVersion", KEY_WOW64_64KEY)) {
    DWORD ma = 0, mi = 0;
    if (mx::ParseVersion(v->text, ma, mi)) major = ma, minor = mi;
  }
  if (auto v = mx::ReadRegString(HKEY_LOCAL_MACHINE, key, L"CurrentBuildNumber", KEY_WOW64_64KEY)) {
    try {
      build = static_cast<DWORD>(std::stoul(v->text));
    } catch (...) {
    }
  }
  if (auto v = mx::ReadRegString(HKEY_LOCAL_MACHINE, key, L"CSDVersion", KEY_WOW64_64KEY)) csd = v->text;
  {
    std::lock_guard lock(mx::g_mutex);
    if (mx::g_pinMajor) major = mx::g_pinMajor, minor = mx::g_pinMinor, build = mx::g_pinBuild ? mx::g_pinBuild : build;
  }
  info->dwMajorVersion = major;
  info->dwMinorVersion = minor;
  info->dwBuildNumber = build;
  info->dwPlatformId = VER_PLATFORM_WIN32_NT;
  size_t n = std::min<size_t>(csd.size(), 127);
  csd.copy(info->szCSDVersion, n);
  info->szCSDVersion[n] = 0;
  if (info->dwOSVersionInfoSize >= sizeof(OSVERSIONINFOEXW)) {
    auto* ex = static_cast<OSVERSIONINFOEXW*>(info);
    // "Service Pack 1" -> 1.0
    ex->wServicePackMajor = 0;
    ex->wServicePackMinor = 0;
    if (size_t digit = csd.find_first_of(L"0123456789"); digit != std::wstring::npos) {
      ex->wServicePackMajor = static_cast<WORD>(std::wcstoul(csd.c_str() + digit, nullptr, 10));
    }
    ex->wSuiteMask = 0;
    ex->wProductType = VER_NT_WORKSTATION;
    ex->wReserved = 0;
  }
  return TRUE;
}

namespace {

void FillSystemInfo(SYSTEM_INFO* info, WORD architecture) {
  if (!info) return;
  *info = SYSTEM_INFO{};
  info->wProcessorArchitecture = architecture;
  info->dwPageSize = 4096;
  info->dwAllocationGranularity = 65536;
  info->lpMinimumApplicationAddress = reinterpret_cast<void*>(std::uintptr_t{0x10000});
  info->lpMaximumApplicationAddress = reinterpret_cast<void*>(std::uintptr_t{0x7FFEFFFF});
  DWORD count = 0;
  if (auto n = mx::GetEnv(L"NUMBER_OF_PROCESSORS")) count = static_cast<DWORD>(std::wcstoul(n->c_str(), nullptr, 10));
  if (count == 0 || count > 64) count = std::max(1u, std::min(64u, std::thread::hardware_concurrency()));
  info->dwNumberOfProcessors = count;
  info->dwActiveProcessorMask = count >= 32 ? 0xFFFFFFFFu : ((DWORD_PTR{1} << count) - 1);
  info->dwProcessorType = architecture == PROCESSOR_ARCHITECTURE_AMD64 ? 8664 : 586;
  info->wProcessorLevel = 6;
}

}  // namespace

void GetSystemInfo(SYSTEM_INFO* info) { FillSystemInfo(info, PROCESSOR_ARCHITECTURE_INTEL); }

void GetNativeSystemInfo(SYSTEM_INFO* info) {
  FillSystemInfo(info, mx::PrefixIs64Bit() ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL);
}

BOOL GetUserName(LPWSTR buffer, LPDWORD size) {
  std::wstring name = mx::GetEnv(L"USERNAME").value_or(L"");
  if (name.empty()) name = L"user";
  return mx::CopyOut(name, buffer, size);
}

BOOL GetComputerName(LPWSTR buffer, LPDWORD size) {
  std::wstring name = mx::GetEnv(L"COMPUTERNAME").value_or(L"");
  if (name.empty()) name = L"WINEPC";
  return mx::CopyOut(name, buffer, size);
}

}  // namespace win
