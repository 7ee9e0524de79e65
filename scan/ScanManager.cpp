#include "scan/ScanManager.h"

#include <mutex>

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "mainwnd/RegistryOptSettings.h"
#include "platform/win/Message.h"
#include "platform/win/Thread.h"
#include "scan/ResultsFile.h"

// Each category joins the program when its class is written: the factory below picks up the headers that
// exist, so a category missing here is simply never created.
#if __has_include("scan/categories/ActiveX.h")
#include "scan/categories/ActiveX.h"
#define MX_HAS_ACTIVEX 1
#endif
#if __has_include("scan/categories/AppPaths.h")
#include "scan/categories/AppPaths.h"
#define MX_HAS_APPPATHS 1
#endif
#if __has_include("scan/categories/FileTypes.h")
#include "scan/categories/FileTypes.h"
#define MX_HAS_FILETYPES 1
#endif
#if __has_include("scan/categories/Fonts.h")
#include "scan/categories/Fonts.h"
#define MX_HAS_FONTS 1
#endif
#if __has_include("scan/categories/HelpFiles.h")
#include "scan/categories/HelpFiles.h"
#define MX_HAS_HELPFILES 1
#endif
#if __has_include("scan/categories/HistoryLists.h")
#include "scan/categories/HistoryLists.h"
#define MX_HAS_HISTORYLISTS 1
#endif
#if __has_include("scan/categories/SharedFiles.h")
#include "scan/categories/SharedFiles.h"
#define MX_HAS_SHAREDFILES 1
#endif
#if __has_include("scan/categories/Shortcuts.h")
#include "scan/categories/Shortcuts.h"
#define MX_HAS_SHORTCUTS 1
#endif
#if __has_include("scan/categories/Software.h")
#include "scan/categories/Software.h"
#define MX_HAS_SOFTWARE 1
#endif
#if __has_include("scan/categories/Sounds.h")
#include "scan/categories/Sounds.h"
#define MX_HAS_SOUNDS 1
#endif
#if __has_include("scan/categories/StartMenu.h")
#include "scan/categories/StartMenu.h"
#define MX_HAS_STARTMENU 1
#endif
#if __has_include("scan/categories/Startup.h")
#include "scan/categories/Startup.h"
#define MX_HAS_STARTUP 1
#endif
#if __has_include("scan/categories/DeepScanLM.h")
#include "scan/categories/DeepScanLM.h"
#define MX_HAS_DEEPSCAN_LM 1
#elif __has_include("scan/categories/DeepScan.h")
#include "scan/categories/DeepScan.h"
#define MX_HAS_DEEPSCAN_LM 1
#endif
#if __has_include("scan/categories/DeepScanCU.h")
#include "scan/categories/DeepScanCU.h"
#define MX_HAS_DEEPSCAN_CU 1
#elif __has_include("scan/categories/DeepScan.h")
#include "scan/categories/DeepScan.h"
#define MX_HAS_DEEPSCAN_CU 1
#endif

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
#ifdef MX_HAS_ACTIVEX
    case CATEGORY_ACTIVEX: return std::make_unique<CActiveX>();
#endif
#ifdef MX_HAS_APPPATHS
    case CATEGORY_APPPATHS: return std::make_unique<CAppPaths>();
#endif
#ifdef MX_HAS_FILETYPES
    case CATEGORY_FILETYPES: return std::make_unique<CFileTypes>();
#endif
#ifdef MX_HAS_FONTS
    case CATEGORY_FONTS: return std::make_unique<CFonts>();
#endif
#ifdef MX_HAS_HELPFILES
    case CATEGORY_HELPFILES: return std::make_unique<CHelpFiles>();
#endif
#ifdef MX_HAS_HISTORYLISTS
    case CATEGORY_HISTORYLISTS: return std::make_unique<CHistoryLists>();
#endif
#ifdef MX_HAS_SHAREDFILES
    case CATEGORY_SHAREDFILES: return std::make_unique<CSharedFiles>();
#endif
#ifdef MX_HAS_SHORTCUTS
    case CATEGORY_SHORTCUTS: return std::make_unique<CShortcuts>();
#endif
#ifdef MX_HAS_SOFTWARE
    case CATEGORY_SOFTWARE: return std::make_unique<CSoftware>();
#endif
#ifdef MX_HAS_SOUNDS
    case CATEGORY_SOUNDS: return std::make_unique<CSounds>();
#endif
#ifdef MX_HAS_STARTMENU
    case CATEGORY_STARTMENU: return std::make_unique<CStartMenu>();
#endif
#ifdef MX_HAS_STARTUP
    case CATEGORY_STARTUP: return std::make_unique<CStartup>();
#endif
#ifdef MX_HAS_DEEPSCAN_LM
    case CATEGORY_DEEPSCAN_LM: return std::make_unique<CDeepScanLM>();
#endif
#ifdef MX_HAS_DEEPSCAN_CU
    case CATEGORY_DEEPSCAN_CU: return std::make_unique<CDeepScanCU>();
#endif
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
    if (CZUNApp* app = AfxGetZunApp())
      GetRegistryOptSettings().SetSelection(app->GetProfileInt(L"Settings", L"SelectedCategories", kAllCategories));
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
