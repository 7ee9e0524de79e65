#include "ui/HoverButton.h"

#include "app/AppSettings.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Images.h"
#include "platform/win/Window.h"

namespace {
constexpr UINT kHandCursor = 316;
constexpr UINT kLanguageFlags = 221;
constexpr int kFlagWidth = 14;
constexpr int kFlagHeight = 11;
}  // namespace

CHoverButton::CHoverButton() { m_hover.m_hHandCursor = win::LoadCursor(nullptr, kHandCursor); }

BOOL CHoverButton::LoadStripBitmap(UINT resourceId) {
  return SetStripBitmap(static_cast<HBITMAP>(win::LoadImage(nullptr, resourceId, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
}

BOOL CHoverButton::SetStripBitmap(HBITMAP strip) {
  m_strip.DeleteObject();
  m_strip.Attach(strip);
  BITMAP info{};
  if (strip) m_strip.GetBitmap(&info);
  m_nFrameWidth = info.bmWidth / 3;
  m_nFrameHeight = info.bmHeight;
  if (m_hWnd) SetWindowPos(nullptr, 0, 0, m_nFrameWidth, m_nFrameHeight, SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOZORDER);
  return TRUE;
}

int CHoverButton::ChooseFrame(UINT itemState) {
  if (itemState & ODS_SELECTED) return 1;
  if (m_hover.m_bHover || (itemState & ODS_FOCUS)) {
    // the hover look lasts one paint; the next hover notification brings it back
    m_hover.m_bHover = 0;
    return 2;
  }
  return m_bKeepHot ? 2 : 0;
}

void CHoverButton::DrawItem(DRAWITEMSTRUCT* item) {
  if (!item) return;
  CDC target;
  target.Attach(item->hDC);
  CDC memory;
  memory.CreateCompatibleDC(&target);
  CBitmap* old = memory.SelectObject(&m_strip);
  const int frame = ChooseFrame(item->itemState);
  target.BitBlt(0, 0, m_nFrameWidth, m_nFrameHeight, &memory, frame * m_nFrameWidth, 0, SRCCOPY);
  memory.SelectObject(old);
  if (m_bLanguageFlag) {
    CBitmap flags;
    flags.Attach(static_cast<HBITMAP>(win::LoadImage(nullptr, kLanguageFlags, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS)));
    old = memory.SelectObject(&flags);
    target.BitBlt(2, 2, kFlagWidth, kFlagHeight, &memory, kFlagWidth * GetLangID(), 0, SRCCOPY);
    memory.SelectObject(old);
  }
  target.Detach();
}

LRESULT CHoverButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleHoverMessage(m_hWnd, m_hover, 1, TRUE, msg, &result)) return result;
  return COwnerDrawButton::WindowProc(msg, wParam, lParam);
}
