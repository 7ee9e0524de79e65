#include <gtest/gtest.h>

#include "platform/gdi/AfxControls.h"
#include "tests/platform/gdi/ControlTestWindow.h"

// The class-library objects drive the same windows: a quick pass over each.
TEST(AfxControls, ObjectsDriveTheirWindows) {
  gditest::TestWindow w(400, 300);
  win::CWnd parent;
  parent.Attach(w.hwnd());

  CListCtrl list;
  ASSERT_TRUE(list.Create(LVS_REPORT | WS_VISIBLE, CRect(0, 0, 300, 150), &parent, 318));
  list.SetExtendedStyle(LVS_EX_CHECKBOXES);
  list.InsertColumn(0, L"Type and Description", LVCFMT_LEFT, 250);
  EXPECT_EQ(list.InsertItem(0, L"row"), 0);
  list.SetItemText(0, 1, L"sub");
  list.SetItemData(0, 0x1234);
  list.SetCheck(0, TRUE);
  EXPECT_TRUE(list.GetCheck(0));
  EXPECT_EQ(list.GetItemText(0, 1), L"sub");
  EXPECT_EQ(list.GetItemData(0), 0x1234u);
  EXPECT_EQ(list.GetColumnWidth(0), 250);

  CButton box;
  ASSERT_TRUE(box.Create(L"Deep", BS_AUTO3STATE | WS_VISIBLE, CRect(0, 160, 100, 180), &parent, 296));
  EXPECT_TRUE(win::CheckDlgButton(w.hwnd(), 296, BST_INDETERMINATE));
  EXPECT_EQ(win::IsDlgButtonChecked(w.hwnd(), 296), static_cast<UINT>(BST_INDETERMINATE));

  CComboBox combo;
  ASSERT_TRUE(combo.Create(CBS_DROPDOWNLIST | WS_VISIBLE, CRect(0, 190, 150, 210), &parent, 306));
  combo.AddString(L"HKEY_CURRENT_USER");
  combo.SetCurSel(0);
  std::wstring text;
  combo.GetLBText(combo.GetCurSel(), text);
  EXPECT_EQ(text, L"HKEY_CURRENT_USER");

  CProgressCtrl progress;
  ASSERT_TRUE(progress.Create(WS_VISIBLE, CRect(0, 220, 200, 240), &parent, 200));
  progress.SetRange(0, 10);
  progress.SetPos(20);
  EXPECT_EQ(progress.GetPos(), 10) << "clamped to the range";

  CToolTipCtrl tips;
  ASSERT_TRUE(tips.Create(&parent));
  EXPECT_TRUE(tips.AddTool(&box, L"Scan the whole hive"));
  EXPECT_EQ(tips.GetToolCount(), 1);
  MSG move;
  move.hwnd = box.m_hWnd;
  move.message = WM_MOUSEMOVE;
  tips.RelayEvent(&move);
  EXPECT_EQ(gdi::controls::ShownTooltip(tips.m_hWnd), L"Scan the whole hive");
  tips.Activate(FALSE);
  EXPECT_EQ(gdi::controls::ShownTooltip(tips.m_hWnd), L"");

  CDateTimeCtrl date;
  ASSERT_TRUE(date.Create(WS_VISIBLE | DTS_SHORTDATEFORMAT, CRect(200, 160, 300, 180), &parent, 332));
  SYSTEMTIME when{2026, 12, 4, 10, 14, 30, 0, 0};
  EXPECT_TRUE(date.SetTime(&when));
  SYSTEMTIME back;
  EXPECT_EQ(date.GetTime(&back), GDT_VALID);
  EXPECT_EQ(back.wDay, 10);
  SYSTEMTIME bad{2026, 13, 0, 40, 0, 0, 0, 0};
  EXPECT_FALSE(date.SetTime(&bad));
  CAnimateCtrl anim;
  ASSERT_TRUE(anim.Create(WS_VISIBLE, CRect(300, 200, 350, 250), &parent, 210));
  EXPECT_TRUE(anim.Open(210));
  EXPECT_TRUE(anim.Play(0, static_cast<UINT>(-1), static_cast<UINT>(-1)));
  EXPECT_TRUE(win::SendMessage(anim.m_hWnd, ACM_ISPLAYING, 0, 0));
  EXPECT_TRUE(anim.Close());
  EXPECT_FALSE(win::SendMessage(anim.m_hWnd, ACM_ISPLAYING, 0, 0));
  parent.Detach();
}
