#pragma once
// What the four settings pages draw and place alike: the grey header band with the page's heading, the
// bottom band tiled from its bitmap, the height of the band their buttons sit on, and the shared fonts.
#include <string>

#include "platform/gdi/DC.h"
#include "platform/gdi/GdiTypes.h"

// The settings window's page area: width W and height H - 72, set by the main window and the settings window
// before the pages are created (the pages read them while they initialise).
extern int g_nSettingsWidth;
extern int g_nSettingsHeight;

// Indices of the application's shared fonts the pages draw with.
inline constexpr int kFontRegular9 = 13;
inline constexpr int kFontRegular10 = 7;
inline constexpr int kFontRegular11 = 8;
inline constexpr int kFontRegular12 = 9;
inline constexpr int kFontRegular13 = 11;

// The application's shared font; without an application object (a page shown on its own) an equal font of
// the current language, made once.
HFONT GetAppFont(int index);

// The top of the pages' bottom buttons: the page height less half of the band and the 28-pixel button.
int PageButtonTop(int pageHeight);

// The rectangle (18, 0) to (right, 25) filled light grey with a 1-pixel grey outline.
void DrawHeaderBand(CDC& dc, int left, int top, int right, int bottom);
// The page's heading text in the header band, word-wrapped.
void DrawPageHeading(CDC& dc, const RECT& client, const std::wstring& text, HFONT font);
// Bitmap 131 tiled along the bottom edge.
void DrawBottomBand(CDC& dc, const RECT& client);
