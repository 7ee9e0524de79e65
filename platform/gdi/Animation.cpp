// "SysAnimate32": plays a clip of frames on a timer, repeating as asked (-1: without end).
#include <algorithm>
#include <utility>

#include "platform/gdi/ControlCommon.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/win/Timer.h"

namespace gdi::controls {
namespace {

constexpr UINT_PTR kFrameTimer = 1;
constexpr UINT kFrameMs = 100;

struct AnimationState : ControlState {
  ~AnimationState() override {
    if (clip) win::DeleteObject(clip);
  }
  HBITMAP clip = nullptr;
  int frames = 0;
  int frame = -1;
  int from = 0, to = 0;
  int repeat = 0;  // plays left after the current one; -1: without end
  bool playing = false;
};

void Stop(HWND hwnd, AnimationState& s) {
  if (s.playing) win::KillTimer(hwnd, kFrameTimer);
  s.playing = false;
}

void Paint(HWND hwnd) {
  auto* s = StateOf<AnimationState>(hwnd);
  ControlPaint paint(hwnd);
  if (!paint.hdc || !s) return;
  paint.FillBackground(WM_CTLCOLORSTATIC, s->font, COLOR_BTNFACE);
  auto surface = GetBitmapSurface(s->clip);
  if (!surface || s->frame < 0) return;
  const int size = surface->height();
  int x = 0, y = 0;
  if (win::GetWindowLong(hwnd, GWL_STYLE) & ACS_CENTER) {
    x = (paint.rc.right - size) / 2;
    y = (paint.rc.bottom - size) / 2;
  }
  HDC mem = win::CreateCompatibleDC(paint.hdc);
  HGDIOBJ old = win::SelectObject(mem, s->clip);
  win::BitBlt(paint.hdc, x, y, size, size, mem, s->frame * size, 0, SRCCOPY);
  win::SelectObject(mem, old);
  win::DeleteDC(mem);
}

LRESULT AnimationProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<AnimationState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<AnimationState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_PAINT: Paint(hwnd); return 0;
    case ACM_OPENW: {
      Stop(hwnd, *s);
      if (s->clip) win::DeleteObject(std::exchange(s->clip, nullptr));
      s->frames = 0;
      s->frame = -1;
      win::InvalidateRect(hwnd, nullptr, TRUE);
      UINT id = static_cast<UINT>(lParam);  // a resource id (MAKEINTRESOURCE); names are not kept
      if (id == 0 || id > 0xFFFF) return lParam == 0;  // opening nothing closes the clip
      s->clip = LoadBitmapResource(id);
      auto surface = GetBitmapSurface(s->clip);
      if (!surface || surface->height() == 0) return FALSE;
      s->frames = std::max(1, surface->width() / surface->height());
      s->frame = 0;
      return TRUE;
    }
    case ACM_PLAY: {
      if (s->frames == 0) return FALSE;
      int repeat = static_cast<int>(static_cast<short>(wParam & 0xFFFF));
      int from = LOWORD(static_cast<DWORD_PTR>(lParam)), to = static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)));
      s->from = std::min(from, s->frames - 1);
      s->to = to < 0 || to >= s->frames ? s->frames - 1 : std::max(to, s->from);
      s->repeat = repeat < 0 ? -1 : std::max(repeat - 1, 0);
      s->frame = s->from;
      s->playing = true;
      win::SetTimer(hwnd, kFrameTimer, kFrameMs, nullptr);
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case ACM_STOP: Stop(hwnd, *s); return TRUE;
    case ACM_ISPLAYING: return s->playing ? TRUE : FALSE;
    case WM_TIMER:
      if (wParam != kFrameTimer || !s->playing) return 0;
      if (s->frame < s->to) {
        ++s->frame;
      } else if (s->repeat != 0) {
        if (s->repeat > 0) --s->repeat;
        s->frame = s->from;
      } else {
        Stop(hwnd, *s);
      }
      win::InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_DESTROY: Stop(hwnd, *s); return 0;
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

int AnimationFrame(HWND animation) {
  auto* s = StateOf<AnimationState>(animation);
  return s ? s->frame : -1;
}

void RegisterAnimationClass() { RegisterControlClass(ANIMATE_CLASS, AnimationProc); }

}  // namespace gdi::controls
