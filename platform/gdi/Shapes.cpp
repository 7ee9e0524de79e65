// Fills, frames, lines, edges and focus rectangles.
#include <cairo.h>

#include <algorithm>
#include <cstdlib>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

namespace {

void SetColor(cairo_t* cr, COLORREF c) {
  cairo_set_source_rgb(cr, GetRValue(c) / 255.0, GetGValue(c) / 255.0, GetBValue(c) / 255.0);
}

// Fills a rectangle given in surface pixels (no log entry).
void FillSurfaceRect(const gdi::DeviceContext& dc, const RECT& r, COLORREF color) {
  if (r.right <= r.left || r.bottom <= r.top) return;
  cairo_t* cr = dc.Begin();
  if (!cr) return;
  SetColor(cr, color);
  cairo_rectangle(cr, r.left, r.top, r.right - r.left, r.bottom - r.top);
  cairo_fill(cr);
  cairo_destroy(cr);
}

void FillLogical(const gdi::DeviceContext& dc, const RECT& r, COLORREF color) {
  FillSurfaceRect(dc, dc.ToSurface(r), color);
}

void Frame(const gdi::DeviceContext& dc, const RECT& r, COLORREF tl, COLORREF br) {
  RECT s = dc.ToSurface(r);
  if (s.right <= s.left || s.bottom <= s.top) return;
  FillSurfaceRect(dc, RECT{s.left, s.top, s.right - 1, s.top + 1}, tl);
  FillSurfaceRect(dc, RECT{s.left, s.top, s.left + 1, s.bottom - 1}, tl);
  FillSurfaceRect(dc, RECT{s.right - 1, s.top, s.right, s.bottom}, br);
  FillSurfaceRect(dc, RECT{s.left, s.bottom - 1, s.right, s.bottom}, br);
}

gdi::DrawCall Call(const char* op, RECT r, COLORREF color = 0) {
  gdi::DrawCall c;
  c.op = op;
  c.rect = r;
  c.color = color;
  return c;
}

}  // namespace

namespace gdi {

void FillSolidRect(HDC hdc, const RECT& rect, COLORREF color) {
  auto dc = FindDC(hdc);
  if (!dc) return;
  dc->state.bkColor = color;
  dc->Record(Call("FillSolidRect", rect, color));
  FillLogical(*dc, rect, color);
}

void Draw3dRect(HDC hdc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
  auto dc = FindDC(hdc);
  if (!dc) return;
  DrawCall c = Call("Draw3dRect", rect, topLeft);
  c.format = bottomRight;
  dc->Record(std::move(c));
  Frame(*dc, rect, topLeft, bottomRight);
}

}  // namespace gdi

namespace win {

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  auto dc = gdi::FindDC(hdc);
  auto b = gdi::Find<gdi::BrushObject>(brush);
  if (!dc || !rect || !b) return 0;
  dc->Record(Call("FillRect", *rect, b->color));
  if (!b->null) FillLogical(*dc, *rect, b->color);
  return 1;
}

int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
  auto dc = gdi::FindDC(hdc);
  auto b = gdi::Find<gdi::BrushObject>(brush);
  if (!dc || !rect || !b) return 0;
  dc->Record(Call("FrameRect", *rect, b->color));
  if (!b->null) Frame(*dc, *rect, b->color, b->color);
  return 1;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
  auto dc = gdi::FindDC(hdc);
  if (!dc) return FALSE;
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  const auto& pen = dc->state.penObj;
  const auto& brush = dc->state.brushObj;
  bool hasPen = pen && pen->style != PS_NULL;
  gdi::DrawCall c = Call("Rectangle", r, hasPen ? pen->color : 0);
  c.format = brush && !brush->null ? brush->color : CLR_INVALID;
  dc->Record(std::move(c));
  RECT s = dc->ToSurface(r);
  if (hasPen) {
    int w = pen->width;
    if (brush && !brush->null) FillSurfaceRect(*dc, RECT{s.left + w, s.top + w, s.right - w, s.bottom - w}, brush->color);
    FillSurfaceRect(*dc, RECT{s.left, s.top, s.right, s.top + w}, pen->color);
    FillSurfaceRect(*dc, RECT{s.left, s.bottom - w, s.right, s.bottom}, pen->color);
    FillSurfaceRect(*dc, RECT{s.left, s.top, s.left + w, s.bottom}, pen->color);
    FillSurfaceRect(*dc, RECT{s.right - w, s.top, s.right, s.bottom}, pen->color);
  } else if (brush && !brush->null) {
    // without a pen the interior is one pixel smaller on the right and bottom
    FillSurfaceRect(*dc, RECT{s.left, s.top, s.right - 1, s.bottom - 1}, brush->color);
  }
  return TRUE;
}

