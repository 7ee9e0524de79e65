#pragma once
// A button drawn as an underlined text link on a plain background (problems view, named-DLL fix window,
// pop-up notifier). Links share four fonts and the hand cursor process-wide.
#include <string>

#include "ui/HoverTracking.h"
#include "ui/OwnerDrawButton.h"

class ChyperlinkBtn : public COwnerDrawButton {
 public:
  ChyperlinkBtn();
  void DrawItem(DRAWITEMSTRUCT* item) override;

  HoverState m_hover;  // m_bHover and m_bTracking of the link
  BYTE m_bReserved = 0;
  BYTE m_bSharedFonts = 1;
  BYTE m_bBoldLink = 0;
  UINT m_nFormat = 36;  // DT_SINGLELINE | DT_VCENTER
  COLORREF m_crBack = RGB(255, 255, 255);
  COLORREF m_crText = RGB(9, 18, 27);
  COLORREF m_crHover = RGB(45, 72, 108);
  COLORREF m_crPressed = RGB(45, 72, 108);  // nobody sets it: a pressed link keeps the hover colour
  BYTE m_bNoDisabledColor = 0;
  std::wstring m_strText;
  LOGFONTW m_lf{};

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// The four link fonts (Tahoma, -11, from the language's LOGFONT), made once.
enum class LinkFont { BoldPlain, BoldUnderlined, RegularPlain, RegularUnderlined };
HFONT GetSharedLinkFont(LinkFont which);
