#include <gtest/gtest.h>

#include <filesystem>

#include "platform/gdi/Images.h"
#include "platform/win/Window.h"
#include "ui/DlgSplash.h"
#include "UiTestWindows.h"

TEST(DlgSplash, ShowsThePictureCentredInPixelsAndDeletesItselfWithItsWindow) {
  gdi::SetScreenSize(1280, 800);
  auto log = std::make_shared<gdi::DrawLog>();
  CDlgSplash* splash = CDlgSplash::CreateAndShow();
  ASSERT_NE(splash, nullptr);
  HWND hwnd = splash->m_hWnd;
  EXPECT_TRUE(win::IsWindowVisible(hwnd));
  RECT rc{};
  win::GetWindowRect(hwnd, &rc);
  EXPECT_EQ(rc, uitest::Xywh((1280 - 443) / 2, (800 - 253) / 2, 443, 253));

  gdi::SetWindowDrawLog(hwnd, log);
  win::InvalidateRect(hwnd, nullptr, TRUE);
  win::UpdateWindow(hwnd);
  auto blits = uitest::BlitsOf(*log, 205);
  ASSERT_EQ(blits.size(), 1u);
  EXPECT_EQ(blits[0].rect, uitest::Xywh(0, 0, 443, 253));
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  EXPECT_TRUE(gdi::SaveWindowPng(hwnd, out / "splash.png"));
  gdi::SetWindowDrawLog(hwnd, nullptr);

  // the object goes with its window (the sanitizer build would report a leak or a double free)
  win::DestroyWindow(hwnd);
  EXPECT_FALSE(win::IsWindow(hwnd));
}
