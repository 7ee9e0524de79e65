// "SysListView32" in report view: columns, items with sub-items, images and state images, selection and
// focus with LVN_ITEMCHANGING/LVN_ITEMCHANGED carrying the full old and new states, check boxes, hit tests,
// owner-drawn fixed rows (WM_MEASUREITEM, WM_DRAWITEM) and the click notifications; and its "SysHeader32"
// child, which shows the list's columns and reports width changes (refusable) and the end of a drag.
//
// Parents may call back into the list from any notification, so no reference into the item array is held
// across a notification.
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct Column {
  std::wstring text;
  int width = 50;
  int fmt = LVCFMT_LEFT;
};

struct Item {
  std::vector<std::wstring> texts{std::wstring()};
  int image = 0;
  LPARAM param = 0;
  UINT state = 0;
  int indent = 0;
};

struct ListState : ControlState {
  std::vector<Column> columns;
  std::vector<Item> items;
  HWND header = nullptr;
  DWORD exStyle = 0;
  HIMAGELIST normal = nullptr, small = nullptr, stateList = nullptr;
  int top = 0;
  int measuredRow = 0;  // owner-drawn rows: the parent's WM_MEASUREITEM answer
  bool focused = false;
  int rightClickItem = -1;
  COLORREF bk = RGB(255, 255, 255);
  COLORREF text = RGB(0, 0, 0);
};

DWORD Style(HWND hwnd) { return static_cast<DWORD>(win::GetWindowLong(hwnd, GWL_STYLE)); }
bool OwnerDraw(HWND hwnd) { return (Style(hwnd) & LVS_OWNERDRAWFIXED) && (Style(hwnd) & 3) == LVS_REPORT; }

TEXTMETRICW FontMetrics(const ListState& s) { return FontMetricsOf(s.font); }

SIZE ImageSize(HIMAGELIST list) {
  int cx = 0, cy = 0;
  if (list) win::ImageList_GetIconSize(list, &cx, &cy);
  return SIZE{cx, cy};
}

SIZE StateImageSize(const ListState& s) {
  if (s.stateList) return ImageSize(s.stateList);
  if (s.exStyle & LVS_EX_CHECKBOXES) return SIZE{13, 13};
  return SIZE{0, 0};
}

int HeaderHeight(HWND hwnd, const ListState& s) {
  if ((Style(hwnd) & LVS_NOCOLUMNHEADER) || (Style(hwnd) & 3) != LVS_REPORT) return 0;
  return FontMetrics(s).tmHeight + 9;
}

void Measure(HWND hwnd, ListState& s) {
  if (!OwnerDraw(hwnd)) return;
  MEASUREITEMSTRUCT mis;
  mis.CtlType = ODT_LISTVIEW;
  mis.CtlID = static_cast<UINT>(win::GetDlgCtrlID(hwnd));
  // the parent's answer starts from the default: the font's line or the small images, whichever is taller
  mis.itemHeight = static_cast<UINT>(std::max<int>(FontMetrics(s).tmHeight + 3, ImageSize(s.small).cy + 1));
  HWND parent = win::GetParent(hwnd);
  if (parent) win::SendMessage(parent, WM_MEASUREITEM, mis.CtlID, reinterpret_cast<LPARAM>(&mis));
  if (auto* again = StateOf<ListState>(hwnd)) again->measuredRow = static_cast<int>(mis.itemHeight);
}

int RowHeight(HWND hwnd, const ListState& s) {
  if (OwnerDraw(hwnd) && s.measuredRow > 0) return s.measuredRow;
  int h = FontMetrics(s).tmHeight + 3;
  h = std::max<int>(h, ImageSize(s.small).cy + 1);
  h = std::max<int>(h, StateImageSize(s).cy + 1);
  return h;
}

int TotalWidth(HWND hwnd, const ListState& s) {
  int w = 0;
  for (const auto& c : s.columns) w += c.width;
  if (s.columns.empty()) {
    RECT rc{};
    win::GetClientRect(hwnd, &rc);
    w = rc.right;
  }
  return w;
}

RECT ItemBounds(HWND hwnd, const ListState& s, int index) {
  int top = HeaderHeight(hwnd, s) + (index - s.top) * RowHeight(hwnd, s);
  return RECT{0, top, TotalWidth(hwnd, s), top + RowHeight(hwnd, s)};
}

