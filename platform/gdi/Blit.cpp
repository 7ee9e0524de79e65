// BitBlt, StretchBlt and PatBlt with the ternary raster operations, and single pixels.
#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

namespace {

uint32_t ToPixel(COLORREF c) {
  return (uint32_t{GetRValue(c)} << 16) | (uint32_t{GetGValue(c)} << 8) | GetBValue(c);
}

// Result of a raster operation: bit i of the operation's index byte gives the result for the pattern, source and
// destination bits (P << 2 | S << 1 | D) = i, applied to all 24 colour bits at once.
uint32_t ApplyRop(DWORD rop, uint32_t p, uint32_t s, uint32_t d) {
  const uint32_t index = (rop >> 16) & 0xFF;
  uint32_t out = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(index & (1u << i))) continue;
    uint32_t m = ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    out |= m;
  }
  return out & 0xFFFFFF;
}

bool UsesSource(DWORD rop) {
  const uint32_t index = (rop >> 16) & 0xFF;
  return ((index >> 2) & 0x33) != (index & 0x33);
}

// Draws `image` (already sized to the destination) at the surface rectangle, combined with what is there.
void Compose(const gdi::DeviceContext& dc, const RECT& target, cairo_surface_t* image, DWORD rop, COLORREF brush) {
  int w = target.right - target.left, h = target.bottom - target.top;
  if (w <= 0 || h <= 0) return;
  if (rop != SRCCOPY) {
    // combine pixel by pixel with the destination as it is now
    cairo_surface_t* dest = dc.surface->cairo();
    cairo_surface_flush(dest);
    cairo_surface_flush(image);
    const int dstride = cairo_image_surface_get_stride(dest);
    const int istride = cairo_image_surface_get_stride(image);
    const int dw = cairo_image_surface_get_width(dest), dh = cairo_image_surface_get_height(dest);
    unsigned char* ddata = cairo_image_surface_get_data(dest);
    unsigned char* idata = cairo_image_surface_get_data(image);
    const uint32_t pat = ToPixel(brush);
    for (int y = 0; y < h; ++y) {
      int sy = target.top + y;
      for (int x = 0; x < w; ++x) {
        int sx = target.left + x;
        auto* ip = reinterpret_cast<uint32_t*>(idata + y * istride) + x;
        uint32_t d = (sx >= 0 && sy >= 0 && sx < dw && sy < dh)
                         ? *(reinterpret_cast<uint32_t*>(ddata + sy * dstride) + sx) & 0xFFFFFF
                         : 0;
        *ip = 0xFF000000u | ApplyRop(rop, pat, *ip & 0xFFFFFF, d);
      }
    }
    cairo_surface_mark_dirty(image);
  }
  cairo_t* cr = dc.Begin();
  if (!cr) return;
  cairo_set_source_surface(cr, image, target.left, target.top);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
  cairo_rectangle(cr, target.left, target.top, w, h);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_fill(cr);
  cairo_destroy(cr);
}

BOOL Blit(HDC destDc, int x, int y, int width, int height, HDC srcDc, int sx, int sy, int sw, int sh, DWORD rop,
          bool stretch) {
  auto dest = gdi::FindDC(destDc);
  if (!dest) return FALSE;
  auto src = srcDc ? gdi::FindDC(srcDc) : nullptr;
  bool needsSource = UsesSource(rop);
  if (needsSource && !src) return FALSE;

  gdi::DrawCall call;
  call.op = stretch ? "StretchBlt" : "BitBlt";
  call.rect = RECT{x, y, x + width, y + height};
  call.src = POINT{sx, sy};
  call.srcSize = SIZE{sw, sh};
  call.rop = rop;
  if (src && src->state.bitmapObj && src->memory) call.resourceId = src->state.bitmapObj->resourceId;
  dest->Record(std::move(call));
  if (!dest->surface) return TRUE;

  RECT target = dest->ToSurface(RECT{x, y, x + width, y + height});
  int tw = target.right - target.left, th = target.bottom - target.top;
  if (tw <= 0 || th <= 0) return TRUE;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, tw, th);
  if (needsSource && src->surface) {
    RECT from = src->ToSurface(RECT{sx, sy, sx + sw, sy + sh});
    int fw = from.right - from.left, fh = from.bottom - from.top;
    cairo_t* cr = cairo_create(image);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    if (fw > 0 && fh > 0) {
      // mirrored blits (negative sizes) are not used by the windows; they copy unmirrored
      cairo_scale(cr, double(tw) / fw, double(th) / fh);
      cairo_set_source_surface(cr, src->surface->cairo(), -from.left, -from.top);
      cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
      cairo_paint(cr);  // outside the source stays black
    }
    cairo_destroy(cr);
  }
  COLORREF brush = dest->state.brushObj && !dest->state.brushObj->null ? dest->state.brushObj->color : RGB(255, 255, 255);
  Compose(*dest, target, image, rop, brush);
  cairo_surface_destroy(image);
  return TRUE;
}

}  // namespace

namespace win {

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, DWORD rop) {
  return Blit(dest, x, y, width, height, src, srcX, srcY, width, height, rop, false);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop) {
  return Blit(dest, x, y, width, height, src, srcX, srcY, srcWidth, srcHeight, rop, true);
}

BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource(rop)) return FALSE;
  return Blit(hdc, x, y, width, height, nullptr, 0, 0, 0, 0, rop, false);
}

COLORREF GetPixel(HDC hdc, int x, int y) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || !dc->surface) return CLR_INVALID;
  POINT p = dc->ToDevice(POINT{x, y});
  RECT box = dc->DeviceClipBox();
  if (!PtInRect(&box, p)) return CLR_INVALID;
  return dc->surface->GetPixel(p.x + dc->origin.x, p.y + dc->origin.y);
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
  auto dc = gdi::FindDC(hdc);
  if (!dc || !dc->surface) return CLR_INVALID;
  POINT p = dc->ToDevice(POINT{x, y});
  RECT box = dc->DeviceClipBox();
  if (!PtInRect(&box, p)) return CLR_INVALID;
  dc->surface->SetPixel(p.x + dc->origin.x, p.y + dc->origin.y, color);
  return color & 0xFFFFFF;
}

}  // namespace win
