// The program started a second time while this test's main window plays the first instance: the real
// program forwards its word and ends, and the first instance acts on the request.
#include <gtest/gtest.h>

#include <cstdlib>

#include "MainWindowFixture.h"
#include "platform/gdi/NotifyIcon.h"
#include "platform/win/Instance.h"
#include "platform/win/Sync.h"
#include "support/TestPaths.h"

namespace {

class SecondInstanceRequestTest : public mainwndtest::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Pump();
    setenv("MX_RUNTIME_DIR", runtime.path().c_str(), 1);
    ASSERT_TRUE(win::StartInstanceChannel());
    mutex = win::CreateMutex(nullptr, TRUE, kMutexName);
    CZUNDlg::SetInitHook([](CZUNDlg&) {});
    Start();
    FirstShow();
    prefix.flush();
  }
  void TearDown() override {
    dlg.reset();
    win::CloseHandle(mutex);
    win::StopInstanceChannel();
    CZUNDlg::SetInitHook(nullptr);
    MainWindowTest::TearDown();
  }
  // Runs the real program with the argument. It has each request answered by our channel before it ends, so
  // they all wait in this thread's queue by then.
  void RunSecond(const char* argument) {
    const std::string command = "MX_NO_START_WAIT=1 WINEPREFIX='" + prefix.root().string() + "' '" + MX_BINARY_DIR +
                                "/bin/mendrix' " + argument + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    Pump();
  }

  mxtest::TempDir runtime;
  HANDLE mutex = nullptr;
};

}  // namespace

TEST_F(SecondInstanceRequestTest, ScanStartWhileIdleAsksAndScans) {
  answers.answers.Expect(L"scheduled registry scan", IDYES);
  RunSecond("-scan");
  EXPECT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_TRUE(dlg->m_btnScanReg.m_bStayPressed) << "the scan was started";
}

TEST_F(SecondInstanceRequestTest, ScanStartWaitsWhileAModalWindowIsOpen) {
  g_nModalCount = 1;
  RunSecond("-scan");
  Step(2000);
  EXPECT_TRUE(answers.answers.texts().empty()) << "nothing asked over the open window";
  g_nModalCount = 0;
  answers.answers.Expect(L"scheduled registry scan", IDYES);
  Step(kDeferredRequestRetryMs);
  Pump();
  EXPECT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_TRUE(dlg->m_btnScanReg.m_bStayPressed);
}

TEST_F(SecondInstanceRequestTest, PlainStartRestoresTheWindowFromTheTray) {
  GoToSystemTrayOnClose = 1;
  Command(IDCANCEL);
  Pump();
  ASSERT_TRUE(dlg->m_bHiddenInTray);
  RunSecond("");
  EXPECT_FALSE(dlg->m_bHiddenInTray);
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  ASSERT_EQ(gdi::NotifyIcons().size(), 1u);
  EXPECT_TRUE(gdi::NotifyIcons()[0].hidden) << "the tray icon went with the restore";
}
