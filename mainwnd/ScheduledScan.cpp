#include "mainwnd/ScheduledScan.h"

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/ZUNApp.h"
#include "mainwnd/ScanSummaryTexts.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/system/Time.h"
#include "platform/win/Message.h"
#include "scan/CategorySelection.h"
#include "scan/EngineMessages.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "scan/ScanThread.h"

namespace {

constexpr UINT_PTR kTimerCreateCategories = 101;
constexpr UINT_PTR kTimerStartWorker = 102;
constexpr UINT kStartDelayMs = 90;  // between creating the categories and starting the worker

CScanManager* Manager() {
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_pScanManager : nullptr;
}

CScheduledScan::FinishedHandler& Registered() {
  static CScheduledScan::FinishedHandler handler;
  return handler;
}

}  // namespace

CScheduledScan::~CScheduledScan() {
  if (GetSafeHwnd()) DestroyWindow();
}

BOOL CScheduledScan::Start(HWND mainWnd) {
  if (!CreateEx(0, L"#32770", L"", WS_CHILD, 0, 0, 0, 0, mainWnd, nullptr)) return FALSE;
  // Timer 101 runs once the message loop does, as the screen's does when a scan is asked for.
  return SetTimer(kTimerCreateCategories, 1) != 0;
}

LRESULT CScheduledScan::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_TIMER:
      if (wParam == kTimerCreateCategories) {
        KillTimer(kTimerCreateCategories);
        CreateSelectedCategories();
        return 0;
      }
      if (wParam == kTimerStartWorker) {
        KillTimer(kTimerStartWorker);
        BeginWorker();
        return 0;
      }
      break;
    case WM_SCAN_ITEM_TEXT:  // nothing is shown while the window is hidden
    case WM_CATEGORY_NEXT:
    case WM_CATEGORY_STARTED:
    case WM_CATEGORY_FINISHED:
      return 0;
    case WM_SCAN_COMPLETED:
      OnScanCompleted();
      return 0;
    case WM_SCAN_STOPPED:
      OnScanStopped();
      return 0;
    default:
      break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

void CScheduledScan::CreateSelectedCategories() {
  CZUNApp* app = AfxGetZunApp();
  CScanManager* manager = Manager();
  if (!manager) {
    WriteLogLine(L"Scheduled scan: the scan engine is not available");
    return Finish(false);
  }
  if (app->m_bScanRunning) {
    WriteLogLine(L"Scheduled scan: a scan is running already");
    return Finish(false);
  }
  DWORD mask = 0;
  int count = 0;
  GetSelectedScanCategories(mask, count);
  if (count == 0) {
    WriteLogLine(L"Scheduled scan: no scan category is selected");
    return Finish(false);
  }
  manager->m_hProgressWnd = GetSafeHwnd();
  manager->CreateCategories(static_cast<int>(mask), count);
  SetTimer(kTimerStartWorker, kStartDelayMs);
}

void CScheduledScan::BeginWorker() {
  CScanManager* manager = Manager();
  if (!manager || !BeginScanWorker(*manager)) {
    WriteLogLine(L"Scheduled scan: the scan worker could not start");
    if (manager) {
      manager->DeleteCategories();
      manager->LoadProblemsFromDisk();
    }
    return Finish(false);
  }
}

void CScheduledScan::OnScanCompleted() {
  CScanManager* manager = Manager();
  if (!manager) return Finish(false);
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  StrLastScan = FormatLastScanTime(now);
  SaveLastScanTime(now);
  SaveProblemsToDisk(*manager);
  // What the main window's scan-done command records.
  const int count = manager->GetProblemCount();
  StrLastScanResults = std::to_wstring(count);
  SaveLastScanResultCount(count);
  RegErrFoundTillDate += static_cast<DWORD>(count);
  SaveSettings();
  Finish(true);
}

void CScheduledScan::OnScanStopped() {
  SaveSettings();
  if (CScanManager* manager = Manager()) {
    manager->DeleteCategories();
    manager->LoadProblemsFromDisk();  // the results of the last completed scan come back
  }
  Finish(false);
}

void CScheduledScan::Finish(bool completed) {
  if (m_finished) return;
  m_finished = true;
  ScheduledScanOutcome outcome;
  outcome.completed = completed;
  if (CScanManager* manager = Manager()) {
    outcome.problems = manager->GetProblemCount();
    manager->m_hProgressWnd = nullptr;
  }
  if (m_onFinished) m_onFinished(outcome);
  // With a display the pop-up notifier tells the user, and the run ends with it (or the user takes it over).
  if (completed && CZUNDlg::NotifiersEnabled()) {
    if (HWND main = win::GetParent(m_hWnd); main && win::PostMessage(main, WM_COMMAND, ID_CMD_SHOW_POPUP, 0)) return;
  }
  win::PostQuitMessage(completed ? 0 : 1);
}

void RegisterScheduledScan(CScheduledScan::FinishedHandler onFinished) {
  Registered() = std::move(onFinished);
  CZUNDlg::SetInitHook([](CZUNDlg& dlg) {
    CZUNApp* app = AfxGetZunApp();
    if (!app || !app->m_bScheduledScanMode) return;
    auto scan = std::make_unique<CScheduledScan>(Registered());
    if (!scan->Start(dlg.GetSafeHwnd())) {
      WriteLogLine(L"Scheduled scan: the scan window could not be made");
      if (Registered()) Registered()(ScheduledScanOutcome{});
      win::PostQuitMessage(1);
      return;
    }
    dlg.m_hiddenScheduledScan = std::move(scan);
  });
}
