#include "mainwnd/SettingsPageParts.h"

#include <array>

#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/Gdi.h"
#include "ui/STBitmap.h"

namespace {

constexpr UINT kBottomBandBitmap = 131;

const CSTBitmap& BottomBand() {
  static const CSTBitmap band(kBottomBandBitmap);  // kept for the life of the process
  return band;
}

int FontHeight(int index) {
  switch (index) {
    case kFontRegular9: return -9;
    case kFontRegular10: return -10;
    case kFontRegular11: return -11;
    case kFontRegular12: return -12;
    default: return -13;
  }
}

}  // namespace

HFONT GetAppFont(int index) {
  if (CZUNApp* app = AfxGetZunApp())
    if (HFONT font = app->m_fonts.Get(index)) return font;
  static std::array<HFONT, 14> fallback{};
  if (index < 0 || index >= static_cast<int>(fallback.size())) return nullptr;
  if (!fallback[index]) {
    LOGFONTW lf{};
    GetUILogFont(lf);
    lf.lfHeight = FontHeight(index);
    fallback[index] = win::CreateFontIndirect(&lf);
  }
  return fallback[index];
}

int PageButtonTop(int pageHeight) { return pageHeight - (BottomBand().Height() + 28) / 2; }

void DrawHeaderBand(CDC& dc, int left, int top, int right, int bottom) {
  CBrush fill(RGB(241, 241, 241));
  CPen outline(PS_SOLID, 1, RGB(225, 225, 225));
  HGDIOBJ oldBrush = dc.SelectObject(static_cast<HGDIOBJ>(static_cast<HBRUSH>(fill)));
  HGDIOBJ oldPen = dc.SelectObject(static_cast<HGDIOBJ>(static_cast<HPEN>(outline)));
  dc.Rectangle(left, top, right, bottom);
  dc.SelectObject(oldPen);
  dc.SelectObject(oldBrush);
}

void DrawPageHeading(CDC& dc, const RECT& client, const std::wstring& text, HFONT font) {
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(0, 0, 0));
  HGDIOBJ old = dc.SelectObject(font);
  RECT box{28, 3, client.right - 55, 45};
  dc.DrawText(text, &box, DT_WORDBREAK);
  dc.SelectObject(old);
}

void DrawBottomBand(CDC& dc, const RECT& client) {
  const CSTBitmap& band = BottomBand();
  if (band.Width() <= 0) return;
  CDC source;
  source.CreateCompatibleDC(&dc);
  HGDIOBJ old = source.SelectObject(static_cast<HGDIOBJ>(static_cast<HBITMAP>(band)));
  for (int x = 0; x < client.right; x += band.Width())
    dc.BitBlt(x, client.bottom - band.Height(), band.Width(), band.Height(), &source, 0, 0, SRCCOPY);
  source.SelectObject(old);
}
