#include "tools/DlgRegOptScanPrg.h"

#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"
#include "platform/win/Timer.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "tools/DlgRegDefragHome.h"
#include "tools/OptimizeResults.h"
#include "tools/RegCompact.h"
#include "tools/ToolsFonts.h"
#include "ui/InputApi.h"
#include "ui/STMemDC.h"

namespace {

CZUNApp* App() { return AfxGetZunApp(); }

void SetDefragRunning(bool running) {
  if (CZUNApp* app = App()) app->m_bDefragRunning = running;
}

}  // namespace

CDlgRegOptScanPrg::CDlgRegOptScanPrg(win::CWnd* parent) : CDlgChildBase(409, parent) {}

BOOL CDlgRegOptScanPrg::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_stText.SubclassWindow(GetDlgItem(IDC_ST_TEXT));
  m_progress.SubclassWindow(GetDlgItem(IDC_REGOPT_PROGRESS));
  m_btnStop.SubclassWindow(GetDlgItem(IDCANCEL));
  win::SetWindowText(GetDlgItem(IDCANCEL), GetLocalizedString(L"IDCANCEL", L"IDD_SCAN_PROGRESS").c_str());
  m_stText.SetWindowText(GetLocalizedString(L"IDC_ST_TEXT", L"IDD_SCAN_PROGRESS").c_str());
  SetWindowText(GetLocalizedString(L"SCANPROGHEADING").c_str());
  m_progress.MoveWindow(20, 170, 545, 18);
  m_stText.MoveWindow(20, 198, 405, 27);
  m_stText.SetWindowText(GetLocalizedString(L"SCANPROGSTARTINFO").c_str());
  int lang = App() ? App()->m_nLangID : 0;
  m_btnStop.MoveWindow(lang != 0 ? 400 : 420, 350, 136, 31);
  m_btnStop.SetBitmapsAndText(140, 0, GetLocalizedString(L"IDS_BTN_STOP_SCAN"));
  m_btnStop.MoveWindow(lang != 0 ? 400 : 420, 350, 136, 31);
  m_btnStop.ShowWindow(SW_SHOW);
  m_btnStop.EnableWindow(FALSE);
  return TRUE;
}

UINT RegOptAnalysisThread(LPVOID param) {
  auto* page = static_cast<CDlgRegOptScanPrg*>(param);
  HWND hwnd = page->GetSafeHwnd();
  void* redirection = nullptr;
  if (IsWow64()) DisableWow64Redirection(&redirection);
  CRegCompact::Analyze(&page->m_progress, &page->m_stText);
  bool stopped = g_pRegCompact && g_pRegCompact->IsStopped();
  // A timer can only be armed by the thread that owns the window: the page arms it when this arrives.
  if (win::IsWindow(hwnd))
    win::PostMessage(hwnd, WM_ANALYSIS_DONE, stopped ? TIMER_ANALYSIS_STOPPED : TIMER_ANALYSIS_ENDED, 0);
  return 0;
}

void CDlgRegOptScanPrg::OnTimer(UINT_PTR id) {
  auto* home = dynamic_cast<CDlgRegDefragHome*>(m_pParentWnd);
  switch (id) {
    case TIMER_ANALYSIS_START:
      m_strStatus.clear();
      Invalidate();
      KillTimer(TIMER_ANALYSIS_START);
      m_btnStop.EnableWindow(TRUE);
      delete g_pRegCompact;
      g_pRegCompact = new CRegCompact;
      win::AfxBeginThread(&RegOptAnalysisThread, this);
      break;
    case TIMER_ANALYSIS_STOPPED:
      KillTimer(TIMER_ANALYSIS_STOPPED);
      if (g_pRegCompact) g_pRegCompact->DeleteCopies();
      delete g_pRegCompact;
      g_pRegCompact = nullptr;
      SetDefragRunning(false);
      if (m_pParentWnd) m_pParentWnd->PostMessage(WM_COMMAND, IDC_BTN_DEFRAG_CLOSE, 0);
      break;
    case TIMER_ANALYSIS_ENDED:
      KillTimer(TIMER_ANALYSIS_ENDED);
      ClearOptimizingMarker();
      if (!home) break;
      if (home->m_pageResults.FillResults())
        home->ShowResultsPage();
      else
        home->HideAllPages();
      break;
    default:
      break;
  }
}

void CDlgRegOptScanPrg::OnStop() {
  // Esc reaching the dialog is not a click on Stop.
  if (win::GetAsyncKeyState(VK_ESCAPE) & 0x8000) return;
  if (!g_pRegCompact) return;
  m_btnStop.EnableWindow(FALSE);
  m_strStatus = GetLocalizedString(L"SCANTAB2BOT_STOP_DESC");
  UpdateWindow();
  Invalidate();
  win::SetEvent(g_pRegCompact->m_hStopEvent);
}

BOOL CDlgRegOptScanPrg::OnCommand(WPARAM wParam, LPARAM) {
  if (LOWORD(wParam) == IDCANCEL) {
    OnStop();
    return TRUE;
  }
  return FALSE;
}

void CDlgRegOptScanPrg::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  const int W = client.right, H = client.bottom;
  PaintPageBackground(dc, W, H);
  CPen pen;
  pen.CreatePen(PS_SOLID, 1, RGB(185, 185, 185));
  CPen* oldPen = dc.SelectObject(&pen);
  dc.MoveTo(15, 32);
  dc.LineTo(W - 15, 32);
  dc.SelectObject(oldPen);
  dc.SetBkMode(TRANSPARENT);
  HGDIOBJ oldFont = dc.SelectObject(GetToolsFont(ToolsFont::Heading));
  RECT heading{20, 2, W - 20, 42};
  dc.DrawText(GetLocalizedString(L"SCANPROGHEADING"), &heading, DT_SINGLELINE);
  dc.SetTextColor(RGB(225, 32, 16));
  RECT sub{20, 70, W - 20, 110};
  dc.DrawText(GetLocalizedString(L"SCANPROGDESCHEADING"), &sub, DT_SINGLELINE);
  dc.SetTextColor(RGB(63, 45, 45));
  RECT desc{20, 100, W - 20, 160};
  dc.DrawText(GetLocalizedString(L"SCANPROGDESC"), &desc, DT_WORDBREAK);
  dc.SetTextColor(RGB(0, 0, 0));
  dc.SelectObject(GetToolsFont(ToolsFont::Text));
  if (!m_strStatus.empty()) {
    RECT status{20, H - 55, W - 180, H};
    dc.DrawText(m_strStatus, &status, DT_WORDBREAK);
  }
  dc.SelectObject(oldFont);
}

LRESULT CDlgRegOptScanPrg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      return 0;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_ANALYSIS_DONE:
      if (wParam == TIMER_ANALYSIS_STOPPED || wParam == TIMER_ANALYSIS_ENDED) SetTimer(wParam, 1024);
      return 0;
    default:
      return CDlgChildBase::WindowProc(msg, wParam, lParam);
  }
}
