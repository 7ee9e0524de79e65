// The commands that carry the user through a scan, its review and a repair.
#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/ExclusionLists.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "mainwnd/ProgramRelaunch.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/shell/ShellExecute.h"
#include "platform/system/Module.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "scan/CategorySelection.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"

namespace {

constexpr int kRepairPageProgress = 327;
constexpr int kRepairPageStatusProgress = 325;

RelaunchFunction DefaultRelaunch() {
  return [](HWND owner, const std::wstring& verb, const std::wstring& parameters) -> std::intptr_t {
    if (verb == L"open") return RelaunchProgram(owner, parameters) ? 42 : SE_ERR_FNF;
    const std::wstring program = L"\"" + mx::ProgramWinPath() + L"\"";
    return win::ShellExecute(owner, verb.c_str(), program.c_str(), parameters.c_str(), L"", SW_SHOWNORMAL);
  };
}

RelaunchFunction& Relaunch() {
  static RelaunchFunction relaunch = DefaultRelaunch();
  return relaunch;
}

void Tell(HWND owner, const wchar_t* key) {
  win::MessageBox(owner, GetLocalizedString(key).c_str(), GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
}

}  // namespace

void CZUNDlg::SetRelaunchFunction(RelaunchFunction relaunch) {
  Relaunch() = relaunch ? std::move(relaunch) : DefaultRelaunch();
}

BOOL CZUNDlg::MayStartScanOrRepair() {
  CZUNApp* app = AfxGetZunApp();
  const bool operation =
      app && (app->m_bScanRunning || app->m_bCleanRunning || app->m_bRestoreRunning || app->m_bDefragRunning);
  // A modal window over this one (a message box, a dialog, the problems view) disables it while it runs; the
  // problems it shows must not be replaced under it.
  const bool modal = g_nModalCount > 0 || (GetSafeHwnd() && !IsWindowEnabled());
  if (!operation && !modal) return TRUE;
  WriteLogLine(L"A scan or repair was asked for while another operation or a window was open; it was not started");
  return FALSE;
}

// The selection is read and the command posted: nothing is dispatched here, so no handler runs in the middle.
void CZUNDlg::StartRegistryScan() {
  if (!MayStartScanOrRepair()) return;
  DWORD mask = 0;
  int count = 0;
  GetSelectedScanCategories(mask, count);
  m_dlgScanProgress.m_bGroup1 = (mask & 0x105A) != 0;
  m_dlgScanProgress.m_bGroup2 = (mask & 0x5) != 0;
  m_dlgScanProgress.m_bGroup3 = (mask & 0x22A0) != 0;
  m_dlgScanProgress.m_bGroup4 = (mask & 0xD00) != 0;
  CZUNApp* app = AfxGetZunApp();
  if (app && app->m_bScheduledScanMode) m_bUnattendedScanPending = true;
  PostMessage(WM_COMMAND, ID_CMD_START_SCAN, 0);
}

void CZUNDlg::OnCmdStartScan() {
  PressNavButton(m_btnScanReg);
  CZUNApp* app = AfxGetZunApp();
  if (app && app->m_bScanRunning) return;
  if (!MayStartScanOrRepair()) return;
  if (m_dlgScanProgress.GetSafeHwnd())
    m_dlgScanProgress.SetTimer(CDlg_SCAN_PROGRESS_HTML::kTimerPrepareScan, 1);
}

void CZUNDlg::OnCmdScanDone() {
  CZUNApp* app = AfxGetZunApp();
  const int n = app && app->m_pScanManager ? app->m_pScanManager->GetProblemCount() : 0;
  StrLastScanResults = std::to_wstring(n);
  SaveLastScanResultCount(n);
  const bool scheduled = app && app->m_bScheduledScanMode;
  if (n >= 1) {
    PressNavButton(m_btnScanReg);
    if (scheduled)
      PostMessage(WM_COMMAND, ID_CMD_SHOW_POPUP, 0);
    else
      m_dlgScanResults.ShowResults();
    return;
  }
  if (scheduled) {
    PostMessage(WM_COMMAND, ID_CMD_SHOW_POPUP, 0);
    return;
  }
  PostMessage(WM_COMMAND, IDC_BTN_SCAN_REG, 0);
  Tell(m_hWnd, L"IDS_NO_ERRORS_FOUND");
}

void CZUNDlg::OnCmdStartClean() {
  if (!MayStartScanOrRepair()) return;
  if (m_dlgCleanWizard.IsRepairBusy()) {
    WriteLogLine(L"A repair was asked for while one is starting; it was not started");
    return;
  }
  CZUNApp* app = AfxGetZunApp();
  {
    CRegistryKey key(HKEY_CURRENT_USER);
    if (key.Open(HKEY_CURRENT_USER, TRUE, kProductKey)) key.WriteDWORD(L"RegErrsFixedLast", 0);
    RegErrsFixedLast = 0;
  }
  if (GetOSMajorVersion() >= 6 && !IsUserAdmin()) {
    RelaunchAfterSaving(L"runas", L"zunvistascan", L"IDS_STR_LACK_OF_PERMISSION");
    return;
  }
  PressNavButton(m_btnScanReg);
  SwitchToScreen(&m_dlgCleanWizard);
  m_dlgCleanWizard.ShowSelectedCount();
  if (HWND bar = m_dlgCleanWizard.GetDlgItem(kRepairPageProgress)) win::ShowWindow(bar, SW_SHOW);
  if (HWND bar = m_dlgCleanWizard.GetDlgItem(kRepairPageStatusProgress)) {
    win::ShowWindow(bar, SW_HIDE);
    win::EnableWindow(bar, FALSE);
  }
  PumpMessages();
  m_dlgCleanWizard.PostMessage(WM_COMMAND, ID_CMD_RUN_REPAIR, 0);
  PumpMessages();
  (void)app;
}

void CZUNDlg::OnCmdCleanDone() {
  CZUNApp* app = AfxGetZunApp();
  const int n = app && app->m_pScanManager ? app->m_pScanManager->GetProblemCount() : 0;
  PostMessage(WM_COMMAND, n <= 0 ? IDC_BTN_HOME : ID_CMD_SCAN_DONE, 0);
}

void CZUNDlg::SaveStateForExit() {
  SaveSettings();
  SaveExclusionList();
  SaveTemporaryList();
  if (CZUNApp* app = AfxGetZunApp(); app && app->m_pScanManager) SaveProblemsToDisk(*app->m_pScanManager);
}

BOOL CZUNDlg::RelaunchAfterSaving(const std::wstring& verb, const std::wstring& parameters,
                                  const wchar_t* failureKey) {
  SaveStateForExit();
  if (Relaunch()(m_hWnd, verb, parameters) > 32) {
    // The new process waits before it looks for a running one, so this one is gone by then.
    ExitProgram();
    return TRUE;
  }
  Tell(m_hWnd, failureKey);
  return FALSE;
}
