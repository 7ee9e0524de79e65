#pragma once
// The optimisation window: a modal skinned frame over the main window that hosts the analysis progress page,
// the results page and, after the restart, the summary page, one at a time.
#include "tools/DlgRegOptScanPrg.h"
#include "tools/DlgScan3Results.h"
#include "tools/DlgScan5Summary.h"
#include "ui/HoverButton.h"
#include "ui/MainBorder.h"

inline constexpr UINT IDD_REG_DEFRAG_HOME = 395;
inline constexpr UINT IDC_BTN_START_ANALYSIS = 238;
inline constexpr UINT IDC_BTN_DEFRAG_CLOSE = 214;

class CDlgRegDefragHome : public CMainBorder {
 public:
  explicit CDlgRegDefragHome(win::CWnd* parent);
  ~CDlgRegDefragHome() override;

  BOOL OnInitDialog() override;
  void OnStartAnalysis();
  void OnCancel() override;
  void ShowResultsPage();
  void HideAllPages();

  CHoverButton m_btnStart;
  CHoverButton m_btnCloseWindow;
  CDlgRegOptScanPrg m_pageProgress;
  CDlgScan3Results m_pageResults;
  CDlgScan5Summary m_pageSummary;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  void OnSize(UINT type, int cx, int cy) override;
};
