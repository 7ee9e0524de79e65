#include "tools/DlgScan3Results.h"

#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/DC.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/MessageBox.h"
#include "scan/ScanManager.h"
#include "tools/DlgRegDefragHome.h"
#include "tools/OptimizeResults.h"
#include "tools/RegCompact.h"
#include "tools/ToolsFonts.h"
#include "ui/STMemDC.h"

namespace {

// The main window shows the scan results on this command.
constexpr UINT kCmdScanDone = 1134;

}  // namespace

CDlgScan3Results::CDlgScan3Results(win::CWnd* parent) : CDlgChildBase(410, parent) {}

BOOL CDlgScan3Results::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  win::SetWindowText(GetDlgItem(IDC_BTN_OPTIMIZE_NOW),
                     GetLocalizedString(L"IDC_BTN_OPTIMIZE", L"IDD_SCANTAB3_RESULTS").c_str());
  RECT client{};
  GetClientRect(&client);
  m_btnOptimize.SubclassWindow(GetDlgItem(IDC_BTN_OPTIMIZE_NOW));
  m_btnOptimize.MoveWindow(client.right - 127, client.bottom - 5, 136, 31);
  m_btnOptimize.SetBitmapsAndText(140, 0, GetLocalizedString(L"IDC_BTN_OPTIMIZE_NOW"));
  m_list.SubclassWindow(GetDlgItem(IDC_LIST_HIVES));
  m_list.PreSubclassWindow();
  m_list.MoveWindow(18, 80, 553, 240);
  m_list.m_nMaxLines = 4;
  m_images.Create(200, 32, ILC_COLOR32 | ILC_MASK, 4, 0);
  m_imageStrip.LoadBitmap(128);
  m_images.Add(&m_imageStrip, RGB(255, 255, 255));
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  m_list.InsertIconColumn(&m_images);
  if (m_list.m_iTextColumn < 0) {
    int column = m_list.InsertColumn(1, L"Registry Hive Optimization", LVCFMT_LEFT, 393);
    if (column >= 0) {
      m_list.OnColumnInserted(1, column);
      m_list.m_iTextColumn = 1;
    }
  }
  return TRUE;
}

BOOL CDlgScan3Results::FillResults() {
  m_list.DeleteAllRows();
  CZUNApp* app = AfxGetZunApp();
  std::vector<HiveResultRow> rows;
  if (g_pRegCompact) rows = BuildHiveResultRows(*g_pRegCompact, &m_dTotalFragmentation);
  else m_dTotalFragmentation = 0;
  for (size_t i = 0; i < rows.size(); ++i) {
    int row = static_cast<int>(i);
    m_list.InsertItem(row, L"", 0);
    m_list.SetRowTexts(row, rows[i].title, rows[i].description, rows[i].detail, rows[i].meter);
  }
  LONGLONG days = DaysSinceLastOptimization();
  if (static_cast<ULONGLONG>(days) > 10) {
    if (app) app->m_bDefragRunning = false;
    Invalidate();
    return TRUE;
  }
  win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_REG_OPT_NOT_REQ").c_str(), GetAppTitle().c_str(),
                  MB_ICONINFORMATION | MB_TASKMODAL | MB_TOPMOST);
  if (g_pRegCompact) g_pRegCompact->DeleteCopies();
  delete g_pRegCompact;
  g_pRegCompact = nullptr;
  m_list.DeleteAllRows();
  if (app) app->m_bDefragRunning = false;
  if (m_pParentWnd) m_pParentWnd->PostMessage(WM_COMMAND, IDC_BTN_DEFRAG_CLOSE, 0);
  PumpMessages();
  if (app && app->m_pScanManager && app->m_pScanManager->GetProblemCount() >= 1 && app->m_pMainWnd)
    app->m_pMainWnd->PostMessage(WM_COMMAND, kCmdScanDone, 0);
  return FALSE;
}

void CDlgScan3Results::OnOptimize() {
  SendMessage(WM_NULL);
  m_bOptimizing = 1;
  if (!RunOptimizeCommand()) m_bOptimizing = 0;
}

BOOL CDlgScan3Results::OnCommand(WPARAM wParam, LPARAM) {
  if (LOWORD(wParam) == IDC_BTN_OPTIMIZE_NOW && HIWORD(wParam) == BN_CLICKED) {
    OnOptimize();
    return TRUE;
  }
  return FALSE;
}

void CDlgScan3Results::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  const int W = client.right, H = client.bottom;
  PaintPageBackground(dc, W, H);
  CBrush outline(RGB(185, 185, 185));
  RECT top{0, 0, W, 75};
  dc.FillSolidRect(&top, m_dTotalFragmentation < 1 ? RGB(45, 189, 45) : RGB(189, 45, 45));
  dc.FrameRect(&top, &outline);
  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(255, 255, 255));
  HGDIOBJ oldFont = dc.SelectObject(GetToolsFont(ToolsFont::Results));
  RECT heading{20, 23, W - 20, 93};
  dc.DrawText(FormatWithDouble(GetLocalizedString(L"SCANTAB3ERRCOUNT"), m_dTotalFragmentation), &heading,
              DT_SINGLELINE);
  dc.SetTextColor(RGB(0, 0, 0));
  dc.SelectObject(GetToolsFont(ToolsFont::Text));
  RECT hint{20, H - 55, W - 160, H};
  dc.DrawText(GetLocalizedString(L"DEFRAG_CLICK_OPT_BTN_DESC"), &hint, DT_WORDBREAK);
  dc.SelectObject(oldFont);
}

void CDlgScan3Results::OnSize(int cx, int cy) {
  if (m_btnOptimize.GetSafeHwnd()) m_btnOptimize.MoveWindow(cx - 153, cy - 47, 136, 31);
  if (m_list.GetSafeHwnd()) m_list.MoveWindow(0, 75, cx, 250);
}

LRESULT CDlgScan3Results::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (m_list.ReflectParentMessage(msg, wParam, lParam, &result)) return result;
  switch (msg) {
    case WM_PAINT:
      OnPaint();
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
