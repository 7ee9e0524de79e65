#include "scan/ScanManager.h"

#include <gtest/gtest.h>

#include "app/ZUNApp.h"
#include "platform/base/Clock.h"
#include "platform/fs/FileApi.h"
#include "platform/system/Module.h"
#include "platform/win/Sync.h"
#include "platform/win/WinApp.h"
#include "scan/CategorySelection.h"
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
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "support/TestPrefix.h"

using namespace enginetest;

namespace {

bool IsSignalled(HANDLE event) { return win::WaitForSingleObject(event, 0) == win::WAIT_OBJECT_0; }

class ScanManagerTest : public ::testing::Test {
 protected:
  ScanManagerTest() { manager.m_categoryFactory = StubFactory(&log); }
  mxtest::TestPrefix prefix;
  EventLog log;
  CScanManager manager;
};

}  // namespace

TEST_F(ScanManagerTest, CreatesLinkedCategoriesForTheSetBitsAndKeepsTheMaskUntilRelinked) {
  manager.m_dwCategoryMask = 0x1;
  win::SetEvent(manager.m_hStopEvent);
  manager.CreateCategories(CATEGORY_STARTUP | CATEGORY_FONTS | 0x4000, 7);

  EXPECT_FALSE(IsSignalled(manager.m_hStopEvent)) << "a new scan starts with the stop event reset";
  for (const CategoryInfo& info : kCategoryTable) {
    CCategory* category = manager.GetCategory(info.flag);
    const bool wanted = info.flag == CATEGORY_STARTUP || info.flag == CATEGORY_FONTS;
    ASSERT_EQ(category != nullptr, wanted) << Hex(info.flag);
    if (!category) continue;
    EXPECT_EQ(category->m_pStopEvent, &manager.m_hStopEvent);
    EXPECT_EQ(category->m_pBackupHolder, manager.m_pBackupHolder);
  }
  EXPECT_EQ(manager.m_nCategoryCount, 7) << "the caller's count is stored as given";
  EXPECT_EQ(manager.m_dwCategoryMask, 0x1u);

  manager.RelinkCategories();
  EXPECT_EQ(manager.m_dwCategoryMask, CATEGORY_STARTUP | CATEGORY_FONTS);
  EXPECT_EQ(manager.m_nCategoryCount, 2);

  manager.CreateCategories(0, 3);
  EXPECT_EQ(manager.GetCategory(CATEGORY_STARTUP), nullptr);
  EXPECT_EQ(manager.m_nCategoryCount, 3);
  manager.RelinkCategories();  // nothing exists: mask and count stay
  EXPECT_EQ(manager.m_dwCategoryMask, CATEGORY_STARTUP | CATEGORY_FONTS);
  EXPECT_EQ(manager.m_nCategoryCount, 3);
}

TEST_F(ScanManagerTest, LooksUpOnlySingleFlagsOfExistingCategories) {
  manager.CreateCategories(static_cast<int>(kAllCategories), 14);
  for (DWORD flag : {0x0u, 0x3u, 0x4000u, 0x8000u, 0xFFFFFFFFu}) EXPECT_EQ(manager.GetCategory(flag), nullptr) << Hex(flag);
  std::vector<std::unique_ptr<CProblem>>* problems = nullptr;
  int count = -1;
  EXPECT_FALSE(manager.GetCategoryProblems(0, problems, count));
  EXPECT_FALSE(manager.GetCategoryProblems(-1, problems, count));
  manager.CreateCategories(CATEGORY_SOUNDS, 1);
  EXPECT_FALSE(manager.GetCategoryProblems(static_cast<int>(CATEGORY_FONTS), problems, count));
  ASSERT_TRUE(manager.GetCategoryProblems(static_cast<int>(CATEGORY_SOUNDS), problems, count));
  EXPECT_EQ(problems, &manager.GetCategory(CATEGORY_SOUNDS)->m_arrProblems);
  EXPECT_EQ(count, 0);
}

