#include <gtest/gtest.h>

#include "tests/platform/gdi/GdiTestUtil.h"

using gditest::MemDC;
using gditest::UniqueObj;

TEST(Shapes, FillsStopBeforeRightAndBottom) {
  MemDC dc(6, 6);
  UniqueObj brush(win::CreateSolidBrush(RGB(0, 128, 0)));
  RECT r{1, 1, 4, 4};
  win::FillRect(dc.get(), &r, static_cast<HBRUSH>(brush.get()));
  EXPECT_EQ(dc.at(1, 1), RGB(0, 128, 0));
  EXPECT_EQ(dc.at(3, 3), RGB(0, 128, 0));
  EXPECT_EQ(dc.at(4, 4), RGB(255, 255, 255));
  EXPECT_EQ(dc.at(0, 0), RGB(255, 255, 255));
}

TEST(Shapes, RectangleFramesWithPenAndFillsWithBrush) {
  // the bands of the settings pages: RGB(241,241,241) inside a RGB(225,225,225) frame
  MemDC dc(10, 10);
  UniqueObj pen(win::CreatePen(PS_SOLID, 1, RGB(225, 225, 225)));
  UniqueObj brush(win::CreateSolidBrush(RGB(241, 241, 241)));
  HGDIOBJ oldPen = win::SelectObject(dc.get(), pen.get());
  HGDIOBJ oldBrush = win::SelectObject(dc.get(), brush.get());
  win::Rectangle(dc.get(), 1, 1, 8, 8);
  EXPECT_EQ(dc.at(1, 1), RGB(225, 225, 225));
  EXPECT_EQ(dc.at(7, 7), RGB(225, 225, 225));
  EXPECT_EQ(dc.at(4, 4), RGB(241, 241, 241));
  EXPECT_EQ(dc.at(8, 8), RGB(255, 255, 255));
  win::SelectObject(dc.get(), oldPen);
  win::SelectObject(dc.get(), oldBrush);
}

TEST(Shapes, LinesLeaveOutTheirEndPoint) {
  MemDC dc(10, 10);
  win::MoveToEx(dc.get(), 2, 5, nullptr);
  win::LineTo(dc.get(), 6, 5);
  EXPECT_EQ(dc.at(2, 5), RGB(0, 0, 0));
  EXPECT_EQ(dc.at(5, 5), RGB(0, 0, 0));
  EXPECT_EQ(dc.at(6, 5), RGB(255, 255, 255));
  win::MoveToEx(dc.get(), 8, 8, nullptr);
  win::LineTo(dc.get(), 8, 3);  // upwards
  EXPECT_EQ(dc.at(8, 4), RGB(0, 0, 0));
  EXPECT_EQ(dc.at(8, 3), RGB(255, 255, 255));
}

TEST(Shapes, Draw3dRectAndEtchedEdge) {
  MemDC dc(10, 10);
  gdi::Draw3dRect(dc.get(), RECT{0, 0, 10, 10}, RGB(255, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(dc.at(0, 5), RGB(255, 0, 0));
  EXPECT_EQ(dc.at(5, 0), RGB(255, 0, 0));
  EXPECT_EQ(dc.at(9, 5), RGB(0, 0, 255));
  EXPECT_EQ(dc.at(5, 9), RGB(0, 0, 255));
  EXPECT_EQ(dc.at(5, 5), RGB(255, 255, 255));

  MemDC menu(20, 4);
  RECT r{0, 0, 20, 4};
  win::DrawEdge(menu.get(), &r, EDGE_ETCHED, BF_TOP);
  EXPECT_EQ(menu.at(5, 0), win::GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(menu.at(5, 1), win::GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(menu.at(5, 2), RGB(255, 255, 255));
}

TEST(Shapes, FocusRectTwiceRestores) {
  MemDC dc(8, 8, RGB(10, 20, 30));
  RECT r{1, 1, 7, 7};
  win::DrawFocusRect(dc.get(), &r);
  EXPECT_NE(dc.at(1, 1), RGB(10, 20, 30));
  win::DrawFocusRect(dc.get(), &r);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(dc.at(i, 1), RGB(10, 20, 30));
}
