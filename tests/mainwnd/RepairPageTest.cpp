// The repair page with the scan engine on a throw-away prefix holding injected problems: a repair started from
// the results screen, its undo run, the navigation lock, what is left and where the user is sent, failures,
// a stop, and the undo of what was repaired.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <map>
#include <string>
#include <vector>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/ExclusionLists.h"
#include "app/ZUNApp.h"
#include "mainwnd/CleanWizard1Dlg.h"
#include "mainwnd/Dlg_SCAN_RESULT_HTML.h"
#include "mainwnd/TestTopWindow.h"
#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "scan/Backup.h"
#include "scan/EngineMessages.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/EnglishTexts.h"
#include "scan/support/RegistryDump.h"

namespace {

namespace fs = std::filesystem;

// The main window as the repair meets it: it locks and frees the navigation, and answers the results
// screen's repair command as the real one does (count shown, then the run command posted to the page).
class RepairHost : public screentest::TestTopWindow, public IScreenHost {
 public:
  RepairHost() : TestTopWindow(L"QzxRepairHost") {}

  HWND GetMainWindow() const override { return m_hWnd; }
  HWND GetSettingsScreen() const override { return nullptr; }
  void EnableNavigation(BOOL enable) override { navigation.push_back(enable != FALSE); }
  void StartRegistryScan() override {}

  CCleanWizard1Dlg* page = nullptr;
  std::vector<bool> navigation;
  std::vector<UINT> commands;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override {
    if (msg == WM_COMMAND) {
      commands.push_back(LOWORD(w));
      if (LOWORD(w) == ID_CMD_START_CLEAN && page) {
        page->ShowSelectedCount();
        page->PostMessage(WM_COMMAND, ID_CMD_RUN_REPAIR, 0);
      }
      return 0;
    }
    if (msg == WM_TIMER) {
      KillTimer(w);
      return 0;
    }
    return TestTopWindow::WindowProc(msg, w, l);
  }
};

// The page, with the stop button's effect pressed as the worker reaches a chosen category.
class StoppablePage : public CCleanWizard1Dlg {
 public:
  DWORD stopAtCategory = 0;
  int runsRecorded = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_CATEGORY_STARTED && stopAtCategory != 0 && wParam == stopAtCategory) {
      OnStopRepair();
      return 0;
    }
    return CCleanWizard1Dlg::WindowProc(msg, wParam, lParam);
  }
};

constexpr const wchar_t* kFonts = L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Fonts";
constexpr const wchar_t* kRun = L"HKEY_CURRENT_USER\\Software\\Qzx\\Run";
constexpr const wchar_t* kTypedUrls = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\TypedURLs";
constexpr const wchar_t* kShortcut = L"C:\\users\\qzx\\Desktop\\Gone.lnk";

class RepairPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mx::SetClock(&clock);
    enginetest::AddDataFolder(prefix);
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx\Fonts]
"Gone"="C:\\Qzx\\gone.ttf"
"Kept"="C:\\Qzx\\kept.ttf"
[HKEY_CURRENT_USER\Software\Qzx\Run]
"A"="a.exe"
[HKEY_CURRENT_USER\Software\Microsoft\Internet Explorer\TypedURLs]
"url1"="http://gone.example/"
)");
    ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
    scope.app().m_pScanManager = &manager;
    scope.app().m_bCleanRunning = false;
    scope.app().m_arrTempList.clear();
    manager.m_categoryFactory = enginetest::StubFactory(nullptr);

    web::SetPageFactory([this](HWND, const std::string& name, std::function<void()> complete) {
      auto page = std::make_shared<web::FakePage>();
      page->SetLoaded(true);
      pages[name] = page;
      completes[name] = std::move(complete);
      return page;
    });
    ASSERT_TRUE(results.Create(host.m_hWnd, RECT{6, 128, 764, 564}));
    results.SetHost(&host);
    for (auto& [name, complete] : completes) complete();
    CDlg_SCAN_RESULT_HTML::s_dwLastCleanClick = 0;
    page.SetHost(&host);
    page.m_onUndoRunRecorded = [this] { ++page.runsRecorded; };
    ASSERT_TRUE(page.Create(IDD_REPAIR_PAGE, &host));
    host.page = &page;
  }
  void TearDown() override {
    manager.StopWorkerAndWait();
    page.DestroyWindow();
    results.DestroyWindow();
    web::SetPageFactory(nullptr);
    scope.app().m_pScanManager = nullptr;
    CloseAppLog();
    mx::SetClock(nullptr);
  }

  // The problems a scan would have left: fonts has a repairable value, one the user unchecked and a
  // shortcut whose file is gone by now; the history list has a typed URL, which this machine cannot remove
  // from its history store; start-up has one repairable value.
  void Problems(bool withFailures) {
    manager.CreateCategories(CATEGORY_FONTS | CATEGORY_HISTORYLISTS | CATEGORY_STARTUP, 3);
    CCategory& fonts = *manager.GetCategory(CATEGORY_FONTS);
    fonts.m_arrProblems.push_back(enginetest::MakeProblem(2, kFonts, L"Gone", L"C:\\Qzx\\gone.ttf"));
    fonts.m_arrProblems.push_back(enginetest::MakeProblem(2, kFonts, L"Kept", L"C:\\Qzx\\kept.ttf"));
    fonts.m_arrProblems.back()->m_nSelected = 0;
    if (withFailures) {
      fonts.m_arrProblems.push_back(enginetest::MakeProblem(34, kShortcut));
      fonts.m_arrProblems.back()->m_arrDetails = {L"Gone.lnk", kShortcut};
      CCategory& history = *manager.GetCategory(CATEGORY_HISTORYLISTS);
      history.m_arrProblems.push_back(enginetest::MakeProblem(32, kTypedUrls, L"url1", L"http://gone.example/"));
      history.m_arrProblems.back()->m_arrDetails = {L"http://gone.example/", L"http://gone.example/"};
    }
    manager.GetCategory(CATEGORY_STARTUP)->m_arrProblems.push_back(enginetest::MakeProblem(20, kRun, L"A", L"a.exe"));
    manager.RelinkCategories();
    for (DWORD flag : {CATEGORY_FONTS, CATEGORY_HISTORYLISTS, CATEGORY_STARTUP})
      for (auto& problem : manager.GetCategory(flag)->m_arrProblems) problem->m_pBackupHolder = manager.m_pBackupHolder;
  }

  // Clicks the results screen's repair button and handles the thread's messages until the page has sent the
  // main window on (or a generous number of rounds passed).
  void RepairFromResults() {
    pages.at("428.htm")->Click(L"btnStartClean1");
    ASSERT_TRUE(RunUntilCommand());
  }
  bool RunUntilCommand() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < deadline) {
      enginetest::PumpPending();
      for (UINT c : host.commands)
        if (c == ID_CMD_SCAN_DONE || c == ID_CMD_CLEAN_DONE || c == IDC_BTN_HOME) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }
  UINT EndCommand() const { return host.commands.empty() ? 0 : host.commands.back(); }

  std::vector<fs::path> UndoRecords() const {
    std::vector<fs::path> out;
    const fs::path folder = prefix.hostPath(CBackup().m_strFolder);
    if (!fs::is_directory(folder)) return out;
    for (const auto& entry : fs::directory_iterator(folder))
      if (entry.path().extension() == ".rmx") out.push_back(entry.path());
    return out;
  }
  std::string LogText() {
    CloseAppLog();
    std::string text;
    for (const auto& entry : fs::directory_iterator(prefix.hostPath(GetAppDataFolderPath()))) {
      if (entry.path().filename().string().rfind("log_", 0) != 0) continue;
      std::string bytes;
      mx::ReadWholeFile(entry.path(), bytes);
      if (bytes.size() >= 2) text += mx::WideToUtf8(mx::Utf16LeToWide(std::string_view(bytes).substr(2)));
    }
    return text;
  }
  // Undoes the run's record through the registry editor.
  bool UndoTheRun() {
    const auto records = UndoRecords();
    if (records.size() != 1u) return false;
    CBackup record;
    record.m_strRecordPath = record.m_strFolder + mx::Utf8ToWide(records[0].filename().string());
    return record.Archive(FALSE) && record.UndoAll();
  }
  std::vector<std::wstring> KeysLeft() const {
    std::vector<std::wstring> keys;
    for (DWORD flag : {CATEGORY_FONTS, CATEGORY_HISTORYLISTS, CATEGORY_STARTUP})
      for (const auto& p : manager.GetCategory(flag)->m_arrProblems) keys.push_back(p->Key + L"|" + p->ValueName);
    return keys;
  }

  mx::FakeClock clock;
  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  mxtest::ScanSettingsScope scope{mxtest::ScanSettings{}};
  mxtest::EnglishTextsScope english;
  win::ScopedAnswers answers;
  CScanManager manager;
  std::map<std::string, std::shared_ptr<web::FakePage>> pages;
  std::map<std::string, std::function<void()>> completes;
  RepairHost host;
  CDlg_SCAN_RESULT_HTML results;
  StoppablePage page;
};