BOOL MoveToEx(HDC hdc, int x, int y, POINT* old) {
  auto dc = gdi::FindDC(hdc);
  if (!dc) return FALSE;
  if (old) *old = dc->state.currentPos;
  dc->state.currentPos = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC hdc, int x, int y) {
  auto dc = gdi::FindDC(hdc);
  if (!dc) return FALSE;
  POINT from = dc->state.currentPos;
  dc->state.currentPos = POINT{x, y};
  const auto& pen = dc->state.penObj;
  COLORREF color = pen ? pen->color : 0;
  dc->Record(Call("LineTo", RECT{from.x, from.y, x, y}, color));
  if (!pen || pen->style == PS_NULL) return TRUE;
  POINT a = dc->ToDevice(from), b = dc->ToDevice(POINT{x, y});
  a.x += dc->origin.x; a.y += dc->origin.y;
  b.x += dc->origin.x; b.y += dc->origin.y;
  int w = pen->width;
  // the end point itself is not drawn
  if (a.y == b.y) {
    if (b.x > a.x) FillSurfaceRect(*dc, RECT{a.x, a.y, b.x, a.y + w}, color);
    else FillSurfaceRect(*dc, RECT{b.x + 1, a.y, a.x + 1, a.y + w}, color);
    return TRUE;
  }
  if (a.x == b.x) {
    if (b.y > a.y) FillSurfaceRect(*dc, RECT{a.x, a.y, a.x + w, b.y}, color);
    else FillSurfaceRect(*dc, RECT{a.x, b.y + 1, a.x + w, a.y + 1}, color);
    return TRUE;
  }
  cairo_t* cr = dc->Begin();
  if (!cr) return TRUE;
  SetColor(cr, color);
  cairo_set_line_width(cr, w);
  cairo_move_to(cr, a.x + 0.5, a.y + 0.5);
  cairo_line_to(cr, b.x + 0.5, b.y + 0.5);
  cairo_stroke(cr);
  cairo_destroy(cr);
  return TRUE;
}

BOOL DrawEdge(HDC hdc, RECT* rect, UINT edge, UINT flags) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || !rect) return FALSE;
  gdi::DrawCall c = Call("DrawEdge", *rect);
  c.format = edge;
  c.flags = flags;
  dc->Record(std::move(c));
  RECT r = *rect;
  auto line = [&](COLORREF tl, COLORREF br) {
    RECT s = dc->ToSurface(r);
    if (flags & BF_TOP) FillSurfaceRect(*dc, RECT{s.left, s.top, s.right, s.top + 1}, tl);
    if (flags & BF_LEFT) FillSurfaceRect(*dc, RECT{s.left, s.top, s.left + 1, s.bottom}, tl);
    if (flags & BF_BOTTOM) FillSurfaceRect(*dc, RECT{s.left, s.bottom - 1, s.right, s.bottom}, br);
    if (flags & BF_RIGHT) FillSurfaceRect(*dc, RECT{s.right - 1, s.top, s.right, s.bottom}, br);
    if (flags & BF_TOP) r.top++;
    if (flags & BF_LEFT) r.left++;
    if (flags & BF_BOTTOM) r.bottom--;
    if (flags & BF_RIGHT) r.right--;
  };
  const COLORREF light = GetSysColor(COLOR_3DLIGHT), hilite = GetSysColor(COLOR_BTNHIGHLIGHT),
                 shadow = GetSysColor(COLOR_BTNSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
  if (edge & BDR_RAISEDOUTER) line(light, dark);
  else if (edge & BDR_SUNKENOUTER) line(shadow, hilite);
  if (edge & BDR_RAISEDINNER) line(hilite, shadow);
  else if (edge & BDR_SUNKENINNER) line(dark, light);
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rect) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || !rect) return FALSE;
  dc->Record(Call("DrawFocusRect", *rect));
  if (!dc->surface) return TRUE;
  RECT s = dc->ToSurface(*rect);
  RECT box = dc->DeviceClipBox();
  OffsetRect(&box, dc->origin.x, dc->origin.y);
  auto invert = [&](int x, int y) {
    if (!PtInRect(&box, POINT{x, y})) return;
    COLORREF c = dc->surface->GetPixel(x, y);
    if (c != CLR_INVALID) dc->surface->SetPixel(x, y, ~c & 0xFFFFFF);
  };
  // every other pixel inverted, so drawing it twice removes it
  for (int x = s.left; x < s.right; x += 2) {
    invert(x, s.top);
    if (s.bottom - 1 > s.top) invert(x, s.bottom - 1);
  }
  for (int y = s.top + 2; y < s.bottom - 1; y += 2) {
    invert(s.left, y);
    if (s.right - 1 > s.left) invert(s.right - 1, y);
  }
  return TRUE;
}

}  // namespace win
