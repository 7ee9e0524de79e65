#pragma once
// The small modal wait dialog of a full backup or a full restore: its worker starts the registry editor,
// waits for it and closes the dialog. The dialog cannot be closed by the user while the worker runs, so the
// worker never outlives the object it reports to.
#include <atomic>
#include <memory>
#include <string>

#include "platform/gdi/AfxControls.h"
#include "platform/win/Thread.h"
#include "ui/AfxDialog.h"
#include "ui/DlgTemplateLayout.h"

inline constexpr UINT IDD_REG_BACKUP_SHOW = 392;
inline constexpr int IDC_ST_BACKUP_PROGRESS = 367;

// How long an export may take before it counts as failed: far beyond any registry's export.
inline constexpr DWORD kExportTimeoutMs = 30 * 60 * 1000;
// The restore's wait for the registry editor (about 18.6 days, in effect for ever).
inline constexpr DWORD kRestoreTimeoutMs = 0x5FFFFFF9;

class CDlgRegBackupShow : public CDialog {
 public:
  // The worker's finding, read once the dialog has closed.
  enum Outcome {
    kPending = -1,
    kDone = 0,            // backup written and checked / restore imported
    kNoDataFolder,        // export: the data folder is not available
    kNoFileName,          // export: no new file can be made in the data folder
    kEditorNotStarted,    // the registry editor could not be started
    kEditorFailed,        // it ended with an error, was stopped, or left no usable file
    kWineHoldsRegistry,   // restore: Wine holds the prefix's registry, nothing was imported
    kFileMissing,         // restore: the chosen file is gone
  };

  explicit CDlgRegBackupShow(win::CWnd* parent);
  ~CDlgRegBackupShow() override;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  static UINT ExportThreadProc(LPVOID dialog);
  static UINT RestoreThreadProc(LPVOID dialog);

  std::unique_ptr<win::CWinThread> m_pWorker;
  BOOL m_bRestore = FALSE;
  std::wstring m_strFile;  // restore: the file to import; export: the file written, once done
  CStatic m_stProgress;
  CDlgTemplateLayout m_layout;

  std::atomic<int> m_nOutcome{kPending};
  // Set while the restore's registry editor runs (tests watch the UI thread answer meanwhile).
  std::atomic<bool> m_bEditorRunning{false};

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  // Records the outcome and asks the dialog to close; the worker's last touch of the object.
  void Finish(Outcome outcome);
  void Close(int result);
  bool WorkerDone() const { return m_nOutcome.load() != kPending; }
};

// TRUE when the file holds a whole .reg export: present, not empty, and parsing completely.
BOOL IsUsableRegExport(const std::wstring& path);
