#include "mainwnd/CleanWizard1Dlg.h"

#include <string>
#include <vector>

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/ExclusionLists.h"
#include "app/LocalizedStrings.h"
#include "app/RestorePoint.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "scan/BackupSession.h"
#include "scan/CleanThread.h"
#include "scan/EngineMessages.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "scan/ScanThread.h"
#include "ui/STBitmap.h"
#include "ui/STMemDC.h"

namespace {

constexpr int kFontBold10 = 10;
constexpr int kFontBold13 = 12;
constexpr UINT kStageIconBackup = 207;
constexpr UINT kStageIconRepair = 208;
constexpr UINT kStatusMark = 209;
// The entry types of the history lists: the only problems the temporary list keeps out of later scans.
constexpr int kFirstHistoryType = 26;
constexpr int kLastHistoryType = 32;

CScanManager* Manager() {
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_pScanManager : nullptr;
}

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key); }

// Problems marked for repair, for the count line.
int SelectedCount() {
  CScanManager* manager = Manager();
  return manager ? manager->GetSelectedProblemCount() : 0;
}

const CSTBitmap& PageBitmap(UINT id) {
  // loaded once per process and reused by every paint
  static const CSTBitmap backup(kStageIconBackup), repair(kStageIconRepair), mark(kStatusMark);
  return id == kStageIconBackup ? backup : id == kStageIconRepair ? repair : mark;
}

void DrawPageBitmap(CDC& dc, UINT id, int x, int y) {
  const CSTBitmap& bitmap = PageBitmap(id);
  if (bitmap.Width() <= 0) return;
  CDC source;
  source.CreateCompatibleDC(&dc);
  HGDIOBJ old = source.SelectObject(static_cast<HGDIOBJ>(static_cast<HBITMAP>(bitmap)));
  dc.BitBlt(x, y, bitmap.Width(), bitmap.Height(), &source, 0, 0, SRCCOPY);
  source.SelectObject(old);
}

}  // namespace

CCleanWizard1Dlg::CCleanWizard1Dlg() : CDlgChildBase(IDD_REPAIR_PAGE) {}

BOOL CCleanWizard1Dlg::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_REPAIR_PAGE, 96.0);
  m_progressHidden.SubclassWindow(GetDlgItem(IDC_REPAIR_PROGRESS_HIDDEN));
  m_progressRepair.SubclassWindow(GetDlgItem(IDC_REPAIR_PROGRESS));
  m_stcStatus.SubclassWindow(GetDlgItem(IDC_REPAIR_STATUS));
  m_btnStop.SubclassDlgItem(IDC_BTN_STOP_REPAIR, this);
  m_stcHeading.SubclassWindow(GetDlgItem(IDC_REPAIR_HEADING));
  m_animBusy.SubclassWindow(GetDlgItem(IDC_REPAIR_ANIMATION));

  m_stcHeading.SetWindowText(Text(L"IDS_CLEANING_HEADING").c_str());
  MoveDlgItemScaled(m_hWnd, IDC_REPAIR_HEADING, 12, 34, 475, 31);
  MoveDlgItemScaled(m_hWnd, IDC_REPAIR_COUNT, 12, 68, 475, 13);
  MoveDlgItemScaled(m_hWnd, IDC_REPAIR_PROGRESS, 12, 85, 475, 13);
  MoveDlgItemScaled(m_hWnd, IDC_REPAIR_STATUS, 12, 103, 475, 13);
  MoveDlgItemScaled(m_hWnd, IDC_REPAIR_ANIMATION, 466, 182, 20, 20);
  if (m_animBusy.GetSafeHwnd() && m_animBusy.Open(IDR_REPAIR_ANIMATION)) m_animBusy.Play(0, 0xFFFF, 0xFFFFFFFF);

  // The stop stays hidden: a stopped repair is only reached through the stop event.
  m_btnStop.EnableWindow(FALSE);
  m_btnStop.ShowWindow(SW_HIDE);
  m_progressHidden.ShowWindow(SW_HIDE);
  m_progressHidden.EnableWindow(FALSE);
  return TRUE;
}

std::wstring CCleanWizard1Dlg::SelectedCountText(int count) {
  return mx::SafeFormat(Text(L"IDS_TOTAL_SELECTED_FOR_CLEAN"), {count, count == 1 ? L"" : L"s"});
}

void CCleanWizard1Dlg::ShowSelectedCount() {
  if (HWND count = GetDlgItem(IDC_REPAIR_COUNT)) win::SetWindowText(count, SelectedCountText(SelectedCount()).c_str());
  PumpMessages();
}

