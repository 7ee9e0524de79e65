#include <gtest/gtest.h>

#include "platform/gdi/PangoText.h"
#include "platform/gdi/TextLayout.h"
#include "tests/platform/gdi/GdiTestUtil.h"

namespace {

LOGFONTW Font(const wchar_t* face, LONG height, LONG weight = FW_NORMAL) {
  LOGFONTW lf;
  lf.lfHeight = height;
  lf.lfWeight = weight;
  for (int i = 0; face[i]; ++i) lf.lfFaceName[i] = face[i];
  return lf;
}

}  // namespace

// Layout arithmetic with every character 6 pixels wide and lines 13 pixels high.
TEST(DrawText, LayoutOfTheFormatsTheWindowsUse) {
  gdi::FixedAdvanceMetrics metrics(6, 13);
  LOGFONTW font = Font(L"Tahoma", -11);
  struct Case {
    const wchar_t* text;
    RECT rect;
    UINT format;
    int lines, firstX, firstY, height;
    const char* why;
  };
  const Case kCases[] = {
      {L"abc", {0, 0, 100, 50}, 0, 1, 0, 0, 13, "format 0: left, top"},
      {L"abc", {0, 0, 100, 50}, DT_SINGLELINE | DT_VCENTER | DT_CENTER, 1, 41, 18, 31, "37: centred both ways"},
      {L"abc", {0, 0, 100, 50}, DT_SINGLELINE | DT_VCENTER | DT_RIGHT, 1, 82, 18, 31, "38: right, centred"},
      {L"abc", {0, 0, 100, 50}, DT_SINGLELINE | DT_VCENTER, 1, 0, 18, 31, "36"},
      {L"a\nb", {0, 0, 100, 50}, 0, 2, 0, 0, 26, "line breaks start new lines"},
      {L"a\r\nb", {0, 0, 100, 50}, DT_SINGLELINE, 1, 0, 0, 13, "32: single line ignores breaks"},
      {L"aaa bbb ccc", {0, 0, 45, 80}, DT_WORDBREAK, 2, 0, 0, 26, "wraps at the last space that fits"},
      {L"aaaaaaaaaaaa", {0, 0, 20, 80}, DT_WORDBREAK, 1, 0, 0, 13, "a long word is never split"},
      {L"x &y", {0, 0, 100, 20}, DT_WORDBREAK | DT_NOPREFIX | DT_EXTERNALLEADING, 1, 0, 0, 13, "0xA20"},
  };
  for (const auto& c : kCases) {
    auto r = gdi::LayoutText(metrics, font, c.text, c.rect, c.format);
    ASSERT_EQ(static_cast<int>(r.lines.size()), c.lines) << c.why;
    EXPECT_EQ(r.lines[0].x, c.firstX) << c.why;
    EXPECT_EQ(r.lines[0].y, c.firstY) << c.why;
    EXPECT_EQ(r.height, c.height) << c.why;
  }
  EXPECT_EQ(gdi::StripPrefixes(L"&Save && go", 0), L"Save & go");
  EXPECT_EQ(gdi::StripPrefixes(L"&Save", DT_NOPREFIX), L"&Save");
}

TEST(DrawText, CalcRectMeasuresWithoutDrawing) {
  gdi::ScopedTextMetrics fixed(std::make_shared<gdi::FixedAdvanceMetrics>(6, 13));
  auto log = std::make_shared<gdi::DrawLog>();
  gditest::UniqueDC dc(gdi::CreateRecordingDC(200, 100, log));
  RECT r{10, 10, 100, 20};
  int h = win::DrawText(dc.get(), L"Scan now", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_EQ(h, 13);
  EXPECT_EQ(r, (RECT{10, 10, 58, 23}));
  RECT wrap{0, 0, 45, 0};
  win::DrawText(dc.get(), L"aaa bbb ccc", -1, &wrap, DT_CALCRECT | DT_WORDBREAK);
  EXPECT_EQ(wrap, (RECT{0, 0, 42, 26}));
  EXPECT_EQ(log->Count("DrawText"), 0u);

  RECT shown{0, 0, 100, 20};
  win::DrawText(dc.get(), L"Go", 2, &shown, DT_SINGLELINE);
  auto calls = log->Calls("DrawText");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, L"Go");
  EXPECT_EQ(calls[0].format, DT_SINGLELINE);
  SIZE size;
  ASSERT_TRUE(win::GetTextExtentPoint32(dc.get(), L"abcd", 4, &size));
  EXPECT_EQ(size.cx, 24);
  EXPECT_EQ(size.cy, 13);
}

// The project's font configuration decides the fonts, not the machine's.
TEST(PangoText, WindowsFacesMapToPinnedFonts) {
  EXPECT_EQ(gdi::ResolvedFamily(Font(L"Arial", -12)), "Liberation Sans");
  EXPECT_EQ(gdi::ResolvedFamily(Font(L"Tahoma", -11)), "DejaVu Sans");
  EXPECT_EQ(gdi::ResolvedFamily(Font(L"Segoe UI", -12)), "DejaVu Sans");
  EXPECT_EQ(gdi::ResolvedFamily(Font(L"NoSuchFace", -12)), "DejaVu Sans");
}

TEST(PangoText, MeasurementsArePinned) {
  gdi::PangoMetrics m;
  // Liberation Sans has Arial's advance widths, so these are the numbers Windows gives for Arial.
  EXPECT_EQ(m.TextWidth(Font(L"Arial", -12), L"Start Scan"), 56);
  EXPECT_EQ(m.TextWidth(Font(L"Arial", -12, FW_BOLD), L"Start Scan"), 60);
  EXPECT_EQ(m.TextWidth(Font(L"Tahoma", -11), L"Exclusion List"), 74);
  TEXTMETRICW tm = m.Metrics(Font(L"Arial", -12));
  EXPECT_EQ(tm.tmHeight, 14);
  EXPECT_GT(m.TextWidth(Font(L"Arial", -16), L"Start Scan"), m.TextWidth(Font(L"Arial", -12), L"Start Scan"));
}

TEST(PangoText, DrawsInTheTextColourWithinTheRectangle) {
  gditest::MemDC dc(120, 30);
  HFONT font = win::CreateFontIndirect(&static_cast<const LOGFONTW&>(Font(L"Arial", -16, FW_BOLD)));
  HGDIOBJ old = win::SelectObject(dc.get(), font);
  win::SetTextColor(dc.get(), RGB(200, 0, 0));
  win::SetBkMode(dc.get(), TRANSPARENT);
  RECT r{0, 0, 60, 30};
  win::DrawText(dc.get(), L"MMMMMMMMMMMM", -1, &r, DT_SINGLELINE | DT_VCENTER);
  int red = 0, outside = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) {
      COLORREF c = dc.at(x, y);
      bool inked = GetGValue(c) < 128;
      if (inked && x < 60) ++red;
      if (inked && x >= 60) ++outside;
    }
  EXPECT_GT(red, 50);
  EXPECT_EQ(outside, 0) << "text is clipped to its rectangle";
  win::SelectObject(dc.get(), old);
  win::DeleteObject(font);
}
