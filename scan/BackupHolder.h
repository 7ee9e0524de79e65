#pragma once
// The one link to the open undo run, made by the scan manager and shared by the manager, every category and
// every problem, so that a repair started from any of them records into the same run.
#include <string>

class CBackup;

struct BackupHolder {
  // The open undo run; null until BeginBackupSession stores one, and again after EndBackupSession. Whoever
  // opens the run owns it; the holder only points at it.
  CBackup* m_pCurrentRun = nullptr;
  // The program title (the localized "AFX_IDS_APP_TITLE"), used in the run descriptions.
  std::wstring m_strTitle;
};
