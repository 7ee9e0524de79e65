#include "scan/categories/Startup.h"

#include <vector>

#include "app/SystemUtils.h"
#include "scan/Problem.h"

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;
constexpr int kEntryTypeStartup = 41;
constexpr REGSAM kExaminedKeyAccess = KEY_READ | KEY_WRITE;  // 0x2001F
// The value buffer: 260 characters including the terminator.
constexpr DWORD kValueBufferChars = 260;

// The command of a Run value, read as the category always has: a string type whose data, terminator
// included, fits the buffer and ends in a terminator. Anything else is unreadable and skipped.
bool ReadRunCommand(HKEY key, const std::wstring& valueName, std::wstring& out) {
  wchar_t buffer[kValueBufferChars] = {};
  DWORD type = 0;
  DWORD size = sizeof(buffer);
  const LONG rc = win::RegQueryValueEx(key, valueName.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  if (size % sizeof(wchar_t) != 0) return false;
  const DWORD units = size / sizeof(wchar_t);
  if (units == 0) {
    out.clear();
    return true;
  }
  if (buffer[units - 1] != L'\0') return false;
  out = buffer;  // up to the first terminator
  return true;
}

int ScanOneKey(CCategory& category, HKEY root, const std::wstring& keyPath, REGSAM view, int is32BitEntry) {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(root, keyPath.c_str(), 0, kExaminedKeyAccess | view, &key) != ERROR_SUCCESS) return kRanToEnd;
  std::vector<std::wstring> names;
  EnumValueNames(key, names);
  const std::wstring keyText =
      std::wstring(root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + keyPath;
  for (const std::wstring& name : names) {
    if (category.IsStopRequested()) {
      win::RegCloseKey(key);
      return kStopped;
    }
    ReportScanProgress(L"Startup: " + name);
    std::wstring command;
    if (!ReadRunCommand(key, name, command)) continue;
    if (!command.empty() &&
        category.IsFileReferenceValid(command, FileCheckOptions{.bUsePathSkipList = true,
                                                                .bUseFolderSkipList = true,
                                                                .bPassedBack = true}))
      continue;
    const int index = category.AddProblem(kEntryTypeStartup, keyText, name, command, L"", is32BitEntry);
    category.AddProblemDetail(index, name);
  }
  win::RegCloseKey(key);
  return kRanToEnd;
}

}  // namespace

int ScanRunKey(CCategory& category, BOOL machine, const std::wstring& keyPath) {
  return ScanOneKey(category, machine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, keyPath, 0, 0);
}

int ScanRunKeyByView(CCategory& category, BOOL machine, const std::wstring& keyPath) {
  if (!machine) return ScanOneKey(category, HKEY_CURRENT_USER, keyPath, 0, 0);
  if (ScanOneKey(category, HKEY_LOCAL_MACHINE, keyPath, KEY_WOW64_64KEY, 0) == kStopped) return kStopped;
  return ScanOneKey(category, HKEY_LOCAL_MACHINE, keyPath, KEY_WOW64_32KEY, 1);
}

int CStartup::Scan() {
  const auto pass = IsWow64() ? ScanRunKeyByView : ScanRunKey;
  if (pass(*this, TRUE, kRunKey) == kStopped) return kStopped;
  if (pass(*this, TRUE, kRunDisabledKey) == kStopped) return kStopped;
  if (pass(*this, FALSE, kRunKey) == kStopped) return kStopped;
  pass(*this, FALSE, kRunDisabledKey);
  if (IsStopRequested()) return kStopped;
  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}
