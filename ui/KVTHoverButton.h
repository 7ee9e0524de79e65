#pragma once
// A skinned push button painted from state frames (0 normal, 1 pressed, 2 hover, 3 disabled when the strip
// has it): from one strip as wide as the button, or from three strips (left cap, stretched middle, right
// cap), which is the form every owner uses.
#include "ui/BaseGUIButton.h"
#include "ui/STBitmap.h"

class CKVTHoverButton : public CBaseGUIButton {
 public:
  CKVTHoverButton();

  // Loads the three strips (each replacing the previous one) and sizes the button; TRUE when all loaded.
  BOOL LoadBitmaps(UINT leftCap, UINT middle, UINT rightCap, LPCWSTR caption, int width, int height);
  void DrawItem(DRAWITEMSTRUCT* item) override;
  virtual void DrawStretched(DRAWITEMSTRUCT* item);

  // The frame a paint shows for the item state.
  int FrameIndex(UINT itemState) const;

  int m_nWidth = 0;
  int m_nHeight = 0;
  CSTBitmap m_bmpSingle;
  BYTE m_bSingleStrip = 1;
  CSTBitmap m_bmpLeft;
  CSTBitmap m_bmpMiddle;
  CSTBitmap m_bmpRight;
  int m_nLeftFrameWidth = 0;
  int m_nMiddleFrameWidth = 0;
  int m_nRightFrameWidth = 0;
  int m_nCapHeight = 0;
  int m_nMiddleHeight = 0;
  int m_nRightHeight = 0;
  BYTE m_bHasDisabledFrame = 0;
  BYTE m_bStayPressed = 0;

 protected:
  int FrameCount() const { return m_bHasDisabledFrame ? 4 : 3; }
  bool IsDisabled(UINT itemState) const;
};
