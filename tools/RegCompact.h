#pragma once
// The hive analysis: a fresh copy of every hive the compaction can shrink, written with RegSaveKey, and the
// size of that copy against the size of the hive file in use. One live analysis object at a time
// (g_pRegCompact); the copies live until DeleteCopies or the object's end.
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/Registry.h"
#include "platform/system/Privileges.h"
#include "platform/win/WinDefs.h"

namespace win {
class CWnd;
}

// Kinds of hive, by the name in the hive list.
inline constexpr int HIVE_KIND_USER = 2;
inline constexpr int HIVE_KIND_SAM = 4;
inline constexpr int HIVE_KIND_SECURITY = 8;
inline constexpr int HIVE_KIND_SYSTEM = 0x10;
inline constexpr int HIVE_KIND_SOFTWARE = 0x20;
inline constexpr int HIVE_KIND_COMPONENTS = 0x40;
inline constexpr int HIVE_KIND_BCD = 0x80;
inline constexpr int HIVE_KIND_USERS_ROOT = 0x800;

struct SHiveCompactInfo {
  int nSaved = 0;            // 1 when RegSaveKey wrote the copy
  std::uint32_t hRootKey = 0;  // 0x80000002, 0x80000003 or 0
  DWORD dwCopySize = 0;      // bytes of the copy (after compaction)
  DWORD dwLiveSize = 0;      // bytes of the hive file in use
  std::wstring strSubKey;    // lower case, below the root
  std::wstring strHiveFile;  // from the hive list; its drive form once measured
  std::wstring strCopyPath;
  std::wstring strTempPath;  // the copy path with ".bac"
  std::wstring strHiveName;  // the hive list's value name
  int nKind = 0;
};

class CRegCompact {
 public:
  CRegCompact();
  virtual ~CRegCompact();
  CRegCompact(const CRegCompact&) = delete;
  CRegCompact& operator=(const CRegCompact&) = delete;

  // Runs the whole analysis on g_pRegCompact on the calling (worker) thread. Either window may be null or
  // gone. A stopped analysis leaves the stop event signalled.
  static void Analyze(win::CWnd* progressBar, win::CWnd* statusText);
  // Deletes the copies the records name, but only files the analysis makes (see IsAnalysisCopyPath).
  void DeleteCopies();
  // The summary file "summary2.bin" in the data folder (written whole or not at all).
  static BOOL SaveSummary();
  BOOL LoadSummary();

  BOOL EnablePrivileges();
  void ReadHiveList();
  void InitTempFolder();
  void PrepareTempPaths();
  void MeasureHiveSizes();
  BOOL IsStopped() const;

  HANDLE m_hStopEvent = nullptr;
  BYTE m_bCopiesDeleted = 0;
  BOOL m_bRestorePrivilege = FALSE;
  BOOL m_bBackupPrivilege = FALSE;
  BOOL m_bShutdownPrivilege = FALSE;
  std::vector<std::wstring> m_arrHiveNames;
  std::vector<std::wstring> m_arrHiveFiles;
  std::wstring m_strTempFolder;
  std::unique_ptr<SHiveCompactInfo[]> m_pHives;
  int m_nHives = 0;
};

// The one live analysis (owned through this pointer; replaced and deleted on the UI thread only).
extern CRegCompact* g_pRegCompact;

// Helpers of the analysis.
BOOL EnableTokenPrivilege(HTOKEN token, LPCWSTR privilege);
void MakeHiveCopyPath(SHiveCompactInfo& record, const std::wstring& tempFolder);
void SaveHiveCopy(SHiveCompactInfo& record);
void ResolveHiveFilePath(std::wstring& path);
std::wstring DevicePathToDosPath(const std::wstring& path);
DWORD GetFileSizeByListing(const std::wstring& path);
// "%SystemRoot%\System32\Config\TWQBakup", expanded.
std::wstring HiveCopyFolder();
// Whether path names a file an analysis makes: "<name>.bak"/".bac" directly in the copy folder, or
// "QZ<hex>.tmp"/".bac" directly in the system folder (the fallback). Nothing else is ever deleted as a copy.
bool IsAnalysisCopyPath(const std::wstring& path);
