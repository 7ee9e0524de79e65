// "Button": push buttons, owner-drawn buttons, check boxes with two or three states, radio buttons and
// group boxes, with BN_CLICKED to the parent.
#include <utility>
#include <vector>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct ButtonState : ControlState {
  int check = BST_UNCHECKED;
  bool pushed = false;
  bool tracking = false;
  bool focused = false;
  HGDIOBJ image = nullptr;
};

DWORD Type(HWND hwnd) { return static_cast<DWORD>(win::GetWindowLong(hwnd, GWL_STYLE)) & BS_TYPEMASK; }

bool IsCheckType(DWORD t) {
  return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE || t == BS_RADIOBUTTON ||
         t == BS_AUTORADIOBUTTON;
}

// The siblings of a radio button's group, in creation order (the z-order list holds the newest on top).
std::vector<HWND> RadioGroup(HWND hwnd) {
  std::vector<HWND> order;
  HWND parent = win::GetParent(hwnd);
  for (HWND c = win::GetWindow(parent, GW_CHILD); c; c = win::GetWindow(c, GW_HWNDNEXT)) order.insert(order.begin(), c);
  std::vector<HWND> group;
  for (HWND c : order) {
    if (win::GetWindowLong(c, GWL_STYLE) & WS_GROUP) {
      bool mine = false;
      for (HWND g : group) mine |= g == hwnd;
      if (mine) break;
      group.clear();
    }
    group.push_back(c);
  }
  return group;
}

void Click(HWND hwnd) {
  auto* s = StateOf<ButtonState>(hwnd);
  if (!s) return;
  switch (Type(hwnd)) {
    case BS_AUTOCHECKBOX: s->check = s->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
    case BS_AUTO3STATE: s->check = (s->check + 1) % 3; break;
    case BS_AUTORADIOBUTTON:
      for (HWND c : RadioGroup(hwnd))
        if (c != hwnd && win::GetClassNameString(c) == WC_BUTTON && Type(c) == BS_AUTORADIOBUTTON)
          win::SendMessage(c, BM_SETCHECK, BST_UNCHECKED, 0);
      s->check = BST_CHECKED;
      break;
    default: break;  // push buttons and the non-automatic kinds leave their state to the owner
  }
  win::InvalidateRect(hwnd, nullptr, TRUE);
  NotifyCommand(hwnd, BN_CLICKED);
}

