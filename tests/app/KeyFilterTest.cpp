#include "app/KeyFilter.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(KeyFilter, BrowserKeysAreSwallowedByTheKeyboardStateNotTheKeyCode) {
  struct Case {
    UINT message;
    std::set<int> held;
    bool swallowed;
    const char* why;
  };
  const Case kCases[] = {
      {WM_MOUSEWHEEL, {0x11}, true, "Ctrl + wheel zooms"},
      {WM_MOUSEWHEEL, {}, false, "plain wheel scrolls"},
      {WM_KEYDOWN, {0x74}, true, "F5 reloads"},
      {WM_KEYDOWN, {0x11, 'O'}, true, "Ctrl+O"},
      {WM_KEYDOWN, {0x11, 0x65}, true, "Ctrl+numeric-pad 5"},
      {WM_KEYDOWN, {0x11, 0x6B}, true, "Ctrl+numeric-pad +"},
      {WM_KEYDOWN, {0x11, 'G'}, false, "Ctrl+G is not a browser key"},
      {WM_KEYDOWN, {0xA4, 'G'}, true, "left Alt+G"},
      {WM_KEYDOWN, {0xA5, 'H'}, true, "right Alt+H"},
      {WM_KEYDOWN, {0x11, 0xA4, 'G'}, false, "Alt keys count only without Ctrl"},
      {WM_KEYDOWN, {'O'}, false, "O alone"},
      {WM_CHAR, {0x74}, false, "only key-down messages"},
  };
  for (const auto& c : kCases) {
    const KeyboardState keys{[&](int vk) { return c.held.count(vk) > 0; },
                             [&](int vk) { return c.held.count(vk) > 0; }};
    MSG msg;
    msg.message = c.message;
    EXPECT_EQ(ShouldSwallowMessage(msg, keys) != FALSE, c.swallowed) << c.why;
  }
}

}  // namespace
