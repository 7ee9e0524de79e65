#pragma once
// Drawing helpers the skinned windows share: the width a control needs for its text, bitmap blits, and the
// white brush of the classic pages.
#include <string>

#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

// The width a control needs for text (empty: the window's own text) in font (nullptr: the user-interface
// font of the current language): width while the text fits in width - 6, else the text's width + 9.
int GetTextFitWidth(HFONT font, HWND wnd, const std::wstring& text, int width);
int GetTextFitWidthWithFont(HWND wnd, const std::wstring& text, const LOGFONTW* logFont, int width);

void DrawBitmap(HBITMAP bitmap, HDC target, int x, int y, int width, int height, DWORD rop);
void StretchDrawBitmap(HBITMAP bitmap, HDC target, int x, int y, int width, int height, int sourceWidth,
                       int sourceHeight);

// The white brush the classic pages return for their control colours; never deleted by them.
HBRUSH GetDialogBrush();
