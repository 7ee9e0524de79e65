#include "app/AppSettings.h"

#include <climits>
#include <cstdio>
#include <mutex>

#include "app/AppLog.h"
#include "app/AppTime.h"
#include "app/LanguageTable.h"
#include "app/RegistryKey.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Time.h"

DWORD StartWhenWinBoots = 1;
DWORD GoToSystemTrayOnClose = 0;
DWORD SetChkREmovableMedia = 1;
DWORD SetChkSkipEmptyKeys = 1;
DWORD ImprovementProgram = 1;
DWORD ConfirmBkUps = 1;
DWORD StartScan = 0;
DWORD StartMinimized = 0;
DWORD AutoRepair = 0;
DWORD RegErrFoundTillDate = 0;
DWORD RegErrsFixedTillDate = 0;
DWORD RegErrsFixedLast = 0;
DWORD NumTimesKVTRunned = 0;
DWORD ChkAgreeToUploadDLLs = 1;

std::wstring StrLastScan;
std::wstring StrLastOptimizeTime;
std::wstring StrLatestRegDefrag;
std::wstring StrLatestRestorePoint;
std::wstring StrLastStartupOpt;
std::wstring ScheduledTime;
std::wstring StrLastScanResults;

namespace {

bool g_defaultsApplied = false;

struct DwordSetting {
  const wchar_t* name;
  DWORD* value;
};

constexpr const wchar_t* kLastScanResults = L"StrLastScanResults";
constexpr const wchar_t* kCurrentScanTime = L"CurrentScanTime";
constexpr const wchar_t* kCurrentDllInstallTime = L"CurrentDllInstallTime";

// A DWORD setting takes 4 bytes whatever the stored type; a longer value leaves the global alone (the
// registry refuses to fill a short buffer), a shorter one overwrites only its own bytes.
void ReadDwordSetting(HKEY key, const DwordSetting& s) {
  DWORD type = 0, cb = sizeof(DWORD);
  DWORD value = *s.value;
  if (win::RegQueryValueEx(key, s.name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb) == ERROR_SUCCESS)
    *s.value = value;
}

bool WriteDwordSetting(CRegistryKey& key, const DwordSetting& s) { return key.WriteDWORD(*s.value, s.name); }

// A settings save the registry refused (Wine holds the prefix, another program holds or replaced the file) is
// said on the terminal and in the log; otherwise the user would find the old settings at the next start.
// The save is written through at once, so that a refusal is known here.
BOOL SettingsSaved(const wchar_t* what, bool written) {
  if (written && mx::reg::FlushRegistry() == ERROR_SUCCESS) return TRUE;
  std::wstring why = mx::reg::LastRegistryError();
  if (why.empty()) why = L"the registry refused the change";
  const std::wstring line = std::wstring(L"The ") + what + L" could not be saved: " + why;
  std::fprintf(stderr, "mendrix: %s\n", mx::WideToUtf8(line).c_str());
  WriteLogLine(line);
  return FALSE;
}

bool WriteLastScanResultCount(int count) {
  CRegistryKey key(HKEY_CURRENT_USER);
  return key.Open(HKEY_CURRENT_USER, TRUE, kProductKey) && key.WriteString(kLastScanResults, std::to_wstring(count));
}

BOOL SaveTime(const wchar_t* valueName, const SYSTEMTIME& time) {
  CRegistryKey key(HKEY_CURRENT_USER);
  const bool written =
      key.Open(HKEY_CURRENT_USER, TRUE, kProductKey) &&
      win::RegSetValueEx(key.Handle(), valueName, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&time), sizeof time) ==
          ERROR_SUCCESS;
  return SettingsSaved(valueName == kCurrentScanTime ? L"time of the scan" : L"time of the DLL installation", written);
}

