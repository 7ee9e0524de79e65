// "ComboBox" as a drop-down list: strings with item data, a current selection, CBN_SELCHANGE when the user
// (not the program) changes it. Keyboard up/down and clicks step through the list; the list itself is not
// shown as a separate window.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct ComboState : ControlState {
  std::vector<std::pair<std::wstring, LPARAM>> items;
  int sel = CB_ERR;
  int dropHeight = 0;  // the height asked for: the field and its list together
};

// The window is as high as its selection field; the rest of the asked height belongs to the list.
int FieldHeight(const ComboState& s) { return FontMetricsOf(s.font).tmHeight + 8; }

void FitField(HWND hwnd) {
  auto* s = StateOf<ComboState>(hwnd);
  RECT rc{};
  win::GetClientRect(hwnd, &rc);
  if (s && rc.bottom != FieldHeight(*s))
    win::SetWindowPos(hwnd, nullptr, 0, 0, rc.right, rc.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Paint(HWND hwnd) {
  auto* s = StateOf<ComboState>(hwnd);
  ControlPaint paint(hwnd);
  HDC hdc = paint.hdc;
  const RECT rc = paint.rc;
  if (hdc && s) {
    paint.FillField(s->font);
    int arrow = std::min<int>(17, rc.right / 3);
    RECT button{rc.right - arrow - 2, 2, rc.right - 2, rc.bottom - 2};
    win::FillRect(hdc, &button, win::GetSysColorBrush(COLOR_BTNFACE));
    RECT bedge = button;
    win::DrawEdge(hdc, &bedge, EDGE_RAISED, BF_RECT);
    int cx = (button.left + button.right) / 2, cy = (button.top + button.bottom) / 2;
    for (int i = 0; i < 4; ++i) {
      win::MoveToEx(hdc, cx - 3 + i, cy - 1 + i, nullptr);
      win::LineTo(hdc, cx + 4 - i, cy - 1 + i);
    }
    if (s->sel >= 0 && s->sel < static_cast<int>(s->items.size())) {
      RECT label{4, 2, button.left - 2, rc.bottom - 2};
      win::SetBkMode(hdc, TRANSPARENT);
      win::DrawText(hdc, s->items[s->sel].first.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
  }
}

void UserSelect(HWND hwnd, int index) {
  auto* s = StateOf<ComboState>(hwnd);
  if (!s || s->items.empty()) return;
  index = std::clamp(index, 0, static_cast<int>(s->items.size()) - 1);
  if (index == s->sel) return;
  s->sel = index;
  win::InvalidateRect(hwnd, nullptr, TRUE);
  NotifyCommand(hwnd, CBN_SELCHANGE);
}

LRESULT ComboProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<ComboState>(hwnd, msg, wParam, lParam, &result)) {
    if (msg == WM_SETFONT) FitField(hwnd);  // a new font makes a new field height
    return result;
  }
  auto* s = StateOf<ComboState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  const int count = static_cast<int>(s->items.size());
  auto text = [&] { return lParam ? std::wstring(reinterpret_cast<LPCWSTR>(lParam)) : std::wstring(); };
  switch (msg) {
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_CREATE: FitField(hwnd); return 0;
    case WM_WINDOWPOSCHANGING: {
      auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
      if (pos && !(pos->flags & SWP_NOSIZE)) {
        if (pos->cy != FieldHeight(*s)) s->dropHeight = pos->cy;
        pos->cy = FieldHeight(*s);
      }
      return 0;
    }
    case CB_ADDSTRING: {
      std::wstring t = text();
      int at = count;
      if (win::GetWindowLong(hwnd, GWL_STYLE) & CBS_SORT)
        at = static_cast<int>(std::find_if(s->items.begin(), s->items.end(),
                                           [&](const auto& it) { return mx::CompareNoCase(t, it.first) < 0; }) - s->items.begin());
      s->items.insert(s->items.begin() + at, {t, 0});
      if (s->sel >= at) ++s->sel;
      return at;
    }
    case CB_INSERTSTRING: {
      int at = static_cast<int>(static_cast<std::intptr_t>(static_cast<int>(wParam)));
      if (at < 0 || at > count) at = count;
      s->items.insert(s->items.begin() + at, {text(), 0});
      if (s->sel >= at) ++s->sel;
      return at;
    }
    case CB_DELETESTRING: {
      int i = static_cast<int>(wParam);
      if (i < 0 || i >= count) return CB_ERR;
      s->items.erase(s->items.begin() + i);
      if (s->sel == i) s->sel = CB_ERR;
      else if (s->sel > i) --s->sel;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return count - 1;
    }
    case CB_RESETCONTENT:
      s->items.clear();
      s->sel = CB_ERR;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case CB_GETCOUNT: return count;
    case CB_GETCURSEL: return s->sel;
    case CB_SETCURSEL: {
      int i = static_cast<int>(static_cast<std::intptr_t>(static_cast<int>(wParam)));
      s->sel = (i >= 0 && i < count) ? i : CB_ERR;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return s->sel;  // -1 also when asked for an index past the end
    }
    case CB_GETLBTEXTLEN: {
      int i = static_cast<int>(wParam);
      return i >= 0 && i < count ? static_cast<LRESULT>(s->items[i].first.size()) : CB_ERR;
    }
    case CB_GETLBTEXT: {
      int i = static_cast<int>(wParam);
      if (i < 0 || i >= count || !lParam) return CB_ERR;
      const std::wstring& t = s->items[i].first;
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      std::copy(t.begin(), t.end(), out);
      out[t.size()] = 0;
      return static_cast<LRESULT>(t.size());
    }
    case CB_GETITEMDATA: {
      int i = static_cast<int>(wParam);
      return i >= 0 && i < count ? s->items[i].second : CB_ERR;
    }
    case CB_SETITEMDATA: {
      int i = static_cast<int>(wParam);
      if (i < 0 || i >= count) return CB_ERR;
      s->items[i].second = lParam;
      return TRUE;
    }
    case CB_FINDSTRINGEXACT: {
      std::wstring t = text();
      int start = static_cast<int>(static_cast<std::intptr_t>(static_cast<int>(wParam)));
      for (int k = 1; k <= count; ++k) {
        int i = ((start < 0 ? -1 : start) + k) % count;
        if (mx::EqualsNoCase(s->items[i].first, t)) return i;
      }
      return CB_ERR;
    }
    case CB_SHOWDROPDOWN: return TRUE;
    case WM_LBUTTONDOWN:
      win::SetFocus(hwnd);
      UserSelect(hwnd, s->sel + 1 >= count ? 0 : s->sel + 1);
      return 0;
    case WM_KEYDOWN:
      if (wParam == 0x28) UserSelect(hwnd, s->sel + 1);
      else if (wParam == 0x26) UserSelect(hwnd, s->sel - 1);
      return 0;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH: {
      // the window text of a drop-down list is its selection
      std::wstring t = s->sel >= 0 && s->sel < count ? s->items[s->sel].first : std::wstring();
      if (msg == WM_GETTEXTLENGTH) return static_cast<LRESULT>(t.size());
      if (!lParam || wParam == 0) return 0;
      size_t n = std::min(t.size(), static_cast<size_t>(wParam) - 1);
      auto* out = reinterpret_cast<wchar_t*>(lParam);
      std::copy_n(t.data(), n, out);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterComboBoxClass() { RegisterControlClass(WC_COMBOBOX, ComboProc); }

}  // namespace gdi::controls
