#pragma once
// The results page of the optimisation window: one row per analysed hive, whether an optimisation is due,
// and the optimise command.
#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/FancyListCtrl.h"
#include "ui/MyHoverButton.h"

inline constexpr UINT IDC_LIST_HIVES = 319;
inline constexpr UINT IDC_BTN_OPTIMIZE_NOW = 224;

class CDlgScan3Results : public CDlgChildBase {
 public:
  explicit CDlgScan3Results(win::CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  // TRUE when the page is to be shown; FALSE when the optimisation is not due and the window was closed.
  BOOL FillResults();
  void OnOptimize();

  CFancyListCtrl m_list;
  CImageList m_images;
  CMyHoverButton m_btnOptimize;
  double m_dTotalFragmentation = 0;
  BYTE m_bOptimizing = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint();
  void OnSize(int cx, int cy);

 private:
  CBitmap m_imageStrip;
};
