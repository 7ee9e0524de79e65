#include <gtest/gtest.h>

#include "tests/platform/gdi/ControlTestWindow.h"

using gditest::Notification;
using gditest::TestWindow;

namespace {

LRESULT Send(HWND h, UINT msg, WPARAM w = 0, LPARAM l = 0) { return win::SendMessage(h, msg, w, l); }

int Insert(HWND list, int index, const wchar_t* text) {
  LVITEMW item;
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(text);
  item.lParam = 100 + index;
  return static_cast<int>(Send(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void SetState(HWND list, int index, UINT state, UINT mask) {
  LVITEMW item;
  item.state = state;
  item.stateMask = mask;
  Send(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

std::vector<Notification> Changed(const TestWindow& w) {
  std::vector<Notification> out;
  for (const auto& n : w.notifications)
    if (n.code == LVN_ITEMCHANGED) out.push_back(n);
  return out;
}

HWND MakeList(TestWindow& w, DWORD style = LVS_REPORT | LVS_SINGLESEL) {
  HWND list = w.AddControl(WC_LISTVIEW, L"", style, 10, 10, 300, 200, 318);
  Send(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  LVCOLUMNW col;
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = 280;
  col.pszText = const_cast<wchar_t*>(L"Problem");
  Send(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  Insert(list, 0, L"first");
  Insert(list, 1, L"second");
  return list;
}

}  // namespace

// The problem list tells checks from selection by these exact old and new states.
TEST(ListView, StateChangesReportOldAndNewStates) {
  TestWindow w(400, 300);
  HWND list = MakeList(w);
  EXPECT_EQ(Send(list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1)) << "check boxes start unchecked";
  EXPECT_TRUE(Changed(w).empty()) << "inserting reports no state change";

  w.notifications.clear();
  SetState(list, 0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
  SetState(list, 0, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);  // no change: no notification
  SetState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  SetState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);  // single selection moves
  struct Expected {
    int item;
    UINT oldState, newState;
  };
  const Expected kExpected[] = {
      {0, 0x1000, 0x2000},  // checked
      {1, 0x1000, 0x1003},  // selected and focused
      {1, 0x1003, 0x1001},  // the old selection goes first
      {1, 0x1001, 0x1000},  // then the old focus
      {0, 0x2000, 0x2003},
  };
  auto changed = Changed(w);
  ASSERT_EQ(changed.size(), std::size(kExpected));
  for (size_t i = 0; i < changed.size(); ++i) {
    EXPECT_EQ(changed[i].item, kExpected[i].item) << i;
    EXPECT_EQ(changed[i].oldState, kExpected[i].oldState) << i;
    EXPECT_EQ(changed[i].newState, kExpected[i].newState) << i;
  }
  EXPECT_EQ(Send(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED), 0);

  w.notifications.clear();
  w.refuseChanging = true;
  SetState(list, 1, INDEXTOSTATEIMAGEMASK(2), LVIS_STATEIMAGEMASK);
  EXPECT_TRUE(Changed(w).empty());
  EXPECT_EQ(Send(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1)) << "a refused change is not made";
}

TEST(ListView, ClicksSelectToggleChecksAndNotify) {
  TestWindow w(400, 300);
  HWND list = MakeList(w);
  RECT row{LVIR_BOUNDS, 0, 0, 0};
  ASSERT_TRUE(Send(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row)));
  const int y = (row.top + row.bottom) / 2;

  LVHITTESTINFO hit;
  hit.pt = POINT{8, y};
  EXPECT_EQ(Send(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 1);
  EXPECT_EQ(hit.flags, LVHT_ONITEMSTATEICON);
  hit.pt = POINT{150, y};
  Send(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  EXPECT_EQ(hit.flags, LVHT_ONITEMLABEL);
  hit.pt = POINT{150, row.bottom + 500};
  EXPECT_EQ(Send(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);

  w.notifications.clear();
  Send(list, WM_LBUTTONDOWN, 0, MAKELPARAM(8, static_cast<WORD>(y)));  // on the check box
  auto changed = Changed(w);
  ASSERT_GE(changed.size(), 2u);
  EXPECT_EQ(changed[0].oldState, 0x1000u);
  EXPECT_EQ(changed[0].newState, 0x2000u);
  EXPECT_EQ(Send(list, LVM_GETITEMSTATE, 1, LVIS_SELECTED), LVIS_SELECTED);
  EXPECT_EQ(w.notifications.back().code, NM_CLICK);
  EXPECT_EQ(w.notifications.back().item, 1);

  w.notifications.clear();
  Send(list, WM_RBUTTONDOWN, 0, MAKELPARAM(150, static_cast<WORD>(y)));
  Send(list, WM_RBUTTONUP, 0, MAKELPARAM(150, static_cast<WORD>(y)));
  ASSERT_FALSE(w.notifications.empty());
  EXPECT_EQ(w.notifications.back().code, NM_RCLICK);
  EXPECT_EQ(w.notifications.back().item, 1);
  EXPECT_EQ(Send(list, LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2)) << "a right click checks nothing";
}

TEST(ListView, ItemsKeepTextsParamsAndDeleteWithNotifications) {
  TestWindow w(400, 300);
  HWND list = MakeList(w);
  LVITEMW sub;
  sub.iSubItem = 1;
  sub.pszText = const_cast<wchar_t*>(L"detail");
  Send(list, LVM_SETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&sub));
  wchar_t buf[8];
  LVITEMW get;
  get.mask = LVIF_TEXT | LVIF_PARAM;
  get.iItem = 0;
  get.iSubItem = 1;
  get.pszText = buf;
  get.cchTextMax = 4;  // too small: cut, never overrun
  ASSERT_TRUE(Send(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&get)));
  EXPECT_EQ(std::wstring(buf), L"det");
  EXPECT_EQ(get.lParam, 100);

  w.notifications.clear();
  EXPECT_TRUE(Send(list, LVM_DELETEALLITEMS));
  EXPECT_EQ(Send(list, LVM_GETITEMCOUNT), 0);
  int deletes = 0;
  for (const auto& n : w.notifications) deletes += n.code == LVN_DELETEITEM ? 1 : 0;
  EXPECT_EQ(deletes, 2);
  EXPECT_FALSE(Send(list, LVM_DELETEITEM, 0));
}

namespace {

struct OwnerDrawLog {
  UINT measuredHeight = 0;
  std::vector<DRAWITEMSTRUCT> drawn;
};
OwnerDrawLog* g_ownerDraw = nullptr;
WNDPROC g_baseProc = nullptr;

LRESULT OwnerDrawParent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    if (mis->CtlType == ODT_LISTVIEW) mis->itemHeight = 34;  // two text lines, as the problem list asks
    return TRUE;
  }
  if (msg == WM_DRAWITEM) {
    g_ownerDraw->drawn.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
    return TRUE;
  }
  return win::CallWindowProc(g_baseProc, hwnd, msg, wParam, lParam);
}

}  // namespace

TEST(ListView, OwnerDrawnRowsAreMeasuredAndDrawnByTheParent) {
  TestWindow w(400, 300);
  OwnerDrawLog log;
  g_ownerDraw = &log;
  g_baseProc = reinterpret_cast<WNDPROC>(win::SetWindowLongPtr(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&OwnerDrawParent)));
  HWND list = w.AddControl(WC_LISTVIEW, L"", LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_NOCOLUMNHEADER | LVS_SINGLESEL, 0, 0, 300, 200, 318);
  LVCOLUMNW col;
  col.mask = LVCF_WIDTH;
  col.cx = 280;
  Send(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  Insert(list, 0, L"");
  Insert(list, 1, L"");
  SetState(list, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  RECT row{LVIR_BOUNDS, 0, 0, 0};
  Send(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&row));
  EXPECT_EQ(row.top, 34);
  EXPECT_EQ(row.bottom, 68);

  win::SetFocus(list);
  gdi::PaintWindowTree(w.hwnd());
  ASSERT_EQ(log.drawn.size(), 2u);
  EXPECT_EQ(log.drawn[1].CtlType, ODT_LISTVIEW);
  EXPECT_EQ(log.drawn[1].itemID, 1u);
  EXPECT_EQ(log.drawn[1].itemAction, ODA_DRAWENTIRE);
  EXPECT_EQ(log.drawn[1].itemData, 101u) << "the item data";
  EXPECT_TRUE(log.drawn[1].itemState & ODS_SELECTED);
  EXPECT_FALSE(log.drawn[0].itemState & ODS_SELECTED);
  EXPECT_EQ(log.drawn[1].rcItem, row);

  // an owner-drawn list answers its own check-box clicks: the hit test finds the box the owner draws at
  // x 5..20, but the default handling does not toggle it
  Send(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES);
  HIMAGELIST checks = win::ImageList_Create(15, 15, ILC_COLOR32 | ILC_MASK, 0, 1);
  Send(list, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(checks));
  for (int x : {5, 20}) {
    LVHITTESTINFO hit;
    hit.pt = POINT{x, 17};
    EXPECT_EQ(Send(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 0);
    EXPECT_EQ(hit.flags, LVHT_ONITEMSTATEICON) << x;
  }
  LVITEMW checked;
  checked.state = INDEXTOSTATEIMAGEMASK(1);
  checked.stateMask = LVIS_STATEIMAGEMASK;
  Send(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&checked));
  Send(list, WM_LBUTTONDOWN, 0, MAKELPARAM(8, 17));
  EXPECT_EQ(Send(list, LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1));
  win::SetWindowLongPtr(w.hwnd(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_baseProc));
  win::ImageList_Destroy(checks);
  g_ownerDraw = nullptr;
}

// A list that keeps its text column at least 50 wide refuses narrower widths, whoever asks.
TEST(ListView, HeaderWidthChangesCanBeRefusedAndDragsEnd) {
  TestWindow w(400, 300);
  HWND list = MakeList(w);
  HWND header = reinterpret_cast<HWND>(Send(list, LVM_GETHEADER));
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(Send(header, HDM_GETITEMCOUNT), 1);
  w.minColumnWidth = 50;
  EXPECT_FALSE(Send(list, LVM_SETCOLUMNWIDTH, 0, MAKELPARAM(40, 0)));
  EXPECT_EQ(Send(list, LVM_GETCOLUMNWIDTH, 0), 280);

  // drag the right edge of column 0 from 280 to 30 (refused), then to 120, then let go
  w.headerNotes.clear();
  Send(header, WM_LBUTTONDOWN, 0, MAKELPARAM(281, 5));
  Send(header, WM_MOUSEMOVE, 0, MAKELPARAM(30, 5));
  EXPECT_EQ(Send(list, LVM_GETCOLUMNWIDTH, 0), 280);
  Send(header, WM_MOUSEMOVE, 0, MAKELPARAM(120, 5));
  Send(header, WM_LBUTTONUP, 0, MAKELPARAM(120, 5));
  EXPECT_EQ(Send(list, LVM_GETCOLUMNWIDTH, 0), 120);
  const std::vector<std::pair<UINT, int>> expected = {
      {HDN_ITEMCHANGINGW, 30}, {HDN_ITEMCHANGINGW, 120}, {HDN_ITEMCHANGEDW, 120}, {HDN_ENDTRACKW, 120}};
  EXPECT_EQ(w.headerNotes, expected);
}
