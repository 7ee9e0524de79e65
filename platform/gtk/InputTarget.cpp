#include "platform/gtk/InputTarget.h"

#include "platform/win/Window.h"

namespace gtkhost {
namespace {

bool ContainsScreenPoint(HWND hwnd, POINT pt) {
  RECT rc{};
  return win::GetWindowRect(hwnd, &rc) && pt.x >= rc.left && pt.x < rc.right && pt.y >= rc.top && pt.y < rc.bottom;
}

HWND Deepest(HWND parent, POINT screen) {
  for (HWND child = win::GetWindow(parent, GW_CHILD); child; child = win::GetWindow(child, GW_HWNDNEXT)) {
    if (!(win::GetWindowLong(child, GWL_STYLE) & WS_VISIBLE)) continue;
    if (ContainsScreenPoint(child, screen)) return Deepest(child, screen);
  }
  return parent;
}

bool EnabledUpTo(HWND hwnd, HWND top) {
  for (HWND h = hwnd; h; h = (h == top) ? nullptr : win::GetParent(h))
    if (!win::IsWindowEnabled(h)) return false;
  return true;
}

}  // namespace

MouseTarget FindMouseTarget(HWND top, int x, int y) {
  POINT screen{x, y};
  win::ClientToScreen(top, &screen);
  HWND target = win::GetCapture();
  if (!target || (target != top && !win::IsChild(top, target))) {
    target = Deepest(top, screen);
    if (!EnabledUpTo(target, top)) return {};
  }
  MouseTarget result{target, screen};
  win::ScreenToClient(target, &result.client);
  return result;
}

UINT VirtualKeyFromKeyval(std::uint32_t keyval) {
  if (keyval >= 'a' && keyval <= 'z') return keyval - 'a' + 'A';
  if ((keyval >= 'A' && keyval <= 'Z') || (keyval >= '0' && keyval <= '9')) return keyval;
  if (keyval >= 0xFFBE && keyval <= 0xFFC9) return 0x70 + (keyval - 0xFFBE);  // F1..F12
  if (keyval >= 0xFFB0 && keyval <= 0xFFB9) return 0x60 + (keyval - 0xFFB0);  // keypad digits
  switch (keyval) {
    case 0x0020: return 0x20;  // space
    case 0xFF08: return 0x08;  // backspace
    case 0xFF09: return 0x09;  // tab
    case 0xFF0D: case 0xFF8D: return 0x0D;  // return, keypad enter
    case 0xFF1B: return 0x1B;  // escape
    case 0xFF50: return 0x24;  // home
    case 0xFF51: return 0x25;  // left
    case 0xFF52: return 0x26;  // up
    case 0xFF53: return 0x27;  // right
    case 0xFF54: return 0x28;  // down
    case 0xFF55: return 0x21;  // page up
    case 0xFF56: return 0x22;  // page down
    case 0xFF57: return 0x23;  // end
    case 0xFF63: return 0x2D;  // insert
    case 0xFFFF: return 0x2E;  // delete
    case 0xFFE1: return 0xA0;  // left shift
    case 0xFFE2: return 0xA1;  // right shift
    case 0xFFE3: return 0xA2;  // left control
    case 0xFFE4: return 0xA3;  // right control
    case 0xFFE9: return 0xA4;  // left alt
    case 0xFFEA: return 0xA5;  // right alt
    default: return 0;
  }
}

}  // namespace gtkhost
