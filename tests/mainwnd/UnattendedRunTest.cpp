// The unattended runs as the main window carries them out, and the requests another instance posts to it.
#include <gtest/gtest.h>

#include "MainWindowFixture.h"
#include "platform/base/Clock.h"
#include "platform/gdi/NotifyIcon.h"
#include "platform/win/Thread.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "ui/DLGPopupControl.h"

namespace {

using mainwndtest::MainWindowTest;

constexpr UINT kResultsTemplate = 401;

class UnattendedRunTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Pump();  // the quit a window of the test before left behind
    CZUNDlg::SetNotifiersEnabled(true);
    // The scheduled scan itself is not run here: each test gives the results it ended with.
    CZUNDlg::SetInitHook([](CZUNDlg&) {});
    CZUNDlg::SetDllFixFeedbackHook([this](bool fixed) { feedback.push_back(fixed); });
  }
  void TearDown() override {
    // A popup thread still running ends before the window it reports to goes.
    for (int i = 0; i < 5000 && CDLGPopupControl::ActivePopupWindow(); ++i) {
      win::PostMessage(CDLGPopupControl::ActivePopupWindow(), WM_CLOSE, 0, 0);
      mx::SystemClock().Sleep(1);
    }
    CZUNDlg::SetNotifiersEnabled(std::nullopt);
    CZUNDlg::SetInitHook(nullptr);
    CZUNDlg::SetDllFixFeedbackHook(nullptr);
    dlg.reset();
    app->m_pScanManager = nullptr;
    MainWindowTest::TearDown();
  }
  void WithProblems(int n) {
    manager = std::make_unique<CScanManager>();
    manager->CreateCategories(0x1, 1);
    for (int i = 0; i < n; ++i)
      manager->GetCategory(0x1)->AddProblem(34, L"C:\\users\\qzx\\Desktop\\Gone" + std::to_wstring(i) + L".lnk",
                                            L"", L"", L"", 0);
    app->m_pScanManager = manager.get();
  }
  // Steps the fake clock while the popup's thread works on real time; true once this thread's loop ended.
  bool RunUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 5000; ++i) {
      if (Step(54)) return true;
      if (done()) return false;
      mx::SystemClock().Sleep(1);
    }
    ADD_FAILURE() << "timed out";
    return false;
  }

  std::unique_ptr<CScanManager> manager;
  std::vector<bool> feedback;
};

}  // namespace

TEST_F(UnattendedRunTest, ScheduledScanReportsThroughThePopupAndEndsWhenItIsIgnored) {
  WithProblems(2);
  app->m_bScheduledScanMode = TRUE;
  Start();
  Command(ID_CMD_SCAN_DONE);
  bool sawPopup = false;
  const bool quit = RunUntil([&] {
    sawPopup = sawPopup || CDLGPopupControl::ActivePopupWindow() != nullptr;
    EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
    return false;
  });
  EXPECT_TRUE(sawPopup);
  EXPECT_TRUE(quit) << "a popup nobody clicked ends the run";
  EXPECT_EQ(quitCode, 0);
  EXPECT_TRUE(DataFileExists(kResultsFileName)) << "the results are saved on the way out";
  EXPECT_TRUE(answers.answers.texts().empty());
}

TEST_F(UnattendedRunTest, AClickOnThePopupsLinkShowsTheResults) {
  WithProblems(3);
  app->m_bScheduledScanMode = TRUE;
  Start();
  Command(ID_CMD_SCAN_DONE);
  RunUntil([] { return CDLGPopupControl::ActivePopupWindow() != nullptr; });
  HWND popup = CDLGPopupControl::ActivePopupWindow();
  ASSERT_NE(popup, nullptr);
  win::PostMessage(popup, WM_LBUTTONDOWN, 0, (125 << 16) | 120);
  EXPECT_FALSE(RunUntil([&] { return !win::IsWindow(popup) && CurrentScreenId() == kResultsTemplate; }));
  Step(27);
  Step(90);
  EXPECT_FALSE(app->m_bScheduledScanMode);
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_EQ(CurrentScreenId(), kResultsTemplate);
  EXPECT_FALSE(Step(20000)) << "the program goes on for the user";
}

TEST_F(UnattendedRunTest, WithoutADisplayTheScheduledScanEndsWithItsReport) {
  CZUNDlg::SetNotifiersEnabled(false);
  WithProblems(1);
  app->m_bScheduledScanMode = TRUE;
  Start();
  Command(ID_CMD_SCAN_DONE);
  EXPECT_TRUE(Pump());
  EXPECT_EQ(unattendedEnds, (std::vector<std::pair<bool, int>>{{true, 1}}));
  EXPECT_EQ(CDLGPopupControl::ActivePopupWindow(), nullptr);
}

