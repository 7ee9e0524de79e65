#include "scan/categories/Startup.h"

#include <vector>

#include "app/SystemUtils.h"
#include "scan/Problem.h"
#include "scan/categories/RegStringQuery.h"

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;
constexpr int kEntryTypeStartup = 41;
constexpr REGSAM kExaminedKeyAccess = KEY_READ | KEY_WRITE;  // 0x2001F

struct OpenKey {
  ~OpenKey() {
    if (handle) win::RegCloseKey(handle);
  }
  HKEY handle = nullptr;
};

int ScanOneKey(CCategory& category, HKEY root, const std::wstring& keyPath, REGSAM view, int is32BitEntry) {
  OpenKey open;
  if (win::RegOpenKeyEx(root, keyPath.c_str(), 0, kExaminedKeyAccess | view, &open.handle) != ERROR_SUCCESS)
    return kRanToEnd;
  const HKEY key = open.handle;
  std::vector<std::wstring> names;
  EnumValueNames(key, names);
  const std::wstring keyText =
      std::wstring(root == HKEY_LOCAL_MACHINE ? L"HKEY_LOCAL_MACHINE\\" : L"HKEY_CURRENT_USER\\") + keyPath;
  for (const std::wstring& name : names) {
    if (category.IsStopRequested()) return kStopped;
    ReportScanProgress(L"Startup: " + name);
    // A value that is not a string fitting the category's buffer, terminator included, is skipped.
    std::wstring command;
    if (QueryRegString(key, name, command) != ERROR_SUCCESS) continue;
    if (!command.empty() &&
        category.IsFileReferenceValid(command, FileCheckOptions{.bUsePathSkipList = true,
                                                                .bUseFolderSkipList = true,
                                                                .bPassedBack = true}))
      continue;
    const int index = category.AddProblem(kEntryTypeStartup, keyText, name, command, L"", is32BitEntry);
    category.AddProblemDetail(index, name);
  }
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
