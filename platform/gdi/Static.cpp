// "Static": text and pictures; SS_NOTIFY statics report clicks.
#include <utility>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct StaticState : ControlState {
  HGDIOBJ image = nullptr;
};

void Paint(HWND hwnd) {
  auto* s = StateOf<StaticState>(hwnd);
  ControlPaint paint(hwnd);
  HDC hdc = paint.hdc;
  RECT rc = paint.rc;
  if (hdc && s) {
    const DWORD style = static_cast<DWORD>(win::GetWindowLong(hwnd, GWL_STYLE));
    const DWORD type = style & SS_TYPEMASK;
    paint.FillBackground(WM_CTLCOLORSTATIC, s->font, COLOR_BTNFACE);
    if (type == SS_BITMAP) {
      if (auto surface = GetBitmapSurface(static_cast<HBITMAP>(s->image))) {
        HDC mem = win::CreateCompatibleDC(hdc);
        HGDIOBJ old = win::SelectObject(mem, s->image);
        int x = 0, y = 0;
        if (style & SS_CENTERIMAGE) {
          x = (rc.right - surface->width()) / 2;
          y = (rc.bottom - surface->height()) / 2;
        }
        win::BitBlt(hdc, x, y, surface->width(), surface->height(), mem, 0, 0, SRCCOPY);
        win::SelectObject(mem, old);
        win::DeleteDC(mem);
      }
    } else if (type == SS_BLACKRECT) {
      win::FillRect(hdc, &rc, static_cast<HBRUSH>(win::GetStockObject(BLACK_BRUSH)));
    } else if (type == SS_OWNERDRAW) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_STATIC;
      dis.CtlID = static_cast<UINT>(win::GetDlgCtrlID(hwnd));
      dis.itemAction = ODA_DRAWENTIRE;
      dis.hwndItem = hwnd;
      dis.hDC = hdc;
      dis.rcItem = rc;
      SendDrawItem(hwnd, dis);
    } else if (type <= SS_RIGHT) {
      UINT format = DT_WORDBREAK | (type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : 0);
      if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
      if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
      win::SetBkMode(hdc, TRANSPARENT);
      std::wstring text = WindowText(hwnd);
      win::DrawText(hdc, text.c_str(), -1, &rc, format);
    }
  }
}

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<StaticState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<StaticState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: Paint(hwnd); return 0;
    case STM_SETIMAGE: {
      HGDIOBJ old = std::exchange(s->image, reinterpret_cast<HGDIOBJ>(lParam));
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETIMAGE: return reinterpret_cast<LRESULT>(s->image);
    case WM_LBUTTONUP:
      if (win::GetWindowLong(hwnd, GWL_STYLE) & SS_NOTIFY) NotifyCommand(hwnd, STN_CLICKED);
      return 0;
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterStaticClass() { RegisterControlClass(WC_STATIC, StaticProc); }

}  // namespace gdi::controls
