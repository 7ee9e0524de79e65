// DCs, objects, colours, modes, mapping and clipping.
#include <algorithm>
#include <array>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/Gdi.h"

using gdi::DeviceContext;
using gdi::FindDC;

namespace {

HGDIOBJ AddStock(std::shared_ptr<gdi::GdiObject> obj) {
  obj->stock = true;
  return gdi::AddObject(std::move(obj));
}

const std::array<HGDIOBJ, 20>& StockObjects() {
  static const std::array<HGDIOBJ, 20> stock = [] {
    std::array<HGDIOBJ, 20> s{};
    s[WHITE_BRUSH] = AddStock(std::make_shared<gdi::BrushObject>(RGB(255, 255, 255), false));
    s[LTGRAY_BRUSH] = AddStock(std::make_shared<gdi::BrushObject>(RGB(192, 192, 192), false));
    s[GRAY_BRUSH] = AddStock(std::make_shared<gdi::BrushObject>(RGB(128, 128, 128), false));
    s[DKGRAY_BRUSH] = AddStock(std::make_shared<gdi::BrushObject>(RGB(64, 64, 64), false));
    s[BLACK_BRUSH] = AddStock(std::make_shared<gdi::BrushObject>(RGB(0, 0, 0), false));
    s[NULL_BRUSH] = AddStock(std::make_shared<gdi::BrushObject>(0, true));
    s[WHITE_PEN] = AddStock(std::make_shared<gdi::PenObject>(PS_SOLID, 1, RGB(255, 255, 255)));
    s[BLACK_PEN] = AddStock(std::make_shared<gdi::PenObject>(PS_SOLID, 1, RGB(0, 0, 0)));
    s[NULL_PEN] = AddStock(std::make_shared<gdi::PenObject>(PS_NULL, 1, 0));
    LOGFONTW lf;
    lf.lfHeight = -11;
    lf.lfWeight = FW_NORMAL;
    const wchar_t face[] = L"Tahoma";
    std::copy(std::begin(face), std::end(face), lf.lfFaceName);
    s[DEFAULT_GUI_FONT] = AddStock(std::make_shared<gdi::FontObject>(lf));
    // a memory DC starts with a 1x1 monochrome bitmap selected
    s[19] = AddStock(std::make_shared<gdi::BitmapObject>(1, 1, 1));
    return s;
  }();
  return stock;
}

HGDIOBJ DefaultBitmap() { return StockObjects()[19]; }

// 64 million pixels (256 MB): far above any window, far below what would exhaust the machine
constexpr long long kMaxPixels = 1LL << 26;

template <class R, class F>
R WithDC(HDC hdc, R fail, F f) {
  auto dc = FindDC(hdc);
  return dc ? static_cast<R>(f(*dc)) : fail;
}

}  // namespace

namespace gdi {

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, SIZE deviceSize, const RECT* visible) {
  auto dc = std::make_shared<DeviceContext>();
  dc->surface = std::move(surface);
  dc->origin = origin;
  dc->deviceSize = deviceSize;
  if (visible) dc->visible = *visible;
  InitDefaults(*dc);
  return AddDC(std::move(dc));
}

HDC CreateRecordingDC(int width, int height, std::shared_ptr<DrawLog> log) {
  HDC hdc = CreateSurfaceDC(std::make_shared<Surface>(width, height), POINT{}, SIZE{width, height});
  SetDrawLog(hdc, std::move(log));
  return hdc;
}

HDC CreatePrinterDC(int width, int height, std::shared_ptr<DrawLog> log) {
  HDC hdc = CreateRecordingDC(width, height, std::move(log));
  if (auto dc = FindDC(hdc)) dc->printing = true;
  return hdc;
}

void SetDrawLog(HDC hdc, std::shared_ptr<DrawLog> log) {
  if (auto dc = FindDC(hdc)) dc->log = std::move(log);
}

bool IsPrinterDC(HDC hdc) {
  auto dc = FindDC(hdc);
  return dc && dc->printing;
}