TEST_F(ScanManagerTest, CountsProblemsAndSelectedProblemsOverAllSlots) {
  manager.CreateCategories(CATEGORY_ACTIVEX | CATEGORY_DEEPSCAN_CU, 2);
  auto& first = manager.GetCategory(CATEGORY_ACTIVEX)->m_arrProblems;
  auto& last = manager.GetCategory(CATEGORY_DEEPSCAN_CU)->m_arrProblems;
  first.push_back(MakeProblem(0, L"HKEY_CLASSES_ROOT\\CLSID\\{A}"));
  first.push_back(MakeProblem(0, L"HKEY_CLASSES_ROOT\\CLSID\\{B}"));
  last.push_back(MakeProblem(43, L"HKEY_CURRENT_USER\\Software\\Qzx"));
  EXPECT_EQ(manager.GetProblemCount(), 3);
  EXPECT_EQ(manager.GetSelectedProblemCount(), 3);
  for (auto* list : {&first, &last})
    for (auto& problem : *list) problem->m_nSelected = 0;
  EXPECT_EQ(manager.GetProblemCount(), 3);
  EXPECT_EQ(manager.GetSelectedProblemCount(), 0);
}

TEST_F(ScanManagerTest, RelinkPointsEveryCategoryAtTheHolder) {
  manager.CreateCategories(CATEGORY_SOFTWARE | CATEGORY_FONTS, 2);
  manager.GetCategory(CATEGORY_SOFTWARE)->m_pBackupHolder = nullptr;
  manager.RelinkCategories();
  EXPECT_EQ(manager.GetCategory(CATEGORY_SOFTWARE)->m_pBackupHolder, manager.m_pBackupHolder);
  EXPECT_EQ(manager.GetCategory(CATEGORY_FONTS)->m_pBackupHolder, manager.m_pBackupHolder);
  EXPECT_EQ(manager.m_pBackupHolder->m_pCurrentRun, nullptr);
}

TEST(ScanManagerFactory, BuildsTheClassOfEachFlagAndNothingForOtherValues) {
  const std::vector<std::pair<DWORD, bool (*)(CCategory*)>> classes = {
      {CATEGORY_ACTIVEX, [](CCategory* c) { return dynamic_cast<CActiveX*>(c) != nullptr; }},
      {CATEGORY_APPPATHS, [](CCategory* c) { return dynamic_cast<CAppPaths*>(c) != nullptr; }},
      {CATEGORY_FILETYPES, [](CCategory* c) { return dynamic_cast<CFileTypes*>(c) != nullptr; }},
      {CATEGORY_FONTS, [](CCategory* c) { return dynamic_cast<CFonts*>(c) != nullptr; }},
      {CATEGORY_HELPFILES, [](CCategory* c) { return dynamic_cast<CHelpFiles*>(c) != nullptr; }},
      {CATEGORY_HISTORYLISTS, [](CCategory* c) { return dynamic_cast<CHistoryLists*>(c) != nullptr; }},
      {CATEGORY_SHAREDFILES, [](CCategory* c) { return dynamic_cast<CSharedFiles*>(c) != nullptr; }},
      {CATEGORY_SHORTCUTS, [](CCategory* c) { return dynamic_cast<CShortcuts*>(c) != nullptr; }},
      {CATEGORY_SOFTWARE, [](CCategory* c) { return dynamic_cast<CSoftware*>(c) != nullptr; }},
      {CATEGORY_SOUNDS, [](CCategory* c) { return dynamic_cast<CSounds*>(c) != nullptr; }},
      {CATEGORY_STARTMENU, [](CCategory* c) { return dynamic_cast<CStartMenu*>(c) != nullptr; }},
      {CATEGORY_STARTUP, [](CCategory* c) { return dynamic_cast<CStartup*>(c) != nullptr; }},
      {CATEGORY_DEEPSCAN_LM, [](CCategory* c) { return dynamic_cast<CDeepScanLM*>(c) != nullptr; }},
      {CATEGORY_DEEPSCAN_CU, [](CCategory* c) { return dynamic_cast<CDeepScanCU*>(c) != nullptr; }},
  };
  for (const auto& [flag, isClass] : classes) {
    const auto category = CreateCategoryObject(flag);
    EXPECT_TRUE(isClass(category.get())) << Hex(flag);
  }
  EXPECT_EQ(BuiltCategoryFlags(), kAllCategories);
  EXPECT_EQ(CreateCategoryObject(0), nullptr);
  EXPECT_EQ(CreateCategoryObject(0x4000), nullptr);
  EXPECT_EQ(CreateCategoryObject(CATEGORY_STARTUP | CATEGORY_FONTS), nullptr);
}

