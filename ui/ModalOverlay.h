#pragma once
// Modal dialogs shown over a dimmed copy of the window they belong to: a half-transparent pop-up (the
// overlay) runs the modal loop and hosts the real dialog as a modeless window centred on the main window.
// g_nModalCount (ZUNApp.h) counts the overlays that run; the hosted dialog ends the whole construction with
// EndModalWithOverlay.
#include "platform/gdi/GdiObject.h"
#include "ui/AfxDialog.h"

class CDlgParentTransculent : public CDialog {
 public:
  explicit CDlgParentTransculent(win::CWnd* parent);

  BOOL OnInitDialog() override;
  // Enter and Esc never close the overlay; only the hosted dialog ends it.
  void OnOK() override {}
  void OnCancel() override {}
  virtual BOOL OnEraseBkgnd() { return TRUE; }

  int m_nBitmapWidth = 0;
  int m_nBitmapHeight = 0;
  CDialog* m_pHosted = nullptr;
  UINT m_nHostedTemplate = 0;
  RECT m_rcCovered{};
  CBitmap m_bmpDim;
  // Set once the hosted dialog ended the overlay through EndModalWithOverlay.
  bool m_bEndedByHost = false;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

// Covers window with an overlay hosting dialog (made from templateId) until it ends; returns 0.
int RunModalWithOverlay(win::CWnd* window, CDialog* dialog, UINT templateId);
// Called by a hosted dialog instead of EndDialog: the main window is enabled again, the counter lowered and
// the overlay's loop ended (the hosted window goes with the overlay).
void EndModalWithOverlay(win::CWnd* hosted);
// Asks for the window to be shown at alpha of 255; FALSE when it cannot be layered.
BOOL SetWindowAlpha(HWND hwnd, BYTE alpha);
