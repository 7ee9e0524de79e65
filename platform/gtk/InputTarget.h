#pragma once
// Where input on a presented top-level window goes, decided with the window core alone (no GTK), so the
// routing is testable without a display.
#include <cstdint>

#include "platform/win/WinDefs.h"

namespace gtkhost {

struct MouseTarget {
  HWND hwnd = nullptr;  // nullptr: the event is dropped (disabled window)
  POINT client{};       // the point in hwnd's client coordinates
};

// The window that receives a mouse event at (x, y) in top's client coordinates: the window holding the
// capture, else the topmost visible descendant under the point (top itself when none). A disabled window, or
// one under a disabled ancestor, receives nothing.
MouseTarget FindMouseTarget(HWND top, int x, int y);

// The virtual-key code of a GDK key value (0: none); letters are upper case as on Windows.
UINT VirtualKeyFromKeyval(std::uint32_t keyval);

}  // namespace gtkhost
