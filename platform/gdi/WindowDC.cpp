#include "platform/gdi/WindowDC.h"

#include <map>
#include <mutex>

#include "platform/gdi/DeviceContext.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace gdi {
namespace {

struct WindowPaintState {
  std::mutex mutex;
  std::map<HWND, std::shared_ptr<Surface>> surfaces;
  std::map<HWND, std::shared_ptr<DrawLog>> logs;
};

WindowPaintState& State() {
  static auto* state = new WindowPaintState;
  return *state;
}

HWND Root(HWND hwnd) {
  HWND root = win::GetAncestor(hwnd, win::GA_ROOT);
  return root ? root : hwnd;
}

}  // namespace

std::shared_ptr<Surface> WindowSurface(HWND hwnd) {
  if (!win::IsWindow(hwnd)) return nullptr;
  HWND root = Root(hwnd);
  RECT rc{};
  win::GetClientRect(root, &rc);
  auto& s = State();
  std::lock_guard lock(s.mutex);
  // windows that died leave their surfaces behind; drop them while we are here
  for (auto it = s.surfaces.begin(); it != s.surfaces.end();)
    it = win::IsWindow(it->first) ? std::next(it) : s.surfaces.erase(it);
  auto& surface = s.surfaces[root];
  if (!surface || surface->width() != rc.right || surface->height() != rc.bottom)
    surface = std::make_shared<Surface>(rc.right, rc.bottom);
  return surface;
}

void SetWindowDrawLog(HWND hwnd, std::shared_ptr<DrawLog> log) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (log) s.logs[hwnd] = std::move(log);
  else s.logs.erase(hwnd);
}

namespace {

std::shared_ptr<DrawLog> LogOf(HWND hwnd) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  auto it = s.logs.find(hwnd);
  return it == s.logs.end() ? nullptr : it->second;
}

HDC DcForWindow(HWND hwnd) {
  if (!hwnd) {
    static auto screen = std::make_shared<Surface>(1024, 768);
    return CreateSurfaceDC(screen, POINT{}, SIZE{1024, 768});
  }
  auto surface = WindowSurface(hwnd);
  if (!surface) return nullptr;
  HWND root = Root(hwnd);
  RECT rc{};
  win::GetClientRect(hwnd, &rc);
  POINT origin{0, 0};
  win::MapWindowPoints(hwnd, root, &origin, 1);
  // what the ancestors leave visible of the window, in surface pixels
  RECT visible{origin.x, origin.y, origin.x + rc.right, origin.y + rc.bottom};
  for (HWND w = hwnd; w && w != root; w = win::GetParent(w)) {
    HWND parent = win::GetParent(w);
    if (!parent) break;
    RECT prc{};
    win::GetClientRect(parent, &prc);
    POINT po{0, 0};
    win::MapWindowPoints(parent, root, &po, 1);
    win::OffsetRect(&prc, po.x, po.y);
    win::IntersectRect(&visible, &visible, &prc);
  }
  if (!win::IsWindowVisible(hwnd)) visible = RECT{};  // a hidden window draws nothing
  HDC hdc = CreateSurfaceDC(surface, origin, SIZE{rc.right, rc.bottom}, &visible);
  if (auto log = LogOf(hwnd)) SetDrawLog(hdc, log);
  return hdc;
}

void PaintOne(HWND hwnd) {
  if (!win::IsWindowVisible(hwnd)) return;
  win::InvalidateRect(hwnd, nullptr, TRUE);
  win::UpdateWindow(hwnd);
  // children are painted after their parent; GetWindow lists them top first, so walk from the bottom
  HWND child = win::GetWindow(hwnd, GW_CHILD);
  if (!child) return;
  HWND last = win::GetWindow(child, GW_HWNDLAST);
  for (HWND c = last ? last : child; c; c = win::GetWindow(c, GW_HWNDPREV)) PaintOne(c);
}

}  // namespace

void PaintWindowTree(HWND hwnd) { PaintOne(hwnd); }

bool SaveWindowPng(HWND hwnd, const std::filesystem::path& path) {
  if (!win::IsWindow(hwnd)) return false;
  HWND root = Root(hwnd);
  PaintWindowTree(root);
  auto surface = WindowSurface(root);
  if (hwnd == root) return surface->SavePng(path);
  RECT rc{};
  win::GetClientRect(hwnd, &rc);
  POINT origin{0, 0};
  win::MapWindowPoints(hwnd, root, &origin, 1);
  Surface part(rc.right, rc.bottom);
  for (int y = 0; y < rc.bottom; ++y)
    for (int x = 0; x < rc.right; ++x) part.SetPixel(x, y, surface->GetPixel(origin.x + x, origin.y + y));
  return part.SavePng(path);
}

}  // namespace gdi

namespace win {

HDC GetDC(HWND hwnd) { return gdi::DcForWindow(hwnd); }
HDC GetWindowDC(HWND hwnd) { return gdi::DcForWindow(hwnd); }
int ReleaseDC(HWND, HDC hdc) { return DeleteDC(hdc) ? 1 : 0; }

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
  if (!ps || !IsWindow(hwnd)) return nullptr;
  *ps = PAINTSTRUCT{};
  RECT update{};
  GetUpdateRect(hwnd, &update, FALSE);
  if (IsRectEmpty(&update)) GetClientRect(hwnd, &update);
  ValidateRect(hwnd, nullptr);
  ps->hdc = gdi::DcForWindow(hwnd);
  ps->rcPaint = update;
  if (ps->hdc && !SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps->hdc), 0)) {
    WNDCLASSW wc{};
    if (GetClassInfo(nullptr, GetClassNameString(hwnd).c_str(), &wc) && wc.hbrBackground) {
      // class brushes may be given as a system colour index + 1, as on Windows
      auto value = reinterpret_cast<uintptr_t>(wc.hbrBackground);
      HBRUSH brush = value <= 31 ? GetSysColorBrush(static_cast<int>(value) - 1) : wc.hbrBackground;
      FillRect(ps->hdc, &update, brush);
    } else {
      ps->fErase = TRUE;
    }
  }
  return ps->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* ps) {
  if (ps && ps->hdc) DeleteDC(ps->hdc);
  return TRUE;
}

}  // namespace win

CPaintDC::CPaintDC(HWND hwnd) : m_hWnd(hwnd) { Attach(win::BeginPaint(hwnd, &m_ps)); }
CPaintDC::~CPaintDC() {
  Detach();
  win::EndPaint(m_hWnd, &m_ps);
}

CClientDC::CClientDC(HWND hwnd) : m_hWnd(hwnd) { Attach(win::GetDC(hwnd)); }
CClientDC::~CClientDC() { win::ReleaseDC(m_hWnd, Detach()); }

CWindowDC::CWindowDC(HWND hwnd) : m_hWnd(hwnd) { Attach(win::GetWindowDC(hwnd)); }
CWindowDC::~CWindowDC() { win::ReleaseDC(m_hWnd, Detach()); }
