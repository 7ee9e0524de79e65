#include "scan/ScanManager.h"

#include <mutex>

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/win/Message.h"
#include "platform/win/Thread.h"
#include "scan/ResultsFile.h"
#include "scan/categories/ActiveX.h"
#include "scan/categories/AppPaths.h"
#include "scan/categories/DeepScanCU.h"
#include "scan/categories/DeepScanLM.h"
#include "scan/categories/FileTypes.h"
#include "scan/categories/Fonts.h"
#include "scan/categories/HelpFiles.h"
#include "scan/categories/HistoryLists.h"
#include "scan/categories/SharedFiles.h"
#include "scan/categories/Shortcuts.h"
#include "scan/categories/Software.h"
#include "scan/categories/Sounds.h"
#include "scan/categories/StartMenu.h"
#include "scan/categories/Startup.h"

namespace {

// The manager the problem filter asks for the categories of the current scan: the newest one alive.
std::mutex g_lookupLock;
CScanManager* g_lookupManager = nullptr;

void RegisterLookup(CScanManager* manager) {
  {
    std::lock_guard<std::mutex> guard(g_lookupLock);
    g_lookupManager = manager;
  }
  SetCategoryLookup([](DWORD flag) -> CCategory* {
    std::lock_guard<std::mutex> guard(g_lookupLock);
    return g_lookupManager ? g_lookupManager->GetCategory(flag) : nullptr;
  });
}

void UnregisterLookup(CScanManager* manager) {
  std::lock_guard<std::mutex> guard(g_lookupLock);
  if (g_lookupManager == manager) g_lookupManager = nullptr;
}

}  // namespace

std::unique_ptr<CCategory> CreateCategoryObject(DWORD flag) {
  switch (flag) {
    case CATEGORY_ACTIVEX: return std::make_unique<CActiveX>();
    case CATEGORY_APPPATHS: return std::make_unique<CAppPaths>();
    case CATEGORY_FILETYPES: return std::make_unique<CFileTypes>();
    case CATEGORY_FONTS: return std::make_unique<CFonts>();
    case CATEGORY_HELPFILES: return std::make_unique<CHelpFiles>();
    case CATEGORY_HISTORYLISTS: return std::make_unique<CHistoryLists>();
    case CATEGORY_SHAREDFILES: return std::make_unique<CSharedFiles>();
    case CATEGORY_SHORTCUTS: return std::make_unique<CShortcuts>();
    case CATEGORY_SOFTWARE: return std::make_unique<CSoftware>();
    case CATEGORY_SOUNDS: return std::make_unique<CSounds>();
    case CATEGORY_STARTMENU: return std::make_unique<CStartMenu>();
    case CATEGORY_STARTUP: return std::make_unique<CStartup>();
    case CATEGORY_DEEPSCAN_LM: return std::make_unique<CDeepScanLM>();
    case CATEGORY_DEEPSCAN_CU: return std::make_unique<CDeepScanCU>();
    default: return nullptr;
  }
}

DWORD BuiltCategoryFlags() {
  DWORD flags = 0;
  for (const CategoryInfo& info : kCategoryTable)
    if (CreateCategoryObject(info.flag)) flags |= info.flag;
  return flags;
}

CScanManager::CScanManager() : m_categoryFactory(CreateCategoryObject) {
  m_hStopEvent = win::CreateEvent(nullptr, TRUE, FALSE, nullptr);
  m_backupHolder.m_strTitle = GetLocalizedString(L"AFX_IDS_APP_TITLE");
  m_pBackupHolder = &m_backupHolder;
  RegisterLookup(this);
}

CScanManager::~CScanManager() {
  UnregisterLookup(this);
  DeleteCategories();
  if (m_hStopEvent) win::CloseHandle(m_hStopEvent);
}

void CScanManager::Link(CCategory& category) {
  category.m_pStopEvent = &m_hStopEvent;
  category.m_pBackupHolder = m_pBackupHolder;
}

void CScanManager::CreateCategories(int flags, int count) {
  DeleteCategories();
  win::ResetEvent(m_hStopEvent);
  for (int i = 0; i < kCategoryCount; ++i) {
    const DWORD flag = kCategoryTable[i].flag;
    if (flags > 0 && (static_cast<DWORD>(flags) & flag) && m_categoryFactory)
      SetCategory(flag, m_categoryFactory(flag));
  }
  m_nCategoryCount = count;
}

