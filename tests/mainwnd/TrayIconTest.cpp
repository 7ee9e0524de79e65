// The tray icon's model: the icon's state, its clicks and its menu, and the busy rules.
#include <gtest/gtest.h>

#include "MainWindowFixture.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/NotifyIcon.h"

using mainwndtest::MainWindowTest;

namespace {

class TrayIconTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    Start();
    FirstShow();
    GoToSystemTrayOnClose = 1;
  }
  HWND IconWindow() { return dlg->m_trayIcon.GetSafeHwnd(); }
  BOOL Click(UINT mouse) { return gdi::SendNotifyIconMouse(IconWindow(), IDR_TRAY_MENU, mouse); }
};

}  // namespace

TEST_F(TrayIconTest, HiddenUntilTheWindowGoesToTheTrayThenALeftClickBringsItBack) {
  ASSERT_EQ(gdi::NotifyIcons().size(), 1u);
  EXPECT_TRUE(gdi::NotifyIcons()[0].hidden);
  EXPECT_EQ(gdi::NotifyIcons()[0].tip, L"Tarvolen Mendrix");
  EXPECT_FALSE(Click(WM_LBUTTONUP)) << "a hidden icon takes no clicks";

  dlg->HideToTrayOrExit();
  EXPECT_FALSE(gdi::NotifyIcons()[0].hidden);
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));

  ASSERT_TRUE(Click(WM_LBUTTONUP));
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_FALSE(dlg->m_bHiddenInTray);
  EXPECT_TRUE(gdi::NotifyIcons()[0].hidden);
}

TEST_F(TrayIconTest, RightClickOpensTheLocalizedMenuUnlessBusy) {
  dlg->HideToTrayOrExit();
  std::vector<gdi::MenuPrompt> shown;
  auto previous = gdi::SetMenuChooser(gdi::ChooseById(0, &shown));
  ASSERT_TRUE(Click(WM_RBUTTONUP));
  ASSERT_EQ(shown.size(), 1u);
  ASSERT_EQ(shown[0].items.size(), 3u);
  EXPECT_EQ(shown[0].items[0].id, ID_TRAY_ABOUT);
  EXPECT_EQ(shown[0].items[0].text, L"About Tarvolen Mendrix");
  EXPECT_EQ(shown[0].items[2].id, ID_TRAY_QUIT);
  EXPECT_EQ(shown[0].items[2].text, L"Exit");

  app->m_bScanRunning = true;
  Click(WM_RBUTTONUP);
  app->m_bScanRunning = false;
  g_nModalCount = 1;
  Click(WM_RBUTTONUP);
  Click(WM_LBUTTONUP);
  g_nModalCount = 0;
  gdi::SetMenuChooser(previous);
  EXPECT_EQ(shown.size(), 1u) << "no menu while busy";
  EXPECT_TRUE(dlg->m_bHiddenInTray) << "a left click while a prompt is open does nothing";
}

TEST_F(TrayIconTest, TrayMenuCommandsRestoreFirst) {
  dlg->HideToTrayOrExit();
  auto previous = gdi::SetMenuChooser(gdi::ChooseById(ID_TRAY_ABOUT));
  Click(WM_RBUTTONUP);
  Pump();
  EXPECT_EQ(aboutShown, 1);
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));

  dlg->HideToTrayOrExit();
  gdi::SetMenuChooser(gdi::ChooseById(ID_TRAY_QUIT));
  Click(WM_RBUTTONUP);
  EXPECT_TRUE(Pump());
  gdi::SetMenuChooser(previous);
  EXPECT_EQ(quitCode, 0);
}

TEST_F(TrayIconTest, TheIconComesBackWhenTheTrayIsMadeAgainUnlessItIsHidden) {
  CXTTrayIcon& icon = dlg->m_trayIcon;
  std::wstring tip(200, L'x');
  icon.UpdateTooltipText(tip);
  EXPECT_EQ(icon.Tooltip().size(), 126u);

  // The desktop's tray restarts: its icons are gone.
  auto drop = [] {
    for (const auto& v : gdi::NotifyIcons()) {
      NOTIFYICONDATAW data;
      data.hWnd = v.hwnd;
      data.uID = v.id;
      win::Shell_NotifyIcon(NIM_DELETE, &data);
    }
  };
  ASSERT_TRUE(icon.ShowIcon());
  drop();
  win::SendMessage(IconWindow(), TaskbarCreatedMessage(), 0, 0);
  ASSERT_EQ(gdi::NotifyIcons().size(), 1u);
  EXPECT_FALSE(gdi::NotifyIcons()[0].hidden);
  EXPECT_EQ(gdi::NotifyIcons()[0].tip, std::wstring(126, L'x'));

  ASSERT_TRUE(icon.HideIcon());
  drop();
  win::SendMessage(IconWindow(), TaskbarCreatedMessage(), 0, 0);
  EXPECT_TRUE(gdi::NotifyIcons().empty()) << "a hidden icon stays away";
}
