// Input routing of the display, decided with the window core alone.
#include <gtest/gtest.h>

#include "platform/gtk/InputTarget.h"
#include "platform/win/Window.h"

namespace {

HWND Make(HWND parent, DWORD style, int x, int y, int w, int h) {
  return win::CreateWindowEx(0, L"#32770", L"", style | (parent ? WS_CHILD : 0), x, y, w, h, parent, nullptr,
                             nullptr, nullptr);
}

TEST(InputTarget, MouseGoesToTheTopmostEnabledWindowUnderThePointOrTheCapture) {
  HWND top = Make(nullptr, 0, 100, 50, 300, 200);
  HWND panel = Make(top, WS_VISIBLE, 10, 10, 200, 100);
  HWND button = Make(panel, WS_VISIBLE, 20, 20, 50, 20);
  HWND disabled = Make(top, WS_VISIBLE | WS_DISABLED, 220, 10, 50, 50);
  HWND hidden = Make(top, 0, 0, 150, 300, 50);
  HWND overlap = Make(panel, WS_VISIBLE, 40, 30, 50, 50);  // made later, so above the button
  struct Case {
    int x, y;
    HWND target;
    POINT client;
    const char* why;
  };
  const Case cases[] = {
      {35, 35, button, {5, 5}, "a child of a child"},
      {55, 45, overlap, {5, 5}, "the upper of two siblings"},
      {15, 15, panel, {5, 5}, "inside the panel, beside its children"},
      {5, 5, top, {5, 5}, "the top-level window itself"},
      {230, 20, nullptr, {}, "a disabled window gets nothing"},
      {5, 160, top, {5, 160}, "hidden windows are passed over"},
  };
  for (const auto& c : cases) {
    auto t = gtkhost::FindMouseTarget(top, c.x, c.y);
    EXPECT_EQ(t.hwnd, c.target) << c.why;
    if (c.target) {
      EXPECT_EQ(t.client.x, c.client.x) << c.why;
      EXPECT_EQ(t.client.y, c.client.y) << c.why;
    }
  }
  win::SetCapture(button);
  auto t = gtkhost::FindMouseTarget(top, 5, 5);
  EXPECT_EQ(t.hwnd, button) << "the capture takes the mouse wherever it is";
  EXPECT_EQ(t.client.x, -25);
  win::ReleaseCapture();
  (void)disabled;
  (void)hidden;
  win::DestroyWindow(top);
}

TEST(InputTarget, KeysMapToVirtualKeys) {
  const std::pair<std::uint32_t, UINT> cases[] = {
      {'a', 'A'}, {'Z', 'Z'}, {'5', '5'}, {0xFFBE, 0x70}, {0xFFC2, 0x74}, {0xFF1B, 0x1B},
      {0xFF0D, 0x0D}, {0x20, 0x20}, {0xFFE3, 0xA2}, {0xFFE9, 0xA4}, {0xFFB5, 0x65}, {0x00E9, 0},
  };
  for (const auto& [keyval, vk] : cases) EXPECT_EQ(gtkhost::VirtualKeyFromKeyval(keyval), vk) << std::hex << keyval;
}

}  // namespace
