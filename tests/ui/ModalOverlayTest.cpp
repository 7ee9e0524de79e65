#include <gtest/gtest.h>

#include <optional>

#include "app/ZUNApp.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/LayeredWindow.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "platform/win/Window.h"
#include "ui/ModalOverlay.h"
#include "UiTestWindows.h"

namespace {

// A dialog hosted by an overlay; its OK button ends the overlay as every hosted dialog must.
class HostedDialog : public CDialog {
 public:
  void OnOK() override { EndModalWithOverlay(this); }
};

// The application with a visible main window at (100, 80), 700 x 550.
class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gdi::SetScreenSize(1024, 768);
    ASSERT_TRUE(main_.Create(uitest::kEmptyPopup));
    main_.MoveWindow(100, 80, 700, 550);
    main_.ShowWindow(SW_SHOW);
    app_.m_pMainWnd = &main_;
  }
  void TearDown() override { app_.m_pMainWnd = nullptr; }

  win::CWinApp app_;
  uitest::TestFrame main_;
};

}  // namespace

TEST_F(OverlayTest, CountsItsLevelDimsTheMainWindowAndEndsThroughTheHostedDialog) {
  const int before = g_nModalCount;
  HostedDialog hosted, inner;
  win::ScopedAnswers answers;
  answers.answers.OnDialog(L"", [&](HWND overlay) -> std::optional<int> {
    EXPECT_EQ(g_nModalCount, before + 1);
    EXPECT_FALSE(main_.IsWindowEnabled());
    EXPECT_EQ(gdi::WindowOpacity(overlay), 201);
    RECT rc{};
    win::GetWindowRect(overlay, &rc);
    EXPECT_EQ(rc, (RECT{101, 81, 799, 629}));
    // the hosted dialog is centred on the main window
    RECT dlg{};
    hosted.GetWindowRect(&dlg);
    EXPECT_NEAR((dlg.left + dlg.right) / 2, 450, 1);
    EXPECT_TRUE(hosted.IsWindowVisible());

    // Enter and Esc on the overlay itself do nothing
    win::SendMessage(overlay, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    win::SendMessage(overlay, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(win::CWnd::FromHandle(overlay)->ContinueModal());

    // a dialog hosted in an overlay may open another one; each level counts
    RunModalWithOverlay(&main_, &inner, uitest::kEmptyPopup);
    EXPECT_EQ(g_nModalCount, before + 1);

    hosted.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return std::nullopt;
  });
  answers.answers.OnDialog(L"", [&](HWND) -> std::optional<int> {
    EXPECT_EQ(g_nModalCount, before + 2);
    inner.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return std::nullopt;
  });

  EXPECT_EQ(RunModalWithOverlay(&main_, &hosted, uitest::kEmptyPopup), 0);
  EXPECT_EQ(g_nModalCount, before);
  EXPECT_TRUE(main_.IsWindowEnabled());
  EXPECT_EQ(hosted.m_hWnd, nullptr) << "the hosted window goes with the overlay";
  EXPECT_EQ(answers.answers.pending(), 0u);
}

TEST_F(OverlayTest, AnAbnormalEndStillLowersTheCounterAndEnablesTheMainWindow) {
  const int before = g_nModalCount;
  HostedDialog hosted;
  {
    win::ScopedAnswers answers;  // no rule: the overlay's loop is ended from outside with IDCANCEL
    RunModalWithOverlay(&main_, &hosted, uitest::kEmptyPopup);
  }
  EXPECT_EQ(g_nModalCount, before);
  EXPECT_TRUE(main_.IsWindowEnabled());

  // a dialog that is not hosted by an overlay cannot lower the counter
  CDialog loose;
  ASSERT_TRUE(loose.Create(uitest::kEmptyPopup));
  EndModalWithOverlay(&loose);
  EXPECT_EQ(g_nModalCount, before);
}

TEST_F(OverlayTest, AMainWindowPartlyOffTheScreenIsRestoredAndCentredFirst) {
  main_.MoveWindow(-300, 600, 700, 550);
  HostedDialog hosted;
  win::ScopedAnswers answers;
  RECT covered{};
  answers.answers.OnDialog(L"", [&](HWND overlay) -> std::optional<int> {
    win::GetWindowRect(overlay, &covered);
    hosted.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    return std::nullopt;
  });
  RunModalWithOverlay(&main_, &hosted, uitest::kEmptyPopup);
  RECT rc{};
  main_.GetWindowRect(&rc);
  EXPECT_EQ(rc, uitest::Xywh((1024 - 700) / 2, (768 - 550) / 2, 700, 550));
  EXPECT_EQ(covered, (RECT{rc.left + 1, rc.top + 1, rc.right - 1, rc.bottom - 1}));
}

TEST(SetWindowAlpha, MakesTheWindowLayeredWithTheAlpha) {
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(uitest::kEmptyPopup));
  EXPECT_EQ(gdi::WindowOpacity(dialog), 255);
  EXPECT_TRUE(SetWindowAlpha(dialog, 120));
  EXPECT_TRUE(dialog.GetExStyle() & WS_EX_LAYERED);
  EXPECT_EQ(gdi::WindowOpacity(dialog), 120);
  EXPECT_FALSE(SetWindowAlpha(nullptr, 120));
}
