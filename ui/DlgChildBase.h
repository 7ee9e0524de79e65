#pragma once
// The base of the classic pages inside the main window and the settings window: white background, one text
// colour, no background erase, and Enter/Esc that never close a page while the key is still held.
#include "ui/AfxDialog.h"

class CDlgChildBase : public CDialog {
 public:
  using CDialog::CDialog;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  HBRUSH OnCtlColor(HDC dc, HWND control, UINT ctlColorMessage) override;
};
