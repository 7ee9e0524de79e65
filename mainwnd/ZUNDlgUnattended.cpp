// The unattended runs' notifiers and the requests another instance of the program posts to this window.
#include <algorithm>

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/ExclusionLists.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "ui/DLGPopupControl.h"

namespace {

std::function<void(bool)>& DllFixFeedbackHook() {
  static std::function<void(bool)> hook;
  return hook;
}

// -1 follows the display, 0 off, 1 on.
std::atomic<int>& NotifiersSetting() {
  static std::atomic<int> setting{-1};
  return setting;
}

CZUNApp* App() { return AfxGetZunApp(); }

int ProblemCount() {
  CZUNApp* app = App();
  return app && app->m_pScanManager ? app->m_pScanManager->GetProblemCount() : 0;
}

// The DLL the last installation named, as the installer left it; empty when the key or value is missing.
std::wstring InstalledDllName() {
  CRegistryKey key(HKEY_LOCAL_MACHINE);
  std::wstring name;
  if (!key.Open(HKEY_LOCAL_MACHINE, FALSE, kProductKey) || !key.ReadString(L"DLLFILENAME", name)) return {};
  return mx::Trim(name);
}

std::wstring DllQuestionText() {
  return mx::SafeFormat(GetLocalizedString(L"IDS_DLLSUCCESS", kResourceSection), {InstalledDllName()});
}

void SendDllFixFeedback(bool fixed) {
  WriteLogLine(fixed ? L"The user said the installed DLL fixed the problem"
                     : L"The user said the installed DLL did not fix the problem");
  if (DllFixFeedbackHook()) DllFixFeedbackHook()(fixed);
}

}  // namespace

void CZUNDlg::SetDllFixFeedbackHook(std::function<void(bool)> hook) { DllFixFeedbackHook() = std::move(hook); }
void CZUNDlg::SetNotifiersEnabled(std::optional<bool> enabled) {
  NotifiersSetting() = enabled ? (*enabled ? 1 : 0) : -1;
}
bool CZUNDlg::NotifiersEnabled() {
  const int setting = NotifiersSetting();
  return setting < 0 ? win::HasWindowObserver() : setting == 1;
}

// --- requests of other instances --------------------------------------------------------------------------

bool CZUNDlg::RequestMustWait() const {
  CZUNApp* app = App();
  const bool operation =
      app && (app->m_bScanRunning || app->m_bCleanRunning || app->m_bRestoreRunning || app->m_bDefragRunning);
  // A modal window over this one (a message box, a dialog, the problems view) disables it.
  const bool modal = g_nModalCount > 0 || (GetSafeHwnd() && !win::IsWindowEnabled(m_hWnd));
  return operation || modal;
}

void CZUNDlg::DeferRequest(UINT message) {
  if (std::find(m_deferredRequests.begin(), m_deferredRequests.end(), message) == m_deferredRequests.end())
    m_deferredRequests.push_back(message);
  SetTimer(TIMER_DEFERRED_REQUESTS, kDeferredRequestRetryMs);
}

void CZUNDlg::RunDeferredRequests() {
  if (RequestMustWait()) return;  // the timer keeps running
  KillTimer(TIMER_DEFERRED_REQUESTS);
  const std::vector<UINT> requests = std::move(m_deferredRequests);
  m_deferredRequests.clear();
  for (UINT message : requests) PostMessage(message, 0, 0);
}

LRESULT CZUNDlg::OnScheduledScanRequest(WPARAM, LPARAM) {
  // A scan started now would replace the problems a window or a repair is working on.
  if (RequestMustWait()) {
    WriteLogLine(L"Another instance asked for a scheduled scan; it waits until the open window or task ends");
    DeferRequest(WM_START_SCHEDULED_SCAN);
    return 0;
  }
  const int answer = win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_SCHEDULE_RUNNING", kResourceSection).c_str(),
                                     GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_YESNO);
  if (answer != IDYES) return 0;
  CZUNApp* app = App();
  if (app && (app->m_bScanRunning || app->m_bCleanRunning)) return 0;
  if (m_bHiddenInTray) RestoreFromTray();
  StartRegistryScan();
  return 0;
}

LRESULT CZUNDlg::OnDllFixQuestion(WPARAM, LPARAM) {
  if (RequestMustWait()) {
    DeferRequest(WM_ASK_DLL_FIXED);
    return 0;
  }
  const int answer = win::MessageBox(m_hWnd, DllQuestionText().c_str(),
                                     GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_YESNO);
  SendDllFixFeedback(answer == IDYES);
  return 0;
}

// A plain second start: whatever this process was doing unattended, the user now wants its window.
LRESULT CZUNDlg::OnBringToFront() {
  ShowForUser();
  return 0;
}

void CZUNDlg::ShowForUser() {
  if (CZUNApp* app = App()) {
    app->m_bScheduledScanMode = FALSE;
    app->m_bUpdateCheckMode = FALSE;
    app->m_bDefaultMode = FALSE;
    app->m_bAskUserMode = FALSE;
  }
  if (m_taskbarNotifier.GetSafeHwnd() && m_taskbarNotifier.GetAnimState() != CTaskbarNotifier::kHidden)
    m_taskbarNotifier.Hide(FALSE);
  m_bAllowShow = 1;
  if (!m_pCurrentScreen) PostMessage(ShowChildScreenMessage(), SCREEN_HOME, 0);
  if (m_bHiddenInTray) {
    RestoreFromTray();
    return;
  }
  ShowWindow(win::IsIconic(m_hWnd) ? SW_RESTORE : SW_SHOW);
  ForceForegroundWindow(m_hWnd);
  win::BringWindowToTop(m_hWnd);
}

