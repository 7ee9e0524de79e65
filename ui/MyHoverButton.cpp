#include "ui/MyHoverButton.h"

#include <cwchar>

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Images.h"
#include "platform/win/Window.h"
#include "ui/KVTHoverButtonWithText.h"

namespace {

constexpr UINT kNavBackground = 150;
constexpr int kEnglish = 0, kGerman = 5, kBrazilian = 9, kSwedish = 11, kPortuguese = 13, kRussian = 14;
constexpr int kChineseSimplified = 19;

void SetFace(LOGFONTW& lf, const wchar_t* face) {
  std::wmemset(lf.lfFaceName, 0, LF_FACESIZE);
  std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
}

// Draws text into rect in colour with the font lf (made for the call).
void DrawIn(CDC& dc, const LOGFONTW& lf, const std::wstring& text, RECT rect, COLORREF colour, UINT format) {
  CFont font;
  font.CreateFontIndirect(&lf);
  CFont* old = dc.SelectObject(&font);
  dc.SetTextColor(colour);
  dc.DrawText(text, &rect, format);
  dc.SelectObject(old);
}

void Offset(RECT& rc, int dx, int dy) {
  rc.left += dx;
  rc.top += dy;
}

}  // namespace

int CMyHoverButton::SetBitmapsAndText(UINT backgroundId, UINT iconId, const std::wstring& caption) {
  m_strCaption = caption;
  LoadStripBitmap(backgroundId);
  const int lang = GetLangID();
  LOGFONTW lf;
  GetUILogFont(lf);
  lf.lfHeight = -12;
  if (m_bBlueText) lf.lfWeight = 700;
  if (m_bSideText) lf.lfHeight = 14;
  if (m_bGreenStyle) {
    lf.lfHeight = lang == kRussian ? -18 : -19;
    lf.lfWeight = 700;
  }
  if (m_bHeadingText) {
    lf.lfHeight = lang == kEnglish ? -15 : -16;
    lf.lfWeight = 700;
  }
  m_nCaptionWidth = GetTextFitWidthWithFont(m_hWnd, caption, &lf, m_nFrameWidth);
  if (m_bAutoSize && m_nCaptionWidth > m_nFrameWidth) {
    if (m_hWnd) SetWindowPos(nullptr, 0, 0, m_nCaptionWidth, m_nFrameHeight, SWP_NOMOVE | SWP_NOZORDER);
  } else {
    m_bAutoSize = 0;
    if (m_hWnd) SetWindowPos(nullptr, 0, 0, m_nFrameWidth, m_nFrameHeight, SWP_NOMOVE | SWP_NOZORDER);
  }
  if (iconId) {
    m_icon.DeleteObject();
    m_icon.Attach(static_cast<HBITMAP>(win::LoadImage(nullptr, iconId, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    BITMAP info{};
    if (m_icon.GetSafeHandle()) m_icon.GetBitmap(&info);
    m_nIconWidth = info.bmWidth / 3;
    m_nIconHeight = info.bmHeight;
    if (m_hWnd) SetWindowPos(nullptr, 0, 0, m_nIconWidth, m_nIconHeight, SWP_NOMOVE | SWP_NOZORDER);
  }
  return m_nCaptionWidth;
}

int CMyHoverButton::SetNavButton(UINT iconId, const std::wstring& caption, const std::wstring& secondLine) {
  m_bNavButton = 1;
  m_strSubText = secondLine;
  return SetBitmapsAndText(kNavBackground, iconId, caption);
}

void CMyHoverButton::DrawBackground(CDC& dc, int frame) {
  CDC memory;
  memory.CreateCompatibleDC(&dc);
  CBitmap* old = memory.SelectObject(&m_strip);
  const int start = frame * m_nFrameWidth;
  dc.BitBlt(0, 0, m_nFrameWidth, m_nFrameHeight, &memory, start, 0, SRCCOPY);
  RECT client{};
  if (m_hWnd) GetClientRect(&client);
  const int width = client.right;
  const int stripWidth = m_nFrameWidth * 3;
  if (m_bAutoSize && width > m_nFrameWidth) {
    // widen by repeating a slice of the frame's middle, then close with the frame's right end
    for (int x = width / 3; x < width; x += 9) dc.BitBlt(x, 0, 9, m_nFrameHeight, &memory, start + stripWidth / 6, 0, SRCCOPY);
    const int end = stripWidth / 12;
    dc.BitBlt(width - end, 0, end, m_nFrameHeight, &memory, start + m_nFrameWidth - end, 0, SRCCOPY);
  }
  if (m_icon.GetSafeHandle()) {
    memory.SelectObject(&m_icon);
    dc.BitBlt(38, 3, m_nIconWidth, m_nIconHeight, &memory, frame * m_nIconWidth, 0, SRCCOPY);
  }
  memory.SelectObject(old);
}

void CMyHoverButton::DrawIconCaption(CDC& dc, const RECT& item, LOGFONTW lf, bool pressed) {
  RECT rc = item;
  rc.left = 1;
  rc.top = 43;
  if (m_bSideText) {
    rc.left = 72;
    rc.top = 17;
    DrawIn(dc, lf, m_strCaption, rc, RGB(60, 17, 49), DT_SINGLELINE);
  } else {
    DrawIn(dc, lf, m_strCaption, rc, pressed ? RGB(255, 255, 255) : RGB(54, 63, 72),
           DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
  if (!m_bNavButton) return;
  RECT sub = item;
  if (m_bSideText) {
    LOGFONTW small = lf;
    SetFace(small, L"arial");
    small.lfHeight = 14;
    small.lfWeight = 400;
    small.lfQuality = 5;
    small.lfUnderline = 0;
    sub.left = 72;
    sub.top = 40;
    DrawIn(dc, small, m_strSubText, sub, GetLangID() == kEnglish ? RGB(27, 27, 27) : RGB(54, 63, 63), DT_WORDBREAK);
  } else {
    sub.left = 1;
    sub.top = 48;
    DrawIn(dc, lf, m_strSubText, sub, m_bBlackSubText ? RGB(0, 0, 0) : RGB(32, 36, 109), DT_CENTER | DT_VCENTER);
  }
}

void CMyHoverButton::DrawTextCaption(CDC& dc, const RECT& item, LOGFONTW lf, bool pressed, bool hot) {
  const int lang = GetLangID();
  RECT rc = item;
  COLORREF colour = RGB(60, 17, 49);
  if (m_bBlueText) {
    colour = RGB(9, 9, 154);
    rc.top += 4;
    if (pressed) Offset(rc, 2, 1);
    else if (hot) lf.lfUnderline = 1;
  }
  if (m_bWhiteText) {
    colour = RGB(255, 255, 255);
    if (pressed) Offset(rc, 2, 1);
    else if (hot) lf.lfUnderline = 1;
  }
  if (m_bDarkText) {
    colour = RGB(10, 10, 10);
    lf.lfWeight = 400;
    rc.top += 3;
  }
  if (m_bGreenStyle) {
    CZUNApp* app = AfxGetZunApp();
    MakeGreenButtonFont(lf, lang, app && app->m_bSegoeUIAvailable);
    lf.lfQuality = 5;
  }
  if (m_bHeadingText) {
    colour = RGB(16, 82, 171);
    lf.lfHeight = -15;
    lf.lfWeight = 700;
    lf.lfQuality = 5;
    Offset(rc, 5, 5);
  }

  if (m_bRightLink) {
    lf.lfUnderline = 1;
    rc.right -= 15;
    if (pressed) Offset(rc, 2, 1);
    DrawIn(dc, lf, m_strCaption, rc, RGB(255, 255, 255), DT_RIGHT);
  } else if (m_bLinkText) {
    lf.lfHeight += 2;  // two pixels smaller: the height is negative
    if (lang == kEnglish) {
      SetFace(lf, L"Tahoma");
    } else {
      lf.lfWeight = 400;
      SetFace(lf, L"arial");
    }
    lf.lfUnderline = 1;
    if (pressed) Offset(rc, 1, 1);
    DrawIn(dc, lf, m_strCaption, rc, RGB(225, 225, 225), DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  } else if (m_bRedText) {
    lf.lfUnderline = 1;
    Offset(rc, 35, 10);
    if (pressed) Offset(rc, 2, 1);
    DrawIn(dc, lf, m_strCaption, rc, RGB(240, 10, 10), DT_CENTER);
  } else if (m_bNotInstalled) {
    rc.left += 2;
    DrawIn(dc, lf, m_strCaption, rc, colour, 0);
    rc.left += 90;
    DrawIn(dc, lf, GetLocalizedString(L"IDS_NOT_INSTALLED", kResourceSection, L""), rc, RGB(149, 8, 8), 0);
  } else if (m_bGreenStyle) {
    if (pressed) Offset(rc, 4, 4);
    rc.right -= 11;
    rc.bottom -= 4;
    if (m_bGreenOffset) Offset(rc, 8, -3);
    DrawIn(dc, lf, m_strCaption, rc, RGB(45, 111, 45), DT_SINGLELINE | DT_VCENTER | DT_CENTER);
    RECT light = rc;
    light.left += 2;
    light.right += 2;
    light.top += 1;
    light.bottom += 1;
    DrawIn(dc, lf, m_strCaption, light, RGB(245, 245, 245), DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  } else if (m_bBlueCaption) {
    Offset(rc, 30, 4);
    if (lang != kEnglish) {
      lf.lfHeight = -11;
      lf.lfWeight = 600;
      lf.lfQuality = 5;
      if (!m_bKeepTop) rc.top -= 4;
    }
    if (hot) lf.lfUnderline = 1;
    if (pressed) Offset(rc, 2, 1);
    const UINT format = (lang == kEnglish || lang == kChineseSimplified) ? 0 : (DT_WORDBREAK | DT_VCENTER);
    DrawIn(dc, lf, m_strCaption, rc, RGB(0, 22, 180), format);
  } else {
    if (m_bLargeText) rc.right -= 15;
    DrawIn(dc, lf, m_strCaption, rc, RGB(255, 255, 255), DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  }
}

void CMyHoverButton::DrawItem(DRAWITEMSTRUCT* item) {
  if (!item) return;
  CDC dc;
  dc.Attach(item->hDC);
  const bool pressed = (item->itemState & ODS_SELECTED) || m_bStayPressed;
  const bool hot = m_hover.m_bHover || (item->itemState & ODS_FOCUS);
  const int frame = pressed ? 1 : (hot || m_bKeepHot) ? 2 : 0;
  DrawBackground(dc, frame);

  if (m_bDrawText) {
    dc.SetBkMode(m_bOpaqueText ? OPAQUE : TRANSPARENT);
    const int lang = GetLangID();
    LOGFONTW lf;
    GetUILogFont(lf);
    SetFace(lf, L"arial");
    lf.lfHeight = -12;
    lf.lfWeight = 700;
    if (lang != kEnglish) {
      lf.lfHeight = -11;
      lf.lfWeight = 500;
      if (lang == kRussian && m_bSmallRussian) {
        lf.lfHeight = -9;
        lf.lfWeight = 700;
      }
    }
    if (m_bLargeText)
      lf.lfHeight = (lang == kGerman || lang == kBrazilian || lang == kSwedish || lang == kPortuguese) ? -16 : -18;
    if (m_bSideText && hot) lf.lfUnderline = 1;
    if (m_icon.GetSafeHandle()) DrawIconCaption(dc, item->rcItem, lf, pressed);
    else DrawTextCaption(dc, item->rcItem, lf, pressed, hot);
  }
  dc.Detach();
}