void Paint(HWND hwnd) {
  auto* s = StateOf<ButtonState>(hwnd);
  ControlPaint paint(hwnd);
  HDC hdc = paint.hdc;
  if (!hdc || !s) return;
  const RECT rc = paint.rc;
  const DWORD type = Type(hwnd);
  const bool enabled = win::IsWindowEnabled(hwnd);
  const std::wstring text = WindowText(hwnd);
  if (type == BS_OWNERDRAW) {
    DRAWITEMSTRUCT dis;
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(win::GetDlgCtrlID(hwnd));
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = (s->pushed ? ODS_SELECTED : 0) | (s->focused ? ODS_FOCUS : 0) | (enabled ? 0 : ODS_DISABLED);
    dis.hwndItem = hwnd;
    dis.hDC = hdc;
    dis.rcItem = rc;
    if (s->font) win::SelectObject(hdc, s->font);
    SendDrawItem(hwnd, dis);
  } else if (IsCheckType(type) || type == BS_GROUPBOX) {
    HBRUSH bg = PrepareColors(hwnd, hdc, WM_CTLCOLORSTATIC, s->font);
    // A group box leaves its inside to its parent: the boxes and buttons there, painted before it, stay
    // seen when it is painted again.
    if (type != BS_GROUPBOX) win::FillRect(hdc, &rc, bg ? bg : win::GetSysColorBrush(COLOR_BTNFACE));
    win::SetBkMode(hdc, TRANSPARENT);
    if (type == BS_GROUPBOX) {
      TEXTMETRICW tm;
      win::GetTextMetrics(hdc, &tm);
      RECT frame{rc.left, rc.top + tm.tmHeight / 2, rc.right, rc.bottom};
      win::DrawEdge(hdc, &frame, EDGE_ETCHED, BF_RECT);
      SIZE ext{};
      win::GetTextExtentPoint32(hdc, text.c_str(), static_cast<int>(text.size()), &ext);
      RECT label{rc.left + 8, rc.top, rc.left + 12 + ext.cx, rc.top + tm.tmHeight};
      win::FillRect(hdc, &label, bg ? bg : win::GetSysColorBrush(COLOR_BTNFACE));
      label.left += 2;
      win::DrawText(hdc, text.c_str(), -1, &label, DT_SINGLELINE | DT_NOPREFIX);
    } else {
      const bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
      const int box = 13, y = (rc.bottom - box) / 2;
      RECT r{0, y, box, y + box};
      HBRUSH face = win::CreateSolidBrush(s->check == BST_INDETERMINATE || !enabled ? RGB(225, 225, 225) : RGB(255, 255, 255));
      win::FillRect(hdc, &r, face);
      win::DeleteObject(face);
      if (radio) gdi::Draw3dRect(hdc, r, RGB(128, 128, 128), RGB(128, 128, 128));
      else win::DrawEdge(hdc, &r, EDGE_SUNKEN, BF_RECT);
      COLORREF mark = s->check == BST_INDETERMINATE || !enabled ? RGB(128, 128, 128) : RGB(0, 0, 0);
      if (s->check != BST_UNCHECKED) {
        if (radio) {
          RECT dot{4, y + 4, 9, y + 9};
          HBRUSH b = win::CreateSolidBrush(mark);
          win::FillRect(hdc, &dot, b);
          win::DeleteObject(b);
        } else {
          DrawCheckMark(hdc, 3, y + 3, mark);
        }
      }
      RECT label{box + 4, rc.top, rc.right, rc.bottom};
      win::DrawText(hdc, text.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER);
    }
  } else {
    HBRUSH bg = PrepareColors(hwnd, hdc, WM_CTLCOLORBTN, s->font);
    (void)bg;
    win::FillRect(hdc, &rc, win::GetSysColorBrush(COLOR_BTNFACE));
    RECT edge = rc;
    win::DrawEdge(hdc, &edge, s->pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    win::SetBkMode(hdc, TRANSPARENT);
    RECT label = rc;
    if (s->pushed) win::OffsetRect(&label, 1, 1);
    win::DrawText(hdc, text.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    if (s->focused) {
      RECT f = rc;
      win::InflateRect(&f, -3, -3);
      win::DrawFocusRect(hdc, &f);
    }
  }
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<ButtonState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<ButtonState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: Paint(hwnd); return 0;
    case BM_GETCHECK: return IsCheckType(Type(hwnd)) ? s->check : 0;
    case BM_SETCHECK: {
      DWORD t = Type(hwnd);
      if (!IsCheckType(t)) return 0;
      int v = static_cast<int>(wParam);
      // only three-state boxes take the third state; anything else counts as checked
      if (v == BST_INDETERMINATE && t != BS_3STATE && t != BS_AUTO3STATE) v = BST_CHECKED;
      if (v != BST_UNCHECKED && v != BST_CHECKED && v != BST_INDETERMINATE) v = BST_CHECKED;
      if (v != s->check) {
        s->check = v;
        win::InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case BM_GETSTATE: return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
      s->pushed = wParam != 0;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case BM_SETSTYLE: {
      DWORD style = static_cast<DWORD>(win::GetWindowLong(hwnd, GWL_STYLE));
      win::SetWindowLong(hwnd, GWL_STYLE, static_cast<LONG>((style & ~0xFFFFu) | (static_cast<DWORD>(wParam) & 0xFFFF)));
      if (lParam) win::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case BM_SETIMAGE: return reinterpret_cast<LRESULT>(std::exchange(s->image, reinterpret_cast<HGDIOBJ>(lParam)));
    case BM_GETIMAGE: return reinterpret_cast<LRESULT>(s->image);
    case BM_CLICK:
      if (win::IsWindowEnabled(hwnd)) Click(hwnd);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (Type(hwnd) == BS_GROUPBOX) return 0;
      s->pushed = s->tracking = true;
      win::SetCapture(hwnd);
      win::SetFocus(hwnd);
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_MOUSEMOVE:
      if (s->tracking) {
        RECT rc{};
        win::GetClientRect(hwnd, &rc);
        bool inside = win::PtInRect(&rc, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (inside != s->pushed) {
          s->pushed = inside;
          win::InvalidateRect(hwnd, nullptr, TRUE);
        }
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!s->tracking) return 0;
      s->tracking = false;
      win::ReleaseCapture();
      RECT rc{};
      win::GetClientRect(hwnd, &rc);
      bool inside = win::PtInRect(&rc, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      s->pushed = false;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      if (inside) Click(hwnd);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (s->tracking) {
        s->tracking = s->pushed = false;
        win::InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == 0x20) {  // space
        s->pushed = true;
        win::InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    case WM_KEYUP:
      if (wParam == 0x20 && s->pushed) {
        s->pushed = false;
        Click(hwnd);
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = msg == WM_SETFOCUS;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterButtonClass() { RegisterControlClass(WC_BUTTON, ButtonProc); }

}  // namespace gdi::controls
