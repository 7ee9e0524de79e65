#pragma once
// The program object: the application core with the main window above it. It makes the main window (the
// splash first on an interactive start), registers the firewall rule, and reports how an unattended scan
// ended to whoever started the program.
#include <functional>
#include <memory>

#include "app/ZUNApp.h"

class CMendrixApp : public CZUNApp {
 public:
  CMendrixApp();
  ~CMendrixApp() override;

  BOOL CreateMainWindow() override;
  void AddProgramFirewallRule() override;

 private:
  std::unique_ptr<CZUNDlg> m_mainDlg;
};
