#pragma once
// The third page of the optimisation window, shown after the restart: reads what the boot-time compaction
// did and the analysis summary kept across the restart, and shows them on its HTML summary.
#include "tools/DlgDefragSummary.h"
#include "ui/DlgChildBase.h"
#include "ui/MyHoverButton.h"

inline constexpr UINT IDD_SCAN5_SUMMARY = 411;
inline constexpr UINT IDC_BTN_FINISH_REGOPT = 219;
inline constexpr UINT_PTR TIMER_FILL_SUMMARY = 99;

class CDlgScan5Summary : public CDlgChildBase {
 public:
  explicit CDlgScan5Summary(win::CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id);
  void OnFinish();

  DWORD m_dwSizeBefore = 0;
  DWORD m_dwSizeAfter = 0;
  DWORD m_dwSpaceSaved = 0;
  int m_nHivesOptimized = 0;
  CMyHoverButton m_btnFinish;
  CDlgDefragSummary m_htmlSummary;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint();
  void OnSize(int cx, int cy);
};