TEST_F(UnattendedRunTest, DefaultRunEndsAtOnceWithoutProblemsAndWhenItsNotifierIsIgnored) {
  WithProblems(0);
  app->m_bDefaultMode = TRUE;
  Start();
  LoadPage("424.htm");
  EXPECT_TRUE(Step(2048));
  EXPECT_EQ(quitCode, 0);
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_taskbarNotifier.GetSafeHwnd()));
  dlg.reset();

  WithProblems(2);
  Start();
  LoadPage("424.htm");
  EXPECT_FALSE(Step(2048));
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_taskbarNotifier.m_hWnd));
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
  bool quit = false;
  for (int i = 0; i < 400 && !quit; ++i) quit = Step(i == 200 ? 60000 : 10);
  EXPECT_TRUE(quit);
  EXPECT_EQ(quitCode, 0);
}

TEST_F(UnattendedRunTest, DefaultRunNotifierLinkShowsTheResults) {
  WithProblems(2);
  app->m_bDefaultMode = TRUE;
  Start();
  LoadPage("424.htm");
  Step(2048);
  dlg->m_taskbarNotifier.SendMessage(WM_LBUTTONUP, 0, (180 << 16) | 130);
  Step(27);
  Step(90);
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_EQ(CurrentScreenId(), kResultsTemplate);
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_taskbarNotifier.m_hWnd));
}

TEST_F(UnattendedRunTest, AskUserRunAsksOnceAndSendsTheAnswer) {
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="  qzx.dll  "
)");
  app->m_bAskUserMode = TRUE;
  Start();
  LoadPage("424.htm");
  EXPECT_FALSE(Step(2048));
  EXPECT_EQ(dlg->m_taskbarNotifier.GetMessageText(), L"Did installing qzx.dll solve your problem?");
  dlg->m_taskbarNotifier.SendMessage(WM_LBUTTONUP, 0, (180 << 16) | 130);
  EXPECT_EQ(feedback, std::vector<bool>{true});
  EXPECT_TRUE(Pump()) << "the answer given, the run ends";
  dlg.reset();

  // The question was asked: a later ask-user run ends at once.
  Start();
  LoadPage("424.htm");
  EXPECT_TRUE(Step(2048));
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_taskbarNotifier.GetSafeHwnd()));
}

TEST_F(UnattendedRunTest, ScanRequestOfAnotherInstanceIsAskedAndStartsOnlyOnYesWhenIdle) {
  Start();
  FirstShow();
  // Idle: the question, and Yes starts the scan.
  answers.answers.Expect(L"scheduled registry scan", IDYES);
  dlg->PostMessage(WM_START_SCHEDULED_SCAN, 0, 0);
  Pump();
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_TRUE(dlg->m_btnScanReg.m_bStayPressed) << "the start-scan command ran";

  // No: nothing starts. Yes while a scan runs: nothing starts either.
  for (bool running : {false, true}) {
    answers.answers.clear();
    dlg->m_btnScanReg.m_bStayPressed = 0;
    answers.answers.Expect(L"scheduled registry scan", running ? IDYES : IDNO);
    app->m_bScanRunning = running;
    dlg->PostMessage(WM_START_SCHEDULED_SCAN, 0, 0);
    Pump();
    app->m_bScanRunning = false;
    EXPECT_FALSE(dlg->m_btnScanReg.m_bStayPressed);
  }
}

TEST_F(UnattendedRunTest, YesRestoresTheWindowFromTheTrayBeforeTheScan) {
  Start();
  FirstShow();
  GoToSystemTrayOnClose = 1;
  Command(IDCANCEL);
  Pump();
  ASSERT_TRUE(dlg->m_bHiddenInTray);
  answers.answers.Expect(L"scheduled registry scan", IDYES);
  dlg->PostMessage(WM_START_SCHEDULED_SCAN, 0, 0);
  Pump();
  EXPECT_FALSE(dlg->m_bHiddenInTray);
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_TRUE(dlg->m_btnScanReg.m_bStayPressed);
}

