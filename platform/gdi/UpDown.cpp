// "msctls_updown32": a range and a position (the pages keep theirs hidden).
#include <algorithm>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct UpDownState : ControlState {
  int low = 0, high = 100, pos = 0;
};

LRESULT UpDownProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<UpDownState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<UpDownState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case UDM_SETRANGE32:
      s->low = static_cast<int>(wParam);
      s->high = static_cast<int>(lParam);
      return 0;
    case UDM_GETRANGE32:
      if (wParam) *reinterpret_cast<int*>(wParam) = s->low;
      if (lParam) *reinterpret_cast<int*>(lParam) = s->high;
      return 0;
    case UDM_SETPOS32: {
      int old = s->pos;
      s->pos = std::clamp(static_cast<int>(lParam), std::min(s->low, s->high), std::max(s->low, s->high));
      return old;
    }
    case UDM_GETPOS32: return s->pos;
    case WM_PAINT: {
      ControlPaint paint(hwnd);
      HDC hdc = paint.hdc;
      const RECT rc = paint.rc;
      if (hdc) {
        win::FillRect(hdc, &rc, win::GetSysColorBrush(COLOR_BTNFACE));
        RECT up{0, 0, rc.right, rc.bottom / 2}, down{0, rc.bottom / 2, rc.right, rc.bottom};
        win::DrawEdge(hdc, &up, EDGE_RAISED, BF_RECT);
        win::DrawEdge(hdc, &down, EDGE_RAISED, BF_RECT);
      }
      return 0;
    }
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterUpDownClass() { RegisterControlClass(UPDOWN_CLASS, UpDownProc); }

}  // namespace gdi::controls