TEST_F(ScanManagerTest, TheProblemFilterSeesTheCategoriesOfTheNewestManager) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
"A"="C:\\gone.exe"
)");
  mxtest::ScanSettings settings;
  settings.admin = false;
  mxtest::ScanSettingsScope scope(settings);
  manager.CreateCategories(CATEGORY_ACTIVEX | CATEGORY_STARTUP, 2);
  CCategory& first = *manager.GetCategory(CATEGORY_ACTIVEX);
  CCategory& second = *manager.GetCategory(CATEGORY_STARTUP);
  EXPECT_EQ(first.AddProblem(42, L"HKEY_CURRENT_USER\\Software\\Qzx", L"A", L"C:\\gone.exe", L"", 0), 0);
  EXPECT_EQ(second.AddProblem(41, L"HKEY_CURRENT_USER\\Software\\Qzx", L"A", L"C:\\gone.exe", L"", 0), -1)
      << "the same entry found by another category of this scan is recorded once";
  EXPECT_EQ(second.AddProblem(41, L"HKEY_CURRENT_USER\\Software\\Qzx", L"A", L"C:\\gone.exe", L"", 1), 0)
      << "the other view is another entry";
}

TEST(ScanEngineAtStartAndExit, TheApplicationLoadsTheLastResultsAndSavesThemAgainAtExit) {
  mxtest::TempDir runtime;  // instances of other test processes must not count as ours
  setenv("MX_RUNTIME_DIR", runtime.path().c_str(), 1);
  mx::FakeClock clock;
  mx::SetClock(&clock);
  struct Restore {
    ~Restore() {
      SetScanManagerHooks({});
      win::SetCommandLineArgs({});
      mx::SetClock(nullptr);
    }
  } restore;
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  AddDataFolder(prefix);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxAgent"="C:\\Qzx\\agent.exe"
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\Settings]
"SelectedCategories"=dword:00000c00
)");
  std::string stored;
  {
    CScanManager source;
    source.CreateCategories(CATEGORY_STARTUP, 1);
    auto problem = MakeProblem(41, L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                               L"QzxAgent", L"C:\\Qzx\\agent.exe");
    problem->m_arrDetails = {L"QzxAgent"};
    source.GetCategory(CATEGORY_STARTUP)->m_arrProblems.push_back(std::move(problem));
    stored = EncodeResults(source);
  }
  ASSERT_EQ(mx::WriteWinFile(ResultsFilePath(), stored), ERROR_SUCCESS);

  RegisterScanEngine();
  win::SetCommandLineArgs({mx::ProgramWinPath()});
  auto app = std::make_unique<CZUNApp>();
  ASSERT_TRUE(app->InitInstance());
  ASSERT_NE(app->m_pScanManager, nullptr);
  EXPECT_EQ(app->m_pScanManager->GetProblemCount(), 1);
  EXPECT_NE(dynamic_cast<CStartup*>(app->m_pScanManager->GetCategory(CATEGORY_STARTUP)), nullptr);
  EXPECT_EQ(app->m_nLoadedProblemCount, 1);
  DWORD selected = 0;
  int count = 0;
  GetSelectedScanCategories(selected, count);
  EXPECT_EQ(selected, 0xC00u) << "without the scan-area page the stored selection counts";
  EXPECT_EQ(count, 2);

  app->m_pScanManager->GetCategory(CATEGORY_STARTUP)->m_arrProblems[0]->m_nSelected = 0;
  app->ExitInstance();
  EXPECT_EQ(app->m_pScanManager, nullptr);
  std::string saved;
  ASSERT_EQ(mx::ReadWinFile(ResultsFilePath(), saved), ERROR_SUCCESS);
  stored.replace(4 + 11 * 4 + 4 + 4, 4, std::string(4, '\0'));  // the record's selected field
  EXPECT_EQ(saved, stored);
}