void CCleanWizard1Dlg::OnRunRepair() {
  CZUNApp* app = AfxGetZunApp();
  // Claimed before anything is pumped: a second request that arrives while this one makes its restore point
  // must find it taken, or it would open a second undo run or replace this one under the worker.
  if (m_bRepairPending || IsRepairRunning() || (app && app->m_bCleanRunning)) {
    WriteLogLine(L"A repair was asked for while another one is starting or running; it was not started");
    return;
  }
  CScanManager* manager = Manager();
  if (!manager) return;
  m_bRepairPending = true;

  PumpMessages();
  WriteLogLine(L"\r\n\r\n CLEANING STARTED \r\n\r\n");
  if (HFONT bold = GetAppFont(kFontBold10))
    m_stcStatus.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(bold), TRUE);
  m_stcStatus.SetWindowText(Text(L"IDS_CREATING_RESTORE_PT").c_str());
  m_stcStatus.UpdateWindow();
  const BOOL due = IsRestorePointDue();
  const BOOL made = CreateRestorePoint(L"");
  if (!due)
    WriteLogLine(L"\r\n\r\n NO RESTORE POINT CREATED: THE LAST ONE IS LESS THAN 25 HOURS OLD \r\n\r\n");
  else if (made)
    WriteLogLine(L"\r\n\r\n PASSED CREATING RESTORE POINT STAGE \r\n\r\n");
  else
    WriteLogLine(L"\r\n\r\n RESTORE POINT COULD NOT BE CREATED; THE REPAIR GOES ON WITHOUT ONE \r\n\r\n");

  m_progressRepair.SetPos(0);
  Invalidate(TRUE);
  // the page's background is drawn over its texts: they are drawn again after it
  for (int id : {IDC_REPAIR_HEADING, IDC_REPAIR_COUNT, IDC_REPAIR_STATUS, IDC_REPAIR_PROGRESS, IDC_REPAIR_ANIMATION})
    if (HWND child = GetDlgItem(id)) win::InvalidateRect(child, nullptr, TRUE);
  if (m_pHost) m_pHost->EnableNavigation(FALSE);

  manager->ResetRunState();
  manager->m_hProgressWnd = m_hWnd;
  if (m_stcStatus.GetSafeHwnd()) manager->m_pErrorsProcessedText = &m_stcStatus;
  if (m_progressRepair.GetSafeHwnd()) manager->m_pProgressBar = &m_progressRepair;
  manager->RelinkCategories();
  PumpMessages();

  if (!BeginBackupSession(manager->m_pBackupHolder)) {
    AbandonStart(L"The undo run could not be opened; nothing was repaired");
    return;
  }
  PumpMessages();
  win::Sleep(0);
  if (!BeginCleanWorker(*manager)) {
    EndBackupSession(manager->m_pBackupHolder);
    AbandonStart(L"The repair worker could not be started; nothing was repaired");
    return;
  }
  PumpMessages();
}

void CCleanWizard1Dlg::AbandonStart(const wchar_t* why) {
  WriteLogLine(why);
  m_bRepairPending = false;
  if (m_pHost) m_pHost->EnableNavigation(TRUE);
  PostMainCommand(m_pHost, ID_CMD_SCAN_DONE);
}

void CCleanWizard1Dlg::OnStopRepair() {
  if (CScanManager* manager = Manager(); manager && manager->m_hStopEvent) win::SetEvent(manager->m_hStopEvent);
  win::Sleep(50);
  if (m_pHost) m_pHost->EnableNavigation(TRUE);
}

int CCleanWizard1Dlg::RememberFailedHistoryEntries(const CScanManager& manager, std::vector<std::wstring>& tempList) {
  int added = 0;
  for (const ScanOrderRow& row : kScanOrder) {
    const CCategory* category = manager.GetCategory(row.flag);
    if (!category) continue;
    for (const auto& problem : category->m_arrProblems) {
      if (!problem->m_nRepairFailed || problem->EntryType < kFirstHistoryType || problem->EntryType > kLastHistoryType)
        continue;
      if (problem->Key.empty()) continue;
      bool known = false;
      for (const std::wstring& entry : tempList) known = known || mx::EqualsNoCase(entry, problem->Key);
      if (known) continue;
      tempList.push_back(problem->Key);
      ++added;
    }
  }
  return added;
}

