#pragma once
// The keys that never reach the hosted browser of the HTML screens: zoom (Ctrl + wheel), reload (F5) and
// the browser's own shortcuts. The test reads the keyboard's state, not the message's key code.
#include <functional>

#include "platform/win/WinDefs.h"

struct KeyboardState {
  // The high bit of GetKeyState / GetAsyncKeyState for a virtual key.
  std::function<bool(int vk)> isDown;
  std::function<bool(int vk)> isAsyncDown;
};

// TRUE when the application object swallows msg.
BOOL ShouldSwallowMessage(const MSG& msg, const KeyboardState& keys);

// The machine's keyboard; a headless machine has no key held down.
const KeyboardState& MachineKeyboardState();
