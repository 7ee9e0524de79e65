#include "tools/DlgScan5Summary.h"

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Window.h"
#include "tools/DlgRegDefragHome.h"
#include "tools/OptimizationSummary.h"
#include "tools/ToolsFonts.h"
#include "ui/STMemDC.h"

CDlgScan5Summary::CDlgScan5Summary(win::CWnd* parent) : CDlgChildBase(IDD_SCAN5_SUMMARY, parent), m_htmlSummary(this) {}

BOOL CDlgScan5Summary::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  const std::wstring finish = GetLocalizedString(L"IDC_BTN_FINISH_REGOPT");
  win::SetWindowText(GetDlgItem(IDC_BTN_FINISH_REGOPT), finish.c_str());
  SetWindowText(GetLocalizedString(L"SCANDLG5").c_str());
  m_btnFinish.SubclassWindow(GetDlgItem(IDC_BTN_FINISH_REGOPT));
  m_btnFinish.SetBitmapsAndText(140, 0, finish);
  // The window is made with every start of the optimisation; only after the restart is there anything to read.
  CZUNApp* app = AfxGetZunApp();
  if (app && app->m_bStartedAfterOptimization) {
    const OptimizationSummaryCounters counters = ReadOptimizationSummary();
    m_dwSizeBefore = counters.dwSizeBefore;
    m_dwSizeAfter = counters.dwSizeAfter;
    m_dwSpaceSaved = counters.dwSpaceSaved;
    m_nHivesOptimized = counters.nHivesOptimized;
  }
  m_htmlSummary.Create(IDD_DEFRAG_SUMMARY_HTML, this);
  m_htmlSummary.ShowWindow(SW_SHOW);
  m_htmlSummary.MoveWindow(0, 0, 588, 399);
  SetTimer(TIMER_FILL_SUMMARY, 128);
  m_btnFinish.EnableWindow(FALSE);
  m_btnFinish.ShowWindow(SW_HIDE);
  return TRUE;
}

void CDlgScan5Summary::OnTimer(UINT_PTR id) {
  if (id != TIMER_FILL_SUMMARY) return;
  KillTimer(id);
  m_htmlSummary.FillSummaryPage();
}

void CDlgScan5Summary::OnFinish() {
  if (m_pParentWnd) m_pParentWnd->PostMessage(WM_COMMAND, IDC_BTN_DEFRAG_CLOSE, 0);
}

BOOL CDlgScan5Summary::OnCommand(WPARAM wParam, LPARAM) {
  if (LOWORD(wParam) == IDC_BTN_FINISH_REGOPT && HIWORD(wParam) == BN_CLICKED) {
    OnFinish();
    return TRUE;
  }
  return FALSE;
}

void CDlgScan5Summary::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  PaintPageBackground(dc, client.right, client.bottom);
}

void CDlgScan5Summary::OnSize(int cx, int cy) {
  if (m_btnFinish.GetSafeHwnd()) m_btnFinish.MoveWindow(cx - 153, cy - 47, 136, 31);
}

LRESULT CDlgScan5Summary::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      return 0;
    case WM_SIZE: {
      LRESULT r = CDlgChildBase::WindowProc(msg, wParam, lParam);
      OnSize(LOWORD(lParam), HIWORD(lParam));
      return r;
    }
    default:
      return CDlgChildBase::WindowProc(msg, wParam, lParam);
  }
}
