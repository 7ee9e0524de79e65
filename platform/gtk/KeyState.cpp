#include "platform/gtk/KeyState.h"

#include <array>
#include <atomic>

namespace gtkhost {
namespace {

std::array<std::atomic<bool>, 256> g_down{};
std::array<std::atomic<bool>, 256> g_pressed{};

constexpr int kShift = 0x10, kControl = 0x11, kMenu = 0x12;

// The side-less key of a left or right one, else 0.
int Sideless(int vk) {
  switch (vk) {
    case 0xA0: case 0xA1: return kShift;
    case 0xA2: case 0xA3: return kControl;
    case 0xA4: case 0xA5: return kMenu;
    default: return 0;
  }
}

bool Valid(int vk) { return vk > 0 && vk < 256; }

}  // namespace

std::int16_t AsyncKeyState(int vk) {
  if (!Valid(vk)) return 0;
  bool down = g_down[vk].load();
  if (vk == kShift || vk == kControl || vk == kMenu)
    for (int side = 0xA0; side <= 0xA5; ++side)
      if (Sideless(side) == vk && g_down[side].load()) down = true;
  const bool pressed = g_pressed[vk].exchange(false);
  return static_cast<std::int16_t>((down ? 0x8000 : 0) | (pressed ? 1 : 0));
}

void NoteKey(int vk, bool down) {
  if (!Valid(vk)) return;
  g_down[vk] = down;
  if (down) {
    g_pressed[vk] = true;
    if (int s = Sideless(vk)) g_pressed[s] = true;
  }
}

void ReleaseAllKeys() {
  for (auto& d : g_down) d = false;
}

}  // namespace gtkhost
