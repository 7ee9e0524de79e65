#include "ui/KVTHoverButtonWithText.h"

#include <cwchar>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/DC.h"
#include "platform/win/Window.h"

namespace {
constexpr int kLangEnglish = 0;
constexpr int kLangSpanish = 10;
constexpr int kLangRussian = 14;
constexpr int kLangChinese = 19;

void SetFace(LOGFONTW& lf, const std::wstring& face) {
  // the face field holds 31 characters and its terminator
  std::wmemset(lf.lfFaceName, 0, LF_FACESIZE);
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
}
}  // namespace

void MakeGreenButtonFont(LOGFONTW& lf, int langId, bool segoeUi) {
  if (segoeUi) {
    SetFace(lf, L"segoe UI");
    lf.lfWeight = 700;
    if (langId == kLangEnglish || langId == kLangChinese) lf.lfHeight = -18;
    else if (langId == kLangSpanish || langId == kLangRussian) lf.lfHeight = -15;
    else lf.lfHeight = -16;
  } else {
    lf.lfWeight = 600;
    if (langId == kLangEnglish || langId == kLangChinese) lf.lfHeight = -16;
    else if (langId == kLangRussian) lf.lfHeight = -12;
    else lf.lfHeight = -13;
    SetFace(lf, GetLocalizedString(L"IDS_FONT_GREEN_BUTTONS_XP", kResourceSection, L""));
  }
}

CKVTHoverButtonWithText::CKVTHoverButtonWithText() { GetUILogFont(m_lf); }

void CKVTHoverButtonWithText::SetGreenButtonStyle() {
  m_crText = m_crHover = m_crThird = RGB(255, 255, 255);
  m_crDisabled = RGB(225, 225, 225);
  m_bShadow = 1;
  m_bBold = 1;
  CZUNApp* app = AfxGetZunApp();
  MakeGreenButtonFont(m_lf, GetLangID(), app && app->m_bSegoeUIAvailable);
}

void CKVTHoverButtonWithText::DrawItem(DRAWITEMSTRUCT* item) {
  if (!item) return;
  CKVTHoverButton::DrawItem(item);

  CDC dc;
  dc.Attach(item->hDC);
  RECT rc = item->rcItem;
  if (m_ptText.x != -1) {
    rc.left = m_ptText.x;
    rc.top = m_ptText.y;
  }
  dc.SetBkMode(TRANSPARENT);
  const bool disabled = IsDisabled(item->itemState);
  const bool hot = m_hover.m_bHover || m_bKeepHot;
  COLORREF color = (m_bUseDisabledColor && disabled && m_bHasDisabledFrame) ? m_crDisabled : m_crText;
  if (hot) color = m_crHover;

  const LONG savedWeight = m_lf.lfWeight;
  LOGFONTW lf = m_lf;
  if (m_bFixedHeight) lf.lfHeight = m_nFontHeight;
  if (m_bBold) lf.lfWeight = 700;
  if (m_bMediumOnVista) lf.lfWeight = 500;  // every system this runs as is Windows 6.0 or later
  if (hot && m_bUnderlineOnHover) lf.lfUnderline = 1;
  if (hot && m_bBoldOnHover) lf.lfWeight = 700;
  CFont font;
  font.CreateFontIndirect(&lf);
  m_lf.lfWeight = savedWeight;
  CFont* old = dc.SelectObject(&font);

  UINT format = m_nFormat;
  if (format == 0) format = m_ptText.x != -1 ? DT_SINGLELINE : (DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  if (m_bShadow) {
    RECT shadow = rc;
    shadow.left += 1;
    shadow.right += 1;
    shadow.top += 1;
    shadow.bottom += 1;
    dc.SetTextColor(RGB(54, 63, 117));
    dc.DrawText(m_strCaption, &shadow, format);
  }
  dc.SetTextColor(color);
  dc.DrawText(m_strCaption, &rc, format);
  dc.SelectObject(old);
  dc.Detach();
}