bool IsMemoryDC(HDC hdc) {
  auto dc = FindDC(hdc);
  return dc && dc->memory;
}

std::shared_ptr<Surface> GetDCSurface(HDC hdc) {
  auto dc = FindDC(hdc);
  return dc ? dc->surface : nullptr;
}

std::shared_ptr<Surface> GetBitmapSurface(HBITMAP bitmap) {
  auto bmp = Find<BitmapObject>(bitmap);
  return bmp ? bmp->surface : nullptr;
}

void SetBitmapResourceId(HBITMAP bitmap, UINT id) {
  if (auto bmp = Find<BitmapObject>(bitmap)) bmp->resourceId = id;
}

}  // namespace gdi

namespace win {

HDC CreateCompatibleDC(HDC hdc) {
  if (hdc && !FindDC(hdc)) return nullptr;
  auto dc = std::make_shared<DeviceContext>();
  dc->memory = true;
  gdi::InitDefaults(*dc);
  dc->state.bitmap = DefaultBitmap();
  dc->state.bitmapObj = gdi::Find<gdi::BitmapObject>(dc->state.bitmap);
  dc->surface = dc->state.bitmapObj->surface;
  dc->deviceSize = SIZE{1, 1};
  return gdi::AddDC(std::move(dc));
}

BOOL DeleteDC(HDC hdc) { return gdi::RemoveDC(hdc) ? TRUE : FALSE; }

int SaveDC(HDC hdc) {
  return WithDC(hdc, 0, [](DeviceContext& dc) {
    dc.saved.push_back(dc.state);
    return static_cast<int>(dc.saved.size());
  });
}

BOOL RestoreDC(HDC hdc, int saved) {
  return WithDC(hdc, FALSE, [saved](DeviceContext& dc) -> BOOL {
    int n = static_cast<int>(dc.saved.size());
    int index = saved < 0 ? n + saved : saved - 1;
    if (index < 0 || index >= n) return FALSE;
    dc.state = dc.saved[index];
    dc.saved.resize(index);
    if (dc.memory && dc.state.bitmapObj) {
      dc.surface = dc.state.bitmapObj->surface;
      dc.deviceSize = SIZE{dc.surface->width(), dc.surface->height()};
    }
    return TRUE;
  });
}

int GetDeviceCaps(HDC hdc, int index) {
  return WithDC(hdc, 0, [index](DeviceContext& dc) {
    switch (index) {
      case HORZRES: return static_cast<int>(dc.deviceSize.cx);
      case VERTRES: return static_cast<int>(dc.deviceSize.cy);
      case BITSPIXEL: return dc.memory && dc.state.bitmapObj ? dc.state.bitmapObj->bitsPixel : 32;
      case RASTERCAPS: return RC_BITBLT | RC_STRETCHBLT;  // true colour: no palette
      case LOGPIXELSX:
      case LOGPIXELSY: return 96;
      default: return 0;
    }
  });
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
  auto dc = FindDC(hdc);
  if (!dc || width < 0 || height < 0 || static_cast<long long>(width) * height > kMaxPixels) return nullptr;
  // a memory DC's compatible bitmap has the format of the bitmap selected in it, as on Windows
  int bits = dc->memory && dc->state.bitmapObj ? dc->state.bitmapObj->bitsPixel : 32;
  return static_cast<HBITMAP>(gdi::AddObject(std::make_shared<gdi::BitmapObject>(width, height, bits)));
}

HBITMAP CreateBitmap(int width, int height, UINT, UINT bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || static_cast<long long>(width) * height > kMaxPixels) return nullptr;
  auto bmp = std::make_shared<gdi::BitmapObject>(width, height, static_cast<int>(bitsPerPixel));
  if (bits && bitsPerPixel == 32) {
    // 32-bit rows as a DIB holds them in memory (B, G, R, unused) are the surface's 0x00RRGGBB values
    const auto* px = static_cast<const uint32_t*>(bits);
    bmp->surface->SetPixels(std::vector<uint32_t>(px, px + static_cast<size_t>(width) * height));
  } else if (bitsPerPixel != 1) {
    bmp->surface->Fill(RGB(0, 0, 0));
  }
  return static_cast<HBITMAP>(gdi::AddObject(std::move(bmp)));
}

