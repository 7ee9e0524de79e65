// The pop-up notifier as the program shows it on a real (private) display: made and run by a thread of its
// own on the system clock, it fades in above the work area's corner, is saved as a PNG for the eye and
// leaves by itself after its stay.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "platform/gdi/LayeredWindow.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/system/Module.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "support/TestPrefix.h"
#include "ui/DLGPopupControl.h"

namespace {

class NotesWindow : public win::CWnd {
 public:
  BOOL Create() { return CreateEx(0, L"#32770", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
  std::vector<LPARAM> states;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_POPUP_NOTIFY && wParam == kPopupStateChanged) states.push_back(lParam);
    return CWnd::WindowProc(msg, wParam, lParam);
  }
};

}  // namespace

TEST(NotifierDisplay, PopupThreadShowsItAndItLeavesByItself) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "renderings come from the optimised build";
#endif
  MX_REQUIRE_DISPLAY();
  mxtest::TestPrefix prefix;
  ResetIniCache();
  InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  NotesWindow owner;
  ASSERT_TRUE(owner.Create());
  PopupRunSettings settings;
  settings.content = MakePopupContent(false, 3);
  settings.animTime = 261;
  settings.stayTime = 1500;
  ASSERT_TRUE(BeginPopupThread(owner.m_hWnd, settings));
  ASSERT_TRUE(mxtest::RunUntil([&] { return !owner.states.empty() && owner.states.back() == 2; }, 20000));
  HWND popup = CDLGPopupControl::ActivePopupWindow();
  ASSERT_NE(popup, nullptr);
  EXPECT_TRUE(win::IsWindowVisible(popup));
  EXPECT_EQ(gdi::WindowOpacity(popup), 255);
  EXPECT_TRUE(mxtest::SaveShownPng(popup, std::filesystem::path(MX_BINARY_DIR) / "ui-renderings" /
                                              "popup-notifier-display.png"));
  EXPECT_TRUE(mxtest::RunUntil([&] { return !owner.states.empty() && owner.states.back() == 0; }, 20000));
  EXPECT_EQ(owner.states, (std::vector<LPARAM>{1, 2, 3, 0}));
  EXPECT_TRUE(mxtest::RunUntil([] { return CDLGPopupControl::ActivePopupWindow() == nullptr; }, 5000));
  owner.DestroyWindow();
  ResetLanguageReader();
}
