#pragma once
// What the control procedures share: their per-window state (kept in the window's extra bytes), the font
// they were given, notifications to the parent and the parent's WM_CTLCOLOR answer.
#include <string>

#include "platform/gdi/Controls.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace gdi::controls {

struct ControlState {
  virtual ~ControlState() = default;
  HFONT font = nullptr;
};

// The state of a control window (made on WM_NCCREATE, deleted on WM_NCDESTROY); nullptr before and after.
template <class T>
T* StateOf(HWND hwnd) {
  return dynamic_cast<T*>(reinterpret_cast<ControlState*>(win::GetWindowLongPtr(hwnd, 0)));
}

// Handles the messages every control answers alike; returns true when it did (result in *result).
template <class T>
bool HandleCommon(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (msg) {
    case WM_NCCREATE:
      win::SetWindowLongPtr(hwnd, 0, reinterpret_cast<LONG_PTR>(static_cast<ControlState*>(new T)));
      *result = win::DefWindowProc(hwnd, msg, wParam, lParam);
      return true;
    case WM_NCDESTROY: {
      delete reinterpret_cast<ControlState*>(win::GetWindowLongPtr(hwnd, 0));
      win::SetWindowLongPtr(hwnd, 0, 0);
      *result = win::DefWindowProc(hwnd, msg, wParam, lParam);
      return true;
    }
    case WM_SETFONT:
      if (auto* s = StateOf<ControlState>(hwnd)) s->font = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(static_cast<DWORD_PTR>(lParam))) win::InvalidateRect(hwnd, nullptr, TRUE);
      *result = 0;
      return true;
    case WM_GETFONT: {
      auto* s = StateOf<ControlState>(hwnd);
      *result = reinterpret_cast<LRESULT>(s ? s->font : nullptr);
      return true;
    }
    case WM_ERASEBKGND:
      *result = 1;  // controls paint their whole client area
      return true;
    case WM_SETTEXT:
    case WM_ENABLE:
      *result = win::DefWindowProc(hwnd, msg, wParam, lParam);
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return true;
    default: return false;
  }
}

void RegisterControlClass(LPCWSTR name, WNDPROC proc);

// WM_COMMAND with the control's id and a notification code, sent to the parent.
LRESULT NotifyCommand(HWND hwnd, WORD code);
// WM_NOTIFY to the parent; the header's sender fields are filled in.
LRESULT NotifyParent(HWND hwnd, NMHDR* header, UINT code);

// The control's DC prepared for painting: its font selected and the parent's WM_CTLCOLOR answer applied
// (the returned brush fills the background; nullptr when the parent gave none).
HBRUSH PrepareColors(HWND hwnd, HDC hdc, UINT ctlColorMessage, HFONT font);
// A control's WM_PAINT: BeginPaint now, EndPaint when it goes; hdc is null when there is nothing to paint.
class ControlPaint {
 public:
  explicit ControlPaint(HWND hwnd) : hwnd_(hwnd), hdc(win::BeginPaint(hwnd, &ps)) { win::GetClientRect(hwnd, &rc); }
  ~ControlPaint() { win::EndPaint(hwnd_, &ps); }
  ControlPaint(const ControlPaint&) = delete;
  ControlPaint& operator=(const ControlPaint&) = delete;
  // Applies the parent's WM_CTLCOLOR answer and fills the client area with its brush, else the system colour;
  // returns the parent's brush (null when it gave none).
  HBRUSH FillBackground(UINT ctlColorMessage, HFONT font, int sysColor) {
    HBRUSH bg = PrepareColors(hwnd_, hdc, ctlColorMessage, font);
    win::FillRect(hdc, &rc, bg ? bg : win::GetSysColorBrush(sysColor));
    return bg;
  }
  // An entry field: the edit colours and a sunken edge.
  void FillField(HFONT font) {
    FillBackground(WM_CTLCOLOREDIT, font, COLOR_WINDOW);
    RECT edge = rc;
    win::DrawEdge(hdc, &edge, EDGE_SUNKEN, BF_RECT);
  }

 private:
  HWND hwnd_;

 public:
  PAINTSTRUCT ps;
  HDC hdc;
  RECT rc{};
};

// The metrics of a control's font (the default font when null).
TEXTMETRICW FontMetricsOf(HFONT font);
// The two-stroke tick of check boxes, 9 x 7 pixels from (x, y).
void DrawCheckMark(HDC hdc, int x, int y, COLORREF color);
// Copies a text into a caller's buffer of max units, cut to fit and always terminated.
void CopyToBuffer(const std::wstring& text, LPWSTR out, int max);

// Sends WM_DRAWITEM to the parent.
void SendDrawItem(HWND hwnd, DRAWITEMSTRUCT& dis);

std::wstring WindowText(HWND hwnd);

}  // namespace gdi::controls
