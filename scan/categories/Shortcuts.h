#pragma once
// Broken shortcut files: every .lnk under the user's desktop, the desktop of all users, the roaming and local
// application data folders and the recent items, whose target is missing. Reads no registry key; reports
// type 34 with the shortcut's path as the Key.
#include <string>

#include "scan/Category.h"

class CShortcuts : public CCategory {
 public:
  int Scan() override;
  int GetItemCount() override { return 0; }

  // Fills the five folders (lower case, with a trailing backslash; empty when unknown) and empties every
  // folder that contains another of them, so only the inner one is searched.
  void GetFolders();

  std::wstring m_strDesktop;
  std::wstring m_strCommonDesktop;
  std::wstring m_strAppData;
  std::wstring m_strLocalAppData;
  std::wstring m_strRecent;

 private:
  // Reports the shortcut when its target is missing and of a kind the category judges.
  void CheckShortcut(const std::wstring& shortcutPath);
};

// A shortcut's file name without its ".lnk", as the problem lists show it.
std::wstring ShortcutDisplayName(const std::wstring& shortcutPath);
