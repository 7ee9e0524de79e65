#pragma once
// One invalid registry entry (or broken shortcut file) that a category found, and the progress report the
// categories call for every item they examine. Problems are made by CCategory::AddProblem, which filters
// them, or by the results loader.
#include <functional>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "platform/win/CriticalSection.h"
#include "platform/win/WinDefs.h"

struct BackupHolder;  // the link to the open undo run, defined by the scan manager

inline constexpr int kEntryTypeCount = 44;  // entry types 0 to 43
inline constexpr int kEntryTypeEmptyKey = 1;
inline constexpr int kEntryTypeSharedFile = 33;
inline constexpr int kEntryTypeShortcut = 34;
inline constexpr int kEntryTypeStartMenuShortcut = 40;

class CProblem {
 public:
  // A copy of detail number index; empty when there is no such detail.
  std::wstring GetDetail(int index) const;

  int EntryType = 0;
  std::wstring Key;  // begins with the root's full name and a backslash; a file path for type 34
  std::wstring ValueName;  // empty for the default value or a whole-key problem
  std::wstring ValueData;
  std::wstring AlternateKey;
  std::vector<std::wstring> m_arrDetails;  // display texts; detail 0 decides the sort order
  int m_nSelected = 1;  // 1 = marked for repair
  int m_n32BitEntry = 0;  // 1 when the entry lives in the 32-bit registry view
  // 1 when the last repair attempt on it failed; kept only while the program runs (the results file does not
  // hold it).
  int m_nRepairFailed = 0;
  BackupHolder* m_pBackupHolder = nullptr;
};

// Whether the system protects the key (never on Windows major version 5 or lower, nor without the export).
bool IsKeyProtectedBySfc(HKEY root, const std::wstring& subKey, REGSAM access);

// The five root names a problem Key may begin with, compared exactly; nullptr for anything else.
HKEY RootKeyFromName(const std::wstring& rootName);
// Splits a problem Key at its first backslash; false when it has none or its root is not one of the five.
bool SplitProblemKey(const std::wstring& key, HKEY& root, std::wstring& subKey);

// The last item text reported, read by the scan-progress screen under g_csScanItem.
extern std::wstring g_strScanItem;
extern CRITICAL_SECTION g_csScanItem;

// Counts every call; every 27th posts WM_SCAN_ITEM_TEXT (wParam = &g_strScanItem) to the scan-progress
// window, with the text upper-cased unless keepCase is set.
void ReportScanProgress(const std::wstring& item, BOOL keepCase = FALSE);
// Where ReportScanProgress posts: the window of a registered provider, else the scan manager's progress
// window (the scan-progress screen sets it before it starts the worker).
void SetScanProgressWindowProvider(std::function<HWND()> provider);
// Tests only: starts the program-wide call counter at 0 again.
void ResetScanProgressCounter();
