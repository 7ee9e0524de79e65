#include "platform/win/WinApp.h"

#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "platform/win/Wnd.h"
#include "support/TestPaths.h"

using namespace wintest;

namespace {
class MainWindow final : public win::CWnd {
 public:
  std::vector<UINT> seen;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= WM_USER) seen.push_back(msg);
    return CWnd::WindowProc(msg, wParam, lParam);
  }
};

class App final : public win::CWinApp {
 public:
  BOOL initResult = TRUE;
  bool exitCalled = false;
  MainWindow main;
  BOOL InitInstance() override {
    if (!initResult) return FALSE;
    RegisterRecorderClass();
    main.CreateEx(0, L"MxRecorder", L"App", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    m_pMainWnd = &main;
    main.PostMessage(WM_USER + 1);
    main.PostMessage(WM_USER + 2);  // swallowed by the application's filter
    main.PostMessage(WM_USER + 3);
    main.PostMessage(WM_CLOSE);     // the main window's end ends the loop
    return TRUE;
  }
  BOOL PreTranslateMessage(MSG* msg) override {
    if (msg->message == WM_USER + 2) return TRUE;
    return CWinApp::PreTranslateMessage(msg);
  }
  int ExitInstance() override {
    exitCalled = true;
    return CWinApp::ExitInstance() + 40;
  }
};
}  // namespace

TEST(WinApp, RunsInitInstanceTheLoopWithItsFilterAndExitInstance) {
  mxtest::TempDir dir;
  ::setenv("MX_RUNTIME_DIR", dir.path().c_str(), 1);
  App app;
  EXPECT_EQ(win::AfxGetApp(), &app);
  char arg0[] = "mendrix", arg1[] = "-scan", arg2[] = "x";
  char* argv[] = {arg0, arg1, arg2};
  EXPECT_EQ(win::AfxWinMain(3, argv), 40);
  EXPECT_TRUE(app.exitCalled);
  EXPECT_EQ(app.main.seen, (std::vector<UINT>{WM_USER + 1, WM_USER + 3}));
  EXPECT_EQ(app.m_pMainWnd, nullptr);
  EXPECT_EQ(app.m_lpCmdLine, L"-scan x");
  EXPECT_EQ(win::CommandLineArgs().size(), 3u);
  ::unsetenv("MX_RUNTIME_DIR");
}

TEST(WinApp, AFailedInitInstanceGoesStraightToExitInstance) {
  mxtest::TempDir dir;
  ::setenv("MX_RUNTIME_DIR", dir.path().c_str(), 1);
  App app;
  app.initResult = FALSE;
  char arg0[] = "mendrix";
  char* argv[] = {arg0};
  EXPECT_EQ(win::AfxWinMain(1, argv), 40);
  EXPECT_TRUE(app.exitCalled);
  ::unsetenv("MX_RUNTIME_DIR");
}
