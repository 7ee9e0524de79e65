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
  BOOL FinishAfterOptimization() override;

  // Set when a plain start found no display to open its window on.
  bool m_bNoDisplay = false;

 private:
  // The user's display, the browser pages and the desktop's tray; false when there is no display to use.
  static bool StartDisplay();
  std::unique_ptr<CZUNDlg> m_mainDlg;
};
