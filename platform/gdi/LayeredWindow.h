#pragma once
// Layered windows: the opacity a window asks to be shown with, kept for the display layer (which blends the
// window's surface with it), and the window-to-tray animation, which is cosmetic and only acknowledged.
#include <optional>

#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

inline constexpr DWORD LWA_COLORKEY = 0x1;
inline constexpr DWORD LWA_ALPHA = 0x2;
inline constexpr int IDANI_CAPTION = 3;

namespace win {

// Fails with ERROR_INVALID_PARAMETER unless the window has WS_EX_LAYERED.
BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags);
BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags);
BOOL DrawAnimatedRects(HWND hwnd, int animation, const RECT* from, const RECT* to);

}  // namespace win

namespace gdi {

// The opacity the display shows the window with: its LWA_ALPHA value while it is layered, else 255.
BYTE WindowOpacity(HWND hwnd);

}  // namespace gdi
