#include "program/MendrixApp.h"

#include "app/ScheduledTaskWriter.h"
#include "mainwnd/FirewallRule.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/system/Module.h"

CMendrixApp::CMendrixApp() = default;

CMendrixApp::~CMendrixApp() {
  m_pMainWnd = nullptr;
  m_pMainDlg = nullptr;
  m_mainDlg.reset();
}

BOOL CMendrixApp::CreateMainWindow() {
  m_mainDlg = std::make_unique<CZUNDlg>();
  m_pMainDlg = m_mainDlg.get();
  m_pMainWnd = m_pMainDlg;
  m_pMainDlg->ShowSplash();
  m_pMainDlg->m_onCreateDefaultTasks = [] {
    DeleteDefaultTasks();
    CreateMonthlyScanTask();
    CreateUpdateCheckTask();
  };
  if (!m_pMainDlg->Create()) return FALSE;
  m_pMainDlg->ShowWindow(SW_HIDE);
  return TRUE;
}

void CMendrixApp::AddProgramFirewallRule() { AddFirewallRule(mx::ProgramWinPath(), kFirewallRuleName); }
