#pragma once
// The Start menu of the current user: the shell's MenuOrder records (one key per Programs subfolder whose
// item order was changed) and the shortcuts in the all-users and the user's Programs folders. Reports order
// keys of folders that are gone (type 39), empty order keys (type 38) and writable shortcuts whose target is
// missing (type 40, with an empty Key).
#include <string>

#include "scan/Category.h"

class CStartMenu : public CCategory {
 public:
  CStartMenu();

  int Scan() override;
  int GetItemCount() override { return 1; }

  // Walks one order key below HKEY_CURRENT_USER; relativePath is the folder below the Programs folders
  // ("" at the top, else ending with a backslash). 2 when stopped.
  int ScanMenuOrderKey(const std::wstring& keyPath, const std::wstring& relativePath);
  // Checks the shortcuts of one Programs folder and its subfolders. 2 when stopped.
  int ScanProgramsShortcuts(const std::wstring& folder);

  std::wstring m_strCommonPrograms;  // with a trailing backslash; empty when unknown
  std::wstring m_strPrograms;

 private:
  bool FolderMayExist(const std::wstring& relativeFolder) const;

  std::wstring m_strEmptyKeyText;
  std::wstring m_strInvalidRefText;
};
