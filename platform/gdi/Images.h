#pragma once
// Loading bitmaps, icons and cursors from the program's resources, drawing icons, and the display's metrics
// (screen size, work area, animation setting), which tests and the display layer set.
#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

inline constexpr UINT IDC_ARROW = 32512;
inline constexpr UINT IDC_IBEAM = 32513;
inline constexpr UINT IDC_WAIT = 32514;
inline constexpr UINT IDC_HAND = 32649;
inline constexpr UINT IDI_APPLICATION = 32512;
inline constexpr UINT LR_DEFAULTSIZE = 0x40;
inline constexpr UINT LR_SHARED = 0x8000;
inline constexpr UINT DI_NORMAL = 0x3;

inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXVSCROLL = 2;
inline constexpr int SM_CYHSCROLL = 3;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXBORDER = 5;
inline constexpr int SM_CYBORDER = 6;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CYMENU = 15;
inline constexpr int SM_CXEDGE = 45;
inline constexpr int SM_CYEDGE = 46;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;

inline constexpr UINT SPI_GETNONCLIENTMETRICS = 0x29;
inline constexpr UINT SPI_GETWORKAREA = 0x30;
inline constexpr UINT SPI_GETANIMATION = 0x48;

struct NONCLIENTMETRICSW {
  UINT cbSize = sizeof(NONCLIENTMETRICSW);
  int iBorderWidth = 1;
  int iScrollWidth = 17;
  int iScrollHeight = 17;
  int iCaptionWidth = 18;
  int iCaptionHeight = 18;
  LOGFONTW lfCaptionFont;
  int iSmCaptionWidth = 12;
  int iSmCaptionHeight = 15;
  LOGFONTW lfSmCaptionFont;
  int iMenuWidth = 18;
  int iMenuHeight = 19;
  LOGFONTW lfMenuFont;
  LOGFONTW lfStatusFont;
  LOGFONTW lfMessageFont;
};

struct ANIMATIONINFO {
  UINT cbSize = sizeof(ANIMATIONINFO);
  int iMinAnimate = 0;
};

namespace win {

HBITMAP LoadBitmap(HINSTANCE instance, UINT id);
// IMAGE_BITMAP: a new bitmap (LR_LOADMAP3DCOLORS turns the three greys into the 3-D colours);
// IMAGE_ICON: the icon resource at cx x cy (0: its own size); IMAGE_CURSOR: as LoadCursor. nullptr when missing.
HANDLE LoadImage(HINSTANCE instance, UINT id, UINT type, int cx, int cy, UINT flags);
HICON LoadIcon(HINSTANCE instance, UINT id);
BOOL DestroyIcon(HICON icon);
BOOL DrawIcon(HDC hdc, int x, int y, HICON icon);
BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker, UINT flags);
// The standard cursors and the cursor resources (316 is the hand); cursors are shared and never destroyed.
HCURSOR LoadCursor(HINSTANCE instance, UINT id);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);

int GetSystemMetrics(int index);
BOOL SystemParametersInfo(UINT action, UINT param, void* out, UINT winIni);

}  // namespace win

namespace gdi {

// An icon that takes over the bitmap (magenta pixels are transparent).
HICON CreateIconFromBitmap(HBITMAP bitmap);
// The id a cursor handle stands for (IDC_* or a resource id); 0 for nullptr or unknown handles.
UINT CursorId(HCURSOR cursor);
// Display settings: 1024 x 768, a 40-pixel taskbar at the bottom and animation on unless set otherwise.
void SetScreenSize(int width, int height);
void SetWorkArea(const RECT& area);
void SetAnimationEnabled(bool enabled);

}  // namespace gdi
