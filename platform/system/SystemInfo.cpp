#include "platform/system/SystemInfo.h"

#include <atomic>
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
  return TRUE;
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
