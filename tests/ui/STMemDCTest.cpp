#include <gtest/gtest.h>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/GdiObjects.h"
#include "ui/STBufferDC.h"
#include "ui/STMemDC.h"

namespace {

// A target DC whose calls are logged.
struct Target {
  explicit Target(int w = 200, int h = 100, bool printer = false)
      : log(std::make_shared<gdi::DrawLog>()) {
    dc.Attach(printer ? gdi::CreatePrinterDC(w, h, log) : gdi::CreateRecordingDC(w, h, log));
  }
  COLORREF pixel(int x, int y) { return gdi::GetDCSurface(dc.m_hDC)->GetPixel(x, y); }
  std::shared_ptr<gdi::DrawLog> log;
  CDC dc;
};

}  // namespace

TEST(STMemDC, PaintsOffScreenAndReachesTheTargetInOneBitBlt) {
  Target t;
  t.dc.SetBkColor(RGB(10, 20, 30));
  CRect client(0, 0, 200, 100);
  {
    CSTMemDC mem(&t.dc, &client);
    mem->FillSolidRect(CRect(5, 5, 15, 15), RGB(255, 0, 0));
    mem->Draw3dRect(CRect(20, 20, 40, 40), RGB(0, 255, 0), RGB(0, 0, 255));
    EXPECT_EQ(t.log->Calls().size(), 0u) << "nothing reaches the target while painting";
    EXPECT_EQ(t.pixel(10, 10), RGB(255, 255, 255));
  }
  auto calls = t.log->Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].op, "BitBlt");
  EXPECT_EQ(calls[0].rect, (RECT{0, 0, 200, 100}));
  EXPECT_EQ(calls[0].rop, SRCCOPY);
  EXPECT_EQ(t.pixel(10, 10), RGB(255, 0, 0));
  EXPECT_EQ(t.pixel(20, 30), RGB(0, 255, 0));
  EXPECT_EQ(t.pixel(100, 80), RGB(10, 20, 30)) << "the buffer starts in the target's background colour";
}

TEST(STMemDC, WithoutRectangleBuffersOnlyTheClipBoxAtItsOwnCoordinates) {
  Target t;
  CRgn clip;
  clip.CreateRectRgn(50, 10, 90, 30);
  t.dc.SelectClipRgn(&clip);
  {
    CSTMemDC mem(&t.dc);
    mem->FillSolidRect(CRect(60, 15, 70, 25), RGB(0, 0, 255));  // target coordinates work unchanged
  }
  auto blits = t.log->Calls("BitBlt");
  ASSERT_EQ(blits.size(), 1u);
  EXPECT_EQ(blits[0].rect, (RECT{50, 10, 90, 30}));
  EXPECT_EQ(blits[0].src, (POINT{50, 10}));
  EXPECT_EQ(t.pixel(65, 20), RGB(0, 0, 255));
}

TEST(STMemDC, MetricMappingBuffersInDeviceUnitsAndDrawsInLogicalOnes) {
  Target t(200, 200);
  t.dc.SetMapMode(MM_LOMETRIC);
  CRect inch(0, 0, 254, -254);  // one inch square, y upwards
  {
    CSTMemDC mem(&t.dc, &inch);
    EXPECT_EQ(mem.GetMapMode(), MM_LOMETRIC);
    BITMAP bm{};
    mem.GetCurrentBitmap()->GetBitmap(&bm);
    EXPECT_EQ(bm.bmWidth, 96);
    EXPECT_EQ(bm.bmHeight, 96);
    mem->FillSolidRect(CRect(127, -127, 254, -254), RGB(0, 128, 0));  // the lower right quarter
  }
  EXPECT_EQ(t.pixel(70, 70), RGB(0, 128, 0));
  EXPECT_NE(t.pixel(20, 20), RGB(0, 128, 0));
}

TEST(STMemDC, PrinterDCIsDrawnIntoDirectlyAndKeepsItsHandles) {
  Target t(100, 100, true);
  HDC printer = t.dc.m_hDC;
  {
    CSTMemDC mem(&t.dc, CRect(0, 0, 100, 100));
    EXPECT_TRUE(mem.IsPrinting());
    mem->FillSolidRect(CRect(1, 1, 2, 2), RGB(1, 2, 3));
  }
  EXPECT_EQ(t.log->Count("BitBlt"), 0u);
  EXPECT_EQ(t.log->Count("FillSolidRect"), 2u) << "the background fill and the drawing, both on the printer";
  EXPECT_EQ(t.dc.m_hDC, printer);
  EXPECT_NE(t.dc.GetBkColor(), CLR_INVALID) << "the printer DC still exists";
}

TEST(STBufferDC, LeavesNoObjectsBehind) {
  size_t dcs = gdi::LiveDCCount(), objects = gdi::LiveObjectCount();
  {
    CSTBufferDC buffer;
    buffer.CreateCompatibleDC(nullptr);
    buffer.m_bitmap.CreateBitmap(10, 10, 1, 32, nullptr);
    buffer.m_oldObject = buffer.SelectObject(buffer.m_bitmap.GetSafeHandle());
    buffer.m_rect = RECT{0, 0, 10, 10};
  }
  EXPECT_EQ(gdi::LiveDCCount(), dcs);
  EXPECT_EQ(gdi::LiveObjectCount(), objects);
}
