#pragma once
// The notification area: Shell_NotifyIcon adds, changes, hides and removes a program's icon. The area itself
// is a backend: the built-in one is a model that accepts every icon (tests read it and play the user's
// clicks into it); the real display installs one that puts the icon on the desktop's tray, and reports
// failure when the desktop has no tray, as Windows does while Explorer is gone.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_MODIFY = 1;
inline constexpr DWORD NIM_DELETE = 2;
inline constexpr DWORD NIM_SETFOCUS = 3;
inline constexpr UINT NIF_MESSAGE = 0x1;
inline constexpr UINT NIF_ICON = 0x2;
inline constexpr UINT NIF_TIP = 0x4;
inline constexpr UINT NIF_STATE = 0x8;
inline constexpr DWORD NIS_HIDDEN = 0x1;
inline constexpr UINT NIN_SELECT = WM_USER;
inline constexpr UINT NIN_KEYSELECT = WM_USER + 1;

struct NOTIFYICONDATAW {
  DWORD cbSize = 936;
  HWND hWnd = nullptr;
  UINT uID = 0;
  UINT uFlags = 0;
  UINT uCallbackMessage = 0;
  HICON hIcon = nullptr;
  wchar_t szTip[128] = {};
  DWORD dwState = 0;
  DWORD dwStateMask = 0;
};

namespace gdi {

// One icon as the area shows it.
struct NotifyIconView {
  HWND hwnd = nullptr;
  UINT id = 0;
  UINT callbackMessage = 0;
  HICON icon = nullptr;
  std::wstring tip;
  bool hidden = false;
};

class NotifyAreaBackend {
 public:
  virtual ~NotifyAreaBackend() = default;
  // The icon was added or changed (hidden or not); FALSE when the area could not take it.
  virtual bool Show(const NotifyIconView& icon) = 0;
  virtual void Remove(HWND hwnd, UINT id) = 0;
};

// nullptr returns to the built-in model. The caller keeps ownership.
void SetNotifyAreaBackend(NotifyAreaBackend* backend);
// The icons in the area now (the model's view, whatever the backend).
std::vector<NotifyIconView> NotifyIcons();
// What the user's mouse does to an icon: its callback message goes to its window, as the shell sends it
// (wParam the icon id, lParam the mouse message). FALSE when there is no such icon.
BOOL SendNotifyIconMouse(HWND hwnd, UINT id, UINT mouseMessage);

}  // namespace gdi

namespace win {

BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATAW* data);

}  // namespace win
