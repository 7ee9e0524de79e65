#include "tools/DlgRegBackupShow.h"

#include <optional>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/Menu.h"
#include "platform/regedit/RegFileParser.h"
#include "platform/registry/RegistryControl.h"
#include "platform/shell/ShellExecute.h"
#include "platform/system/Time.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "tools/FullBackups.h"
#include "ui/InputApi.h"
#include "ui/ModalOverlay.h"

namespace {

constexpr UINT kAppIcon = 100;
constexpr DWORD kTerminateWaitMs = 5000;

// Redirection off for the worker thread while the registry editor is started, as the 64-bit editor must run.
class RedirectionOff {
 public:
  RedirectionOff() { m_bOff = IsWow64() && DisableWow64Redirection(&m_pOld); }
  ~RedirectionOff() {
    if (m_bOff) RevertWow64Redirection(m_pOld);
  }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;

 private:
  void* m_pOld = nullptr;
  bool m_bOff = false;
};

// The language files keep line breaks as the two characters "\n".
std::wstring WithLineBreaks(std::wstring text) {
  for (size_t at = 0; (at = text.find(L"\\n", at)) != std::wstring::npos; ++at) text.replace(at, 2, L"\n");
  return text;
}

void ShowMessage(const wchar_t* key) {
  const std::wstring text = GetLocalizedString(key);
  win::MessageBox(nullptr, text.c_str(), GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
}

// Starts the registry editor with the parameters; its process, or none.
mx::ProcessPtr StartEditor(const std::wstring& parameters, ULONG mask, HWND owner) {
  SHELLEXECUTEINFOW info;
  info.fMask = mask;
  info.hwnd = owner;
  info.lpVerb = L"open";
  info.lpFile = L"regedit.exe";
  info.lpParameters = parameters.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!win::ShellExecuteEx(&info)) return nullptr;
  return mx::ProcessPtr(info.hProcess.get());
}

// Waits for the editor; its exit code, or STILL_ACTIVE when it had to be stopped.
DWORD WaitForEditor(const mx::ProcessPtr& process, DWORD timeoutMs) {
  const HPROCESS handle(process.get());
  if (win::WaitForProcess(handle, timeoutMs) != WAIT_OBJECT_0) {
    win::TerminateProcess(handle, 1);
    win::WaitForProcess(handle, kTerminateWaitMs);
    return STILL_ACTIVE;
  }
  DWORD code = STILL_ACTIVE;
  if (!win::GetExitCodeProcess(handle, &code)) return STILL_ACTIVE;
  // The editor wrote the registry files: take its changes in before anything reads the registry again.
  mx::reg::ReloadIfChanged();
  return code;
}

}  // namespace

BOOL IsUsableRegExport(const std::wstring& path) {
  std::string bytes;
  if (mx::ReadWinFile(path, bytes) != ERROR_SUCCESS || bytes.empty()) return FALSE;
  return mx::ParseRegFile(bytes).ok() ? TRUE : FALSE;
}

CDlgRegBackupShow::CDlgRegBackupShow(win::CWnd* parent) : CDialog(IDD_REG_BACKUP_SHOW, parent) {}

CDlgRegBackupShow::~CDlgRegBackupShow() {
  // The worker's last act was to post the close: it is ending, and it is waited for so that nothing of it
  // outlives the dialog it reported to.
  m_pWorker.reset();
}

BOOL CDlgRegBackupShow::OnInitDialog() {
  CDialog::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_REG_BACKUP_SHOW, 96.0);
  if (HICON icon = win::LoadIcon(nullptr, kAppIcon)) {
    SendMessage(WM_SETICON, 1, reinterpret_cast<LPARAM>(icon));
    SendMessage(WM_SETICON, 0, reinterpret_cast<LPARAM>(icon));
  }
  CenterWindow();
  PumpMessages();

  m_stProgress.Attach(GetDlgItem(IDC_ST_BACKUP_PROGRESS));
  MoveDlgItemScaled(m_hWnd, IDC_ST_BACKUP_PROGRESS, 5, 5, 185, 53);
  win::EnableMenuItem(win::GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
  SetWindowText(GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str());
  m_stProgress.SetWindowText(WithLineBreaks(GetLocalizedString(m_bRestore ? L"IDC_RESTORE_INFO" : L"IDC_BACKUP_INFO")).c_str());

  // Waited for by the destructor, never deleted by itself.
  auto worker = std::make_unique<win::CWinThread>(m_bRestore ? RestoreThreadProc : ExportThreadProc, this);
  worker->m_bAutoDelete = FALSE;
  worker->SetThreadPriority(win::THREAD_PRIORITY_BELOW_NORMAL);
  if (worker->CreateThread()) {
    m_pWorker = std::move(worker);
  } else {
    WriteLogLine(L"Backup worker could not be started");
    m_nOutcome = kEditorNotStarted;
    PostMessage(WM_CLOSE);
  }
  return TRUE;
}

