#include "platform/gdi/Images.h"

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/ResourceTable.h"

namespace {

struct Icon {
  HBITMAP bitmap = nullptr;  // magenta is transparent
};

struct State {
  std::mutex mutex;
  std::map<uintptr_t, Icon> icons;
  uintptr_t nextIcon = 0x500000;
  HCURSOR cursor = nullptr;
  POINT cursorPos{};
  SIZE screen{1024, 768};
  RECT workArea{0, 0, 1024, 728};
  bool animation = true;
};

State& S() {
  static auto* s = new State;
  return *s;
}

constexpr COLORREF kTransparent = RGB(255, 0, 255);

// Stretches a bitmap to a new size (nearest pixel), deleting the original.
HBITMAP Resize(HBITMAP bmp, int cx, int cy) {
  auto src = gdi::GetBitmapSurface(bmp);
  if (!src || cx <= 0 || cy <= 0 || (src->width() == cx && src->height() == cy)) return bmp;
  HBITMAP out = win::CreateBitmap(cx, cy, 1, 32, nullptr);
  auto dst = gdi::GetBitmapSurface(out);
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x) dst->SetPixel(x, y, src->GetPixel(x * src->width() / cx, y * src->height() / cy));
  win::DeleteObject(bmp);
  return out;
}

}  // namespace

namespace win {

HBITMAP LoadBitmap(HINSTANCE, UINT id) { return gdi::LoadBitmapResource(id); }

HANDLE LoadImage(HINSTANCE instance, UINT id, UINT type, int cx, int cy, UINT flags) {
  if (type == IMAGE_CURSOR) return LoadCursor(instance, id);
  if (type == IMAGE_ICON) {
    HBITMAP bmp = gdi::LoadIconBitmap(id);
    if (!bmp) return nullptr;
    return gdi::CreateIconFromBitmap(Resize(bmp, cx, cy));
  }
  if (type != IMAGE_BITMAP) return nullptr;
  HBITMAP bmp = gdi::LoadBitmapResource(id);
  if (!bmp) return nullptr;
  if (flags & LR_LOADMAP3DCOLORS) {
    auto surface = gdi::GetBitmapSurface(bmp);
    for (int y = 0; y < surface->height(); ++y)
      for (int x = 0; x < surface->width(); ++x) {
        COLORREF c = surface->GetPixel(x, y);
        if (c == RGB(128, 128, 128)) surface->SetPixel(x, y, GetSysColor(COLOR_BTNSHADOW));
        else if (c == RGB(192, 192, 192)) surface->SetPixel(x, y, GetSysColor(COLOR_BTNFACE));
        else if (c == RGB(223, 223, 223)) surface->SetPixel(x, y, GetSysColor(COLOR_3DLIGHT));
      }
  }
  return bmp;
}

HICON LoadIcon(HINSTANCE instance, UINT id) {
  return static_cast<HICON>(LoadImage(instance, id == IDI_APPLICATION ? 100 : id, IMAGE_ICON, 0, 0, 0));
}

BOOL DestroyIcon(HICON icon) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  auto it = s.icons.find(reinterpret_cast<uintptr_t>(icon));
  if (it == s.icons.end()) return FALSE;
  DeleteObject(it->second.bitmap);
  s.icons.erase(it);
  return TRUE;
}

BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH, UINT) {
  HBITMAP bmp = nullptr;
  {
    State& s = S();
    std::lock_guard lock(s.mutex);
    auto it = s.icons.find(reinterpret_cast<uintptr_t>(icon));
    if (it == s.icons.end()) return FALSE;
    bmp = it->second.bitmap;
  }
  auto src = gdi::GetBitmapSurface(bmp);
  if (!src) return FALSE;
  if (cx <= 0) cx = src->width();
  if (cy <= 0) cy = src->height();
  for (int j = 0; j < cy; ++j)
    for (int i = 0; i < cx; ++i) {
      COLORREF c = src->GetPixel(i * src->width() / cx, j * src->height() / cy);
      if (c != kTransparent) SetPixel(hdc, x + i, y + j, c);
    }
  return TRUE;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) { return DrawIconEx(hdc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL); }

HCURSOR LoadCursor(HINSTANCE, UINT id) {
  // cursors are ids dressed as handles: the display layer maps them to its own
  switch (id) {
    case IDC_ARROW:
    case IDC_IBEAM:
    case IDC_WAIT:
    case IDC_HAND:
    case 316: return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(id));
    default: return nullptr;
  }
}

HCURSOR SetCursor(HCURSOR cursor) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  return std::exchange(s.cursor, cursor);
}

HCURSOR GetCursor() {
  State& s = S();
  std::lock_guard lock(s.mutex);
  return s.cursor;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  State& s = S();
  std::lock_guard lock(s.mutex);
  *point = s.cursorPos;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.cursorPos = POINT{x, y};
  return TRUE;
}

int GetSystemMetrics(int index) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  switch (index) {
    case SM_CXSCREEN: return s.screen.cx;
    case SM_CYSCREEN: return s.screen.cy;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL: return 17;
    case SM_CYCAPTION: return 23;
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CYMENU: return 20;
    case SM_CXEDGE:
    case SM_CYEDGE: return 2;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
  }
}

BOOL SystemParametersInfo(UINT action, UINT, void* out, UINT) {
  if (!out) return FALSE;
  State& s = S();
  std::lock_guard lock(s.mutex);
  switch (action) {
    case SPI_GETWORKAREA: *static_cast<RECT*>(out) = s.workArea; return TRUE;
    case SPI_GETANIMATION: static_cast<ANIMATIONINFO*>(out)->iMinAnimate = s.animation ? 1 : 0; return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
      NONCLIENTMETRICSW m;
      for (LOGFONTW* lf : {&m.lfCaptionFont, &m.lfSmCaptionFont, &m.lfMenuFont, &m.lfStatusFont, &m.lfMessageFont}) {
        lf->lfHeight = -12;
        lf->lfWeight = FW_NORMAL;
        const wchar_t face[] = L"Segoe UI";
        std::copy(std::begin(face), std::end(face), lf->lfFaceName);
      }
      m.lfCaptionFont.lfWeight = FW_BOLD;
      *static_cast<NONCLIENTMETRICSW*>(out) = m;
      return TRUE;
    }
    default: return FALSE;
  }
}

}  // namespace win

namespace gdi {

HICON CreateIconFromBitmap(HBITMAP bitmap) {
  if (!GetBitmapSurface(bitmap)) return nullptr;
  State& s = S();
  std::lock_guard lock(s.mutex);
  uintptr_t h = (s.nextIcon += 4);
  s.icons[h] = Icon{bitmap};
  return reinterpret_cast<HICON>(h);
}

UINT CursorId(HCURSOR cursor) { return static_cast<UINT>(reinterpret_cast<uintptr_t>(cursor)); }

void SetScreenSize(int width, int height) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.screen = SIZE{width, height};
}

void SetWorkArea(const RECT& area) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.workArea = area;
}

void SetAnimationEnabled(bool enabled) {
  State& s = S();
  std::lock_guard lock(s.mutex);
  s.animation = enabled;
}

}  // namespace gdi
