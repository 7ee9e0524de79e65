#include "platform/gdi/NotifyIcon.h"

#include <algorithm>
#include <mutex>

#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace gdi {
namespace {

std::mutex g_lock;
std::vector<NotifyIconView> g_icons;
NotifyAreaBackend* g_backend = nullptr;

std::vector<NotifyIconView>::iterator Find(HWND hwnd, UINT id) {
  return std::find_if(g_icons.begin(), g_icons.end(),
                      [&](const NotifyIconView& v) { return v.hwnd == hwnd && v.id == id; });
}

void Apply(NotifyIconView& view, const NOTIFYICONDATAW& data) {
  if (data.uFlags & NIF_MESSAGE) view.callbackMessage = data.uCallbackMessage;
  if (data.uFlags & NIF_ICON) view.icon = data.hIcon;
  if (data.uFlags & NIF_TIP) view.tip.assign(data.szTip, std::find(data.szTip, data.szTip + 128, L'\0'));
  if ((data.uFlags & NIF_STATE) && (data.dwStateMask & NIS_HIDDEN)) view.hidden = (data.dwState & NIS_HIDDEN) != 0;
}

}  // namespace

void SetNotifyAreaBackend(NotifyAreaBackend* backend) {
  std::lock_guard<std::mutex> guard(g_lock);
  g_backend = backend;
}

std::vector<NotifyIconView> NotifyIcons() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_icons;
}

BOOL SendNotifyIconMouse(HWND hwnd, UINT id, UINT mouseMessage) {
  UINT callback = 0;
  {
    std::lock_guard<std::mutex> guard(g_lock);
    auto it = Find(hwnd, id);
    if (it == g_icons.end() || it->hidden) return FALSE;
    callback = it->callbackMessage;
  }
  win::SendMessage(hwnd, callback, id, mouseMessage);
  return TRUE;
}

}  // namespace gdi

namespace win {

BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  using namespace gdi;
  if (!data || !win::IsWindow(data->hWnd)) return FALSE;
  std::unique_lock<std::mutex> guard(g_lock);
  auto it = Find(data->hWnd, data->uID);
  switch (message) {
    case NIM_ADD: {
      if (it != g_icons.end()) return FALSE;
      NotifyIconView view;
      view.hwnd = data->hWnd;
      view.id = data->uID;
      Apply(view, *data);
      if (g_backend && !g_backend->Show(view)) return FALSE;
      g_icons.push_back(view);
      return TRUE;
    }
    case NIM_MODIFY: {
      if (it == g_icons.end()) return FALSE;
      NotifyIconView view = *it;
      Apply(view, *data);
      if (g_backend && !g_backend->Show(view)) return FALSE;
      *it = view;
      return TRUE;
    }
    case NIM_DELETE:
      if (it == g_icons.end()) return FALSE;
      if (g_backend) g_backend->Remove(data->hWnd, data->uID);
      g_icons.erase(it);
      return TRUE;
    case NIM_SETFOCUS:
      return it != g_icons.end();
    default:
      return FALSE;
  }
}

}  // namespace win
