// The two notifiers of the unattended runs on the headless core, with the fake clock: the pop-up's animation,
// hover and link, and its life on a thread of its own; the taskbar notifier's slide and its links.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/LayeredWindow.h"
#include "platform/system/Module.h"
#include "platform/win/Message.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "support/TestPrefix.h"
#include "ui/DLGPopupControl.h"
#include "ui/TaskbarNotifier.h"
#include "UiTestWindows.h"

namespace {

LPARAM At(int x, int y) { return static_cast<LPARAM>((y << 16) | (x & 0xFFFF)); }

// Stands for the main window: records what the notifiers post to it.
class OwnerWindow : public win::CWnd {
 public:
  BOOL Create() { return CreateEx(0, L"#32770", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
  std::vector<std::pair<WPARAM, LPARAM>> notes;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_POPUP_NOTIFY) {
      notes.emplace_back(wParam, lParam);
      return 1;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
  }
};

class NotifierTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mx::SetClock(&clock);
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    gdi::SetScreenSize(1280, 800);
    gdi::SetWorkArea(RECT{0, 0, 1280, 770});  // a taskbar of 30 pixels at the bottom
    ASSERT_TRUE(owner.Create());
  }
  void TearDown() override {
    owner.DestroyWindow();
    uitest::Pump();
    ResetLanguageReader();
    ResetIniCache();
    mx::SetClock(nullptr);
  }
  void Step(int ms) {
    clock.Advance(ms);
    uitest::Pump();
  }
  std::vector<LPARAM> States() const {
    std::vector<LPARAM> out;
    for (auto [w, l] : owner.notes)
      if (w == kPopupStateChanged) out.push_back(l);
    return out;
  }

  mxtest::TestPrefix prefix;
  mx::FakeClock clock;
  OwnerWindow owner;
};

std::unique_ptr<CDLGPopupControl> MakePopup(int mode, int anim, int problems = 2) {
  auto popup = std::make_unique<CDLGPopupControl>(MakePopupContent(false, problems));
  popup->m_nMode = mode;
  popup->m_nAnimTime = anim;
  return popup;
}

}  // namespace

TEST_F(NotifierTest, PopupFadesInInFourStepsStaysAndLeavesTellingEveryState) {
  auto popup = MakePopup(1, 261);
  ASSERT_TRUE(popup->Create(owner.m_hWnd));
  popup->BeginShow(TRUE);
  EXPECT_EQ(popup->GetStepsLeft(), 4);
  const RECT full{1253 - 254, 770 - 193, 1253, 770};  // above the work area's bottom right, 27 from its edge
  EXPECT_EQ(popup->GetCurrentRect(), full);
  std::vector<int> alphas;
  for (int i = 0; i < 4; ++i) {
    Step(54);
    alphas.push_back(gdi::WindowOpacity(popup->m_hWnd));
  }
  EXPECT_EQ(alphas, (std::vector<int>{63, 126, 189, 252}));
  EXPECT_EQ(popup->GetState(), CDLGPopupControl::kShown);
  Step(8191);
  EXPECT_EQ(popup->GetState(), CDLGPopupControl::kShown);
  Step(1);
  EXPECT_EQ(popup->GetState(), CDLGPopupControl::kHiding);
  for (int i = 0; i < 4; ++i) Step(54);
  EXPECT_FALSE(win::IsWindow(popup->m_hWnd));
  EXPECT_EQ(States(), (std::vector<LPARAM>{1, 2, 3, 0}));
  EXPECT_EQ(CDLGPopupControl::ActivePopupWindow(), nullptr);
}

TEST_F(NotifierTest, PopupStepCountsAndModesWithoutAnimation) {
  struct Case {
    int mode, anim, steps;
  };
  for (Case c : {Case{3, 261, 4}, Case{2, 30, 1}, Case{1, 1024, 18}}) {
    SCOPED_TRACE(c.anim);
    auto popup = MakePopup(c.mode, c.anim);
    ASSERT_TRUE(popup->Create(owner.m_hWnd));
    popup->BeginShow(TRUE);
    EXPECT_EQ(popup->GetStepsLeft(), c.steps);
    if (c.mode == 3) {
      EXPECT_EQ(popup->GetCurrentRect(), (RECT{1253, 770, 1253, 770})) << "grows from the corner";
    }
  }
  // Mode 0 is there at once and gone at once at the end of its stay.
  uitest::Pump();
  owner.notes.clear();
  auto popup = MakePopup(0, 261);
  ASSERT_TRUE(popup->Create(owner.m_hWnd));
  popup->BeginShow(TRUE);
  EXPECT_EQ(popup->GetState(), CDLGPopupControl::kShown);
  Step(8192);
  EXPECT_FALSE(win::IsWindow(popup->m_hWnd));
  EXPECT_EQ(States(), (std::vector<LPARAM>{1, 2, 3, 0}));
}

