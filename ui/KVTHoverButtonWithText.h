#pragma once
// A skinned push button that draws its caption over the state frames in its own colours and font; owners
// set the members directly after construction.
#include "ui/KVTHoverButton.h"

class CKVTHoverButtonWithText : public CKVTHoverButton {
 public:
  CKVTHoverButtonWithText();

  // The green action-button look: white bold caption with a shadow, in the language's font size.
  void SetGreenButtonStyle();
  void DrawItem(DRAWITEMSTRUCT* item) override;

  BYTE m_bShadow = 0;
  BYTE m_bBoldOnHover = 0;
  BYTE m_bBold = 0;
  BYTE m_bUnderlineOnHover = 0;
  BYTE m_bUseDisabledColor = 1;
  LOGFONTW m_lf{};
  COLORREF m_crText = 0;
  COLORREF m_crHover = 0;
  COLORREF m_crThird = 0;  // set by the green style, never drawn
  COLORREF m_crDisabled = RGB(162, 162, 162);
  POINT m_ptText{-1, 7};
  UINT m_nFormat = 0;
  BYTE m_bMediumOnVista = 0;
  BYTE m_bFixedHeight = 0;
  int m_nFontHeight = -12;
};

// The green action buttons' font for the language: Segoe UI when installed, else the language file's face.
void MakeGreenButtonFont(LOGFONTW& lf, int langId, bool segoeUi);
