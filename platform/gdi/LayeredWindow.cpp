#include "platform/gdi/LayeredWindow.h"

#include <map>
#include <mutex>

#include "platform/win/Window.h"

namespace {

struct Attributes {
  COLORREF key = 0;
  BYTE alpha = 255;
  DWORD flags = 0;
};

std::mutex g_mutex;
std::map<HWND, Attributes>& Table() {
  static auto* t = new std::map<HWND, Attributes>;
  return *t;
}

bool Layered(HWND hwnd) { return win::IsWindow(hwnd) && (win::GetWindowLong(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED); }

}  // namespace

namespace win {

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  if (!Layered(hwnd)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(g_mutex);
  auto& t = Table();
  for (auto it = t.begin(); it != t.end();) it = IsWindow(it->first) ? std::next(it) : t.erase(it);
  t[hwnd] = Attributes{key, alpha, flags};
  return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
  if (!Layered(hwnd)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(g_mutex);
  auto it = Table().find(hwnd);
  if (it == Table().end()) return FALSE;  // layered, but never given attributes
  if (key) *key = it->second.key;
  if (alpha) *alpha = it->second.alpha;
  if (flags) *flags = it->second.flags;
  return TRUE;
}

BOOL DrawAnimatedRects(HWND, int, const RECT* from, const RECT* to) { return from && to ? TRUE : FALSE; }

}  // namespace win

namespace gdi {

BYTE WindowOpacity(HWND hwnd) {
  if (!Layered(hwnd)) return 255;
  std::lock_guard lock(g_mutex);
  auto it = Table().find(hwnd);
  return it != Table().end() && (it->second.flags & LWA_ALPHA) ? it->second.alpha : 255;
}

}  // namespace gdi
