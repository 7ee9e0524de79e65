#include <gtest/gtest.h>

#include "platform/gdi/Controls.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/LayeredWindow.h"
#include "tests/platform/gdi/ControlTestWindow.h"
#include "tests/platform/gdi/GdiTestUtil.h"

TEST(Images, BitmapsIconsAndCursorsFromResources) {
  HBITMAP flags = static_cast<HBITMAP>(win::LoadImage(nullptr, 221, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
  ASSERT_NE(flags, nullptr);
  BITMAP bm;
  win::GetObject(flags, sizeof bm, &bm);
  EXPECT_EQ(bm.bmWidth, 280);
  EXPECT_EQ(bm.bmHeight, 11);
  win::DeleteObject(flags);
  EXPECT_EQ(win::LoadImage(nullptr, 4321, IMAGE_BITMAP, 0, 0, 0), nullptr);

  // the small tray icon: drawn at 16 x 16, transparent where the icon is
  HICON small = static_cast<HICON>(win::LoadImage(nullptr, 100, IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(small, nullptr);
  gditest::MemDC dc(20, 20, RGB(1, 2, 3));
  EXPECT_TRUE(win::DrawIcon(dc.get(), 2, 2, small));
  EXPECT_EQ(dc.at(2, 2), RGB(1, 2, 3)) << "the corner is transparent";
  EXPECT_NE(dc.at(10, 10), RGB(1, 2, 3));
  EXPECT_EQ(dc.at(19, 19), RGB(1, 2, 3)) << "16 pixels, not 32";
  EXPECT_TRUE(win::DestroyIcon(small));
  EXPECT_FALSE(win::DestroyIcon(small));

  // one image of a list as an icon (the owner-drawn menu's pictures)
  HIMAGELIST list = win::ImageList_Create(14, 11, ILC_COLOR24 | ILC_MASK, 0, 1);
  HBITMAP strip = win::LoadBitmap(nullptr, 221);
  EXPECT_EQ(win::ImageList_AddMasked(list, strip, RGB(255, 255, 255)), 0);
  EXPECT_EQ(win::ImageList_GetImageCount(list), 20);
  HICON flag = win::ImageList_GetIcon(list, 3, 0);
  ASSERT_NE(flag, nullptr);
  gditest::MemDC canvas(14, 11, RGB(9, 9, 9));
  win::DrawIcon(canvas.get(), 0, 0, flag);
  gditest::MemDC expected(14, 11, RGB(9, 9, 9));
  win::ImageList_Draw(list, 3, expected.get(), 0, 0, ILD_TRANSPARENT);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 14; ++x) EXPECT_EQ(canvas.at(x, y), expected.at(x, y));
  EXPECT_EQ(win::ImageList_GetIcon(list, 20, 0), nullptr);
  win::DestroyIcon(flag);
  win::DeleteObject(strip);
  win::ImageList_Destroy(list);

  EXPECT_EQ(gdi::CursorId(win::LoadCursor(nullptr, 316)), 316u);
  EXPECT_EQ(win::LoadCursor(nullptr, 4321), nullptr);
}

TEST(Images, DisplayMetricsAreSettable) {
  gdi::SetScreenSize(1280, 800);
  gdi::SetWorkArea(RECT{0, 0, 1280, 760});
  EXPECT_EQ(win::GetSystemMetrics(SM_CXSCREEN), 1280);
  RECT work{};
  ASSERT_TRUE(win::SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.bottom, 760);
  gdi::SetAnimationEnabled(false);
  ANIMATIONINFO anim;
  win::SystemParametersInfo(SPI_GETANIMATION, sizeof anim, &anim, 0);
  EXPECT_EQ(anim.iMinAnimate, 0);
  gdi::SetScreenSize(1024, 768);
  gdi::SetWorkArea(RECT{0, 0, 1024, 728});
  gdi::SetAnimationEnabled(true);
}

TEST(LayeredWindow, OpacityOnlyForLayeredWindows) {
  gditest::TestWindow w(50, 50);
  EXPECT_FALSE(win::SetLayeredWindowAttributes(w.hwnd(), RGB(255, 0, 255), 201, LWA_ALPHA));
  EXPECT_EQ(gdi::WindowOpacity(w.hwnd()), 255);
  win::SetWindowLong(w.hwnd(), GWL_EXSTYLE, win::GetWindowLong(w.hwnd(), GWL_EXSTYLE) | static_cast<LONG>(WS_EX_LAYERED));
  ASSERT_TRUE(win::SetLayeredWindowAttributes(w.hwnd(), RGB(255, 0, 255), 201, LWA_ALPHA));
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(win::GetLayeredWindowAttributes(w.hwnd(), nullptr, &alpha, &flags));
  EXPECT_EQ(alpha, 201);
  EXPECT_EQ(flags, LWA_ALPHA);
  EXPECT_EQ(gdi::WindowOpacity(w.hwnd()), 201);
}