// Horizontal parts of a row: state icon, small icon, then the label.
struct RowParts {
  int stateLeft, stateRight, iconRight;
};
RowParts Parts(const ListState& s, const Item& item) {
  int x = item.indent * ImageSize(s.small).cx;
  SIZE st = StateImageSize(s);
  // the state icon takes its image and a margin on each side, so a box drawn a little inset still counts
  RowParts p{x, x + (st.cx ? st.cx + 6 : 0), 0};
  p.iconRight = p.stateRight + ImageSize(s.small).cx;
  return p;
}

int VisibleRows(HWND hwnd, const ListState& s) {
  RECT rc{};
  win::GetClientRect(hwnd, &rc);
  int rows = (rc.bottom - HeaderHeight(hwnd, s)) / std::max(1, RowHeight(hwnd, s));
  return std::max(rows, 0);
}

int HitTest(HWND hwnd, const ListState& s, LVHITTESTINFO* info, bool subItem) {
  info->iItem = -1;
  info->iSubItem = 0;
  info->flags = LVHT_NOWHERE;
  int header = HeaderHeight(hwnd, s);
  if (info->pt.y < header || info->pt.x < 0) return -1;
  int index = s.top + (info->pt.y - header) / std::max(1, RowHeight(hwnd, s));
  if (index < 0 || index >= static_cast<int>(s.items.size())) return -1;
  if (info->pt.x >= TotalWidth(hwnd, s)) return -1;
  RowParts p = Parts(s, s.items[index]);
  if (info->pt.x >= p.stateLeft && info->pt.x < p.stateRight) info->flags = LVHT_ONITEMSTATEICON;
  else if (info->pt.x < p.iconRight) info->flags = LVHT_ONITEMICON;
  else info->flags = LVHT_ONITEMLABEL;
  info->iItem = index;
  if (subItem) {
    int x = 0;
    for (size_t c = 0; c < s.columns.size(); ++c) {
      if (info->pt.x < x + s.columns[c].width) {
        info->iSubItem = static_cast<int>(c);
        break;
      }
      x += s.columns[c].width;
    }
  }
  return index;
}

// Changes one item's state with the two notifications; false when the parent refused or nothing changed.
bool ChangeState(HWND hwnd, int index, UINT state, UINT mask) {
  auto* s = StateOf<ListState>(hwnd);
  if (!s || index < 0 || index >= static_cast<int>(s->items.size())) return false;
  UINT old = s->items[index].state;
  UINT now = (old & ~mask) | (state & mask);
  if (now == old) return false;
  NMLISTVIEW nm;
  nm.iItem = index;
  nm.uChanged = LVIF_STATE;
  nm.uOldState = old;
  nm.uNewState = now;
  nm.lParam = s->items[index].param;
  if (NotifyParent(hwnd, &nm.hdr, LVN_ITEMCHANGING)) return false;
  // one selection in a single-selection list, one focus in every list: the others go first
  if ((now & LVIS_SELECTED) && !(old & LVIS_SELECTED) && (Style(hwnd) & LVS_SINGLESEL)) {
    for (int i = 0; s && i < static_cast<int>(s->items.size()); ++i, s = StateOf<ListState>(hwnd))
      if (i != index && (s->items[i].state & LVIS_SELECTED)) ChangeState(hwnd, i, 0, LVIS_SELECTED);
  }
  if ((now & LVIS_FOCUSED) && !(old & LVIS_FOCUSED)) {
    for (int i = 0; s && i < static_cast<int>(s->items.size()); ++i, s = StateOf<ListState>(hwnd))
      if (i != index && (s->items[i].state & LVIS_FOCUSED)) ChangeState(hwnd, i, 0, LVIS_FOCUSED);
  }
  s = StateOf<ListState>(hwnd);
  if (!s || index >= static_cast<int>(s->items.size())) return false;
  old = s->items[index].state;
  now = (old & ~mask) | (state & mask);
  s->items[index].state = now;
  nm = NMLISTVIEW{};
  nm.iItem = index;
  nm.uChanged = LVIF_STATE;
  nm.uOldState = old;
  nm.uNewState = now;
  nm.lParam = s->items[index].param;
  win::InvalidateRect(hwnd, nullptr, TRUE);
  NotifyParent(hwnd, &nm.hdr, LVN_ITEMCHANGED);
  return true;
}

void SetAllStates(HWND hwnd, UINT state, UINT mask) {
  for (int i = 0;; ++i) {
    auto* s = StateOf<ListState>(hwnd);
    if (!s || i >= static_cast<int>(s->items.size())) break;
    ChangeState(hwnd, i, state, mask);
  }
}

