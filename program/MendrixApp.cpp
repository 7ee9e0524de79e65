#include "program/MendrixApp.h"

#include "app/ScheduledTaskWriter.h"
#include "dllfix/DllFixFeedback.h"
#include "dllfix/DllInstaller.h"
#include "mainwnd/DlgCustomInstall.h"
#include "mainwnd/DlgDllFileNag.h"
#include "mainwnd/FirewallRule.h"
#include "mainwnd/UpdateCheck.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/system/Module.h"
#include "tools/AfterOptimization.h"
#include "tools/DlgRegDefragHome.h"
#include "ui/ModalOverlay.h"

#include <cstdlib>

#include "platform/gtk/DesktopTray.h"
#include "platform/gtk/DisplayMenus.h"
#include "platform/gtk/Startup.h"
#include "platform/web/WebKitPage.h"

CMendrixApp::CMendrixApp() = default;

CMendrixApp::~CMendrixApp() {
  m_pMainWnd = nullptr;
  m_pMainDlg = nullptr;
  m_mainDlg.reset();
}

bool CMendrixApp::StartDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((!x11 || !*x11) && (!wayland || !*wayland)) return false;
  if (!gtkhost::StartRealDisplay()) return false;
  web::UseWebKitPages();
  gtkhost::UseDesktopTray();
  gtkhost::UseDisplayMenus();
  return true;
}

BOOL CMendrixApp::CreateMainWindow() {
  // A plain start is the user asking for the window; the unattended runs report to the terminal without one.
  if (!StartDisplay() && m_strCommandWord.empty()) {
    m_bNoDisplay = true;
    return FALSE;
  }
  m_mainDlg = std::make_unique<CZUNDlg>();
  m_pMainDlg = m_mainDlg.get();
  m_pMainWnd = m_pMainDlg;
  m_pMainDlg->ShowSplash();
  m_pMainDlg->m_onCreateDefaultTasks = [] {
    DeleteDefaultTasks();
    CreateMonthlyScanTask();
    CreateUpdateCheckTask();
  };
  m_pMainDlg->m_onDllFileRun = [](CZUNDlg& main) {
    if (RunNamedDllFix(&main) == IDOK) main.PostMessage(WM_COMMAND, ID_CMD_FEEDBACK, 0);
  };
  // After the optimisation's restart the optimisation window opens on its summary.
  m_pMainDlg->m_onAfterOptimization = [](CZUNDlg& main) {
    CDlgRegDefragHome window(&main);
    RunModalWithOverlay(&main, &window, IDD_REG_DEFRAG_HOME);
  };
  // The unattended update check tells of a new version with the pop-up, on the check's own thread.
  SetUpdateCheckHooks({{}, [main = m_pMainDlg] { main->RunPopupNotifier(); }, {}});
  CZUNDlg::SetDllFixFeedbackHook([](bool fixed) { SendDllFixFeedback(fixed ? TRUE : FALSE); });
  // An alternative version asks where it goes, over the main window.
  SetInstallFolderChooser([main = m_pMainDlg](const std::wstring& file, const std::wstring& initial,
                                              std::wstring& chosen) {
    return AskCustomInstallFolder(main, file, initial, chosen);
  });
  if (!m_pMainDlg->Create()) return FALSE;
  m_pMainDlg->ShowWindow(SW_HIDE);
  return TRUE;
}

BOOL CMendrixApp::FinishAfterOptimization() { return ::FinishAfterOptimization(*this); }

void CMendrixApp::AddProgramFirewallRule() { AddFirewallRule(mx::ProgramWinPath(), kFirewallRuleName); }
