#include "platform/gdi/DeviceContext.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/HandleTable.h"

namespace gdi {
namespace {

HandleTable<DeviceContext>& Table() {
  static auto* table = new HandleTable<DeviceContext>(0x100000);
  return *table;
}

const LOGFONTW& DefaultFont() {
  static const LOGFONTW font = [] {
    LOGFONTW lf;
    lf.lfHeight = -11;
    lf.lfWeight = FW_NORMAL;
    const wchar_t face[] = L"Tahoma";
    std::copy(std::begin(face), std::end(face), lf.lfFaceName);
    return lf;
  }();
  return font;
}

}  // namespace

HDC AddDC(std::shared_ptr<DeviceContext> dc) { return Table().Add<HDC>(std::move(dc)); }

std::shared_ptr<DeviceContext> FindDC(HDC hdc) { return hdc ? Table().Find(hdc) : nullptr; }

bool RemoveDC(HDC hdc) { return Table().Remove(hdc) != nullptr; }

size_t LiveDCCount() {
  return Table().CountIf([](const DeviceContext&) { return true; });
}

void InitDefaults(DeviceContext& dc) {
  dc.state.font = win::GetStockObject(DEFAULT_GUI_FONT);
  dc.state.fontObj = Find<FontObject>(dc.state.font);
  dc.state.brush = win::GetStockObject(WHITE_BRUSH);
  dc.state.brushObj = Find<BrushObject>(dc.state.brush);
  dc.state.pen = win::GetStockObject(BLACK_PEN);
  dc.state.penObj = Find<PenObject>(dc.state.pen);
}

double DeviceContext::ToDeviceX(double x) const {
  const DcState& s = state;
  return (x - s.windowOrg.x) * s.viewportExt.cx / double(s.windowExt.cx ? s.windowExt.cx : 1) + s.viewportOrg.x;
}
double DeviceContext::ToDeviceY(double y) const {
  const DcState& s = state;
  return (y - s.windowOrg.y) * s.viewportExt.cy / double(s.windowExt.cy ? s.windowExt.cy : 1) + s.viewportOrg.y;
}
double DeviceContext::ToLogicalX(double x) const {
  const DcState& s = state;
  return (x - s.viewportOrg.x) * s.windowExt.cx / double(s.viewportExt.cx ? s.viewportExt.cx : 1) + s.windowOrg.x;
}
double DeviceContext::ToLogicalY(double y) const {
  const DcState& s = state;
  return (y - s.viewportOrg.y) * s.windowExt.cy / double(s.viewportExt.cy ? s.viewportExt.cy : 1) + s.windowOrg.y;
}

POINT DeviceContext::ToDevice(POINT p) const {
  return POINT{static_cast<LONG>(std::lround(ToDeviceX(p.x))), static_cast<LONG>(std::lround(ToDeviceY(p.y)))};
}
POINT DeviceContext::ToLogical(POINT p) const {
  return POINT{static_cast<LONG>(std::lround(ToLogicalX(p.x))), static_cast<LONG>(std::lround(ToLogicalY(p.y)))};
}

RECT DeviceContext::ToSurface(const RECT& r) const {
  POINT a = ToDevice(POINT{r.left, r.top});
  POINT b = ToDevice(POINT{r.right, r.bottom});
  RECT out{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
  win::OffsetRect(&out, origin.x, origin.y);
  return out;
}

RECT DeviceContext::DeviceClipBox() const {
  RECT box{0, 0, deviceSize.cx, deviceSize.cy};
  if (visible) {
    RECT v = *visible;
    win::OffsetRect(&v, -origin.x, -origin.y);
    win::IntersectRect(&box, &box, &v);
  }
  if (state.clip) {
    RECT u{};
    for (const RECT& r : *state.clip) win::UnionRect(&u, &u, &r);
    win::IntersectRect(&box, &box, &u);
  }
  return box;
}

cairo_t* DeviceContext::Begin() const {
  if (!surface) return nullptr;
  cairo_t* cr = cairo_create(surface->cairo());
  RECT bounds{origin.x, origin.y, origin.x + deviceSize.cx, origin.y + deviceSize.cy};
  if (visible) win::IntersectRect(&bounds, &bounds, &*visible);
  cairo_rectangle(cr, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top);
  cairo_clip(cr);
  if (state.clip) {
    for (const RECT& r : *state.clip)
      cairo_rectangle(cr, r.left + origin.x, r.top + origin.y, r.right - r.left, r.bottom - r.top);
    cairo_clip(cr);
  }
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
  return cr;
}

const LOGFONTW& DeviceContext::Font() const { return state.fontObj ? state.fontObj->logfont : DefaultFont(); }

}  // namespace gdi