LRESULT InsertItem(HWND hwnd, ListState& s, const LVITEMW* in) {
  if (!in || in->iSubItem != 0) return -1;
  Item item;
  if (in->mask & LVIF_TEXT) item.texts[0] = in->pszText ? in->pszText : L"";
  if (in->mask & LVIF_IMAGE) item.image = in->iImage;
  if (in->mask & LVIF_PARAM) item.param = in->lParam;
  if (in->mask & LVIF_INDENT) item.indent = in->iIndent;
  if (in->mask & LVIF_STATE) item.state = in->state & in->stateMask;
  if ((s.exStyle & LVS_EX_CHECKBOXES) && !(item.state & LVIS_STATEIMAGEMASK)) item.state |= INDEXTOSTATEIMAGEMASK(1);
  int index = std::clamp(in->iItem, 0, static_cast<int>(s.items.size()));
  s.items.insert(s.items.begin() + index, std::move(item));
  win::InvalidateRect(hwnd, nullptr, TRUE);
  NMLISTVIEW nm;
  nm.iItem = index;
  nm.lParam = in->mask & LVIF_PARAM ? in->lParam : 0;
  NotifyParent(hwnd, &nm.hdr, LVN_INSERTITEM);
  return index;
}

bool DeleteItem(HWND hwnd, int index) {
  auto* s = StateOf<ListState>(hwnd);
  if (!s || index < 0 || index >= static_cast<int>(s->items.size())) return false;
  NMLISTVIEW nm;
  nm.iItem = index;
  nm.lParam = s->items[index].param;
  NotifyParent(hwnd, &nm.hdr, LVN_DELETEITEM);
  s = StateOf<ListState>(hwnd);
  if (!s || index >= static_cast<int>(s->items.size())) return false;
  s->items.erase(s->items.begin() + index);
  if (s->top > 0 && s->top >= static_cast<int>(s->items.size())) s->top = std::max(0, static_cast<int>(s->items.size()) - 1);
  win::InvalidateRect(hwnd, nullptr, TRUE);
  return true;
}

void DrawCheckBox(HDC hdc, int x, int y, bool checked) {
  RECT box{x, y, x + 13, y + 13};
  win::FillRect(hdc, &box, win::GetSysColorBrush(COLOR_WINDOW));
  gdi::Draw3dRect(hdc, box, RGB(28, 28, 28), RGB(28, 28, 28));
  if (checked) DrawCheckMark(hdc, x + 3, y + 3, RGB(0, 0, 0));
}

