#include <gtest/gtest.h>

#include <cwchar>
#include <filesystem>

#include "app/LanguageTable.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/Surface.h"
#include "platform/win/Window.h"
#include "ui/QRMenu.h"
#include "UiTestWindows.h"

namespace {

// The owner of a menu forwards the menu's measure and draw requests to it.
class MenuOwner : public CDialog {
 public:
  QRMenu* menu = nullptr;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_MEASUREITEM && menu) {
      menu->MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
      return TRUE;
    }
    if (msg == WM_DRAWITEM && menu && reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU) {
      menu->DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
  }
};

// The language menu as the main window builds it: twenty items with their flags.
void BuildLanguageMenu(QRMenu& menu, CImageList& flags, CBitmap& strip) {
  menu.DestroyMenu();
  menu.Attach(win::CreatePopupMenu());
  flags.Create(14, 11, ILC_COLOR24 | ILC_MASK, 0, 1);
  strip.LoadBitmap(221);
  flags.Add(&strip, RGB(255, 255, 255));
  for (int row = 0; row < kLanguageCount; ++row)
    menu.AppendImageItem(LanguageTable[row].displayName, static_cast<UINT>(kFirstLanguageCommand + row), &flags, row);
}

std::shared_ptr<gdi::DrawLog> DrawOne(QRMenu& menu, const QRMenuData* data, UINT state, RECT r) {
  auto log = std::make_shared<gdi::DrawLog>();
  CDC dc;
  dc.Attach(gdi::CreateRecordingDC(r.right + 10, r.bottom + 10, log));
  DRAWITEMSTRUCT item;
  item.CtlType = ODT_MENU;
  item.itemState = state;
  item.hDC = dc.m_hDC;
  item.rcItem = r;
  item.itemData = reinterpret_cast<std::uintptr_t>(data);
  menu.DrawItem(&item);
  return log;
}

}  // namespace

TEST(QRMenu, LanguageMenuShowsTwentyItemsWithFlagsAndNoMark) {
  MenuOwner owner;
  ASSERT_TRUE(owner.Create(uitest::kEmptyPopup));
  QRMenu menu;
  CImageList flags;
  CBitmap strip;
  BuildLanguageMenu(menu, flags, strip);
  owner.menu = &menu;
  ASSERT_EQ(menu.GetMenuItemCount(), 20u);
  for (int row = 0; row < kLanguageCount; ++row) {
    EXPECT_EQ(menu.GetMenuItemID(row), static_cast<UINT>(1021 + row));
    EXPECT_EQ(menu.m_items[static_cast<size_t>(row)]->pictureFlag, 0);
    EXPECT_EQ(win::GetMenuState(menu, static_cast<UINT>(row), MF_BYPOSITION) & MF_CHECKED, 0u);
  }

  auto log = std::make_shared<gdi::DrawLog>();
  auto picture = gdi::PaintMenu(menu, owner, log);
  ASSERT_TRUE(picture);
  auto texts = log->Calls("DrawText");
  ASSERT_EQ(texts.size(), 20u);
  EXPECT_EQ(texts[0].text, L"English");
  EXPECT_EQ(texts[19].text, LanguageTable[19].displayName);
  // text starts right of the picture column (19 + 14) and its gap
  EXPECT_EQ(texts[0].rect.left, 3 + 19 + 14 + 8);
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  EXPECT_TRUE(picture->SavePng(out / "language-menu.png"));
}

