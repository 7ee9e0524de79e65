#include "scan/CleanThread.h"

#include <atomic>
#include <mutex>
#include <string>

#include "app/AppLog.h"
#include "app/RestorePoint.h"
#include "app/ZUNApp.h"
#include "platform/gdi/Controls.h"
#include "platform/win/Message.h"
#include "platform/win/Sync.h"
#include "platform/win/Thread.h"
#include "platform/win/Wnd.h"
#include "scan/BackupSession.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/ScanThread.h"

namespace {

// Admits one repair run at a time; held by the worker for its whole run.
std::mutex g_repairGuard;
std::atomic<bool> g_repairRunning{false};  // true while the guard is held, for callers that only ask
thread_local CScanManager* t_cleaningManager = nullptr;

void SetBarPosition(CScanManager& manager, int position) {
  if (!manager.m_pProgressBar) return;
  manager.m_pProgressBar->SendMessage(PBM_SETPOS, static_cast<WPARAM>(position), 0);
  manager.m_pProgressBar->Invalidate(TRUE);
}

}  // namespace

CScanManager* CurrentCleanManager() {
  if (t_cleaningManager) return t_cleaningManager;
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_pScanManager : nullptr;
}

bool IsRepairRunning() { return g_repairRunning; }

UINT CleanThreadProc(LPVOID param) {
  auto* manager = static_cast<CScanManager*>(param);
  std::unique_lock<std::mutex> guard(g_repairGuard, std::try_to_lock);
  if (!guard.owns_lock() || !manager) return 0;
  g_repairRunning = true;
  CZUNApp* app = AfxGetZunApp();
  if (app) app->m_bCleanRunning = true;
  t_cleaningManager = manager;
  // COM is not initialised: the one repair that would need it (the Internet history) has no store here.

  if (manager->m_pProgressBar) {
    manager->m_pProgressBar->SendMessage(PBM_SETRANGE, 0, 0xE0000);
    manager->m_pProgressBar->SendMessage(PBM_SETPOS, 0, 0);
  }
  int result = 1;
  for (size_t row = 0; row < kScanOrder.size() && result != 2; ++row) {
    const DWORD flag = kScanOrder[row].flag;
    CCategory* category = (manager->m_dwCategoryMask & flag) ? manager->GetCategory(flag) : nullptr;
    if (category) {
      WriteLogLine(L"Cleaning Section " + std::to_wstring(row) + L" : Count : " +
                   std::to_wstring(category->m_arrProblems.size()) + L" ");
      if (category->IsStopRequested()) {
        result = 2;
      } else {
        if (manager->m_hProgressWnd) win::SendMessage(manager->m_hProgressWnd, WM_CATEGORY_STARTED, flag, 0);
        result = category->FixProblems();
      }
    }
    SetBarPosition(*manager, static_cast<int>(row));
  }

  if (app) app->m_bCleanRunning = false;
  t_cleaningManager = nullptr;
  if (manager->m_hProgressWnd)
    win::SendMessage(manager->m_hProgressWnd, result == 2 ? WM_CLEAN_STOPPED : WM_CLEAN_COMPLETED, 0, 0);
  WriteLogLine(L"Thread clean done");
  g_repairRunning = false;
  return 0;
}

bool BeginCleanWorker(CScanManager& manager) {
  CZUNApp* app = AfxGetZunApp();
  if ((app && app->m_bCleanRunning) || IsRepairRunning()) return false;
  if (manager.m_hStopEvent) win::ResetEvent(manager.m_hStopEvent);
  win::CWinThread* thread = win::AfxBeginThread(CleanThreadProc, &manager, win::THREAD_PRIORITY_NORMAL, 0,
                                                win::CREATE_SUSPENDED);
  if (thread == nullptr) return false;
  manager.m_dwWorker = thread->m_nThreadID;
  manager.SetWorkerThread(win::DuplicateHandle(thread->m_hThread));
  thread->ResumeThread();
  return true;
}

bool StartRepairRun(CScanManager& manager, HWND page, win::CWnd* progressBar, win::CWnd* countText) {
  CZUNApp* app = AfxGetZunApp();
  if ((app && app->m_bCleanRunning) || IsRepairRunning()) return false;
  WriteLogLine(L"Starting registry repair");
  if (!CreateRestorePoint(L"")) WriteLogLine(L"Restore point could not be created");
  manager.ResetRunState();
  manager.m_hProgressWnd = page;
  manager.m_pErrorsProcessedText = countText;
  manager.m_pProgressBar = progressBar;
  manager.RelinkCategories();
  if (!BeginBackupSession(manager.m_pBackupHolder)) return false;
  if (!BeginCleanWorker(manager)) {
    EndBackupSession(manager.m_pBackupHolder);
    return false;
  }
  return true;
}