TEST_F(RepairPageTest, CountLineReadsWithoutThePluralForExactlyOne) {
  EXPECT_EQ(CCleanWizard1Dlg::SelectedCountText(1), L"1 error selected for repair");
  EXPECT_EQ(CCleanWizard1Dlg::SelectedCountText(2), L"2 errors selected for repair");
  EXPECT_EQ(CCleanWizard1Dlg::SelectedCountText(0), L"0 errors selected for repair");
  Problems(false);
  page.ShowSelectedCount();
  wchar_t text[128] = {};
  win::GetWindowText(page.GetDlgItem(IDC_REPAIR_COUNT), text, 128);
  EXPECT_STREQ(text, L"2 errors selected for repair") << "the count line of the page";
  win::GetWindowText(page.GetDlgItem(IDC_REPAIR_HEADING), text, 128);
  EXPECT_STREQ(text, L"Repairing your registry");
}

TEST_F(RepairPageTest, FailedRepairsStayListedAreReportedAndTheRunUndoesExactly) {
  const auto before = mxtest::DumpRegistry();
  Problems(true);
  RepairFromResults();

  EXPECT_EQ(host.navigation, (std::vector<bool>{false, true}));
  EXPECT_EQ(host.commands, (std::vector<UINT>{ID_CMD_START_CLEAN, ID_CMD_SCAN_DONE})) << "problems are left";
  EXPECT_EQ(page.runsRecorded, 1);
  EXPECT_EQ(UndoRecords().size(), 1u) << "exactly one undo run";
  EXPECT_EQ(manager.m_pBackupHolder->m_pCurrentRun, nullptr) << "and it was closed";
  EXPECT_FALSE(page.IsRepairBusy());

  // The unchecked value and the two failures stay, the failures marked; the repaired ones are gone.
  EXPECT_EQ(KeysLeft(), (std::vector<std::wstring>{std::wstring(kFonts) + L"|Kept", std::wstring(kShortcut) + L"|",
                                                   std::wstring(kTypedUrls) + L"|url1"}));
  EXPECT_EQ(manager.GetCategory(CATEGORY_FONTS)->m_arrProblems[0]->m_nRepairFailed, 0);
  EXPECT_EQ(manager.GetCategory(CATEGORY_FONTS)->m_arrProblems[1]->m_nRepairFailed, 1);
  EXPECT_EQ(manager.GetCategory(CATEGORY_HISTORYLISTS)->m_arrProblems[0]->m_nRepairFailed, 1);
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_EQ(answers.answers.texts()[0],
            L"2 errors could not be repaired. They stay in the list, marked as not repaired.");

  // Only the history entry goes to the temporary list, and both files follow the list as it is now.
  EXPECT_EQ(scope.app().m_arrTempList, (std::vector<std::wstring>{kTypedUrls}));
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(GetAppDataFolderPath() + L"\\TempHLList.kvt"), bytes));
  std::vector<std::wstring> stored;
  ASSERT_TRUE(DecodeKeyList(bytes, stored));
  EXPECT_EQ(stored, scope.app().m_arrTempList);
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(ResultsFilePath()), bytes));
  StoredResults saved;
  ASSERT_TRUE(DecodeResults(bytes, saved));
  EXPECT_EQ(saved.total, 3);

  const std::string log = LogText();
  EXPECT_NE(log.find("PASSED CREATING RESTORE POINT STAGE"), std::string::npos) << "a restore point was due and made";
  EXPECT_TRUE(fs::exists(prefix.root() / "restorepoints"));

  ASSERT_TRUE(UndoTheRun());
  EXPECT_EQ(mxtest::DumpRegistry(), before);
}

