#include "platform/gdi/TextLayout.h"

#include <algorithm>

namespace gdi {
namespace {

std::vector<std::wstring> SplitParagraphs(const std::wstring& text, bool single) {
  std::vector<std::wstring> out;
  if (single) {
    std::wstring line;
    for (wchar_t c : text)
      if (c != L'\r' && c != L'\n') line.push_back(c);
    out.push_back(line);
    return out;
  }
  std::wstring cur;
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (c == L'\r' || c == L'\n') {
      out.push_back(cur);
      cur.clear();
      if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') ++i;
    } else {
      cur.push_back(c);
    }
  }
  out.push_back(cur);
  return out;
}

// Breaks one paragraph at spaces so that lines fit the width; a word wider than the width stays whole.
std::vector<std::wstring> Wrap(TextMetricsProvider& m, const LOGFONTW& font, const std::wstring& para, int width) {
  std::vector<std::wstring> lines;
  std::wstring line;
  size_t i = 0;
  while (i < para.size()) {
    size_t spaceEnd = i;
    while (spaceEnd < para.size() && para[spaceEnd] == L' ') ++spaceEnd;
    size_t wordEnd = spaceEnd;
    while (wordEnd < para.size() && para[wordEnd] != L' ') ++wordEnd;
    std::wstring candidate = line + para.substr(i, wordEnd - i);
    if (!line.empty() && m.TextWidth(font, candidate) > width) {
      lines.push_back(line);
      line = para.substr(spaceEnd, wordEnd - spaceEnd);  // spaces at a break are dropped
    } else {
      line = candidate;
    }
    i = wordEnd;
  }
  while (!line.empty() && line.back() == L' ') line.pop_back();
  lines.push_back(line);
  return lines;
}

}  // namespace

std::wstring StripPrefixes(std::wstring_view text, UINT format) {
  if (format & DT_NOPREFIX) return std::wstring(text);
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'&') {
      if (i + 1 < text.size() && text[i + 1] == L'&') {
        out.push_back(L'&');
        ++i;
      }
      continue;
    }
    out.push_back(text[i]);
  }
  return out;
}

TextLayoutResult LayoutText(TextMetricsProvider& metrics, const LOGFONTW& font, std::wstring_view text,
                            const RECT& rect, UINT format) {
  TextLayoutResult r;
  TEXTMETRICW tm = metrics.Metrics(font);
  r.lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const bool single = format & DT_SINGLELINE;
  const int width = rect.right - rect.left;

  std::vector<std::wstring> raw;
  for (const auto& para : SplitParagraphs(StripPrefixes(text, format), single)) {
    if (!single && (format & DT_WORDBREAK)) {
      for (auto& l : Wrap(metrics, font, para, width)) raw.push_back(std::move(l));
    } else {
      raw.push_back(para);
    }
  }

  int maxWidth = 0;
  for (auto& s : raw) {
    TextLine line;
    line.text = std::move(s);
    line.width = metrics.TextWidth(font, line.text);
    maxWidth = std::max(maxWidth, line.width);
    r.lines.push_back(std::move(line));
  }
  const int total = r.lineHeight * static_cast<int>(r.lines.size());

  int top = rect.top;
  if (single && (format & DT_VCENTER)) top = rect.top + (rect.bottom - rect.top - r.lineHeight) / 2;
  else if (single && (format & DT_BOTTOM)) top = rect.bottom - r.lineHeight;
  int y = top;
  for (auto& line : r.lines) {
    if (format & DT_CENTER) line.x = rect.left + (width - line.width) / 2;
    else if (format & DT_RIGHT) line.x = rect.right - line.width;
    else line.x = rect.left;
    line.y = y;
    y += r.lineHeight;
  }
  // vertically placed single lines report how far down their text reaches
  r.height = (single && (format & (DT_VCENTER | DT_BOTTOM))) ? top + total - rect.top : total;

  r.calcRect = rect;
  if (format & DT_CALCRECT) {
    r.calcRect.right = rect.left + maxWidth;
    r.calcRect.bottom = rect.top + total;
    r.height = total;
  }
  return r;
}

}  // namespace gdi