HBRUSH CreateSolidBrush(COLORREF color) {
  return static_cast<HBRUSH>(gdi::AddObject(std::make_shared<gdi::BrushObject>(color & 0xFFFFFF, false)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush) return nullptr;
  return static_cast<HBRUSH>(
      gdi::AddObject(std::make_shared<gdi::BrushObject>(brush->lbColor & 0xFFFFFF, brush->lbStyle == BS_NULL_BRUSH)));
}

HPEN CreatePen(int style, int width, COLORREF color) {
  return static_cast<HPEN>(gdi::AddObject(std::make_shared<gdi::PenObject>(style, std::max(width, 1), color)));
}

HFONT CreateFontIndirect(const LOGFONTW* font) {
  if (!font) return nullptr;
  LOGFONTW lf = *font;
  lf.lfFaceName[LF_FACESIZE - 1] = 0;  // a face that fills the array is cut, never read past
  return static_cast<HFONT>(gdi::AddObject(std::make_shared<gdi::FontObject>(lf)));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const wchar_t* face) {
  LOGFONTW lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  for (int i = 0; face && face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
  return CreateFontIndirect(&lf);
}

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  auto rgn = std::make_shared<gdi::RegionObject>();
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
  if (!IsRectEmpty(&r)) rgn->rects.push_back(r);
  return static_cast<HRGN>(gdi::AddObject(std::move(rgn)));
}

HRGN CreateRectRgnIndirect(const RECT* rect) {
  return rect ? CreateRectRgn(rect->left, rect->top, rect->right, rect->bottom) : nullptr;
}

namespace {
int RegionKind(const gdi::RegionObject& r) {
  return r.rects.empty() ? NULLREGION : r.rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
}  // namespace

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
  auto d = gdi::Find<gdi::RegionObject>(dest);
  auto a = gdi::Find<gdi::RegionObject>(src1);
  if (!d || !a) return ERROR_REGION;
  std::vector<RECT> out;
  if (mode == RGN_COPY) {
    out = a->rects;
  } else {
    auto b = gdi::Find<gdi::RegionObject>(src2);
    if (!b) return ERROR_REGION;
    if (mode == RGN_OR) {
      out = a->rects;
      out.insert(out.end(), b->rects.begin(), b->rects.end());
    } else if (mode == RGN_AND) {
      for (const RECT& x : a->rects)
        for (const RECT& y : b->rects) {
          RECT r;
          if (IntersectRect(&r, &x, &y)) out.push_back(r);
        }
    } else {
      return ERROR_REGION;
    }
  }
  d->rects = std::move(out);
  return RegionKind(*d);
}

int GetRgnBox(HRGN region, RECT* box) {
  auto r = gdi::Find<gdi::RegionObject>(region);
  if (!r || !box) return ERROR_REGION;
  RECT u{};
  for (const RECT& x : r->rects) UnionRect(&u, &u, &x);
  *box = u;
  return RegionKind(*r);
}

HGDIOBJ GetStockObject(int index) {
  if (index < 0 || index >= 19) return nullptr;
  return StockObjects()[index];
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object) {
  auto dc = FindDC(hdc);
  auto obj = gdi::FindObject(object);
  if (!dc || !obj) return nullptr;
  gdi::DcState& s = dc->state;
  HGDIOBJ old = nullptr;
  switch (obj->type) {
    case OBJ_BITMAP: {
      if (!dc->memory) return nullptr;  // only memory DCs take bitmaps
      old = s.bitmap;
      s.bitmap = object;
      s.bitmapObj = std::static_pointer_cast<gdi::BitmapObject>(obj);
      dc->surface = s.bitmapObj->surface;
      dc->deviceSize = SIZE{dc->surface->width(), dc->surface->height()};
      break;
    }
    case OBJ_FONT:
      old = s.font;
      s.font = object;
      s.fontObj = std::static_pointer_cast<gdi::FontObject>(obj);
      break;
    case OBJ_BRUSH:
      old = s.brush;
      s.brush = object;
      s.brushObj = std::static_pointer_cast<gdi::BrushObject>(obj);
      break;
    case OBJ_PEN:
      old = s.pen;
      s.pen = object;
      s.penObj = std::static_pointer_cast<gdi::PenObject>(obj);
      break;
    case OBJ_REGION: {
      SelectClipRgn(hdc, static_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(SIMPLEREGION));
    }
    default: return nullptr;
  }
  return old;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
  auto dc = FindDC(hdc);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_BITMAP: return dc->state.bitmap;
    case OBJ_FONT: return dc->state.font;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_PEN: return dc->state.pen;
    default: return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ object) {
  auto obj = gdi::FindObject(object);
  if (!obj) return FALSE;
  if (obj->stock) return TRUE;
  return gdi::RemoveObject(object) ? TRUE : FALSE;
}

DWORD GetObjectType(HGDIOBJ object) {
  auto obj = gdi::FindObject(object);
  return obj ? obj->type : 0;
}

int GetObject(HGDIOBJ object, int size, void* out) {
  auto obj = gdi::FindObject(object);
  if (!obj) return 0;
  if (auto bmp = std::dynamic_pointer_cast<gdi::BitmapObject>(obj)) {
    if (!out) return sizeof(BITMAP);
    if (size < static_cast<int>(sizeof(BITMAP))) return 0;
    BITMAP b;
    b.bmWidth = bmp->surface->width();
    b.bmHeight = bmp->surface->height();
    b.bmBitsPixel = static_cast<WORD>(bmp->bitsPixel);
    b.bmPlanes = 1;
    b.bmWidthBytes = ((b.bmWidth * bmp->bitsPixel + 15) / 16) * 2;
    std::memcpy(out, &b, sizeof b);
    return sizeof(BITMAP);
  }
  if (auto font = std::dynamic_pointer_cast<gdi::FontObject>(obj)) {
    if (!out) return sizeof(LOGFONTW);
    if (size < static_cast<int>(sizeof(LOGFONTW))) return 0;
    std::memcpy(out, &font->logfont, sizeof(LOGFONTW));
    return sizeof(LOGFONTW);
  }
  if (auto brush = std::dynamic_pointer_cast<gdi::BrushObject>(obj)) {
    if (!out) return sizeof(LOGBRUSH);
    if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
    LOGBRUSH lb;
    lb.lbStyle = brush->null ? BS_NULL_BRUSH : BS_SOLID_BRUSH;
    lb.lbColor = brush->color;
    std::memcpy(out, &lb, sizeof lb);
    return sizeof(LOGBRUSH);
  }
  return 0;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
  return WithDC(hdc, CLR_INVALID, [color](DeviceContext& dc) { return std::exchange(dc.state.textColor, color); });
}
COLORREF GetTextColor(HDC hdc) {
  return WithDC(hdc, CLR_INVALID, [](DeviceContext& dc) { return dc.state.textColor; });
}
COLORREF SetBkColor(HDC hdc, COLORREF color) {
  return WithDC(hdc, CLR_INVALID, [color](DeviceContext& dc) { return std::exchange(dc.state.bkColor, color); });
}
COLORREF GetBkColor(HDC hdc) {
  return WithDC(hdc, CLR_INVALID, [](DeviceContext& dc) { return dc.state.bkColor; });
}
int SetBkMode(HDC hdc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return WithDC(hdc, 0, [mode](DeviceContext& dc) { return std::exchange(dc.state.bkMode, mode); });
}
int GetBkMode(HDC hdc) {
  return WithDC(hdc, 0, [](DeviceContext& dc) { return dc.state.bkMode; });
}

COLORREF GetSysColor(int index) {
  // the classic scheme, so owner-drawn items look the same on every machine
  switch (index) {
    case COLOR_SCROLLBAR: return RGB(200, 200, 200);
    case COLOR_BACKGROUND: return RGB(58, 110, 165);
    case COLOR_ACTIVECAPTION: return RGB(10, 36, 106);
    case COLOR_MENU: return RGB(240, 240, 240);
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(100, 100, 100);
    case COLOR_MENUTEXT:
    case COLOR_WINDOWTEXT:
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_HIGHLIGHT:
    case COLOR_MENUHILIGHT: return RGB(51, 153, 255);
    case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
    case COLOR_BTNFACE:
    case COLOR_MENUBAR: return RGB(240, 240, 240);
    case COLOR_BTNSHADOW: return RGB(160, 160, 160);
    case COLOR_GRAYTEXT: return RGB(109, 109, 109);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(105, 105, 105);
    case COLOR_3DLIGHT: return RGB(227, 227, 227);
    case COLOR_HOTLIGHT: return RGB(0, 102, 204);
    default: return 0;
  }
}

HBRUSH GetSysColorBrush(int index) {
  static std::array<HGDIOBJ, 31> brushes = [] {
    std::array<HGDIOBJ, 31> b{};
    for (int i = 0; i < 31; ++i) b[i] = AddStock(std::make_shared<gdi::BrushObject>(GetSysColor(i), false));
    return b;
  }();
  return index >= 0 && index < 31 ? static_cast<HBRUSH>(brushes[index]) : nullptr;
}

int SetMapMode(HDC hdc, int mode) {
  if (mode < MM_TEXT || mode > MM_ANISOTROPIC) return 0;
  return WithDC(hdc, 0, [mode](DeviceContext& dc) {
    gdi::DcState& s = dc.state;
    int old = std::exchange(s.mapMode, mode);
    // units per inch of the fixed modes at 96 device pixels per inch; y grows upwards in all of them
    int perInch = 0;
    switch (mode) {
      case MM_LOMETRIC: perInch = 254; break;
      case MM_HIMETRIC: perInch = 2540; break;
      case MM_LOENGLISH: perInch = 100; break;
      case MM_HIENGLISH: perInch = 1000; break;
      case MM_TWIPS: perInch = 1440; break;
      case MM_TEXT: s.windowExt = SIZE{1, 1}; s.viewportExt = SIZE{1, 1}; break;
      default: break;  // isotropic and anisotropic keep the extents the caller sets
    }
    if (perInch) {
      s.windowExt = SIZE{perInch, perInch};
      s.viewportExt = SIZE{96, -96};
    }
    return old;
  });
}

int GetMapMode(HDC hdc) {
  return WithDC(hdc, 0, [](DeviceContext& dc) { return dc.state.mapMode; });
}

namespace {
BOOL SetPoint(HDC hdc, POINT gdi::DcState::*member, int x, int y, bool offset, POINT* old) {
  return WithDC(hdc, FALSE, [&](DeviceContext& dc) -> BOOL {
    POINT& p = dc.state.*member;
    if (old) *old = p;
    p = offset ? POINT{p.x + x, p.y + y} : POINT{x, y};
    return TRUE;
  });
}
BOOL GetPoint(HDC hdc, POINT gdi::DcState::*member, POINT* out) {
  return WithDC(hdc, FALSE, [&](DeviceContext& dc) -> BOOL {
    if (!out) return FALSE;
    *out = dc.state.*member;
    return TRUE;
  });
}
BOOL SetExt(HDC hdc, SIZE gdi::DcState::*member, int cx, int cy, SIZE* old) {
  return WithDC(hdc, FALSE, [&](DeviceContext& dc) -> BOOL {
    if (old) *old = dc.state.*member;
    // only the scalable modes take new extents; a zero extent is refused
    if (dc.state.mapMode != MM_ISOTROPIC && dc.state.mapMode != MM_ANISOTROPIC) return TRUE;
    if (cx == 0 || cy == 0) return FALSE;
    dc.state.*member = SIZE{cx, cy};
    return TRUE;
  });
}
}  // namespace

BOOL SetWindowOrgEx(HDC hdc, int x, int y, POINT* old) { return SetPoint(hdc, &gdi::DcState::windowOrg, x, y, false, old); }
BOOL GetWindowOrgEx(HDC hdc, POINT* out) { return GetPoint(hdc, &gdi::DcState::windowOrg, out); }
BOOL OffsetWindowOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  return SetPoint(hdc, &gdi::DcState::windowOrg, dx, dy, true, old);
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, POINT* old) {
  return SetPoint(hdc, &gdi::DcState::viewportOrg, x, y, false, old);
}
BOOL GetViewportOrgEx(HDC hdc, POINT* out) { return GetPoint(hdc, &gdi::DcState::viewportOrg, out); }
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, POINT* old) {
  return SetPoint(hdc, &gdi::DcState::viewportOrg, dx, dy, true, old);
}
BOOL SetWindowExtEx(HDC hdc, int cx, int cy, SIZE* old) { return SetExt(hdc, &gdi::DcState::windowExt, cx, cy, old); }
BOOL SetViewportExtEx(HDC hdc, int cx, int cy, SIZE* old) {
  return SetExt(hdc, &gdi::DcState::viewportExt, cx, cy, old);
}