TEST_F(RepairPageTest, EverythingRepairedEndsOnTheHomeScreenWithoutAWord) {
  Problems(false);
  manager.GetCategory(CATEGORY_FONTS)->m_arrProblems[1]->m_nSelected = 1;
  RepairFromResults();
  EXPECT_EQ(EndCommand(), ID_CMD_CLEAN_DONE);
  EXPECT_EQ(manager.GetProblemCount(), 0);
  EXPECT_TRUE(answers.answers.texts().empty());
  EXPECT_TRUE(scope.app().m_arrTempList.empty());
  EXPECT_EQ(UndoRecords().size(), 1u);
}

TEST_F(RepairPageTest, AStopKeepsWhatIsLeftClosesTheRunAndItUndoesExactly) {
  const auto before = mxtest::DumpRegistry();
  Problems(false);
  page.stopAtCategory = CATEGORY_STARTUP;  // fonts (scanned before start-up) is repaired, start-up is not
  RepairFromResults();
  EXPECT_EQ(EndCommand(), ID_CMD_SCAN_DONE);
  EXPECT_EQ(host.navigation.back(), true);
  EXPECT_EQ(KeysLeft(), (std::vector<std::wstring>{std::wstring(kFonts) + L"|Kept", std::wstring(kRun) + L"|A"}));
  EXPECT_TRUE(answers.answers.texts().empty());
  EXPECT_EQ(manager.m_pBackupHolder->m_pCurrentRun, nullptr);
  std::string bytes;
  StoredResults saved;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(ResultsFilePath()), bytes));
  ASSERT_TRUE(DecodeResults(bytes, saved));
  EXPECT_EQ(saved.total, 2) << "the results file follows the list after a stop too";
  ASSERT_TRUE(UndoTheRun());
  EXPECT_EQ(mxtest::DumpRegistry(), before);
}

TEST_F(RepairPageTest, AStopWithNothingLeftSaysSoAndGoesHome) {
  Problems(false);
  manager.GetCategory(CATEGORY_FONTS)->m_arrProblems[1]->m_nSelected = 1;
  manager.GetCategory(CATEGORY_STARTUP)->m_arrProblems.clear();
  // The history list has nothing selected and passes at once; the stop is seen before start-up.
  page.stopAtCategory = CATEGORY_HISTORYLISTS;
  RepairFromResults();
  EXPECT_EQ(EndCommand(), IDC_BTN_HOME);
  EXPECT_EQ(answers.answers.texts(), (std::vector<std::wstring>{L"The repair was stopped."}));
}

TEST_F(RepairPageTest, ASecondRunRequestWhileOneStartsOpensNoSecondUndoRun) {
  Problems(false);
  page.ShowSelectedCount();
  // Both arrive before the first has made its restore point; the second is handled while the first pumps.
  page.PostMessage(WM_COMMAND, ID_CMD_RUN_REPAIR, 0);
  page.PostMessage(WM_COMMAND, ID_CMD_RUN_REPAIR, 0);
  ASSERT_TRUE(RunUntilCommand());
  EXPECT_EQ(host.navigation, (std::vector<bool>{false, true}));
  EXPECT_EQ(page.runsRecorded, 1);
  EXPECT_EQ(UndoRecords().size(), 1u);
  EXPECT_NE(LogText().find("another one is starting or running; it was not started"), std::string::npos);
}

}  // namespace
