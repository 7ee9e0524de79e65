#include "ui/InputApi.h"

#include <mutex>
#include <utility>

#include "platform/win/Window.h"

namespace {
std::mutex g_mutex;
std::function<SHORT(int)>& Source() {
  static std::function<SHORT(int)> source;
  return source;
}
}  // namespace

namespace ui {
void SetAsyncKeyStateSource(std::function<SHORT(int vk)> source) {
  std::lock_guard<std::mutex> lock(g_mutex);
  Source() = std::move(source);
}
}  // namespace ui

namespace win {

SHORT GetAsyncKeyState(int vk) {
  std::function<SHORT(int)> source;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    source = Source();
  }
  return source ? source(vk) : 0;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* request) {
  if (!request || request->cbSize != sizeof(TRACKMOUSEEVENT)) return FALSE;
  if (request->dwFlags & TME_CANCEL) return TRUE;
  return IsWindow(request->hwndTrack);
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD, BOOL, DWORD) { return rect != nullptr; }

}  // namespace win