BOOL GetWindowExtEx(HDC hdc, SIZE* out) {
  return WithDC(hdc, FALSE, [&](DeviceContext& dc) -> BOOL {
    if (!out) return FALSE;
    *out = dc.state.windowExt;
    return TRUE;
  });
}

BOOL GetViewportExtEx(HDC hdc, SIZE* out) {
  return WithDC(hdc, FALSE, [&](DeviceContext& dc) -> BOOL {
    if (!out) return FALSE;
    *out = dc.state.viewportExt;
    return TRUE;
  });
}

BOOL LPtoDP(HDC hdc, POINT* points, int count) {
  return WithDC(hdc, FALSE, [&](DeviceContext& dc) -> BOOL {
    if (!points && count > 0) return FALSE;
    for (int i = 0; i < count; ++i) points[i] = dc.ToDevice(points[i]);
    return TRUE;
  });
}

BOOL DPtoLP(HDC hdc, POINT* points, int count) {
  return WithDC(hdc, FALSE, [&](DeviceContext& dc) -> BOOL {
    if (!points && count > 0) return FALSE;
    for (int i = 0; i < count; ++i) points[i] = dc.ToLogical(points[i]);
    return TRUE;
  });
}

int GetClipBox(HDC hdc, RECT* box) {
  return WithDC(hdc, ERROR_REGION, [&](DeviceContext& dc) -> int {
    if (!box) return ERROR_REGION;
    RECT d = dc.DeviceClipBox();
    POINT a = dc.ToLogical(POINT{d.left, d.top});
    POINT b = dc.ToLogical(POINT{d.right, d.bottom});
    *box = RECT{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
    if (IsRectEmpty(&d)) return NULLREGION;
    return dc.state.clip && dc.state.clip->size() > 1 ? COMPLEXREGION : SIMPLEREGION;
  });
}

int SelectClipRgn(HDC hdc, HRGN region) {
  return WithDC(hdc, ERROR_REGION, [&](DeviceContext& dc) -> int {
    if (!region) {
      dc.state.clip.reset();
      return SIMPLEREGION;
    }
    auto rgn = gdi::Find<gdi::RegionObject>(region);
    if (!rgn) return ERROR_REGION;
    dc.state.clip = rgn->rects;  // regions are in device units
    return RegionKind(*rgn);
  });
}

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
  return WithDC(hdc, ERROR_REGION, [&](DeviceContext& dc) -> int {
    RECT r = dc.ToSurface(RECT{left, top, right, bottom});
    OffsetRect(&r, -dc.origin.x, -dc.origin.y);
    std::vector<RECT> base = dc.state.clip ? *dc.state.clip : std::vector<RECT>{RECT{0, 0, dc.deviceSize.cx, dc.deviceSize.cy}};
    std::vector<RECT> out;
    for (const RECT& x : base) {
      RECT i;
      if (IntersectRect(&i, &x, &r)) out.push_back(i);
    }
    dc.state.clip = out;
    return out.empty() ? NULLREGION : out.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
  });
}

}  // namespace win
