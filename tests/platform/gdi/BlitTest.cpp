#include <gtest/gtest.h>

#include "tests/platform/gdi/GdiTestUtil.h"

using gditest::MemDC;

TEST(Blit, RasterOperationsCombineSourceAndDestination) {
  struct Case {
    DWORD rop;
    COLORREF dest, src, expected;
    const char* name;
  };
  const COLORREF d = RGB(0xF0, 0x0F, 0xAA), s = RGB(0x3C, 0x3C, 0x55);
  const Case kCases[] = {
      {SRCCOPY, d, s, s, "SRCCOPY"},
      {SRCAND, d, s, RGB(0x30, 0x0C, 0x00), "SRCAND (icon masks)"},
      {SRCPAINT, d, s, RGB(0xFC, 0x3F, 0xFF), "SRCPAINT"},
      {SRCINVERT, d, s, RGB(0xCC, 0x33, 0xFF), "SRCINVERT"},
      {NOTSRCCOPY, d, s, RGB(0xC3, 0xC3, 0xAA), "NOTSRCCOPY"},
      {BLACKNESS, d, s, RGB(0, 0, 0), "BLACKNESS"},
      {WHITENESS, d, s, RGB(255, 255, 255), "WHITENESS"},
      {DSTINVERT, d, s, RGB(0x0F, 0xF0, 0x55), "DSTINVERT"},
  };
  for (const auto& c : kCases) {
    MemDC dest(2, 2, c.dest), src(2, 2, c.src);
    EXPECT_TRUE(win::BitBlt(dest.get(), 0, 0, 1, 1, src.get(), 0, 0, c.rop)) << c.name;
    EXPECT_EQ(dest.at(0, 0), c.expected) << c.name;
    EXPECT_EQ(dest.at(1, 1), c.dest) << c.name << ": outside the rectangle";
  }
}

TEST(Blit, UsesLogicalCoordinatesOfBothDCs) {
  MemDC dest(10, 10), src(4, 4, RGB(0, 0, 0));
  gdi::FillSolidRect(src.get(), RECT{2, 2, 3, 3}, RGB(255, 0, 0));
  win::SetWindowOrgEx(dest.get(), 100, 100, nullptr);  // logical (100,100) is device (0,0)
  win::SetWindowOrgEx(src.get(), -1, -1, nullptr);     // logical (1,1) is device (2,2)
  win::BitBlt(dest.get(), 105, 105, 1, 1, src.get(), 1, 1, SRCCOPY);
  EXPECT_EQ(dest.at(5, 5), RGB(255, 0, 0));
}

TEST(Blit, StretchScalesAndClipRegionLimits) {
  MemDC dest(8, 8), src(2, 1);
  win::SetPixel(src.get(), 0, 0, RGB(255, 0, 0));
  win::SetPixel(src.get(), 1, 0, RGB(0, 0, 255));
  win::StretchBlt(dest.get(), 0, 0, 4, 2, src.get(), 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(dest.at(1, 1), RGB(255, 0, 0));
  EXPECT_EQ(dest.at(2, 0), RGB(0, 0, 255));
  EXPECT_EQ(dest.at(4, 0), RGB(255, 255, 255));

  HRGN clip = win::CreateRectRgn(6, 6, 7, 7);
  win::SelectClipRgn(dest.get(), clip);
  win::DeleteObject(clip);
  win::PatBlt(dest.get(), 0, 0, 8, 8, BLACKNESS);
  EXPECT_EQ(dest.at(6, 6), RGB(0, 0, 0));
  EXPECT_EQ(dest.at(5, 5), RGB(255, 255, 255));
  RECT box;
  EXPECT_EQ(win::GetClipBox(dest.get(), &box), SIMPLEREGION);
  EXPECT_EQ(box, (RECT{6, 6, 7, 7}));
}

TEST(Blit, RecordingDCLogsLogicalGeometryAndSourceResource) {
  auto log = std::make_shared<gdi::DrawLog>();
  gditest::UniqueDC target(gdi::CreateRecordingDC(50, 50, log));
  MemDC src(3, 3);
  gdi::SetBitmapResourceId(static_cast<HBITMAP>(src.bitmap.get()), 201);
  win::SetWindowOrgEx(target.get(), 10, 0, nullptr);
  win::BitBlt(target.get(), 12, 4, 3, 3, src.get(), 0, 0, SRCCOPY);
  auto calls = log->Calls("BitBlt");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rect, (RECT{12, 4, 15, 7}));
  EXPECT_EQ(calls[0].resourceId, 201u);
  EXPECT_EQ(calls[0].rop, SRCCOPY);
}

TEST(Mapping, MetricModeFlipsAndScales) {
  MemDC dc(200, 200);
  win::SetMapMode(dc.get(), MM_LOMETRIC);
  POINT p[2] = {{254, -254}, {0, 0}};  // one inch right and one inch down
  win::LPtoDP(dc.get(), p, 2);
  EXPECT_EQ(p[0].x, 96);
  EXPECT_EQ(p[0].y, 96);
  win::DPtoLP(dc.get(), p, 1);
  EXPECT_EQ(p[0].x, 254);
  EXPECT_EQ(p[0].y, -254);
  win::SetMapMode(dc.get(), MM_TEXT);
  POINT q{5, 5};
  win::LPtoDP(dc.get(), &q, 1);
  EXPECT_EQ(q.x, 5);
}
