// "msctls_progress32": a range, a position, a step. Workers set the position with SendMessage, which the
// window core carries to the owner thread.
#include <algorithm>
#include <utility>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct ProgressState : ControlState {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
  COLORREF bar = RGB(6, 176, 37);
};

int Clamp(const ProgressState& s, int v) { return std::clamp(v, std::min(s.low, s.high), std::max(s.low, s.high)); }

void Paint(HWND hwnd) {
  auto* s = StateOf<ProgressState>(hwnd);
  ControlPaint paint(hwnd);
  HDC hdc = paint.hdc;
  if (hdc && s) {
    win::FillRect(hdc, &paint.rc, win::GetSysColorBrush(COLOR_WINDOW));
    RECT edge = paint.rc;
    win::DrawEdge(hdc, &edge, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    int span = s->high - s->low;
    int width = edge.right - edge.left;
    int filled = span > 0 ? static_cast<int>(static_cast<long long>(s->pos - s->low) * width / span) : 0;
    RECT bar{edge.left, edge.top, edge.left + filled, edge.bottom};
    HBRUSH b = win::CreateSolidBrush(s->bar);
    win::FillRect(hdc, &bar, b);
    win::DeleteObject(b);
  }
}

LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<ProgressState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<ProgressState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  auto setPos = [&](int v) {
    int old = s->pos;
    s->pos = Clamp(*s, v);
    if (s->pos != old) win::InvalidateRect(hwnd, nullptr, FALSE);
    return static_cast<LRESULT>(old);
  };
  switch (msg) {
    case WM_PAINT: Paint(hwnd); return 0;
    case PBM_SETRANGE:
    case PBM_SETRANGE32: {
      LRESULT old = MAKELONG(static_cast<WORD>(s->low), static_cast<WORD>(s->high));
      if (msg == PBM_SETRANGE) {
        s->low = LOWORD(static_cast<DWORD_PTR>(lParam));
        s->high = HIWORD(static_cast<DWORD_PTR>(lParam));
      } else {
        s->low = static_cast<int>(wParam);
        s->high = static_cast<int>(lParam);
      }
      s->pos = Clamp(*s, s->pos);
      win::InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    case PBM_SETPOS: return setPos(static_cast<int>(wParam));
    case PBM_DELTAPOS: return setPos(s->pos + static_cast<int>(wParam));
    case PBM_SETSTEP: return std::exchange(s->step, static_cast<int>(wParam));
    case PBM_STEPIT: {
      // stepping past the end wraps to the start, as the common control does
      int next = s->pos + s->step;
      if (next > s->high) next = s->low + (next - s->high);
      return setPos(next);
    }
    case PBM_GETPOS: return s->pos;
    case PBM_GETRANGE: return wParam ? s->low : s->high;
    case PBM_SETBARCOLOR: {
      COLORREF old = std::exchange(s->bar, static_cast<COLORREF>(lParam));
      win::InvalidateRect(hwnd, nullptr, FALSE);
      return old;
    }
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterProgressClass() { RegisterControlClass(PROGRESS_CLASS, ProgressProc); }

}  // namespace gdi::controls
