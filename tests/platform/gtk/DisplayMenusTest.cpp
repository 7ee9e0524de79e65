// Pop-up menus on the real display: the menu shows where it was asked, a click on an item gives its command,
// a click elsewhere dismisses it.
#include "platform/gtk/DisplayMenus.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/gdi/Menu.h"
#include "platform/gtk/XvfbSession.h"

namespace {

// Clicks at a point of the screen a moment from now, while the menu's own loop runs.
void ClickSoon(int x, int y) {
  const std::string command = "(sleep 1; xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) +
                              " click 1) >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(command.c_str()), 0);
}

TEST(DisplayMenus, AClickOnAnItemGivesItsCommandAndAClickElsewhereDismisses) {
  MX_REQUIRE_DISPLAY();
  HMENU menu = win::CreatePopupMenu();
  win::AppendMenu(menu, MF_STRING, 101, L"Open");
  win::AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  win::AppendMenu(menu, MF_STRING, 102, L"Close");
  std::vector<RECT> rects;
  gdi::PaintMenu(menu, nullptr, nullptr, &rects);
  ASSERT_EQ(rects.size(), 3u);
  gtkhost::UseDisplayMenus();

  constexpr int kX = 200, kY = 150;
  ClickSoon(kX + rects[2].left + 20, kY + (rects[2].top + rects[2].bottom) / 2);
  EXPECT_EQ(win::TrackPopupMenu(menu, TPM_RETURNCMD, kX, kY, 0, nullptr, nullptr), 102);

  ClickSoon(kX + rects[1].left + 20, kY + (rects[1].top + rects[1].bottom) / 2);
  EXPECT_EQ(win::TrackPopupMenu(menu, TPM_RETURNCMD, kX, kY, 0, nullptr, nullptr), 0) << "a separator is no command";

  ClickSoon(20, 20);
  EXPECT_EQ(win::TrackPopupMenu(menu, TPM_RETURNCMD, kX, kY, 0, nullptr, nullptr), 0) << "outside: dismissed";

  gdi::SetMenuChooser(nullptr);
  win::DestroyMenu(menu);
}

}  // namespace
