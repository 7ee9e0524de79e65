#pragma once
// The main window as the scan-flow screens meet it, for their tests: it records the commands and screen
// timers it gets, and answers start-scan, scan-done and the screen timers as the real one does.
#include <functional>
#include <string>
#include <vector>

#include "mainwnd/Dlg_NewHome_Screen_HTML.h"
#include "mainwnd/Dlg_SCAN_PROGRESS_HTML.h"
#include "mainwnd/Dlg_SCAN_RESULT_HTML.h"
#include "mainwnd/Dlg_Scan_Main_Htm.h"
#include "mainwnd/ScreenHost.h"
#include "scan/CategorySelection.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"

namespace screentest {

class MainWindowStandIn : public win::CWnd, public IScreenHost {
 public:
  MainWindowStandIn() {
    WNDCLASSW existing;
    if (!win::GetClassInfo(nullptr, L"QzxMainStandIn", &existing)) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = win::DefWindowProc;
      wc.lpszClassName = L"QzxMainStandIn";
      win::RegisterClass(&wc);
    }
    CreateEx(0, L"QzxMainStandIn", L"", WS_POPUP, 0, 0, 770, 593, nullptr, nullptr);
    settingsProbe.CreateEx(0, L"QzxMainStandIn", L"", WS_CHILD, 0, 0, 10, 10, m_hWnd, nullptr);
  }
  ~MainWindowStandIn() override {
    settingsProbe.DestroyWindow();
    DestroyWindow();
  }

  // Becomes the host of the four screens, as the main window is.
  void Hold(CDlg_NewHome_Screen_HTML& home, CDlg_Scan_Main_Htm& scan, CDlg_SCAN_PROGRESS_HTML& progressScreen,
            CDlg_SCAN_RESULT_HTML& resultsScreen) {
    home.SetHost(this);
    scan.SetHost(this);
    progressScreen.SetHost(this);
    resultsScreen.SetHost(this);
    progress = &progressScreen;
    results = &resultsScreen;
  }

  HWND GetMainWindow() const override { return m_hWnd; }
  HWND GetSettingsScreen() const override { return settingsProbe.GetSafeHwnd(); }
  void EnableNavigation(BOOL enable) override { navigation.push_back(enable != FALSE); }
  void StartRegistryScan() override {
    ++scansStarted;
    DWORD mask = 0;
    int count = 0;
    GetSelectedScanCategories(mask, count);
    if (progress) {
      progress->m_bGroup1 = (mask & 0x105A) != 0;
      progress->m_bGroup2 = (mask & 0x5) != 0;
      progress->m_bGroup3 = (mask & 0x22A0) != 0;
      progress->m_bGroup4 = (mask & 0xD00) != 0;
    }
    PostMessage(WM_COMMAND, ID_CMD_START_SCAN, 0);
  }

  // What reached the window: "command N" and "show N" (a screen timer), in order.
  std::vector<std::string> events;
  std::vector<bool> navigation;
  int scansStarted = 0;
  // Switches to the screen of a screen timer, as the main window does.
  std::function<void(UINT screenId)> onShowScreen;
  CDlg_SCAN_PROGRESS_HTML* progress = nullptr;
  CDlg_SCAN_RESULT_HTML* results = nullptr;
  class Probe : public win::CWnd {
   public:
    std::vector<WPARAM> commands;

   protected:
    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
      if (msg == WM_COMMAND) commands.push_back(w);
      return CWnd::WindowProc(msg, w, l);
    }
  } settingsProbe;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_COMMAND) {
      events.push_back("command " + std::to_string(w));
      if (w == ID_CMD_START_SCAN && progress) progress->SetTimer(CDlg_SCAN_PROGRESS_HTML::kTimerPrepareScan, 1);
      if (w == ID_CMD_SCAN_DONE && results) results->ShowResults();
      return 0;
    }
    if (msg == WM_TIMER) {
      KillTimer(w);
      events.push_back("show " + std::to_string(w));
      if (onShowScreen) onShowScreen(static_cast<UINT>(w));
      return 0;
    }
    return CWnd::WindowProc(msg, w, l);
  }
};

}  // namespace screentest