void CZUNDlg::FinishUnattendedRun() {
  WriteLogLine(L"The unattended run ends: nobody asked for the window");
  SaveStateForExit();
  ExitProgram();
}

// --- the pop-up notifier ----------------------------------------------------------------------------------

void CZUNDlg::OnCmdShowPopup() {
  m_bUnattendedScanPending = false;
  SaveSettings();
  if (!NotifiersEnabled()) return EndUnattendedRun(true);
  CZUNApp* app = App();
  PopupRunSettings settings;
  settings.content = MakePopupContent(app && app->m_bUpdateCheckMode, ProblemCount());
  settings.stayTime = m_nPopupStayTime;
  settings.animTime = m_nPopupAnimTime;
  m_bPopupAlive = true;
  if (!BeginPopupThread(m_hWnd, settings)) {
    m_bPopupAlive = false;
    WriteLogLine(L"The pop-up notifier could not start");
    if (app && app->m_bScheduledScanMode) FinishUnattendedRun();
  }
}

BOOL CZUNDlg::RunPopupNotifier() {
  CZUNApp* app = App();
  if (!NotifiersEnabled()) {
    // Nothing can be shown: the run ends as if the popup had gone unseen.
    m_bPopupAlive = true;
    PostMessage(WM_POPUP_NOTIFY, kPopupStateChanged, CDLGPopupControl::kNone);
    return TRUE;
  }
  PopupRunSettings settings;
  settings.content = MakePopupContent(app && app->m_bUpdateCheckMode, ProblemCount());
  settings.stayTime = m_nPopupStayTime;
  settings.animTime = m_nPopupAnimTime;
  m_bPopupAlive = true;
  ::RunPopupNotifier(m_hWnd, settings);
  return TRUE;
}

LRESULT CZUNDlg::OnPopupNotify(WPARAM wParam, LPARAM lParam) {
  CZUNApp* app = App();
  if (wParam == kPopupLinkClicked) {
    // The user took the run over: the window comes up (so that the program can be reached and ended), and the
    // popup's end no longer ends the program.
    if (lParam == kPopupCmdCheckForUpdates) {
      if (app) app->m_bUpdateFromPopup = true;
      ShowForUser();
      PostMessage(WM_COMMAND, kPopupCmdCheckForUpdates, 0);
      return 1;
    }
    ShowForUser();
    PostMessage(WM_COMMAND, static_cast<WPARAM>(lParam == kPopupCmdScanDone ? ID_CMD_SCAN_DONE : IDC_BTN_HOME), 0);
    return 1;
  }
  if (wParam != kPopupStateChanged || lParam != CDLGPopupControl::kNone || !m_bPopupAlive) return 1;
  m_bPopupAlive = false;
  // The results are written here, on the thread that owns them, never by the popup's thread.
  if (app && app->m_pScanManager) SaveProblemsToDisk(*app->m_pScanManager);
  // Nobody clicked: a hidden run would stay where no one can reach it, so it ends.
  if (app && (app->m_bScheduledScanMode || app->m_bUpdateCheckMode)) FinishUnattendedRun();
  return 1;
}

// --- the taskbar notifier ---------------------------------------------------------------------------------

void CZUNDlg::SetUpTaskbarNotifier() {
  m_taskbarNotifier.Create(this);
  m_taskbarNotifier.CreateFonts();
  m_taskbarNotifier.LoadSkin();
  m_taskbarNotifier.m_crText = RGB(0, 0, 0);
  m_taskbarNotifier.Invalidate(TRUE);
  m_taskbarNotifier.m_rcMessage = RECT{20, 62, 250, 128};
  m_taskbarNotifier.m_onAction = [this](NotifierAction action) { OnNotifierAction(action); };
}

void CZUNDlg::ShowDllFixQuestionNotifier() {
  if (!NotifiersEnabled()) return FinishUnattendedRun();
  m_taskbarNotifier.m_nMode = NOTIFIER_MODE_DLL_FIXED;
  SetUpTaskbarNotifier();
  m_taskbarNotifier.m_nMode = NOTIFIER_MODE_DLL_FIXED;
  m_taskbarNotifier.Show(DllQuestionText());
}

void CZUNDlg::ShowDefaultRunNotifier() {
  const int problems = ProblemCount();
  if (problems < 1 || !NotifiersEnabled()) return FinishUnattendedRun();
  SetUpTaskbarNotifier();
  m_taskbarNotifier.m_nProblemCount = problems;
  m_taskbarNotifier.m_nMode = NOTIFIER_MODE_VIEW_RESULTS;
  m_taskbarNotifier.Show(GetLocalizedString(L"string97", kResourceSection) + L"\n" + StrLastScan);
}

void CZUNDlg::OnNotifierAction(NotifierAction action) {
  switch (action) {
    case NotifierAction::StartScan:
      ShowForUser();
      StartRegistryScan();
      return;
    case NotifierAction::ViewResults:
      ShowForUser();
      PostMessage(WM_COMMAND, ID_CMD_SCAN_DONE, 0);
      return;
    case NotifierAction::DllFixed:
      SendDllFixFeedback(true);
      return FinishUnattendedRun();
    case NotifierAction::DllNotFixed:
      ShowForUser();
      SendDllFixFeedback(false);
      PostMessage(WM_COMMAND, ID_CMD_FEEDBACK, 0);
      return;
    case NotifierAction::Quit:
    case NotifierAction::SlidAway:
      // Only a run nobody has taken over ends with its notifier.
      if (CZUNApp* app = App(); !m_bAllowShow || (app && (app->m_bDefaultMode || app->m_bAskUserMode)))
        FinishUnattendedRun();
      return;
  }
}