void Paint(HWND hwnd) {
  ControlPaint paint(hwnd);
  HDC hdc = paint.hdc;
  auto* s = StateOf<ListState>(hwnd);
  if (!hdc || !s) return;
  const RECT rc = paint.rc;
  HBRUSH bk = win::CreateSolidBrush(s->bk);
  win::FillRect(hdc, &rc, bk);
  win::DeleteObject(bk);
  if (s->font) win::SelectObject(hdc, s->font);
  const int header = HeaderHeight(hwnd, *s), rowH = RowHeight(hwnd, *s);
  win::SetBkMode(hdc, TRANSPARENT);
  win::IntersectClipRect(hdc, 0, header, rc.right, rc.bottom);
  const bool showSel = s->focused || (Style(hwnd) & LVS_SHOWSELALWAYS);
  const int last = std::min<int>(static_cast<int>(s->items.size()), s->top + VisibleRows(hwnd, *s) + 1);
  for (int i = s->top; i < last; ++i) {
    s = StateOf<ListState>(hwnd);
    if (!s || i >= static_cast<int>(s->items.size())) break;
    RECT bounds = ItemBounds(hwnd, *s, i);
    const Item& item = s->items[i];
    bool selected = (item.state & LVIS_SELECTED) && showSel;
    if (OwnerDraw(hwnd)) {
      DRAWITEMSTRUCT dis;
      dis.CtlType = ODT_LISTVIEW;
      dis.CtlID = static_cast<UINT>(win::GetDlgCtrlID(hwnd));
      dis.itemID = static_cast<UINT>(i);
      dis.itemAction = ODA_DRAWENTIRE;
      dis.itemState = (selected ? ODS_SELECTED : 0) | ((item.state & LVIS_FOCUSED) && s->focused ? ODS_FOCUS : 0) |
                      (win::IsWindowEnabled(hwnd) ? 0 : ODS_DISABLED);
      dis.hwndItem = hwnd;
      dis.hDC = hdc;
      dis.rcItem = bounds;
      dis.itemData = static_cast<std::uintptr_t>(item.param);
      SendDrawItem(hwnd, dis);
      continue;
    }
    RowParts p = Parts(*s, item);
    UINT stateImage = (item.state & LVIS_STATEIMAGEMASK) >> 12;
    SIZE st = StateImageSize(*s);
    int midY = bounds.top + (rowH - st.cy) / 2;
    if (stateImage && s->stateList) win::ImageList_Draw(s->stateList, static_cast<int>(stateImage) - 1, hdc, p.stateLeft + 3, midY, ILD_TRANSPARENT);
    else if (stateImage && (s->exStyle & LVS_EX_CHECKBOXES)) DrawCheckBox(hdc, p.stateLeft + 3, midY, stateImage == 2);
    if (s->small) {
      SIZE ic = ImageSize(s->small);
      win::ImageList_Draw(s->small, item.image, hdc, p.stateRight, bounds.top + (rowH - ic.cy) / 2, ILD_TRANSPARENT);
    }
    int x = 0;
    for (size_t c = 0; c < std::max<size_t>(s->columns.size(), 1); ++c) {
      int width = s->columns.empty() ? TotalWidth(hwnd, *s) : s->columns[c].width;
      RECT cell{c == 0 ? p.iconRight + 2 : x + 6, bounds.top, x + width - 2, bounds.bottom};
      bool highlight = selected && (c == 0 || (s->exStyle & LVS_EX_FULLROWSELECT));
      if (highlight) {
        RECT hi{c == 0 ? p.iconRight : x, bounds.top, x + width, bounds.bottom};
        win::FillRect(hdc, &hi, win::GetSysColorBrush(COLOR_HIGHLIGHT));
      }
      win::SetTextColor(hdc, highlight ? win::GetSysColor(COLOR_HIGHLIGHTTEXT) : s->text);
      const std::wstring& text = c < item.texts.size() ? item.texts[c] : std::wstring();
      int fmt = s->columns.empty() ? LVCFMT_LEFT : s->columns[c].fmt;
      UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (fmt == LVCFMT_RIGHT ? DT_RIGHT : fmt == LVCFMT_CENTER ? DT_CENTER : 0);
      win::DrawText(hdc, text.c_str(), -1, &cell, format);
      x += width;
    }
    if (s->exStyle & LVS_EX_GRIDLINES) {
      win::MoveToEx(hdc, 0, bounds.bottom - 1, nullptr);
      win::LineTo(hdc, bounds.right, bounds.bottom - 1);
    }
  }
}