TEST_F(UnattendedRunTest, APlainSecondStartBringsTheWindowUpFromTheTrayOrFromAHiddenRun) {
  Start();
  FirstShow();
  GoToSystemTrayOnClose = 1;
  Command(IDCANCEL);
  Pump();
  ASSERT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
  dlg->PostMessage(WM_BRING_TO_FRONT, 0, 0);
  Pump();
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_FALSE(dlg->m_bHiddenInTray);
  ASSERT_EQ(gdi::NotifyIcons().size(), 1u);
  EXPECT_TRUE(gdi::NotifyIcons()[0].hidden);
  dlg.reset();

  // A hidden scheduled run is taken over by the user.
  app->m_bScheduledScanMode = TRUE;
  Start();
  dlg->PostMessage(WM_BRING_TO_FRONT, 0, 0);
  Pump();
  EXPECT_FALSE(app->m_bScheduledScanMode);
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
}

TEST_F(UnattendedRunTest, DllQuestionOfAnotherInstanceTrimsTheName) {
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="  qzx.dll  "
)");
  Start();
  FirstShow();
  answers.answers.Expect(L"qzx.dll", IDNO);
  dlg->PostMessage(WM_ASK_DLL_FIXED, 0, 0);
  Pump();
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_EQ(answers.answers.texts()[0], L"Did installing qzx.dll solve your problem?");
  EXPECT_EQ(feedback, std::vector<bool>{false});
}

// The update check's thread shows the popup about a new version: ignored, the run ends; its link starts the
// update with the window up, and only the link sets the update-from-popup flag.
TEST_F(UnattendedRunTest, UpdateRunPopupEndsTheRunOrStartsTheUpdate) {
  std::vector<bool> checks;
  for (bool click : {false, true}) {
    SCOPED_TRACE(click);
    app->m_bUpdateCheckMode = TRUE;
    app->m_bUpdateFromPopup = false;
    Start();
    dlg->m_onCheckForUpdates = [&](CZUNDlg&, bool automatic) { checks.push_back(automatic); };
    win::AfxBeginThread([](LPVOID main) -> UINT { return static_cast<CZUNDlg*>(main)->RunPopupNotifier(); },
                        dlg.get());
    RunUntil([] { return CDLGPopupControl::ActivePopupWindow() != nullptr; });
    HWND popup = CDLGPopupControl::ActivePopupWindow();
    ASSERT_NE(popup, nullptr);
    win::PostMessage(popup, WM_LBUTTONDOWN, 0, (40 << 16) | 120);  // beside the link
    if (click) win::PostMessage(popup, WM_LBUTTONDOWN, 0, (125 << 16) | 120);
    const bool quit = RunUntil([&] { return click && !win::IsWindow(popup) && !checks.empty(); });
    EXPECT_EQ(quit, !click);
    EXPECT_EQ(app->m_bUpdateFromPopup.load(), click);
    EXPECT_EQ(checks, click ? std::vector<bool>{false} : std::vector<bool>{});
    EXPECT_EQ(win::IsWindowVisible(dlg->m_hWnd) != FALSE, click);
    for (int i = 0; i < 5000 && CDLGPopupControl::ActivePopupWindow(); ++i) mx::SystemClock().Sleep(1);
    dlg.reset();
    Pump();
  }
}

TEST_F(UnattendedRunTest, AfterTheOptimisationsRebootTheSummaryComesOnlyWhenTheCompletionAsksForIt) {
  for (BOOL summary : {FALSE, TRUE}) {
    SCOPED_TRACE(summary);
    int finishes = 0, summaries = 0;
    CZUNDlg::SetFinishAfterOptimizationHook([&] {
      ++finishes;
      return summary;
    });
    WithProblems(1);
    app->m_bStartedAfterOptimization = TRUE;
    Start();
    dlg->m_onAfterOptimization = [&](CZUNDlg&) { ++summaries; };
    EXPECT_EQ(finishes, 1);
    Step(3071);
    EXPECT_EQ(summaries, 0);
    Step(1);
    EXPECT_EQ(summaries, summary ? 1 : 0);
    EXPECT_EQ(app->m_bStartedAfterOptimization, !summary);
    dlg.reset();
    Pump();
  }
  CZUNDlg::SetFinishAfterOptimizationHook(nullptr);
}

TEST_F(UnattendedRunTest, LogonStartScansVisiblyAfterTheNormalStart) {
  app->m_bStartedByLogon = TRUE;
  Start();
  EXPECT_FALSE(dlg->m_btnScanReg.m_bStayPressed);
  FirstShow();
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_TRUE(dlg->m_btnScanReg.m_bStayPressed) << "the scan was started";
}
