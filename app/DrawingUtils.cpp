#include "app/DrawingUtils.h"

#include "app/WindowUtils.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Window.h"

namespace {

// A screen-compatible memory DC measures as the window's own DC would.
int MeasureText(HFONT font, const std::wstring& text) {
  HDC dc = win::CreateCompatibleDC(nullptr);
  if (dc == nullptr) return 0;
  HGDIOBJ old = win::SelectObject(dc, font);
  RECT rc{};
  win::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &rc, DT_CALCRECT | DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  win::SelectObject(dc, old);
  win::DeleteDC(dc);
  return rc.right - rc.left;
}

HFONT UiFont() {
  static const HFONT font = [] {
    LOGFONTW lf;
    GetUILogFont(lf);
    return win::CreateFontIndirect(&lf);
  }();
  return font;
}

void Blit(HBITMAP bitmap, HDC target, int x, int y, int width, int height, int sourceWidth, int sourceHeight,
          DWORD rop, bool stretch) {
  HDC memory = win::CreateCompatibleDC(target);
  if (memory == nullptr) return;
  HGDIOBJ old = win::SelectObject(memory, bitmap);
  if (stretch)
    win::StretchBlt(target, x, y, width, height, memory, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
  else
    win::BitBlt(target, x, y, width, height, memory, 0, 0, rop);
  win::SelectObject(memory, old);
  win::DeleteDC(memory);
}

}  // namespace

int GetTextFitWidth(HFONT font, HWND wnd, const std::wstring& text, int width) {
  const std::wstring shown = text.empty() ? win::GetWindowTextString(wnd) : text;
  const int measured = MeasureText(font ? font : UiFont(), shown);
  return measured <= width - 6 ? width : measured + 9;
}

int GetTextFitWidthWithFont(HWND wnd, const std::wstring& text, const LOGFONTW* logFont, int width) {
  HFONT font = win::CreateFontIndirect(logFont);
  const int result = GetTextFitWidth(font, wnd, text, width);
  if (font) win::DeleteObject(font);
  return result;
}

void DrawBitmap(HBITMAP bitmap, HDC target, int x, int y, int width, int height, DWORD rop) {
  Blit(bitmap, target, x, y, width, height, 0, 0, rop, false);
}

void StretchDrawBitmap(HBITMAP bitmap, HDC target, int x, int y, int width, int height, int sourceWidth,
                       int sourceHeight) {
  Blit(bitmap, target, x, y, width, height, sourceWidth, sourceHeight, SRCCOPY, true);
}

HBRUSH GetDialogBrush() {
  static const HBRUSH brush = win::CreateSolidBrush(RGB(255, 255, 255));
  return brush;
}
