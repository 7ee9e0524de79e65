#pragma once
// The analysis progress page of the optimisation window: starts the hive analysis on a worker, shows its
// progress, lets the user stop it, and turns the worker's end into timers so that what follows runs on the
// UI thread.
#include <string>

#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/MyHoverButton.h"

inline constexpr UINT IDC_ST_TEXT = 356;
inline constexpr UINT IDC_REGOPT_PROGRESS = 324;
inline constexpr UINT_PTR TIMER_ANALYSIS_START = 101;
inline constexpr UINT_PTR TIMER_ANALYSIS_STOPPED = 104;
inline constexpr UINT_PTR TIMER_ANALYSIS_ENDED = 105;
// From the worker to the page: arm the timer of wParam (the stopped or the ended one).
inline constexpr UINT WM_ANALYSIS_DONE = WM_APP + 0x105;

class CDlgRegOptScanPrg : public CDlgChildBase {
 public:
  explicit CDlgRegOptScanPrg(win::CWnd* parent = nullptr);

  BOOL OnInitDialog() override;
  void OnTimer(UINT_PTR id);
  void OnStop();

  CStatic m_stText;
  CProgressCtrl m_progress;
  CMyHoverButton m_btnStop;
  std::wstring m_strStatus;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint();
};

// The worker: the analysis, then the stopped or the ended timer on the page.
UINT RegOptAnalysisThread(LPVOID page);
