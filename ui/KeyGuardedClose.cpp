#include "ui/KeyGuardedClose.h"

#include "ui/AfxDialog.h"
#include "ui/InputApi.h"

void KeyGuardedOnOK(CDialog& dialog) {
  if (win::GetAsyncKeyState(VK_RETURN) == 0) dialog.CDialog::OnOK();
}

void KeyGuardedOnCancel(CDialog& dialog) {
  if (win::GetAsyncKeyState(VK_ESCAPE) == 0) dialog.CDialog::OnCancel();
}
