#pragma once
// The one scan-engine object of the program: it owns the fourteen category objects (one slot per category
// flag), the stop event every category and worker polls, the link to the current undo run, and the window
// handles through which the workers report. Created, filled and emptied on the UI thread; while a worker
// runs, the UI thread neither creates nor deletes categories.
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/win/Sync.h"
#include "platform/win/WinDefs.h"
#include "scan/BackupHolder.h"
#include "scan/Category.h"
#include "scan/CategoryFlags.h"

namespace win {
class CWnd;
}

class CScanManager {
 public:
  // Makes the category object of one flag; null for a value that names no category.
  using CategoryFactory = std::function<std::unique_ptr<CCategory>(DWORD flag)>;

  // Creates the stop event (manual reset, not signalled) and the holder with no run and the program title.
  CScanManager();
  // Deletes the categories and closes the stop event. A worker still running must be stopped first
  // (StopWorkerAndWait): it reads the manager.
  ~CScanManager();
  CScanManager(const CScanManager&) = delete;
  CScanManager& operator=(const CScanManager&) = delete;

  // Deletes every category, resets the stop event, then creates the object of every set bit (0x1 to 0x2000,
  // ascending), linked to the stop event and the holder. The count is stored as given; the mask stays.
  void CreateCategories(int flags, int count);
  // Points every category at the holder; with at least one category, the mask and the count are taken from
  // the categories that exist. Called before a repair run.
  void RelinkCategories();
  void DeleteCategories();
  // The object in the slot of a single flag; null for any other value or an empty slot.
  CCategory* GetCategory(DWORD flag) const;
  // False when the flag is not positive or names no existing category.
  bool GetCategoryProblems(int flag, std::vector<std::unique_ptr<CProblem>>*& problems, int& count) const;
  int GetProblemCount() const;
  int GetSelectedProblemCount() const;
  // Forgets the window handles and the failure count of the last run (the repair page fills them again).
  void ResetRunState();

  // Fills the categories from "results.kvt" (ResultsFile.cpp).
  void LoadProblemsFromDisk();

  // Starts proc(this) on a worker of normal priority: its thread id goes to m_dwWorker and a waitable handle
  // stays with the manager. False when the thread could not start.
  bool StartWorker(UINT (*proc)(LPVOID));
  // Keeps a waitable handle of the running worker (ownership passes to the manager), so that the manager
  // can be deleted safely at exit.
  void SetWorkerThread(HANDLE thread);
  // Signals the stop event and waits until the worker has ended, handling the messages it sends meanwhile
  // so that a worker blocked in SendMessage can finish. Does nothing when no worker was started.
  void StopWorkerAndWait();

  // Places an object into the slot of its flag, linked like the ones CreateCategories makes (the results
  // loader, and tests that run stub categories).
  void SetCategory(DWORD flag, std::unique_ptr<CCategory> category);

  // The thread id of the running worker; the scan worker sets it to 0 when it ends.
  std::atomic<DWORD> m_dwWorker{0};
  HANDLE m_hStopEvent = nullptr;
  HWND m_hProgressWnd = nullptr;
  win::CWnd* m_pProgressBar = nullptr;
  int m_nCategoryCount = 0;
  DWORD m_dwCategoryMask = 0;
  BackupHolder* m_pBackupHolder = nullptr;
  win::CWnd* m_pErrorsProcessedText = nullptr;
  // How many repairs of the current run failed (the fix loop counts them; ResetRunState starts it at 0).
  std::atomic<int> m_nRepairsFailed{0};
  // Which objects CreateCategories and the results loader make; the built-in table unless a test swaps it.
  CategoryFactory m_categoryFactory;

 private:
  void Link(CCategory& category);

  std::array<std::unique_ptr<CCategory>, kCategoryCount> m_categories;
  BackupHolder m_backupHolder;
  win::UniqueHandle m_workerThread;
};

// The category object of one flag (the classes of the category table); null for any other value.
std::unique_ptr<CCategory> CreateCategoryObject(DWORD flag);
// The flags whose categories CreateCategoryObject makes.
DWORD BuiltCategoryFlags();

// Hands the application object the engine's start-up and exit steps: the manager created with the last
// results loaded, the results saved, a running worker stopped and awaited, the manager deleted.
void RegisterScanEngine();
