#include "ui/DlgChildBase.h"

#include "app/DrawingUtils.h"
#include "platform/gdi/Gdi.h"
#include "ui/KeyGuardedClose.h"

BOOL CDlgChildBase::OnInitDialog() {
  CDialog::OnInitDialog();
  ModifyStyle(0, WS_TABSTOP);
  return TRUE;
}

void CDlgChildBase::OnOK() { KeyGuardedOnOK(*this); }
void CDlgChildBase::OnCancel() { KeyGuardedOnCancel(*this); }

HBRUSH CDlgChildBase::OnCtlColor(HDC dc, HWND, UINT) {
  win::SetTextColor(dc, RGB(27, 45, 54));
  return GetDialogBrush();
}

LRESULT CDlgChildBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_ERASEBKGND) return TRUE;
  return CDialog::WindowProc(msg, wParam, lParam);
}