int CCleanWizard1Dlg::FinishRun(bool completed) {
  SaveSettings();
  PumpMessages();
  if (m_pHost) m_pHost->EnableNavigation(TRUE);
  CScanManager* manager = Manager();
  if (!manager) {
    m_bRepairPending = false;
    return 0;
  }
  EndBackupSession(manager->m_pBackupHolder);
  m_bRepairPending = false;
  if (m_onUndoRunRecorded) m_onUndoRunRecorded();

  // The worker took the repaired problems out of their categories; the failed ones stay, marked. The list
  // changed either way, so the results file follows it now.
  CZUNApp* app = AfxGetZunApp();
  if (completed && app && RememberFailedHistoryEntries(*manager, app->m_arrTempList) > 0) SaveTemporaryList();
  SaveProblemsToDisk(*manager);
  const int failed = manager->m_nRepairsFailed;
  WriteLogLine(L"Repair run ended: " + std::wstring(completed ? L"completed" : L"stopped") + L", " +
               std::to_wstring(failed) + L" could not be repaired, " + std::to_wstring(manager->GetProblemCount()) +
               L" problems left");
  if (failed > 0)
    Tell(mx::SafeFormat(Text(L"IDS_REPAIR_FAILED_COUNT"), {failed, failed == 1 ? L"" : L"s"}));
  return failed;
}

LRESULT CCleanWizard1Dlg::OnCleanCompleted() {
  FinishRun(true);
  CScanManager* manager = Manager();
  const int left = manager ? manager->GetProblemCount() : 0;
  PostMainCommand(m_pHost, left > 0 ? ID_CMD_SCAN_DONE : ID_CMD_CLEAN_DONE);
  return 0;
}

LRESULT CCleanWizard1Dlg::OnCleanStopped() {
  FinishRun(false);
  CScanManager* manager = Manager();
  const int left = manager ? manager->GetProblemCount() : 0;
  if (left > 0) {
    PostMainCommand(m_pHost, ID_CMD_SCAN_DONE);
    return 0;
  }
  Tell(Text(L"IDS_CLEANING_ABORTED"));
  PostMainCommand(m_pHost, IDC_BTN_HOME);
  return 0;
}

void CCleanWizard1Dlg::Tell(const std::wstring& text) {
  win::MessageBox(m_hWnd, text.c_str(), Text(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
}

BOOL CCleanWizard1Dlg::OnCommand(WPARAM wParam, LPARAM) {
  switch (LOWORD(wParam)) {
    case ID_CMD_RUN_REPAIR: OnRunRepair(); return TRUE;
    case IDC_BTN_STOP_REPAIR: OnStopRepair(); return TRUE;
    default: return FALSE;
  }
}

LRESULT CCleanWizard1Dlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLEAN_COMPLETED: return OnCleanCompleted();
    case WM_CLEAN_STOPPED: return OnCleanStopped();
    case WM_PAINT: OnPaint(); return 0;
    default: break;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}

void CCleanWizard1Dlg::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  dc.FillSolidRect(&client, RGB(255, 255, 255));
  DrawHeaderBand(dc, 9, 24, 740, 50);
  DrawHeaderBand(dc, 9, 200, 740, 226);
  {
    CPen rule(PS_SOLID, 1, RGB(225, 225, 225));
    HGDIOBJ old = dc.SelectObject(static_cast<HGDIOBJ>(static_cast<HPEN>(rule)));
    dc.MoveTo(9, 295);
    dc.LineTo(740, 295);
    dc.SelectObject(old);
  }
  dc.SetBkMode(TRANSPARENT);
  auto text = [&](const std::wstring& s, RECT box, HFONT font, COLORREF color, UINT format) {
    HGDIOBJ old = dc.SelectObject(font);
    dc.SetTextColor(color);
    dc.DrawText(s, &box, format);
    dc.SelectObject(old);
  };
  const UINT line = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
  HFONT regular = GetAppFont(kFontRegular13), bold = GetAppFont(kFontBold13);
  text(Text(L"IDS_HEADING_CLEANING_REGISTRY"), RECT{18, 24, 730, 50}, regular, RGB(9, 18, 27), line);
  text(Text(L"IDS_ACTION"), RECT{18, 200, 400, 226}, bold, RGB(9, 18, 27), line);
  text(Text(L"IDS_STATUS"), RECT{400, 200, 730, 226}, bold, RGB(9, 18, 27), line | DT_RIGHT);
  const COLORREF grey = RGB(110, 110, 110);
  const int right = client.right - 80;
  text(Text(L"IDS_REG_BKUP_DNE"), RECT{70, 235, right, 252}, bold, grey, line);
  text(Text(L"IDS_REG_BKUP_DNE_DES"), RECT{70, 254, right, 290}, regular, grey, DT_WORDBREAK | DT_NOPREFIX);
  text(Text(L"IDS_CLEANING_REG"), RECT{70, 305, right, 322}, bold, grey, line);
  text(Text(L"IDS_CLEANING_REG_DES"), RECT{70, 324, right, 360}, regular, grey, DT_WORDBREAK | DT_NOPREFIX);
  DrawPageBitmap(dc, kStageIconBackup, 25, 235);
  DrawPageBitmap(dc, kStageIconRepair, 25, 305);
  DrawPageBitmap(dc, kStatusMark, client.right - 60, 235);
  DrawBottomBand(dc, client);
}
