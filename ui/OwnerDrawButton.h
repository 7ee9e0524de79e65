#pragma once
// An owner-drawn button object: its parent dialog hands each WM_DRAWITEM of the button to DrawItem. A button
// placed by a dialog template is taken over with SubclassDlgItem, which makes it owner-drawn.
#include "platform/gdi/AfxControls.h"

class COwnerDrawButton : public CButton {
 public:
  virtual void DrawItem(DRAWITEMSTRUCT* item) = 0;

  BOOL SubclassDlgItem(UINT id, win::CWnd* parent) {
    HWND control = parent ? parent->GetDlgItem(static_cast<int>(id)) : nullptr;
    if (!control || !SubclassWindow(control)) return FALSE;
    PreSubclassWindow();
    return TRUE;
  }

 protected:
  virtual void PreSubclassWindow() { ModifyStyle(0, BS_OWNERDRAW); }
};