void CDlgRegBackupShow::Close(int result) {
  win::EnableMenuItem(win::GetSystemMenu(m_hWnd, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_ENABLED);
  EndDialog(result);
  EndModalWithOverlay(this);
}

// Enter and Esc are ignored while held, and while the worker runs: the dialog must outlive it.
void CDlgRegBackupShow::OnOK() {
  if (win::GetAsyncKeyState(VK_RETURN) != 0 || !WorkerDone()) return;
  Close(IDOK);
}

void CDlgRegBackupShow::OnCancel() {
  if (win::GetAsyncKeyState(VK_ESCAPE) != 0 || !WorkerDone()) return;
  Close(IDCANCEL);
}

LRESULT CDlgRegBackupShow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    // The worker's close ends the dialog whatever keys are down; a close asked for earlier is refused.
    if (!WorkerDone()) return 0;
    // A worker done before the overlay's loop began: ending it now would be lost, so ask again from the loop.
    auto* overlay = win::CWnd::FromHandle(win::GetParent(m_hWnd));
    if (overlay && !overlay->ContinueModal()) {
      PostMessage(WM_CLOSE);
      return 0;
    }
    Close(IDCANCEL);
    return 0;
  }
  return CDialog::WindowProc(msg, wParam, lParam);
}

void CDlgRegBackupShow::Finish(Outcome outcome) {
  // The handle is taken first: once the outcome is set the UI thread may end the dialog.
  const HWND hwnd = m_hWnd;
  m_nOutcome = outcome;
  if (hwnd && win::IsWindow(hwnd)) win::PostMessage(hwnd, WM_CLOSE, 0, 0);
}

UINT CDlgRegBackupShow::ExportThreadProc(LPVOID param) {
  auto* dialog = static_cast<CDlgRegBackupShow*>(param);
  const std::wstring folder = GetAppDataFolderPath();
  if (folder.empty() || GetPathType(folder) != 2) {
    WriteLogLine(L"Full backup: the data folder is not available");
    dialog->Finish(kNoDataFolder);
    return 0;
  }
  const std::wstring path = ClaimFullBackupPath(folder, mx::UnixTimeNow());
  if (path.empty()) {
    WriteLogLine(L"Full backup: no new file can be made in " + folder);
    dialog->Finish(kNoFileName);
    return 1;
  }

  Outcome outcome = kEditorFailed;
  {
    RedirectionOff redirection;
    const std::wstring parameters = L" /s /e \"" + path + L"\"";
    PumpMessages();
    mx::ProcessPtr editor = StartEditor(parameters, SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI, dialog->m_hWnd);
    if (!editor) {
      outcome = kEditorNotStarted;
    } else {
      const DWORD code = WaitForEditor(editor, kExportTimeoutMs);
      // Only an editor that ended well and left a whole export counts as a backup.
      if (code == 0 && IsUsableRegExport(path)) outcome = kDone;
      else WriteLogLine(L"Full backup: the registry editor ended with " + std::to_wstring(code));
    }
  }
  if (outcome == kDone) {
    dialog->m_strFile = path;
  } else {
    win::DeleteFile(path.c_str());
  }
  dialog->Finish(outcome);
  return 1;
}

UINT CDlgRegBackupShow::RestoreThreadProc(LPVOID param) {
  auto* dialog = static_cast<CDlgRegBackupShow*>(param);
  win::Sleep(1024);
  const std::wstring file = dialog->m_strFile;
  if (file.empty() || !FileExists(file)) {
    ShowMessage(L"IDC_STR_BACKUP_FILE_MISSING");
    dialog->Finish(kFileMissing);
    return 0;
  }

  Outcome outcome = kEditorFailed;
  {
    RedirectionOff redirection;
    const std::wstring parameters = L"  /i /s \"" + file + L"\"";
    mx::ProcessPtr editor = StartEditor(parameters, SEE_MASK_NOCLOSEPROCESS, nullptr);
    if (!editor) {
      ShowMessage(L"IDS_BACKUP_CANNOT_BE_RESTORED");
      outcome = kEditorNotStarted;
    } else {
      dialog->m_bEditorRunning = true;
      const DWORD code = WaitForEditor(editor, kRestoreTimeoutMs);
      dialog->m_bEditorRunning = false;
      if (code != STILL_ACTIVE) win::Sleep(2048);
      if (code == 0) {
        outcome = kDone;
      } else if (mx::reg::WineServerRunning(mx::PrefixDir())) {
        // The editor refused to write under a running Wine: say so, rather than a bare failure.
        ShowMessage(L"IDS_WINE_HOLDS_REGISTRY");
        outcome = kWineHoldsRegistry;
      } else {
        ShowMessage(L"IDS_BACKUP_CANNOT_BE_RESTORED");
      }
    }
  }
  WriteLogLine(outcome == kDone ? L"Full restore done" : L"Full restore failed");
  dialog->Finish(outcome);
  return 1;
}
