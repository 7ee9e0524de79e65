#include "tools/DlgRegDefragHome.h"

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/base/SafeFormat.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Window.h"
#include "tools/ToolsFonts.h"
#include "ui/ModalOverlay.h"
#include "ui/STMemDC.h"

namespace {

void SetDefragRunning(bool running) {
  if (CZUNApp* app = AfxGetZunApp()) app->m_bDefragRunning = running;
}

bool DefragRunning() {
  CZUNApp* app = AfxGetZunApp();
  return app && app->m_bDefragRunning;
}

}  // namespace

CDlgRegDefragHome::CDlgRegDefragHome(win::CWnd* parent)
    : CMainBorder(IDD_REG_DEFRAG_HOME, parent), m_pageProgress(this), m_pageResults(this), m_pageSummary(this) {
  m_bLogoFrame = 1;
  m_bThinBottom = 1;
  m_bShowMinimize = 0;
  SetDefragRunning(false);
}

CDlgRegDefragHome::~CDlgRegDefragHome() = default;

BOOL CDlgRegDefragHome::OnInitDialog() {
  CMainBorder::OnInitDialog();
  SetWindowText(GetLocalizedString(L"IDS_STR_REGISTRYDEFRAG").c_str());
  MoveWindow(0, 0, 600, 461);
  CZUNApp* app = AfxGetZunApp();
  CenterWindow(app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr);
  m_btnStart.SubclassWindow(GetDlgItem(IDC_BTN_START_ANALYSIS));
  m_btnStart.ShowWindow(SW_HIDE);
  m_btnStart.EnableWindow(FALSE);
  m_btnStart.SetWindowText(GetLocalizedString(L"IDS_STR_REGDEFRAG_BTN_STARTSCAN").c_str());
  m_pageProgress.Create(409, this);
  m_pageResults.Create(410, this);
  m_pageSummary.Create(411, this);
  RECT client{};
  GetClientRect(&client);
  for (CDialog* page : {static_cast<CDialog*>(&m_pageProgress), static_cast<CDialog*>(&m_pageResults),
                        static_cast<CDialog*>(&m_pageSummary)}) {
    if (!page->GetSafeHwnd()) continue;
    page->ShowWindow(SW_HIDE);
    page->MoveWindow(6, 56, client.right - 12, client.bottom - 62);
  }
  m_btnCloseWindow.SubclassWindow(GetDlgItem(IDC_BTN_DEFRAG_CLOSE));
  m_btnCloseWindow.MoveWindow(client.right - 16, 2, 14, 15);
  m_btnCloseWindow.LoadStripBitmap(139);
  m_btnCloseWindow.EnableWindow(FALSE);
  m_btnCloseWindow.ShowWindow(SW_HIDE);
  HideAllPages();
  m_pageSummary.ShowWindow(SW_SHOW);
  if (!(app && app->m_bStartedAfterOptimization)) PostMessage(WM_COMMAND, IDC_BTN_START_ANALYSIS, 0);
  return TRUE;
}

void CDlgRegDefragHome::HideAllPages() {
  m_pageProgress.ShowWindow(SW_HIDE);
  m_pageResults.ShowWindow(SW_HIDE);
  m_pageSummary.ShowWindow(SW_HIDE);
  m_btnStart.ShowWindow(SW_HIDE);
}

void CDlgRegDefragHome::ShowResultsPage() {
  HideAllPages();
  m_pageResults.ShowWindow(SW_SHOW);
}

void CDlgRegDefragHome::OnStartAnalysis() {
  SetDefragRunning(true);
  HideAllPages();
  m_pageProgress.ShowWindow(SW_SHOW);
  m_pageProgress.m_stText.SetWindowText(L"");
  m_btnStart.ShowWindow(SW_HIDE);
  m_btnStart.EnableWindow(FALSE);
  m_pageProgress.SetTimer(TIMER_ANALYSIS_START, 512);
}

void CDlgRegDefragHome::OnCancel() {
  // The window stays while the analysis runs: its worker still talks to the pages.
  if (DefragRunning()) return;
  SetDefragRunning(false);
  EndModalWithOverlay(this);
  EndDialog(IDCANCEL);
}

BOOL CDlgRegDefragHome::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case IDC_BTN_START_ANALYSIS:
      OnStartAnalysis();
      return TRUE;
    case IDC_BTN_DEFRAG_CLOSE:
      OnCancel();
      return TRUE;
    default:
      return CMainBorder::OnCommand(wParam, lParam);
  }
}

void CDlgRegDefragHome::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  DrawFrame(&dc, &client);
  std::wstring text = mx::SafeFormat(GetLocalizedString(L"IDS_STR_REGDEFRAG_SUB_HEADING"),
                                     {GetLocalizedString(L"AFX_IDS_APP_TITLE")});
  RECT box{15, 75, client.right - 15, 200};
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(85, 85, 85));
  HGDIOBJ old = dc.SelectObject(GetToolsFont(ToolsFont::Text));
  dc.DrawText(text, &box, DT_WORDBREAK);
  dc.SelectObject(old);
}

void CDlgRegDefragHome::OnSize(UINT type, int cx, int cy) {
  CMainBorder::OnSize(type, cx, cy);
  if (m_btnStart.GetSafeHwnd()) m_btnStart.MoveWindow(20, 236, 631, 81);
}
