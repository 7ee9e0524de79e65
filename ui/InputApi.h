#pragma once
// Keyboard and mouse queries the skinned windows make that the window layer does not model: the
// asynchronous key state, mouse-hover tracking, and the frame size a client rectangle needs.
#include <functional>

#include <cstdint>

#include "platform/win/WinDefs.h"

using SHORT = std::int16_t;

inline constexpr int VK_RETURN = 0x0D;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_F4 = 0x73;
inline constexpr LRESULT HTCLIENT = 1;
inline constexpr WPARAM HTCAPTION = 2;
inline constexpr DWORD TME_HOVER = 0x1;
inline constexpr DWORD TME_LEAVE = 0x2;
inline constexpr DWORD TME_CANCEL = 0x80000000;

struct TRACKMOUSEEVENT {
  DWORD cbSize = sizeof(TRACKMOUSEEVENT);
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};

namespace win {

// Bit 15 set while the key is down; bit 0 when it was pressed since the last query. A headless machine holds
// no key unless a test says otherwise.
SHORT GetAsyncKeyState(int vk);
// Arms WM_MOUSEHOVER / WM_MOUSELEAVE for a live window. Without a pointer device nothing moves the mouse,
// so the notifications come only from whoever plays the pointer (the display layer, or a test).
BOOL TrackMouseEvent(TRACKMOUSEEVENT* request);
// Windows here have no non-client area: the window rectangle is the client rectangle.
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD exStyle);

}  // namespace win

namespace ui {
// The source of GetAsyncKeyState (tests hold keys with it); an empty function restores "no key held".
void SetAsyncKeyStateSource(std::function<SHORT(int vk)> source);
}  // namespace ui
