#include "app/RestorePoint.h"

#include <algorithm>
#include <ctime>

#include "app/AppSettings.h"
#include "app/AppTime.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "platform/system/RestorePoint.h"
#include "platform/system/Time.h"

namespace {

const std::wstring kSysResKey = std::wstring(kProductKey) + L"\\SYSRES";
constexpr const wchar_t* kLastRestorePointTime = L"LastRestorePointTime";

bool SystemSupportsRestorePoints() {
  const DWORD major = GetOSMajorVersion(), minor = GetOSMinorVersion();
  return (major == 4 && minor >= 90) || (major == 5 && minor != 0) || major > 5;
}

}  // namespace

BOOL LoadLastRestorePointTime(SYSTEMTIME& out) {
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_READ;
  if (!key.Open(HKEY_CURRENT_USER, FALSE, kSysResKey)) return FALSE;
  SYSTEMTIME st{};
  DWORD type = 0, cb = sizeof st;
  if (win::RegQueryValueEx(key.Handle(), kLastRestorePointTime, nullptr, &type, reinterpret_cast<BYTE*>(&st), &cb) !=
          ERROR_SUCCESS ||
      cb != sizeof st)
    return FALSE;
  out = st;
  return TRUE;
}

BOOL SaveLastRestorePointTime() {
  CRegistryKey key(HKEY_CURRENT_USER);
  if (!key.Open(HKEY_CURRENT_USER, TRUE, kSysResKey)) return FALSE;
  SYSTEMTIME now;
  win::GetSystemTime(&now);
  win::RegSetValueEx(key.Handle(), kLastRestorePointTime, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&now),
                     sizeof now);
  return TRUE;
}

BOOL IsRestorePointDue() {
  SYSTEMTIME stored{}, now{};
  if (!LoadLastRestorePointTime(stored)) return TRUE;
  win::GetSystemTime(&now);
  std::int64_t then = 0, current = 0;
  // Both sides are UTC and converted the same way, so no zone or daylight-saving shift enters.
  if (!app::SystemTimeToUnixUtc(stored, then) || !app::SystemTimeToUnixUtc(now, current)) return TRUE;
  if (current <= then) return TRUE;
  return (current - then) / 3600 > 24;
}

std::wstring FormatRestorePointTime() {
  std::tm tm{};
  if (!mx::LocalTimeFromUnix(mx::UnixTimeNow(), tm)) return {};
  return mx::FormatTime(L"%a, %b %d, %y  %H:%M", tm);
}

BOOL CreateRestorePoint(const std::wstring& description) {
  if (!IsRestorePointDue()) return TRUE;
  if (!SystemSupportsRestorePoints()) return FALSE;

  RESTOREPOINTINFOW request;
  request.dwEventType = BEGIN_SYSTEM_CHANGE;
  request.dwRestorePtType = APPLICATION_INSTALL;
  request.llSequenceNumber = 0;
  const std::wstring text = description.empty() ? GetAppTitle() + L" " + FormatRestorePointTime() : description;
  const size_t length = std::min<size_t>(text.size(), MAX_DESC - 1);
  text.copy(request.szDescription, length);
  request.szDescription[length] = L'\0';

  STATEMGRSTATUS status;
  if (!win::SRSetRestorePoint(&request, &status)) return FALSE;
  request.dwEventType = END_SYSTEM_CHANGE;
  request.llSequenceNumber = status.llSequenceNumber;
  if (!win::SRSetRestorePoint(&request, &status)) return FALSE;
  SaveLastRestorePointTime();
  return TRUE;
}
