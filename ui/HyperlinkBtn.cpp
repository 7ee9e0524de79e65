#include "ui/HyperlinkBtn.h"

#include <array>
#include <cwchar>

#include "app/WindowUtils.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Images.h"
#include "platform/win/Window.h"

namespace {

constexpr UINT kHandCursor = 316;

// Made by the first link, kept for the whole run (the handles die with the process).
struct SharedLinkFonts {
  std::array<HFONT, 4> fonts{};
  SharedLinkFonts() {
    LOGFONTW lf;
    GetUILogFont(lf);
    std::wmemset(lf.lfFaceName, 0, LF_FACESIZE);
    std::wcsncpy(lf.lfFaceName, L"Tahoma", LF_FACESIZE - 1);
    lf.lfHeight = -11;
    lf.lfQuality = 5;
    const struct {
      LONG weight;
      BYTE underline;
    } kinds[] = {{700, 0}, {700, 1}, {400, 0}, {400, 1}};
    for (size_t i = 0; i < fonts.size(); ++i) {
      lf.lfWeight = kinds[i].weight;
      lf.lfUnderline = kinds[i].underline;
      fonts[i] = win::CreateFontIndirect(&lf);
    }
  }
};

HCURSOR SharedHand() {
  static const HCURSOR hand = win::LoadCursor(nullptr, kHandCursor);
  return hand;
}

}  // namespace

HFONT GetSharedLinkFont(LinkFont which) {
  static const SharedLinkFonts shared;
  return shared.fonts[static_cast<size_t>(which)];
}

ChyperlinkBtn::ChyperlinkBtn() {
  m_hover.m_hHandCursor = SharedHand();
  GetSharedLinkFont(LinkFont::RegularPlain);
  GetUILogFont(m_lf);
}

void ChyperlinkBtn::DrawItem(DRAWITEMSTRUCT* item) {
  if (!item) return;
  if (item->hwndItem) m_strText = win::GetWindowTextString(item->hwndItem);
  CDC dc;
  dc.Attach(item->hDC);
  RECT rc = item->rcItem;
  dc.FillSolidRect(&rc, m_crBack);
  dc.SetTextColor(m_crText);
  dc.SetBkMode(TRANSPARENT);
  if (m_hover.m_bHover || (item->itemState & ODS_FOCUS)) {
    dc.SetTextColor(m_crHover);
    win::OffsetRect(&rc, 1, 1);
  }
  if (item->itemState & ODS_SELECTED) {
    dc.SetTextColor(m_crPressed);
    win::OffsetRect(&rc, 1, 2);
  }
  if ((item->itemState & ODS_DISABLED) && !m_bNoDisabledColor) dc.SetTextColor(RGB(72, 72, 72));

  CFont own;
  HFONT font = nullptr;
  if (m_bSharedFonts) {
    font = GetSharedLinkFont(m_bBoldLink ? LinkFont::BoldUnderlined : LinkFont::RegularUnderlined);
  } else {
    LOGFONTW lf = m_lf;
    lf.lfWeight = m_bBoldLink ? 700 : 400;
    lf.lfUnderline = 1;
    own.CreateFontIndirect(&lf);
    font = own;
  }
  HGDIOBJ old = dc.SelectObject(static_cast<HGDIOBJ>(font));
  dc.DrawText(m_strText, &rc, m_nFormat);
  dc.SelectObject(old);
  dc.Detach();
}

LRESULT ChyperlinkBtn::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleHoverMessage(m_hWnd, m_hover, 1, FALSE, msg, &result)) return result;
  return COwnerDrawButton::WindowProc(msg, wParam, lParam);
}
