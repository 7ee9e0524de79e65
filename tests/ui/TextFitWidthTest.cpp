#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "app/DrawingUtils.h"
#include "platform/gdi/TextMetrics.h"

// The fit rule with every character one pixel wide: a text is the width of its length.
TEST(TextFitWidth, SixPixelsOfRoomOrTextWidthPlusNine) {
  gdi::ScopedTextMetrics fixed(std::make_shared<gdi::FixedAdvanceMetrics>(1, 13));
  LOGFONTW lf{};
  lf.lfHeight = -12;
  struct Case {
    int textWidth, width, expected;
  };
  const Case kCases[] = {{94, 100, 100}, {95, 100, 104}, {0, 0, 9}, {10, 16, 16}, {11, 16, 20}};
  for (const auto& c : kCases) {
    // an empty text measures the window's text, which a missing window does not have
    const std::wstring text(static_cast<size_t>(c.textWidth), L'x');
    EXPECT_EQ(GetTextFitWidthWithFont(nullptr, text, &lf, c.width), c.expected) << c.textWidth << " in " << c.width;
  }
}

// With the pinned fonts the answer is the same on every machine.
TEST(TextFitWidth, PinnedFontsGiveFixedAnswers) {
  LOGFONTW arial{};
  arial.lfHeight = -12;
  const wchar_t face[] = L"Arial";
  std::copy(std::begin(face), std::end(face), arial.lfFaceName);
  EXPECT_EQ(GetTextFitWidthWithFont(nullptr, L"Start Scan", &arial, 0), 56 + 9);
  EXPECT_EQ(GetTextFitWidthWithFont(nullptr, L"Start Scan", &arial, 62), 62);
  EXPECT_EQ(GetTextFitWidthWithFont(nullptr, L"Start Scan", &arial, 61), 65);
}
