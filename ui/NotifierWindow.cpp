#include "ui/NotifierWindow.h"

#include <mutex>
#include <set>
#include <string>

#include "platform/gdi/Images.h"
#include "platform/win/Window.h"

void RegisterNotifierWindowClass(LPCWSTR className) {
  static std::mutex mutex;
  static std::set<std::wstring> registered;
  std::lock_guard lock(mutex);
  if (!registered.insert(className).second) return;
  WNDCLASSW wc{};
  wc.lpfnWndProc = win::DefWindowProc;
  wc.lpszClassName = className;
  wc.hCursor = win::LoadCursor(nullptr, IDC_ARROW);
  win::RegisterClass(&wc);
}

POINT NotifierMousePoint(LPARAM lParam) {
  return POINT{static_cast<short>(lParam & 0xFFFF), static_cast<short>((lParam >> 16) & 0xFFFF)};
}

bool NotifierHit(const RECT& rect, POINT point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}