// A header notification, sent to the list as the header's parent would receive it.
LRESULT HeaderNotify(HWND list, UINT code, NMHEADERW& nm) {
  auto* s = StateOf<ListState>(list);
  nm.hdr.hwndFrom = s ? s->header : nullptr;
  nm.hdr.idFrom = 0;
  nm.hdr.code = code;
  return win::SendMessage(list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
}

// Every width change, by program or by dragging, asks first (HDN_ITEMCHANGING may refuse) and tells after.
bool SetColumnWidthNotified(HWND list, int column, int width) {
  HDITEMW item;
  item.mask = HDI_WIDTH;
  item.cxy = std::max(width, 0);
  NMHEADERW nm;
  nm.iItem = column;
  nm.pitem = &item;
  if (HeaderNotify(list, HDN_ITEMCHANGINGW, nm)) return false;
  auto* s = StateOf<ListState>(list);
  if (!s || column < 0 || column >= static_cast<int>(s->columns.size())) return false;
  s->columns[column].width = item.cxy;
  win::InvalidateRect(list, nullptr, TRUE);
  if (s->header) win::InvalidateRect(s->header, nullptr, TRUE);
  nm.pitem = &item;
  HeaderNotify(list, HDN_ITEMCHANGEDW, nm);
  return true;
}

void PlaceHeader(HWND list) {
  auto* s = StateOf<ListState>(list);
  if (!s || !s->header) return;
  RECT rc{};
  win::GetClientRect(list, &rc);
  int h = HeaderHeight(list, *s);
  win::MoveWindow(s->header, 0, 0, rc.right, h, TRUE);
  win::ShowWindow(s->header, h > 0 ? SW_SHOW : SW_HIDE);
}

// Selects and focuses the item the mouse went down on; returns the item (-1: none).
int MouseSelect(HWND hwnd, LPARAM lParam, bool checkToggle) {
  auto* s = StateOf<ListState>(hwnd);
  if (!s) return -1;
  LVHITTESTINFO hit;
  hit.pt = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  int index = HitTest(hwnd, *s, &hit, false);
  win::SetFocus(hwnd);
  // an owner-drawn list draws its own boxes and answers their clicks itself
  if (index >= 0 && checkToggle && (hit.flags & LVHT_ONITEMSTATEICON) && (s->exStyle & LVS_EX_CHECKBOXES) && !OwnerDraw(hwnd)) {
    UINT image = (s->items[index].state & LVIS_STATEIMAGEMASK) >> 12;
    ChangeState(hwnd, index, INDEXTOSTATEIMAGEMASK(image == 1 ? 2 : 1), LVIS_STATEIMAGEMASK);
  }
  if (index < 0) {
    SetAllStates(hwnd, 0, LVIS_SELECTED);
    return -1;
  }
  s = StateOf<ListState>(hwnd);
  if (s && !(Style(hwnd) & LVS_SINGLESEL))
    for (int i = 0; s && i < static_cast<int>(s->items.size()); ++i, s = StateOf<ListState>(hwnd))
      if (i != index) ChangeState(hwnd, i, 0, LVIS_SELECTED);
  ChangeState(hwnd, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  return index;
}

void NotifyClick(HWND hwnd, UINT code, int index, LPARAM lParam) {
  NMITEMACTIVATE nm;
  nm.iItem = index;
  nm.ptAction = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  NotifyParent(hwnd, &nm.hdr, code);
}

LRESULT ListProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<ListState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<ListState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  const int count = static_cast<int>(s->items.size());
  auto valid = [&](int i) { return i >= 0 && i < count; };
  switch (msg) {
    case WM_CREATE:
      s->header = win::CreateWindowEx(0, WC_HEADER, L"", WS_CHILD, 0, 0, 0, 0, hwnd, nullptr, nullptr, nullptr);
      PlaceHeader(hwnd);
      if (auto* again = StateOf<ListState>(hwnd)) Measure(hwnd, *again);
      return 0;
    case WM_WINDOWPOSCHANGED:
      Measure(hwnd, *s);
      PlaceHeader(hwnd);
      return win::DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_SIZE: PlaceHeader(hwnd); return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      HWND parent = win::GetParent(hwnd);
      if (!hdr || hdr->hwndFrom != s->header || !parent) return 0;
      return win::SendMessage(parent, WM_NOTIFY, hdr->idFrom, lParam);
    }
    case LVM_GETHEADER: return reinterpret_cast<LRESULT>(s->header);
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      s->focused = msg == WM_SETFOCUS;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case WM_LBUTTONDOWN: NotifyClick(hwnd, NM_CLICK, MouseSelect(hwnd, lParam, true), lParam); return 0;
    case WM_LBUTTONDBLCLK: NotifyClick(hwnd, NM_DBLCLK, MouseSelect(hwnd, lParam, false), lParam); return 0;
    case WM_RBUTTONDOWN: s->rightClickItem = MouseSelect(hwnd, lParam, false); return 0;
    case WM_RBUTTONUP: NotifyClick(hwnd, NM_RCLICK, s->rightClickItem, lParam); return 0;
    case WM_KEYDOWN: {
      int focus = -1;
      for (int i = 0; i < count; ++i)
        if (s->items[i].state & LVIS_FOCUSED) focus = i;
      if (wParam == 0x20 && focus >= 0 && (s->exStyle & LVS_EX_CHECKBOXES)) {
        UINT image = (s->items[focus].state & LVIS_STATEIMAGEMASK) >> 12;
        ChangeState(hwnd, focus, INDEXTOSTATEIMAGEMASK(image == 1 ? 2 : 1), LVIS_STATEIMAGEMASK);
      } else if ((wParam == 0x26 || wParam == 0x28) && count > 0) {  // up, down
        int next = std::clamp(focus + (wParam == 0x28 ? 1 : -1), 0, count - 1);
        SetAllStates(hwnd, 0, LVIS_SELECTED);
        ChangeState(hwnd, next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        win::SendMessage(hwnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(next), FALSE);
      }
      return 0;
    }
    case LVM_SETBKCOLOR: s->bk = static_cast<COLORREF>(lParam); return TRUE;
    case LVM_SETTEXTCOLOR: s->text = static_cast<COLORREF>(lParam); return TRUE;
    case LVM_SETTEXTBKCOLOR: return TRUE;
    case LVM_GETIMAGELIST:
      return reinterpret_cast<LRESULT>(wParam == LVSIL_NORMAL ? s->normal : wParam == LVSIL_SMALL ? s->small : s->stateList);
    case LVM_SETIMAGELIST: {
      HIMAGELIST* slot = wParam == LVSIL_NORMAL ? &s->normal : wParam == LVSIL_SMALL ? &s->small : wParam == LVSIL_STATE ? &s->stateList : nullptr;
      if (!slot) return 0;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      HIMAGELIST old = std::exchange(*slot, reinterpret_cast<HIMAGELIST>(lParam));
      // owner-drawn rows are asked for again: their default height follows the small images
      if (wParam == LVSIL_SMALL) Measure(hwnd, *s);
      return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETITEMCOUNT: return count;
    case LVM_INSERTITEMW: return InsertItem(hwnd, *s, reinterpret_cast<const LVITEMW*>(lParam));
    case LVM_DELETEITEM: return DeleteItem(hwnd, static_cast<int>(wParam)) ? TRUE : FALSE;
    case LVM_DELETEALLITEMS: {
      NMLISTVIEW nm;
      bool quiet = NotifyParent(hwnd, &nm.hdr, LVN_DELETEALLITEMS) != 0;
      while (true) {
        auto* cur = StateOf<ListState>(hwnd);
        if (!cur || cur->items.empty()) break;
        if (quiet) {
          cur->items.clear();
          break;
        }
        DeleteItem(hwnd, 0);
      }
      if (auto* cur = StateOf<ListState>(hwnd)) cur->top = 0;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETNEXTITEM: {
      int start = static_cast<int>(static_cast<std::intptr_t>(static_cast<int>(wParam)));
      UINT flags = static_cast<UINT>(lParam);
      for (int i = start + 1; i < count; ++i) {
        UINT st = s->items[i].state;
        if (((flags & LVNI_SELECTED) && !(st & LVIS_SELECTED)) || ((flags & LVNI_FOCUSED) && !(st & LVIS_FOCUSED))) continue;
        return i;
      }
      return -1;
    }
    case LVM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      int i = static_cast<int>(wParam);
      if (!r || !valid(i)) return FALSE;
      int code = r->left;
      RECT b = ItemBounds(hwnd, *s, i);
      RowParts p = Parts(*s, s->items[i]);
      if (code == LVIR_ICON) b = RECT{p.stateRight, b.top, p.iconRight, b.bottom};
      else if (code == LVIR_LABEL) b.left = p.iconRight;
      *r = b;
      return TRUE;
    }
    case LVM_HITTEST:
    case LVM_SUBITEMHITTEST: {
      auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
      return info ? HitTest(hwnd, *s, info, msg == LVM_SUBITEMHITTEST) : -1;
    }
    case LVM_ENSUREVISIBLE: {
      int i = static_cast<int>(wParam), rows = std::max(1, VisibleRows(hwnd, *s));
      if (!valid(i)) return FALSE;
      if (i < s->top) s->top = i;
      else if (i >= s->top + rows) s->top = i - rows + 1;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case LVM_GETTOPINDEX: return s->top;
    case LVM_GETCOUNTPERPAGE: return VisibleRows(hwnd, *s);
    case LVM_INSERTCOLUMNW: {
      auto* col = reinterpret_cast<const LVCOLUMNW*>(lParam);
      if (!col) return -1;
      Column c;
      if (col->mask & LVCF_TEXT) c.text = col->pszText ? col->pszText : L"";
      if (col->mask & LVCF_WIDTH) c.width = col->cx;
      if (col->mask & LVCF_FMT) c.fmt = col->fmt & 3;
      int index = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(s->columns.size()));
      s->columns.insert(s->columns.begin() + index, std::move(c));
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return index;
    }
    case LVM_DELETECOLUMN: {
      int c = static_cast<int>(wParam);
      if (c < 0 || c >= static_cast<int>(s->columns.size())) return FALSE;
      s->columns.erase(s->columns.begin() + c);
      for (auto& item : s->items)
        if (c < static_cast<int>(item.texts.size()) && c > 0) item.texts.erase(item.texts.begin() + c);
      return TRUE;
    }
    case LVM_GETCOLUMNWIDTH: {
      int c = static_cast<int>(wParam);
      return c >= 0 && c < static_cast<int>(s->columns.size()) ? s->columns[c].width : 0;
    }
    case LVM_SETCOLUMNWIDTH: {
      int c = static_cast<int>(wParam);
      if (c < 0 || c >= static_cast<int>(s->columns.size())) return FALSE;
      int width = static_cast<int>(static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))));
      if (width == LVSCW_AUTOSIZE || width == LVSCW_AUTOSIZE_USEHEADER) {
        HDC hdc = win::CreateCompatibleDC(nullptr);
        if (s->font) win::SelectObject(hdc, s->font);
        int best = 0;
        auto measure = [&](const std::wstring& t) {
          SIZE e{};
          win::GetTextExtentPoint32(hdc, t.c_str(), static_cast<int>(t.size()), &e);
          best = std::max<int>(best, e.cx + 12);
        };
        for (const auto& item : s->items)
          if (c < static_cast<int>(item.texts.size())) measure(item.texts[c]);
        if (width == LVSCW_AUTOSIZE_USEHEADER) measure(s->columns[c].text);
        win::DeleteDC(hdc);
        width = best + (c == 0 ? Parts(*s, Item{}).iconRight : 0);
      }
      return SetColumnWidthNotified(hwnd, c, width) ? TRUE : FALSE;
    }
    case LVM_SETITEMSTATE: {
      auto* in = reinterpret_cast<const LVITEMW*>(lParam);
      if (!in) return FALSE;
      int i = static_cast<int>(static_cast<std::intptr_t>(static_cast<int>(wParam)));
      if (i == -1) {
        SetAllStates(hwnd, in->state, in->stateMask);
        return TRUE;
      }
      if (!valid(i)) return FALSE;
      ChangeState(hwnd, i, in->state, in->stateMask);
      return TRUE;
    }
    case LVM_GETITEMSTATE: {
      int i = static_cast<int>(wParam);
      return valid(i) ? (s->items[i].state & static_cast<UINT>(lParam)) : 0;
    }
    case LVM_GETSELECTEDCOUNT: {
      int n = 0;
      for (const auto& item : s->items) n += (item.state & LVIS_SELECTED) ? 1 : 0;
      return n;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
      DWORD mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
      DWORD old = s->exStyle;
      s->exStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
      if ((s->exStyle & LVS_EX_CHECKBOXES) && !(old & LVS_EX_CHECKBOXES))
        for (auto& item : s->items)
          if (!(item.state & LVIS_STATEIMAGEMASK)) item.state |= INDEXTOSTATEIMAGEMASK(1);
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: return s->exStyle;
    case LVM_GETITEMW: {
      auto* out = reinterpret_cast<LVITEMW*>(lParam);
      if (!out || !valid(out->iItem)) return FALSE;
      const Item& item = s->items[out->iItem];
      if (out->mask & LVIF_TEXT) {
        size_t sub = static_cast<size_t>(std::max(out->iSubItem, 0));
        CopyToBuffer(sub < item.texts.size() ? item.texts[sub] : std::wstring(), out->pszText, out->cchTextMax);
      }
      if (out->mask & LVIF_IMAGE) out->iImage = item.image;
      if (out->mask & LVIF_PARAM) out->lParam = item.param;
      if (out->mask & LVIF_STATE) out->state = item.state & out->stateMask;
      if (out->mask & LVIF_INDENT) out->iIndent = item.indent;
      return TRUE;
    }
    case LVM_SETITEMW:
    case LVM_SETITEMTEXTW: {
      auto* in = reinterpret_cast<const LVITEMW*>(lParam);
      int i = msg == LVM_SETITEMTEXTW ? static_cast<int>(wParam) : (in ? in->iItem : -1);
      if (!in || !valid(i) || in->iSubItem < 0) return FALSE;
      Item& item = s->items[i];
      if (msg == LVM_SETITEMTEXTW || (in->mask & LVIF_TEXT)) {
        size_t sub = static_cast<size_t>(in->iSubItem);
        if (item.texts.size() <= sub) item.texts.resize(sub + 1);
        item.texts[sub] = in->pszText ? in->pszText : L"";
      }
      if (msg == LVM_SETITEMW && in->iSubItem == 0) {
        if (in->mask & LVIF_IMAGE) item.image = in->iImage;
        if (in->mask & LVIF_PARAM) item.param = in->lParam;
        if (in->mask & LVIF_INDENT) item.indent = in->iIndent;
        if (in->mask & LVIF_STATE) ChangeState(hwnd, i, in->state, in->stateMask);
      }
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

struct HeaderState : ControlState {
  int tracking = -1;
};

int ColumnLeft(const ListState& s, int column) {
  int x = 0;
  for (int c = 0; c < column; ++c) x += s.columns[c].width;
  return x;
}

LRESULT HeaderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<HeaderState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* h = StateOf<HeaderState>(hwnd);
  HWND list = win::GetParent(hwnd);
  auto* s = StateOf<ListState>(list);
  if (!h || !s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  const int count = static_cast<int>(s->columns.size());
  const int x = GET_X_LPARAM(lParam);
  switch (msg) {
    case WM_PAINT: {
      ControlPaint paint(hwnd);
      if (!paint.hdc) return 0;
      win::FillRect(paint.hdc, &paint.rc, win::GetSysColorBrush(COLOR_BTNFACE));
      if (s->font) win::SelectObject(paint.hdc, s->font);
      win::SetBkMode(paint.hdc, TRANSPARENT);
      win::SetTextColor(paint.hdc, win::GetSysColor(COLOR_BTNTEXT));
      int left = 0;
      for (const auto& c : s->columns) {
        RECT edge{left, 0, left + c.width, paint.rc.bottom};
        win::DrawEdge(paint.hdc, &edge, EDGE_ETCHED, BF_RIGHT | BF_BOTTOM);
        RECT label{left + 6, 0, left + c.width - 6, paint.rc.bottom};
        win::DrawText(paint.hdc, c.text.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        left += c.width;
      }
      return 0;
    }
    case HDM_GETITEMCOUNT: return count;
    case HDM_GETITEMRECT: {
      auto* r = reinterpret_cast<RECT*>(lParam);
      int c = static_cast<int>(wParam);
      if (!r || c < 0 || c >= count) return FALSE;
      RECT rc{};
      win::GetClientRect(hwnd, &rc);
      *r = RECT{ColumnLeft(*s, c), 0, ColumnLeft(*s, c) + s->columns[c].width, rc.bottom};
      return TRUE;
    }
    case HDM_GETITEMW: {
      auto* item = reinterpret_cast<HDITEMW*>(lParam);
      int c = static_cast<int>(wParam);
      if (!item || c < 0 || c >= count) return FALSE;
      if (item->mask & HDI_WIDTH) item->cxy = s->columns[c].width;
      if (item->mask & HDI_FORMAT) item->fmt = s->columns[c].fmt;
      if (item->mask & HDI_TEXT) CopyToBuffer(s->columns[c].text, item->pszText, item->cchTextMax);
      return TRUE;
    }
    case HDM_SETITEMW: {
      auto* item = reinterpret_cast<const HDITEMW*>(lParam);
      int c = static_cast<int>(wParam);
      if (!item || c < 0 || c >= count) return FALSE;
      if (item->mask & HDI_TEXT) s->columns[c].text = item->pszText ? item->pszText : L"";
      if (item->mask & HDI_FORMAT) s->columns[c].fmt = item->fmt & 3;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return (item->mask & HDI_WIDTH) ? SetColumnWidthNotified(list, c, item->cxy) : TRUE;
    }
    case WM_LBUTTONDOWN: {
      // a press within three pixels of a column's right edge starts a drag of that edge
      for (int c = 0; c < count; ++c) {
        int edge = ColumnLeft(*s, c) + s->columns[c].width;
        if (x >= edge - 3 && x <= edge + 3) {
          HDITEMW item;
          item.mask = HDI_WIDTH;
          item.cxy = s->columns[c].width;
          NMHEADERW nm;
          nm.iItem = c;
          nm.pitem = &item;
          if (HeaderNotify(list, HDN_BEGINTRACKW, nm)) return 0;
          if (auto* again = StateOf<HeaderState>(hwnd)) again->tracking = c;
          win::SetCapture(hwnd);
          return 0;
        }
      }
      for (int c = 0; c < count; ++c)
        if (x >= ColumnLeft(*s, c) && x < ColumnLeft(*s, c) + s->columns[c].width) {
          NMHEADERW nm;
          nm.iItem = c;
          HeaderNotify(list, HDN_ITEMCLICKW, nm);
          NMLISTVIEW click;
          click.iSubItem = c;
          NotifyParent(list, &click.hdr, LVN_COLUMNCLICK);
          break;
        }
      return 0;
    }
    case WM_MOUSEMOVE:
      if (h->tracking >= 0 && h->tracking < count) SetColumnWidthNotified(list, h->tracking, x - ColumnLeft(*s, h->tracking));
      return 0;
    case WM_LBUTTONUP: {
      int c = h->tracking;
      if (c < 0) return 0;
      h->tracking = -1;
      win::ReleaseCapture();
      if (auto* now = StateOf<ListState>(list); now && c < static_cast<int>(now->columns.size())) {
        HDITEMW item;
        item.mask = HDI_WIDTH;
        item.cxy = now->columns[c].width;
        NMHEADERW nm;
        nm.iItem = c;
        nm.pitem = &item;
        HeaderNotify(list, HDN_ENDTRACKW, nm);
      }
      return 0;
    }
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterListViewClass() {
  RegisterControlClass(WC_HEADER, HeaderProc);
  RegisterControlClass(WC_LISTVIEW, ListProc);
}

}  // namespace gdi::controls