TEST(QRMenu, MeasureSeparatorsAndItems) {
  QRMenu menu;
  menu.Attach(win::CreatePopupMenu());
  menu.AppendImageItem(L"", 0, nullptr, 0);
  menu.AppendImageItem(L"Open", 7, nullptr, 0);
  ASSERT_EQ(menu.m_items.size(), 2u);
  EXPECT_EQ(menu.m_items[0]->flags, static_cast<UINT>(MF_OWNERDRAW | MF_SEPARATOR));
  EXPECT_EQ(menu.m_items[1]->pictureFlag, -1);

  MEASUREITEMSTRUCT sep;
  sep.itemData = reinterpret_cast<std::uintptr_t>(menu.m_items[0].get());
  menu.MeasureItem(&sep);
  EXPECT_EQ(sep.itemWidth, 0u);
  EXPECT_EQ(sep.itemHeight, 3u);

  MEASUREITEMSTRUCT open;
  open.itemData = reinterpret_cast<std::uintptr_t>(menu.m_items[1].get());
  menu.MeasureItem(&open);
  // measured in the font the item is drawn in (8-point Tahoma), so the text is never cut off
  LOGFONTW lf{};
  lf.lfHeight = -11;
  lf.lfWeight = 400;
  std::wcsncpy(lf.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
  HFONT font = win::CreateFontIndirect(&lf);
  HDC dc = win::GetDC(nullptr);
  HGDIOBJ old = win::SelectObject(dc, font);
  SIZE text{};
  win::GetTextExtentPoint32(dc, L"Open", 4, &text);
  win::SelectObject(dc, old);
  win::ReleaseDC(nullptr, dc);
  win::DeleteObject(font);
  EXPECT_EQ(open.itemWidth, static_cast<UINT>(text.cx + 19 + 14 + 8 + 4));
  EXPECT_EQ(open.itemHeight, static_cast<UINT>(std::max(win::GetSystemMetrics(SM_CYMENU), 23)));
}

TEST(QRMenu, FlatStyleSelectionTabsAndSeparators) {
  QRMenu menu;
  menu.Attach(win::CreatePopupMenu());
  menu.AppendImageItem(L"Open\tCtrl+O\tF3", 7, nullptr, 0);
  menu.AppendImageItem(L"", 0, nullptr, 0);
  const RECT r{0, 0, 200, 23};

  auto plain = DrawOne(menu, menu.m_items[0].get(), 0, r);
  auto texts = plain->Calls("DrawText");
  ASSERT_EQ(texts.size(), 2u) << "the part after the last tab is drawn apart";
  EXPECT_EQ(texts[0].text, L"Open\tCtrl+O");
  EXPECT_EQ(texts[1].text, L"F3");
  EXPECT_EQ(texts[1].format, static_cast<UINT>(DT_SINGLELINE | DT_VCENTER | DT_RIGHT));
  EXPECT_EQ(texts[1].rect, (RECT{33 + 8, -1, 200 - 19, 22}));
  EXPECT_EQ(texts[0].color, win::GetSysColor(COLOR_MENUTEXT));

  const COLORREF fill = LightenColor(RGB(177, 213, 238), 0.85);
  auto selected = DrawOne(menu, menu.m_items[0].get(), ODS_SELECTED, r);
  EXPECT_EQ(selected->Calls("FillSolidRect").at(0).color, fill);
  // a grayed item never shows as selected
  auto grayed = DrawOne(menu, menu.m_items[0].get(), ODS_SELECTED | ODS_GRAYED, r);
  for (const auto& f : grayed->Calls("FillSolidRect")) EXPECT_NE(f.color, fill);

  auto sep = DrawOne(menu, menu.m_items[1].get(), 0, r);
  auto edges = sep->Calls("DrawEdge");
  ASSERT_EQ(edges.size(), 1u);
  EXPECT_EQ(edges[0].rect.left, 33 + 14);
  EXPECT_TRUE(sep->Calls("DrawText").empty());
}

TEST(QRMenu, ColourFactorsOutsideTheRangeLeaveTheColour) {
  EXPECT_EQ(LightenColor(RGB(100, 0, 255), 0.5), RGB(177, 127, 255));
  EXPECT_EQ(DarkenColor(RGB(100, 50, 255), 0.02), RGB(98, 49, 249));
  for (double f : {0.0, -0.5, 1.5}) {
    EXPECT_EQ(LightenColor(RGB(1, 2, 3), f), RGB(1, 2, 3));
    EXPECT_EQ(DarkenColor(RGB(1, 2, 3), f), RGB(1, 2, 3));
  }
}

TEST(QRMenu, TemplateLoaderMakesOwnerDrawnItemsAndDestroyFreesTheHandles) {
  QRMenu menu;
  ASSERT_TRUE(menu.LoadMenu(431));
  ASSERT_EQ(menu.GetMenuItemCount(), 6u);
  EXPECT_EQ(menu.m_items[1]->flags & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
  EXPECT_EQ(menu.m_items[5]->text, L"&About");
  EXPECT_EQ(menu.GetMenuItemID(5), 102u);
  EXPECT_EQ(QRMenuPictureSize().cx, 16);
  const HMENU handle = menu;
  EXPECT_TRUE(IsQRMenuHandle(handle));
  menu.DestroyMenu();
  EXPECT_FALSE(IsQRMenuHandle(handle));
  EXPECT_FALSE(win::IsMenu(handle));
  EXPECT_FALSE(menu.LoadMenu(4242));
}
