#pragma once
// An owner-drawn button object: its parent dialog hands each WM_DRAWITEM of the button to DrawItem.
#include "platform/gdi/AfxControls.h"

class COwnerDrawButton : public CButton {
 public:
  virtual void DrawItem(DRAWITEMSTRUCT* item) = 0;
};