TEST_F(NotifierTest, PopupUnderTheMouseStaysOpaqueAndLeavesOnceTheMouseHasGone) {
  auto popup = MakePopup(1, 261);
  ASSERT_TRUE(popup->Create(owner.m_hWnd));
  popup->BeginShow(TRUE);
  for (int i = 0; i < 4; ++i) Step(54);
  win::SendMessage(popup->m_hWnd, WM_MOUSEMOVE, 0, At(20, 20));
  EXPECT_TRUE(popup->IsPaused());
  EXPECT_EQ(gdi::WindowOpacity(popup->m_hWnd), 255);
  Step(8192);
  Step(8192);
  EXPECT_EQ(popup->GetState(), CDLGPopupControl::kShown) << "never leaves while the mouse rests on it";
  win::SendMessage(popup->m_hWnd, WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(popup->IsPaused());
  EXPECT_EQ(gdi::WindowOpacity(popup->m_hWnd), 252);
  Step(8192);
  EXPECT_EQ(popup->GetState(), CDLGPopupControl::kHiding);
  // Coming back while it fades out brings it back at once (fade mode) and stops the fade.
  Step(54);
  win::SendMessage(popup->m_hWnd, WM_MOUSEMOVE, 0, At(20, 20));
  EXPECT_EQ(popup->GetState(), CDLGPopupControl::kShown);
  Step(54 * 4);
  EXPECT_TRUE(win::IsWindow(popup->m_hWnd));
}

TEST_F(NotifierTest, PopupTextsFollowTheCount) {
  EXPECT_EQ(MakePopupContent(false, 1).message, L"Tarvolen Mendrix found 1 error during the scheduled scan.");
  EXPECT_EQ(MakePopupContent(false, 2).message, L"Tarvolen Mendrix found 2 errors during the scheduled scan.");
  EXPECT_EQ(MakePopupContent(false, 2).link, L"Click here to view the results");
  EXPECT_EQ(MakePopupContent(false, 0).message, L"Tarvolen Mendrix found no errors on your computer.");
  EXPECT_EQ(MakePopupContent(false, 0).link, L"Click here to open Tarvolen Mendrix");
  EXPECT_EQ(MakePopupContent(true, 5).link, L"Click here to update now");
}

TEST_F(NotifierTest, PopupActsOnlyOnItsLink) {
  struct Case {
    bool update;
    int problems;
    LPARAM command;
  };
  for (Case c : {Case{false, 3, kPopupCmdScanDone}, Case{false, 0, kPopupCmdHome}, Case{true, 0, kPopupCmdCheckForUpdates}}) {
    SCOPED_TRACE(c.command);
    owner.notes.clear();
    auto popup = std::make_unique<CDLGPopupControl>(MakePopupContent(c.update, c.problems));
    popup->m_nMode = 0;
    ASSERT_TRUE(popup->Create(owner.m_hWnd));
    popup->BeginShow(TRUE);
    win::SendMessage(popup->m_hWnd, WM_LBUTTONDOWN, 0, At(120, 40));
    uitest::Pump();
    EXPECT_TRUE(win::IsWindow(popup->m_hWnd)) << "a click beside the link changes nothing";
    EXPECT_EQ(States(), (std::vector<LPARAM>{1, 2}));
    win::SendMessage(popup->m_hWnd, WM_LBUTTONDOWN, 0, At(120, 125));
    uitest::Pump();
    EXPECT_FALSE(win::IsWindow(popup->m_hWnd));
    ASSERT_FALSE(owner.notes.empty());
    EXPECT_EQ(owner.notes[2], (std::pair<WPARAM, LPARAM>{kPopupLinkClicked, c.command}));
  }
}

TEST_F(NotifierTest, PopupRendering) {
  auto popup = MakePopup(0, 0, 1);
  ASSERT_TRUE(popup->Create(owner.m_hWnd));
  popup->BeginShow(TRUE);
  uitest::Pump();
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  EXPECT_TRUE(gdi::SaveWindowPng(popup->m_hWnd, out / "popup-notifier.png"));
}

// The popup made, run and deleted by a thread of its own while this thread only reads posted notes.
TEST_F(NotifierTest, PopupThreadOwnsItsPopupFromStartToEnd) {
  PopupRunSettings settings;
  settings.content = MakePopupContent(false, 2);
  settings.animTime = 261;
  settings.stayTime = 1000;
  ASSERT_TRUE(BeginPopupThread(owner.m_hWnd, settings));
  for (int i = 0; i < 2000 && (States().empty() || States().back() != 0); ++i) {
    clock.Advance(54);
    win::Sleep(0);
    uitest::Pump();
    mx::SystemClock().Sleep(1);
  }
  EXPECT_EQ(States(), (std::vector<LPARAM>{1, 2, 3, 0}));
  for (int i = 0; i < 2000 && CDLGPopupControl::ActivePopupWindow(); ++i) mx::SystemClock().Sleep(1);
  EXPECT_EQ(CDLGPopupControl::ActivePopupWindow(), nullptr);
}

TEST_F(NotifierTest, ANewPopupClosesTheOneAlive) {
  auto first = MakePopup(0, 0);
  ASSERT_TRUE(first->Create(owner.m_hWnd));
  first->BeginShow(TRUE);
  auto second = MakePopup(0, 0);
  EXPECT_FALSE(win::IsWindow(first->m_hWnd));
  ASSERT_TRUE(second->Create(owner.m_hWnd));
  EXPECT_EQ(CDLGPopupControl::ActivePopupWindow(), second->m_hWnd);
}

// --- the taskbar notifier ---------------------------------------------------------------------------------

class TaskbarNotifierTest : public NotifierTest {
 protected:
  // A timer below 10 ms runs every 10 ms.
  int Tick(int interval) const { return std::max(10, interval); }
  void SetUp() override {
    NotifierTest::SetUp();
    ASSERT_TRUE(notifier.Create(&owner));
    notifier.CreateFonts();
    ASSERT_TRUE(notifier.LoadSkin());
    notifier.m_onAction = [this](NotifierAction a) { actions.push_back(a); };
  }
  void TearDown() override {
    notifier.DestroyWindow();
    NotifierTest::TearDown();
  }
  CTaskbarNotifier notifier;
  std::vector<NotifierAction> actions;
};

TEST_F(TaskbarNotifierTest, RisesFromTheBottomEdgeTwoPixelsAStepWaitsAndSlidesBack) {
  const SIZE skin = notifier.GetSkinSize();
  notifier.m_nMode = NOTIFIER_MODE_VIEW_RESULTS;
  notifier.Show(L"Last scan:\nyesterday");
  EXPECT_EQ(notifier.GetDirection(), 4);
  EXPECT_EQ(notifier.GetAppearInterval(), 500 / (skin.cy / 2));
  EXPECT_EQ(notifier.GetPosition().x, 1280 - skin.cx);
  EXPECT_EQ(notifier.GetPosition().y, 770);
  Step(Tick(notifier.GetAppearInterval()));
  EXPECT_EQ(notifier.GetPosition().y, 768);
  Step(Tick(notifier.GetAppearInterval()));
  EXPECT_EQ(notifier.GetPosition().y, 766);
  for (int i = 0; i < skin.cy && notifier.GetAnimState() == CTaskbarNotifier::kAppearing; ++i)
    Step(Tick(notifier.GetAppearInterval()));
  EXPECT_EQ(notifier.GetAnimState(), CTaskbarNotifier::kWaiting);
  EXPECT_EQ(notifier.GetPosition().y, 770 - skin.cy);
  Step(60000);
  EXPECT_EQ(notifier.GetAnimState(), CTaskbarNotifier::kDisappearing);
  for (int i = 0; i <= skin.cy && notifier.GetAnimState() != CTaskbarNotifier::kHidden; ++i)
    Step(Tick(notifier.GetDisappearInterval()));
  EXPECT_EQ(notifier.GetAnimState(), CTaskbarNotifier::kHidden);
  EXPECT_EQ(actions, (std::vector<NotifierAction>{NotifierAction::SlidAway}));
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  notifier.m_nProblemCount = 4;
  notifier.m_crText = RGB(0, 0, 0);  // as the main window sets it up
  notifier.m_rcMessage = RECT{20, 62, 250, 128};
  notifier.Show(L"Last scan:\nyesterday");
  for (int i = 0; i <= skin.cy; ++i) Step(Tick(notifier.GetAppearInterval()));
  EXPECT_TRUE(gdi::SaveWindowPng(notifier.m_hWnd, out / "taskbar-notifier.png"));
}

TEST_F(TaskbarNotifierTest, ComesOutOfALeftTaskbarAtTheBottomOfTheWorkArea) {
  gdi::SetWorkArea(RECT{40, 0, 1280, 800});
  const SIZE skin = notifier.GetSkinSize();
  notifier.Show(L"text");
  EXPECT_EQ(notifier.GetDirection(), 2);
  EXPECT_EQ(notifier.GetPosition().x, 40 - skin.cx);
  EXPECT_EQ(notifier.GetPosition().y, 800 - skin.cy);
  EXPECT_EQ(notifier.GetAppearInterval(), 500 / (skin.cx / 2));
  Step(Tick(notifier.GetAppearInterval()));
  EXPECT_EQ(notifier.GetPosition().x, 42 - skin.cx);
}

TEST_F(TaskbarNotifierTest, DllQuestionAsksForConfirmationAndRelabelsItsLink) {
  notifier.m_nMode = NOTIFIER_MODE_DLL_FIXED;
  notifier.Show(L"Did installing qzx.dll solve your problem?");
  EXPECT_EQ(notifier.GetTitle(), L"No, I still have the problem");
  EXPECT_EQ(notifier.GetLowerLinkText(), L"Yes, the problem is fixed");
  const LPARAM title = At(130, 130), lower = At(130, 180);
  win::SendMessage(notifier.m_hWnd, WM_LBUTTONUP, 0, title);
  EXPECT_TRUE(notifier.IsConfirmAsked());
  EXPECT_EQ(notifier.GetMessageText().rfind(L"We are sorry", 0), 0u);
  EXPECT_EQ(notifier.GetLowerLinkText(), L"No, tell us about the problem") << "the link that says 'not fixed'";
  EXPECT_TRUE(actions.empty());
  win::SendMessage(notifier.m_hWnd, WM_LBUTTONUP, 0, title);
  EXPECT_EQ(actions, (std::vector<NotifierAction>{NotifierAction::Quit}));

  // The lower link: "fixed" before the confirmation, "not fixed" after it.
  for (bool confirm : {false, true}) {
    actions.clear();
    CTaskbarNotifier fresh;
    ASSERT_TRUE(fresh.Create(&owner));
    fresh.LoadSkin();
    fresh.m_nMode = NOTIFIER_MODE_DLL_FIXED;
    fresh.m_onAction = [this](NotifierAction a) { actions.push_back(a); };
    fresh.Show(L"q");
    if (confirm) win::SendMessage(fresh.m_hWnd, WM_LBUTTONUP, 0, title);
    win::SendMessage(fresh.m_hWnd, WM_LBUTTONUP, 0, lower);
    EXPECT_EQ(actions, (std::vector<NotifierAction>{confirm ? NotifierAction::DllNotFixed : NotifierAction::DllFixed}));
    EXPECT_EQ(fresh.GetAnimState(), CTaskbarNotifier::kHidden);
  }
}

TEST_F(TaskbarNotifierTest, LinksAndCloseArea) {
  struct Case {
    int mode;
    LPARAM at;
    NotifierAction action;
  };
  for (Case c : {Case{NOTIFIER_MODE_START_SCAN, At(130, 130), NotifierAction::StartScan},
                 Case{NOTIFIER_MODE_VIEW_RESULTS, At(130, 130), NotifierAction::ViewResults},
                 Case{NOTIFIER_MODE_START_SCAN, At(130, 180), NotifierAction::ViewResults},
                 Case{NOTIFIER_MODE_VIEW_RESULTS, At(260, 10), NotifierAction::Quit}}) {
    actions.clear();
    notifier.m_nMode = c.mode;
    notifier.Show(L"x");
    win::SendMessage(notifier.m_hWnd, WM_LBUTTONUP, 0, At(5, 60));
    EXPECT_TRUE(actions.empty());
    win::SendMessage(notifier.m_hWnd, WM_LBUTTONUP, 0, c.at);
    EXPECT_EQ(actions, (std::vector<NotifierAction>{c.action}));
    EXPECT_EQ(notifier.GetAnimState(), CTaskbarNotifier::kHidden);
  }
}
