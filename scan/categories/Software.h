#pragma once
// The installed-software category: uninstall entries without an uninstall command or naming missing files,
// cached entries whose program entry is gone, missing installer folders and installer registrations that
// name missing files (entry types 35, 36 and 42).
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "scan/Category.h"
#include "scan/Problem.h"

inline constexpr const wchar_t* kUninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr const wchar_t* kArpCacheKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Management\\ARPCache";
inline constexpr const wchar_t* kInstallerFoldersKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
inline constexpr const wchar_t* kInstallerSubKey = L"Installer";

class CSoftware : public CCategory {
 public:
  // 1, or 2 when stopped.
  int Scan() override;
  int GetItemCount() override { return 1; }

  virtual void ScanArpCache();
  virtual void ScanInstallerFolders();
  // The walk of root\path and its subtree for value names and string data that name missing files; 1, or 2
  // when stopped. view64 picks the view on 64-bit Windows.
  virtual int ScanKeyForMissingFiles(HKEY root, const std::wstring& path, std::wstring displayRoot, bool view64);

 private:
  // 2 when stopped during the pass over one view's uninstall entries.
  int ScanUninstallEntries(REGSAM view, int is32BitEntry);
  void CheckUninstallEntry(HKEY entry, const std::wstring& name, REGSAM view, int is32BitEntry);
};

// Whether HKEY_LOCAL_MACHINE\keyPath, opened with KEY_READ plus view, has a subkey (false when it does not open).
bool KeyHasSubkeys(REGSAM view, const std::wstring& keyPath);

// A missing installer folder: a single value of the installer folders key. Its repair deletes that value
// only, never the key with every other registered folder.
bool IsInstallerFolderProblem(const CProblem& problem);
