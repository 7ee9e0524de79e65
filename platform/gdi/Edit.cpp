// "Edit": a text box with a length limit and digits-only mode; typing sends EN_CHANGE. A multi-line box that
// wants Enter takes it as a line break. "RichEdit20W" is the same box (its text is plain here).
#include <cwctype>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct EditState : ControlState {
  size_t limit = 30000;
  bool focused = false;
};

void Paint(HWND hwnd) {
  auto* s = StateOf<EditState>(hwnd);
  ControlPaint paint(hwnd);
  HDC hdc = paint.hdc;
  const RECT rc = paint.rc;
  if (hdc && s) {
    const DWORD style = static_cast<DWORD>(win::GetWindowLong(hwnd, GWL_STYLE));
    bool readOnly = (style & ES_READONLY) || !win::IsWindowEnabled(hwnd);
    paint.FillBackground(readOnly ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, s->font, readOnly ? COLOR_BTNFACE : COLOR_WINDOW);
    if (style & WS_BORDER) {
      RECT edge = rc;
      win::DrawEdge(hdc, &edge, EDGE_SUNKEN, BF_RECT);
    }
    std::wstring text = WindowText(hwnd);
    if (style & ES_PASSWORD) text.assign(text.size(), L'*');
    RECT inner{rc.left + 3, rc.top + 1, rc.right - 3, rc.bottom - 1};
    win::SetBkMode(hdc, TRANSPARENT);
    win::DrawText(hdc, text.c_str(), -1, &inner,
                  (style & ES_MULTILINE) ? DT_WORDBREAK | DT_NOPREFIX : DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<EditState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<EditState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: Paint(hwnd); return 0;
    case EM_LIMITTEXT: s->limit = wParam ? static_cast<size_t>(wParam) : 0x7FFFFFFE; return 0;
    case EM_EXLIMITTEXT: s->limit = lParam > 0 ? static_cast<size_t>(lParam) : 0x10000; return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(s->limit);
    case EM_SETREADONLY: {
      LONG style = win::GetWindowLong(hwnd, GWL_STYLE);
      win::SetWindowLong(hwnd, GWL_STYLE, wParam ? (style | static_cast<LONG>(ES_READONLY)) : (style & ~static_cast<LONG>(ES_READONLY)));
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case EM_SETSEL:
    case EM_GETSEL: return 0;
    case WM_LBUTTONDOWN: win::SetFocus(hwnd); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: s->focused = msg == WM_SETFOCUS; return 0;
    case WM_CHAR: {
      const DWORD style = static_cast<DWORD>(win::GetWindowLong(hwnd, GWL_STYLE));
      if (style & ES_READONLY) return 0;
      std::wstring text = WindowText(hwnd);
      wchar_t c = static_cast<wchar_t>(wParam);
      if (c == 8) {  // backspace
        if (text.empty()) return 0;
        text.pop_back();
      } else if (c == 13 && (style & ES_MULTILINE) && (style & ES_WANTRETURN)) {
        if (text.size() + 2 > s->limit) {
          NotifyCommand(hwnd, EN_MAXTEXT);
          return 0;
        }
        text += L"\r\n";
      } else if (c < 32) {
        return 0;
      } else {
        if ((style & ES_NUMBER) && !(c >= L'0' && c <= L'9')) return 0;  // Windows beeps; we refuse silently
        if (text.size() >= s->limit) {
          NotifyCommand(hwnd, EN_MAXTEXT);
          return 0;
        }
        text.push_back(c);
      }
      win::DefWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
      win::InvalidateRect(hwnd, nullptr, TRUE);
      NotifyCommand(hwnd, EN_CHANGE);
      return 0;
    }
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterEditClass() {
  RegisterControlClass(WC_EDIT, EditProc);
  RegisterControlClass(RICHEDIT_CLASS, EditProc);
}

}  // namespace gdi::controls
