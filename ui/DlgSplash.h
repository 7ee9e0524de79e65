#pragma once
// The picture shown while an interactive start is still loading: a borderless 443 x 253 window centred on
// the screen. The object belongs to its window once that exists and deletes itself when it is destroyed.
#include "platform/gdi/GdiObject.h"
#include "ui/AfxDialog.h"

class CDlgSplash : public CDialog {
 public:
  CDlgSplash();

  // Makes the splash (self-owned), shows and paints it; nullptr when the window cannot be made.
  static CDlgSplash* CreateAndShow();

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  CBitmap m_bmpSplash;
  HICON m_hIcon = nullptr;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  void PostNcDestroy() override;
};
