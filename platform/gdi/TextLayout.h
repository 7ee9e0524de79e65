#pragma once
// Where DrawText puts each line: line breaking, alignment and the DT_CALCRECT answer, from measured widths only.
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/TextMetrics.h"

namespace gdi {

struct TextLine {
  std::wstring text;
  int x = 0;  // logical position of the line's top-left
  int y = 0;
  int width = 0;
};

struct TextLayoutResult {
  std::vector<TextLine> lines;
  int lineHeight = 0;
  int height = 0;     // DrawText's return value
  RECT calcRect{};    // the rectangle DT_CALCRECT gives back
};

// The text as shown: '&' prefixes removed unless DT_NOPREFIX ("&&" shows one '&').
std::wstring StripPrefixes(std::wstring_view text, UINT format);

TextLayoutResult LayoutText(TextMetricsProvider& metrics, const LOGFONTW& font, std::wstring_view text,
                            const RECT& rect, UINT format);

}  // namespace gdi
