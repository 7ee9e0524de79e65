// DrawText, TextOut and the text measuring calls.
#include <cairo.h>

#include <cwchar>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/PangoText.h"
#include "platform/gdi/TextLayout.h"

namespace {

std::wstring_view Slice(const wchar_t* text, int count) {
  if (!text) return {};
  if (count < 0) return std::wstring_view(text, std::wcslen(text));
  return std::wstring_view(text, static_cast<size_t>(count));
}

void SetColor(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

// Draws one line at a logical point; the background box is filled first in OPAQUE mode.
void PaintLine(const gdi::DeviceContext& dc, cairo_t* cr, std::wstring_view text, int x, int y, int width,
               int height) {
  RECT s = dc.ToSurface(RECT{x, y, x + width, y + height});
  if (dc.state.bkMode == OPAQUE && width > 0) {
    SetColor(cr, dc.state.bkColor);
    cairo_rectangle(cr, s.left, s.top, s.right - s.left, s.bottom - s.top);
    cairo_fill(cr);
  }
  SetColor(cr, dc.state.textColor);
  gdi::DrawTextLine(cr, dc.Font(), text, s.left, s.top);
}

}  // namespace

namespace win {

int DrawText(HDC hdc, const wchar_t* text, int count, RECT* rect, UINT format) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || !rect) return 0;
  std::wstring_view view = Slice(text, count);
  auto metrics = gdi::GetTextMetricsProvider();
  gdi::TextLayoutResult layout = gdi::LayoutText(*metrics, dc->Font(), view, *rect, format);
  if (format & DT_CALCRECT) {
    *rect = layout.calcRect;
    return layout.height;
  }
  gdi::DrawCall call;
  call.op = "DrawText";
  call.rect = *rect;
  call.format = format;
  call.color = dc->state.textColor;
  call.text = std::wstring(view);
  dc->Record(std::move(call));
  cairo_t* cr = dc->Begin();
  if (cr) {
    if (!(format & DT_NOCLIP)) {
      RECT s = dc->ToSurface(*rect);
      cairo_rectangle(cr, s.left, s.top, s.right - s.left, s.bottom - s.top);
      cairo_clip(cr);
    }
    for (const auto& line : layout.lines) PaintLine(*dc, cr, line.text, line.x, line.y, line.width, layout.lineHeight);
    cairo_destroy(cr);
  }
  return layout.height;
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rect, const wchar_t* text, UINT count, const int*) {
  auto dc = gdi::FindDC(hdc);
  if (!dc) return FALSE;
  std::wstring_view view = Slice(text, text ? static_cast<int>(count) : 0);
  auto metrics = gdi::GetTextMetricsProvider();
  int width = metrics->TextWidth(dc->Font(), view);
  int height = metrics->Metrics(dc->Font()).tmHeight;
  gdi::DrawCall call;
  call.op = "ExtTextOut";
  call.rect = rect ? *rect : RECT{x, y, x + width, y + height};
  call.src = POINT{x, y};
  call.format = options;
  call.color = (options & ETO_OPAQUE) ? dc->state.bkColor : dc->state.textColor;
  call.text = std::wstring(view);
  dc->Record(std::move(call));
  cairo_t* cr = dc->Begin();
  if (!cr) return TRUE;
  if (rect && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
    RECT s = dc->ToSurface(*rect);
    if (options & ETO_OPAQUE) {
      SetColor(cr, dc->state.bkColor);
      cairo_rectangle(cr, s.left, s.top, s.right - s.left, s.bottom - s.top);
      cairo_fill(cr);
    }
    if (options & ETO_CLIPPED) {
      cairo_rectangle(cr, s.left, s.top, s.right - s.left, s.bottom - s.top);
      cairo_clip(cr);
    }
  }
  if (!view.empty()) {
    // the opaque rectangle already is the background
    int saved = dc->state.bkMode;
    if (rect && (options & ETO_OPAQUE)) dc->state.bkMode = TRANSPARENT;
    PaintLine(*dc, cr, view, x, y, width, height);
    dc->state.bkMode = saved;
  }
  cairo_destroy(cr);
  return TRUE;
}

BOOL TextOut(HDC hdc, int x, int y, const wchar_t* text, int count) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || count < 0) return FALSE;
  std::wstring_view view = Slice(text, count);
  auto metrics = gdi::GetTextMetricsProvider();
  int width = metrics->TextWidth(dc->Font(), view);
  int height = metrics->Metrics(dc->Font()).tmHeight;
  gdi::DrawCall call;
  call.op = "TextOut";
  call.rect = RECT{x, y, x + width, y + height};
  call.color = dc->state.textColor;
  call.text = std::wstring(view);
  dc->Record(std::move(call));
  cairo_t* cr = dc->Begin();
  if (!cr) return TRUE;
  PaintLine(*dc, cr, view, x, y, width, height);
  cairo_destroy(cr);
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, const wchar_t* text, int count, SIZE* size) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || !size || count < 0) return FALSE;
  auto metrics = gdi::GetTextMetricsProvider();
  size->cx = metrics->TextWidth(dc->Font(), Slice(text, count));
  size->cy = metrics->Metrics(dc->Font()).tmHeight;
  return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRICW* out) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || !out) return FALSE;
  *out = gdi::GetTextMetricsProvider()->Metrics(dc->Font());
  return TRUE;
}

}  // namespace win