// Reads the stored time without creating the product key: a read never leaves keys behind.
BOOL LoadTime(const wchar_t* valueName, SYSTEMTIME& out) {
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_READ;
  if (!key.Open(HKEY_CURRENT_USER, FALSE, kProductKey)) return FALSE;
  DWORD type = 0, size = 0;
  if (win::RegQueryValueEx(key.Handle(), valueName, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return FALSE;
  SYSTEMTIME st{};
  DWORD cb = sizeof st;
  if (size <= sizeof st)
    win::RegQueryValueEx(key.Handle(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(&st), &cb);
  out = st;
  return TRUE;
}

int DaysSince(const wchar_t* valueName) {
  SYSTEMTIME then{};
  if (!LoadTime(valueName, then)) return -1;
  std::int64_t seconds = 0;
  if (!app::SystemTimeToUnixLocal(then, seconds)) return -1;
  return static_cast<int>((mx::UnixTimeNow() - seconds) / 86400);
}

}  // namespace

LONG WtoL(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<LONG>(value);
}

void ApplyDefaultSettings() {
  StartWhenWinBoots = 1;
  GoToSystemTrayOnClose = 0;
  SetChkREmovableMedia = 1;
  SetChkSkipEmptyKeys = 1;
  ConfirmBkUps = 1;
  StartScan = 0;
  StartMinimized = 0;
  AutoRepair = 0;
  RegErrFoundTillDate = 0;
  RegErrsFixedTillDate = 0;
  RegErrsFixedLast = 0;
  NumTimesKVTRunned = 0;
  ChkAgreeToUploadDLLs = 1;
  g_defaultsApplied = true;
}

void LoadSettings() {
  if (!g_defaultsApplied) ApplyDefaultSettings();
  CRegistryKey key(HKEY_CURRENT_USER);
  if (!key.Open(HKEY_CURRENT_USER, TRUE, kProductKey)) return;
  const HKEY h = key.Handle();
  auto readString = [&](const wchar_t* name, std::wstring& value) { key.ReadString(name, value); };
  ReadDwordSetting(h, {L"StartWhenWinBoots", &StartWhenWinBoots});
  ReadDwordSetting(h, {L"GoToSystemTrayOnClose", &GoToSystemTrayOnClose});
  ReadDwordSetting(h, {L"SetChkREmovableMedia", &SetChkREmovableMedia});
  ReadDwordSetting(h, {L"SetChkSkipEmptyKeys", &SetChkSkipEmptyKeys});
  ReadDwordSetting(h, {L"ImprovementProgram", &ImprovementProgram});
  readString(L"StrLastOptimizeTime", StrLastOptimizeTime);
  ReadDwordSetting(h, {L"ConfirmBkUps", &ConfirmBkUps});
  ReadDwordSetting(h, {L"StartScan", &StartScan});
  ReadDwordSetting(h, {L"StartMinimized", &StartMinimized});
  ReadDwordSetting(h, {L"AutoRepair", &AutoRepair});
  readString(L"StrLastScan", StrLastScan);
  StrLastScanResults = std::to_wstring(LoadLastScanResultCount());
  readString(L"StrLatestRegDefrag", StrLatestRegDefrag);
  readString(L"StrLatestRestorePoint", StrLatestRestorePoint);
  readString(L"StrLastStartupOpt", StrLastStartupOpt);
  ReadDwordSetting(h, {L"RegErrFoundTillDate", &RegErrFoundTillDate});
  ReadDwordSetting(h, {L"RegErrsFixedTillDate", &RegErrsFixedTillDate});
  ReadDwordSetting(h, {L"RegErrsFixedLast", &RegErrsFixedLast});
  readString(L"ScheduledTime", ScheduledTime);
  ReadDwordSetting(h, {L"NumTimesKVTRunned", &NumTimesKVTRunned});
  ReadDwordSetting(h, {L"ChkAgreeToUploadDLLs", &ChkAgreeToUploadDLLs});
}

void SaveSettings() {
  CRegistryKey key(HKEY_CURRENT_USER);
  if (!key.Open(HKEY_CURRENT_USER, TRUE, kProductKey)) {
    SettingsSaved(L"settings", false);
    return;
  }
  bool written = true;
  const DwordSetting first[] = {
      {L"SetChkREmovableMedia", &SetChkREmovableMedia}, {L"SetChkSkipEmptyKeys", &SetChkSkipEmptyKeys},
      {L"ImprovementProgram", &ImprovementProgram},     {L"StartWhenWinBoots", &StartWhenWinBoots},
      {L"GoToSystemTrayOnClose", &GoToSystemTrayOnClose}, {L"ConfirmBkUps", &ConfirmBkUps},
      {L"StartScan", &StartScan},                       {L"StartMinimized", &StartMinimized},
      {L"AutoRepair", &AutoRepair},
  };
  for (const auto& s : first) written = WriteDwordSetting(key, s) && written;
  written = key.WriteString(L"StrLastScan", StrLastScan) && written;
  written = WriteLastScanResultCount(WtoL(StrLastScanResults)) && written;
  written = key.WriteString(L"StrLastOptimizeTime", StrLastOptimizeTime) && written;
  written = key.WriteString(L"StrLatestRegDefrag", StrLatestRegDefrag) && written;
  written = key.WriteString(L"StrLatestRestorePoint", StrLatestRestorePoint) && written;
  written = key.WriteString(L"StrLastStartupOpt", StrLastStartupOpt) && written;
  const DwordSetting counters[] = {
      {L"RegErrFoundTillDate", &RegErrFoundTillDate},
      {L"RegErrsFixedTillDate", &RegErrsFixedTillDate},
      {L"RegErrsFixedLast", &RegErrsFixedLast},
  };
  for (const auto& s : counters) written = WriteDwordSetting(key, s) && written;
  written = key.WriteString(L"ScheduledTime", ScheduledTime) && written;
  written = WriteDwordSetting(key, {L"NumTimesKVTRunned", &NumTimesKVTRunned}) && written;
  written = WriteDwordSetting(key, {L"ChkAgreeToUploadDLLs", &ChkAgreeToUploadDLLs}) && written;
  SettingsSaved(L"settings", written);
}

int LoadLastScanResultCount() {
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_READ;
  if (!key.Open(HKEY_CURRENT_USER, FALSE, kProductKey)) return 0;
  std::wstring text;
  if (!key.ReadString(kLastScanResults, text) || text.empty()) return 0;
  return WtoL(text);
}

void SaveLastScanResultCount(int count) { SettingsSaved(L"count of the last scan", WriteLastScanResultCount(count)); }

BOOL SaveLastScanTime(const SYSTEMTIME& localTime) { return SaveTime(kCurrentScanTime, localTime); }
BOOL SaveLastDllInstallTime(const SYSTEMTIME& localTime) { return SaveTime(kCurrentDllInstallTime, localTime); }
BOOL LoadLastScanTime(SYSTEMTIME& out) { return LoadTime(kCurrentScanTime, out); }
BOOL LoadLastDllInstallTime(SYSTEMTIME& out) { return LoadTime(kCurrentDllInstallTime, out); }
int DaysSinceLastScan() { return DaysSince(kCurrentScanTime); }
int DaysSinceLastDllInstall() { return DaysSince(kCurrentDllInstallTime); }

int GetLangID() {
  int result = 0;
  // Read-only opens: a standard user may not open the machine key for writing, and a read must not create
  // keys; the machine's choice still counts for every user.
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    CRegistryKey key(root);
    key.m_access = KEY_READ;
    if (!key.Open(root, FALSE, kLangSubKey)) continue;
    DWORD type = 0, value = 0, cb = sizeof value;
    if (win::RegQueryValueEx(key.Handle(), L"LangID", nullptr, &type, reinterpret_cast<BYTE*>(&value), &cb) ==
            ERROR_SUCCESS &&
        type == REG_DWORD)
      result = value < static_cast<DWORD>(kLanguageCount) ? static_cast<int>(value) : 0;
  }
  return result;
}

std::wstring GetLangCode() {
  static std::mutex lock;
  static std::wstring code = L"en";
  std::lock_guard<std::mutex> guard(lock);
  CRegistryKey key(HKEY_CURRENT_USER);
  if (key.Open(HKEY_CURRENT_USER, TRUE, kLangSubKey)) {
    std::wstring stored;
    code = key.ReadString(L"LangCode", stored) ? stored : L"en";
  }
  return code;
}
