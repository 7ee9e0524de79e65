#pragma once
// The history-lists category: unneeded file-extension keys of the shell (entry type 26), file-dialog history
// entries (27) and recent-file lists of well-known applications (28) that name missing files or folders, and
// launch records of Start-menu shortcuts (29) and folders (30) that no longer exist.
#include <string>
#include <vector>

#include "scan/Category.h"
#include "scan/categories/UserAssSpy.h"

inline constexpr const wchar_t* kFileExtsKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
inline constexpr const wchar_t* kOpenSaveMruKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ComDlg32\\OpenSaveMRU";

class CHistoryLists : public CCategory {
 public:
  // 1, or 2 when stopped.
  int Scan() override;
  int GetItemCount() override { return 1; }

  // The values of HKEY_CURRENT_USER\keyPath (all but "MRUList") that name missing files, or missing folders
  // with folders set; 1, or 2 when stopped.
  static int ScanMruList(CCategory& category, const std::wstring& keyPath, int entryType, const std::wstring& appName,
                         bool folders);
  // Fills the two Programs folders of the Start menu, each with a trailing backslash when known.
  void LoadProgramsFolders();
  // The UserAssist pass; 1, or 2 when stopped.
  int ScanUserAssist();
  // Reports the launch records of one UserAssist key whose shortcut or folder exists in neither Programs folder.
  static void CheckUserAssistEntries(CHistoryLists& category, const std::vector<ValuePair>& entries,
                                     const std::wstring& countKeyPath);

  std::wstring m_strCommonPrograms;  // the all-users Programs folder
  std::wstring m_strUserPrograms;    // the current user's Programs folder
};

// "Text Document (*.txt)" from the classes root, or ".QZX file (*.qzx)" when it does not describe the extension.
std::wstring DescribeFileType(const std::wstring& extension);