void CScanManager::SetCategory(DWORD flag, std::unique_ptr<CCategory> category) {
  const int index = CategoryIndexOfFlag(flag);
  if (index < 0) return;
  if (category) Link(*category);
  m_categories[index] = std::move(category);
}

void CScanManager::RelinkCategories() {
  DWORD mask = 0;
  int count = 0;
  for (int i = 0; i < kCategoryCount; ++i) {
    if (!m_categories[i]) continue;
    if (m_pBackupHolder) m_categories[i]->m_pBackupHolder = m_pBackupHolder;
    mask |= kCategoryTable[i].flag;
    ++count;
  }
  if (count > 0) {
    m_dwCategoryMask = mask;
    m_nCategoryCount = count;
  }
}

void CScanManager::DeleteCategories() {
  for (auto& category : m_categories) category.reset();
}

CCategory* CScanManager::GetCategory(DWORD flag) const {
  const int index = CategoryIndexOfFlag(flag);
  return index < 0 ? nullptr : m_categories[index].get();
}

bool CScanManager::GetCategoryProblems(int flag, std::vector<std::unique_ptr<CProblem>>*& problems,
                                       int& count) const {
  if (flag <= 0) return false;
  CCategory* category = GetCategory(static_cast<DWORD>(flag));
  if (category == nullptr) return false;
  problems = &category->m_arrProblems;
  count = static_cast<int>(category->m_arrProblems.size());
  return true;
}

int CScanManager::GetProblemCount() const {
  int total = 0;
  for (const auto& category : m_categories)
    if (category) total += static_cast<int>(category->m_arrProblems.size());
  return total;
}

int CScanManager::GetSelectedProblemCount() const {
  int selected = 0;
  for (const auto& category : m_categories) {
    if (!category) continue;
    for (const auto& problem : category->m_arrProblems)
      if (problem && problem->m_nSelected != 0) ++selected;
  }
  return selected;
}

void CScanManager::ResetRunState() {
  m_hProgressWnd = nullptr;
  m_pProgressBar = nullptr;
  m_pErrorsProcessedText = nullptr;
  m_nRepairsFailed = 0;
}

bool CScanManager::StartWorker(UINT (*proc)(LPVOID)) {
  win::CWinThread* thread = win::AfxBeginThread(proc, this, win::THREAD_PRIORITY_NORMAL, 0, win::CREATE_SUSPENDED);
  if (thread == nullptr) return false;
  m_dwWorker = thread->m_nThreadID;
  SetWorkerThread(win::DuplicateHandle(thread->m_hThread));
  thread->ResumeThread();  // from here the thread owns the object
  return true;
}

void CScanManager::SetWorkerThread(HANDLE thread) { m_workerThread.reset(thread); }

void CScanManager::StopWorkerAndWait() {
  if (!m_workerThread) return;
  win::SetEvent(m_hStopEvent);
  // The worker sends its category messages to windows of this thread: keep answering them while we wait,
  // or it would never reach its end.
  while (win::WaitForSingleObject(m_workerThread.get(), 0) == win::WAIT_TIMEOUT) {
    MSG msg{};
    win::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
    win::Sleep(5);
  }
  m_workerThread.reset();
}

void RegisterScanEngine() {
  ScanManagerHooks hooks;
  hooks.create = [] {
    auto manager = std::make_unique<CScanManager>();
    manager->LoadProblemsFromDisk();
    return manager.release();  // the application object owns it until the destroy hook
  };
  hooks.saveProblems = [](CScanManager* manager) {
    if (manager) SaveProblemsToDisk(*manager);
  };
  hooks.stopWorkersAndWait = [](CScanManager* manager) {
    if (manager) manager->StopWorkerAndWait();
  };
  hooks.destroy = [](CScanManager* manager) { delete manager; };
  SetScanManagerHooks(std::move(hooks));
  // Until the scan-progress screen registers itself, item texts go where the worker's messages go.
  SetScanProgressWindowProvider([]() -> HWND {
    CZUNApp* app = AfxGetZunApp();
    return app && app->m_pScanManager ? app->m_pScanManager->m_hProgressWnd : nullptr;
  });
}
