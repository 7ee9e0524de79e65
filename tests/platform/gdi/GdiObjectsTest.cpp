#include <gtest/gtest.h>

#include "platform/gdi/DC.h"
#include "platform/gdi/GdiObjects.h"
#include "tests/platform/gdi/GdiTestUtil.h"

TEST(GdiObjects, StaleAndWrongHandlesAreRefused) {
  HBRUSH brush = win::CreateSolidBrush(RGB(1, 2, 3));
  ASSERT_TRUE(brush);
  EXPECT_TRUE(win::DeleteObject(brush));
  EXPECT_FALSE(win::DeleteObject(brush));
  HDC dc = win::CreateCompatibleDC(nullptr);
  EXPECT_EQ(win::SelectObject(dc, brush), nullptr);
  RECT r{0, 0, 1, 1};
  EXPECT_EQ(win::FillRect(dc, &r, brush), 0);
  EXPECT_TRUE(win::DeleteDC(dc));
  EXPECT_FALSE(win::DeleteDC(dc));
  EXPECT_EQ(win::GetBkColor(dc), CLR_INVALID);
  EXPECT_EQ(win::DrawText(dc, L"x", 1, &r, 0), 0);
  // stock objects survive deletion; absurd sizes are refused instead of allocated
  EXPECT_TRUE(win::DeleteObject(win::GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(win::GetObjectType(win::GetStockObject(WHITE_BRUSH)), OBJ_BRUSH);
  EXPECT_EQ(win::CreateBitmap(1 << 20, 1 << 20, 1, 32, nullptr), nullptr);
}

TEST(GdiObjects, SelectReturnsPreviousAndBitmapsOnlyGoIntoMemoryDCs) {
  gditest::MemDC mem(4, 3);
  BITMAP bm;
  ASSERT_EQ(win::GetObject(mem.bitmap.get(), sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 4);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(win::GetCurrentObject(mem.get(), OBJ_BITMAP), mem.bitmap.get());

  auto log = std::make_shared<gdi::DrawLog>();
  gditest::UniqueDC screen(gdi::CreateRecordingDC(10, 10, log));
  HBITMAP other = win::CreateCompatibleBitmap(screen.get(), 2, 2);
  EXPECT_EQ(win::SelectObject(screen.get(), other), nullptr);
  win::DeleteObject(other);
}

TEST(GdiObjects, OwnersFreeTheirHandlesAndWrappersDoNot) {
  size_t before = gdi::LiveObjectCount();
  {
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap bmp;
    ASSERT_TRUE(bmp.CreateBitmap(5, 5, 1, 32, nullptr));
    CBitmap* old = dc.SelectObject(&bmp);
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(dc.GetCurrentBitmap(), &bmp);
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(90, L"Arial"));
    LOGFONTW lf;
    font.GetLogFont(&lf);
    EXPECT_EQ(lf.lfHeight, -12);
    dc.SelectObject(old);  // the wrapper of the default bitmap: selecting it back must not delete anything
  }
  EXPECT_EQ(gdi::LiveObjectCount(), before);
}
