// The scan-flow screens on fake pages, with the scan engine on stub categories and a stand-in main window
// that answers the screens' commands as the real one does.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <thread>

#include "app/AppSettings.h"
#include "app/ZUNApp.h"
#include "mainwnd/DlgAfterCleanRegVer.h"
#include "mainwnd/Dlg_NewHome_Screen_HTML.h"
#include "mainwnd/Dlg_SCAN_PROGRESS_HTML.h"
#include "mainwnd/Dlg_SCAN_RESULT_HTML.h"
#include "mainwnd/Dlg_Scan_Main_Htm.h"
#include "mainwnd/MainWindowStandIn.h"
#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/registry/Registry.h"
#include "platform/system/Time.h"
#include "platform/win/Sync.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"
#include "scan/CategorySelection.h"
#include "scan/EngineMessages.h"
#include "scan/Problem.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "scan/ScanThread.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/EnglishTexts.h"

namespace {

using Calls = std::vector<std::vector<std::wstring>>;

// Every function the screens call exists on the fake pages and returns nothing.
const wchar_t* const kPageFunctions[] = {L"setlanguage",       L"LoadStrings",      L"LoadStringsDiv",
                                         L"OnWelcomeNext",     L"SetDllTexts",      L"SetBottomTextReg",
                                         L"setcheckboxstatus", L"setvarsforscan",   L"SetScanProgressBar",
                                         L"updatePath",        L"UpdateResultsPage"};

class ScanScreensTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mx::SetClock(&clock);
    enginetest::AddDataFolder(prefix);
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx\Fonts]
"Gone"="C:\\Qzx\\gone.ttf"
"Lost"="C:\\Qzx\\lost.ttf"
[HKEY_LOCAL_MACHINE\Software\Qzx\Com]
@="x"
[HKEY_CURRENT_USER\Software\Qzx\Run]
"A"="a.exe"
)");
    ApplyDefaultSettings();
    Select(kAllCategories);
    manager.m_categoryFactory = [this](DWORD flag) { return MakeStub(flag); };
    scope.app().m_pScanManager = &manager;
    scope.app().m_bScanRunning = false;
    scope.app().m_bCleanRunning = false;

    web::SetPageFactory([this](HWND, const std::string& name, std::function<void()> complete) {
      auto page = std::make_shared<web::FakePage>();
      for (const wchar_t* f : kPageFunctions) page->Define(f);
      page->SetLoaded(true);
      pages[name] = page;
      completes[name] = std::move(complete);
      return page;
    });
    const RECT area{6, 128, 764, 564};
    for (CChildHtmlDialog* screen : std::initializer_list<CChildHtmlDialog*>{&home, &scan, &progress, &results}) {
      ASSERT_TRUE(screen->Create(main.m_hWnd, area));
    }
    main.Hold(home, scan, progress, results);
    for (auto& [name, complete] : completes) complete();
    CDlg_SCAN_RESULT_HTML::s_dwLastCleanClick = 0;
  }
  void TearDown() override {
    manager.StopWorkerAndWait();
    for (CChildHtmlDialog* screen : std::initializer_list<CChildHtmlDialog*>{&home, &scan, &progress, &results})
      screen->DestroyWindow();
    web::SetPageFactory(nullptr);
    SetCategorySelectionSource(nullptr);
    scope.app().m_pScanManager = nullptr;
    mx::SetClock(nullptr);
  }

  // Stub categories: fonts, COM and start-up find problems; fonts also reports its items to the screen.
  std::unique_ptr<CCategory> MakeStub(DWORD flag) {
    auto stub = std::make_unique<enginetest::StubCategory>(flag, &scanLog);
    stub->m_onScan = [this, flag](enginetest::StubCategory& c) {
      if (flag == CATEGORY_FONTS) {
        for (int i = 0; i < 27; ++i) ReportScanProgress(L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Fonts", TRUE);
        c.AddProblem(2, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Fonts", L"Gone", L"C:\\Qzx\\gone.ttf", L"", 0);
        c.AddProblem(2, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Fonts", L"Lost", L"C:\\Qzx\\lost.ttf", L"", 0);
        // The test may hold the scan here (to ask for a stop) until it lets go or a stop is requested.
        while (holdFonts && !c.IsStopRequested()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (c.IsStopRequested()) return 2;
      }
      if (flag == CATEGORY_ACTIVEX) c.AddProblem(3, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Com", L"", L"", L"", 0);
      if (flag == CATEGORY_STARTUP) c.AddProblem(20, L"HKEY_CURRENT_USER\\Software\\Qzx\\Run", L"A", L"a.exe", L"", 0);
      return 1;
    };
    return stub;
  }

  // The ticks of the scan-area page, as the scan reads them.
  static void Select(DWORD mask) {
    SetCategorySelectionSource([mask](DWORD& selected, int& count) {
      selected = mask;
      count = __builtin_popcount(mask);
      return true;
    });
  }

  web::FakePage& Page(const char* name) { return *pages.at(name); }

  // Handles the thread's messages, stepping the clock so that timers come due, until done() holds.
  bool RunUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 5000; ++i) {
      enginetest::PumpPending();
      if (done()) return true;
      clock.Advance(5);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }
  void RunFor(int ms) {
    for (int i = 0; i < ms; i += 5) {
      enginetest::PumpPending();
      clock.Advance(5);
    }
    enginetest::PumpPending();
  }
  bool Has(const std::string& event) const {
    return std::find(main.events.begin(), main.events.end(), event) != main.events.end();
  }
  std::filesystem::path ResultsFile() const { return prefix.hostPath(ResultsFilePath()); }
  static std::string Command(UINT id) { return "command " + std::to_string(id); }
  static std::string Show(UINT id) { return "show " + std::to_string(id); }

  mx::FakeClock clock;
  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  mxtest::ScanSettingsScope scope{mxtest::ScanSettings{}};
  mxtest::EnglishTextsScope english;
  win::ScopedAnswers answers;
  enginetest::EventLog scanLog;
  CScanManager manager;
  std::atomic<bool> holdFonts{false};
  std::map<std::string, std::shared_ptr<web::FakePage>> pages;
  std::map<std::string, std::function<void()>> completes;
  screentest::MainWindowStandIn main;
  CDlg_NewHome_Screen_HTML home;
  CDlg_Scan_Main_Htm scan;
  CDlg_SCAN_PROGRESS_HTML progress;
  CDlg_SCAN_RESULT_HTML results;
};

TEST_F(ScanScreensTest, PagesGetTheirLanguageAndTextsInOrderWhenTheyLoad) {
  EXPECT_EQ(Page("424.htm").CallsOf(L"setlanguage"), (Calls{{L"en"}}));
  const auto homeTexts = Page("424.htm").CallsOf(L"LoadStrings");
  ASSERT_EQ(homeTexts.size(), 1u);
  ASSERT_EQ(homeTexts[0].size(), 36u);
  EXPECT_EQ(homeTexts[0][0], mxtest::EnglishText(L"string98"));
  EXPECT_EQ(homeTexts[0][7], mxtest::EnglishText(L"IDS_ERRS_FOUND"));
  EXPECT_EQ(homeTexts[0][27], mxtest::EnglishText(L"IDS_BTN_START_SCANNING_NOW"));
  EXPECT_EQ(homeTexts[0][35], mxtest::EnglishText(L"string170"));
  EXPECT_EQ(Page("424.htm").CallsOf(L"OnWelcomeNext").size(), 1u) << "the home page is filled as it loads";
  EXPECT_TRUE(RunUntil([&] { return Has(Show(kTimerFirstShow)); })) << "and the main window's first show is armed";

  EXPECT_EQ(Page("426.htm").CallsOf(L"LoadStrings")[0].size(), 19u);
  EXPECT_TRUE(Page("426.htm").CallsOf(L"OnWelcomeNext").empty()) << "counters wait for the Scan button";
  EXPECT_EQ(Page("427.htm").CallsOf(L"LoadStrings")[0].size(), 22u);
  EXPECT_EQ(Page("428.htm").CallsOf(L"setlanguage"), (Calls{{L"en", L"0"}}));
  EXPECT_EQ(Page("428.htm").CallsOf(L"LoadStrings"), (Calls{{mxtest::EnglishText(L"string34")}}));
  const auto resultTexts = Page("428.htm").CallsOf(L"LoadStringsDiv");
  ASSERT_EQ(resultTexts[0].size(), 34u);
  EXPECT_EQ(resultTexts[0][25], mxtest::EnglishText(L"IDS_SOFTWARE"));
  EXPECT_EQ(resultTexts[0][33], mxtest::EnglishText(L"IDS_BTN_FIX_ERRORS"));
}

TEST_F(ScanScreensTest, WholeScanByClicksFromHomeToResults) {
  SaveProblemsToDisk(manager);  // no earlier results
  const DWORD foundBefore = RegErrFoundTillDate;
  Page("424.htm").Click(L"idsScanFixText");  // no problems known: a new scan
  ASSERT_EQ(main.scansStarted, 1);
  ASSERT_TRUE(RunUntil([&] { return Has(Show(SCREEN_SCAN_RESULTS)); })) << testing::PrintToString(main.events);

  // The progress page heard of the scan in the order it ran.
  auto& page = Page("427.htm");
  std::vector<std::wstring> flow;
  for (const auto& call : page.calls())
    if (call.name != L"setlanguage" && call.name != L"LoadStrings" && call.name != L"updatePath")
      flow.push_back(call.name + L" " + (call.args.empty() ? L"" : call.args[0]));
  ASSERT_GE(flow.size(), 4u);
  EXPECT_EQ(flow[0], L"setcheckboxstatus 1");
  EXPECT_EQ(page.CallsOf(L"setcheckboxstatus"), (Calls{{L"1", L"1", L"1", L"1"}}));
  EXPECT_EQ(flow[1], L"setvarsforscan ");
  EXPECT_EQ(flow[2], L"SetScanProgressBar 1");
  EXPECT_EQ(flow.back(), L"SetScanProgressBar 5");
  // The fonts category's items arrive with the running count of its group.
  EXPECT_FALSE(page.CallsOf(L"updatePath").empty());

  // Completed: navigation locked and freed, the screen shown, results saved, the scan's time recorded.
  EXPECT_EQ(main.navigation, (std::vector<bool>{false, true}));
  EXPECT_TRUE(Has(Show(SCREEN_SCAN_PROGRESS)));
  EXPECT_TRUE(Has(Command(ID_CMD_SCAN_DONE)));
  EXPECT_FALSE(scope.app().m_bScanRunning);
  EXPECT_EQ(DaysSinceLastScan(), 0);
  EXPECT_FALSE(StrLastScan.empty());
  EXPECT_EQ(RegErrFoundTillDate, foundBefore + 4);
  std::string saved;
  ASSERT_TRUE(mx::ReadWholeFile(ResultsFile(), saved));
  StoredResults stored;
  ASSERT_TRUE(DecodeResults(saved, stored));
  EXPECT_EQ(stored.total, 4);

  // The results page gets the fourteen counts in the scan's order.
  EXPECT_EQ(Page("428.htm").CallsOf(L"UpdateResultsPage"),
            (Calls{{L"0", L"2", L"0", L"0", L"0", L"1", L"0", L"0", L"0", L"0", L"0", L"0", L"1", L"0"}}));
}

TEST_F(ScanScreensTest, StopAsksWithoutPausingTheWorkerAndNoLetsTheScanGoOn) {
  SaveProblemsToDisk(manager);
  holdFonts = true;
  Page("424.htm").Click(L"btnBottomStartscan");
  ASSERT_TRUE(RunUntil([&] { return Has(Show(SCREEN_SCAN_PROGRESS)); }));
  // While the question is open the worker keeps reporting, and its messages are handled.
  answers.answers.Expect(L"stop the scan", IDNO);
  Page("427.htm").Click(L"string3");
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_EQ(answers.answers.records()[0].prompt.type, UINT(MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
  EXPECT_NE(win::WaitForSingleObject(manager.m_hStopEvent, 0), win::WAIT_OBJECT_0);
  holdFonts = false;
  ASSERT_TRUE(RunUntil([&] { return Has(Show(SCREEN_SCAN_RESULTS)); }));
  EXPECT_FALSE(Has(Command(IDC_BTN_HOME)));
}

TEST_F(ScanScreensTest, StoppedScanLeavesTheLastResultsAndSettingsAsTheyWere) {
  // An earlier scan left one problem, saved with its time.
  auto earlier = std::make_unique<enginetest::StubCategory>(CATEGORY_STARTUP, nullptr);
  earlier->m_arrProblems.push_back(enginetest::MakeProblem(20, L"HKEY_CURRENT_USER\\Software\\Qzx\\Run", L"A", L"a.exe"));
  manager.SetCategory(CATEGORY_STARTUP, std::move(earlier));
  SaveProblemsToDisk(manager);
  StrLastScan = L"Mon. March 02, 2026. 09:00 AM";
  SYSTEMTIME lastScan{2026, 3, 1, 2, 9, 0, 0, 0};
  SaveLastScanTime(lastScan);
  std::string before;
  ASSERT_TRUE(mx::ReadWholeFile(ResultsFile(), before));

  holdFonts = true;
  scan.UpdatePageTexts();
  Page("426.htm").Click(L"idViewErrors");  // always a new scan
  ASSERT_TRUE(RunUntil([&] { return Has(Show(SCREEN_SCAN_PROGRESS)); }));
  answers.answers.Expect(L"stop the scan", IDYES);
  Page("427.htm").Click(L"btnBottomStopscanMiddle");
  ASSERT_TRUE(RunUntil([&] { return Has(Command(IDC_BTN_HOME)); }));

  EXPECT_FALSE(Has(Command(ID_CMD_SCAN_DONE)));
  EXPECT_EQ(main.navigation, (std::vector<bool>{false, true}));
  EXPECT_FALSE(scope.app().m_bScanRunning);
  std::string after;
  ASSERT_TRUE(mx::ReadWholeFile(ResultsFile(), after));
  EXPECT_EQ(after, before);
  ASSERT_EQ(manager.GetProblemCount(), 1);
  EXPECT_EQ(manager.GetCategory(CATEGORY_STARTUP)->m_arrProblems[0]->ValueName, L"A");
  const CCategory* fonts = manager.GetCategory(CATEGORY_FONTS);
  EXPECT_TRUE(!fonts || fonts->m_arrProblems.empty()) << "the partial results are gone";
  EXPECT_EQ(StrLastScan, L"Mon. March 02, 2026. 09:00 AM");
  SYSTEMTIME stored{};
  ASSERT_TRUE(LoadLastScanTime(stored));
  EXPECT_EQ(stored.wDay, 2);
  EXPECT_EQ(Page("427.htm").CallsOf(L"SetScanProgressBar").back(), std::vector<std::wstring>{L"5"});
  // A late Yes after the scan ended does nothing.
  answers.answers.Expect(L"stop the scan", IDYES);
  EXPECT_EQ(progress.OnStopScan(), S_OK);
  EXPECT_EQ(answers.answers.texts().size(), 1u) << "no question without a scan";
}

TEST_F(ScanScreensTest, NothingSelectedOpensTheScanAreaPageAndScansNothing) {
  Select(0);
  Page("424.htm").Click(L"idbtnScanFixMiddle");
  RunFor(200);
  EXPECT_EQ(answers.answers.texts(), std::vector<std::wstring>{mxtest::EnglishText(L"IDS_NO_SELECTED")});
  EXPECT_TRUE(Has(Command(IDC_BTN_SETTINGS)));
  EXPECT_EQ(main.settingsProbe.commands, std::vector<WPARAM>{IDC_SETTINGS_PAGE_SCAN_AREA});
  EXPECT_TRUE(main.navigation.empty()) << "the navigation stays free";
  EXPECT_FALSE(scope.app().m_bScanRunning);
  EXPECT_TRUE(scanLog.Events().empty());
  EXPECT_TRUE(Page("427.htm").CallsOf(L"setvarsforscan").empty());
}

TEST_F(ScanScreensTest, ChosenGroupsMakeTheCategoryMask) {
  Select(CATEGORY_FONTS | CATEGORY_STARTUP);
  main.StartRegistryScan();
  ASSERT_TRUE(RunUntil([&] { return Has(Command(ID_CMD_SCAN_DONE)); }));
  EXPECT_EQ(Page("427.htm").CallsOf(L"setcheckboxstatus"), (Calls{{L"1", L"0", L"0", L"1"}}));
  EXPECT_EQ(progress.m_dwCategoryMask, 0x105Au | 0xD00u);
  EXPECT_EQ(progress.m_nCategoryCount, 8);
  // The worker runs only the ticked categories of those groups.
  EXPECT_EQ(scanLog.Events(), (std::vector<std::string>{"scan 0x8", "scan 0x800"}));
}

TEST_F(ScanScreensTest, ItemTextIsSplitForThePageAndNeverMarkup) {
  struct Case {
    std::wstring item;
    std::wstring shown;
  };
  const std::wstring a110(110, L'a'), b107(107, L'b');
  const Case cases[] = {
      {std::wstring(120, L'x'), std::wstring(120, L'x')},
      {a110 + L"bb" + std::wstring(9, L'c'), a110 + L"\n" + L"bb" + std::wstring(9, L'c')},
      {a110 + std::wstring(57, L'b'), a110 + L"\n" + std::wstring(57, L'b')},
      {a110 + std::wstring(58, L'b'), a110 + L"\n" + std::wstring(58, L'b') + L"..."},
      {a110 + b107 + L"zzzz", a110 + L"\n" + b107 + L"..."},
      {L"KEY\nWITH\rBREAKS<br>", L"KEY WITH BREAKS<br>"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CDlg_SCAN_PROGRESS_HTML::PageItemText(c.item), c.shown) << c.item.size() << " characters";
}

TEST_F(ScanScreensTest, ItemTextsAreThrottledAndTheLastOneIsStillShown) {
  holdFonts = true;
  main.StartRegistryScan();
  ASSERT_TRUE(RunUntil([&] { return Has(Show(SCREEN_SCAN_PROGRESS)); }));
  // The worker is held in the fonts category once it recorded its two problems.
  ASSERT_TRUE(RunUntil([&] {
    const CCategory* fonts = manager.GetCategory(CATEGORY_FONTS);
    return fonts && fonts->m_nProblemsFound == 2;
  }));
  auto& page = Page("427.htm");
  page.ClearCalls();
  // A burst of reports within one interval: one page update now, the newest one when the interval ends.
  for (const wchar_t* item : {L"first", L"second", L"third"}) {
    win::EnterCriticalSection(&g_csScanItem);
    g_strScanItem = item;
    win::LeaveCriticalSection(&g_csScanItem);
    progress.SendMessage(WM_SCAN_ITEM_TEXT, reinterpret_cast<WPARAM>(&g_strScanItem), 0);
  }
  const auto shownAt = page.CallsOf(L"updatePath").size();
  EXPECT_LE(shownAt, 1u);
  clock.Advance(CDlg_SCAN_PROGRESS_HTML::kItemTextIntervalMs);
  enginetest::PumpPending();
  const auto paths = page.CallsOf(L"updatePath");
  ASSERT_FALSE(paths.empty());
  EXPECT_EQ(paths.back()[0], L"third");
  EXPECT_EQ(paths.back()[1], L"1");
  EXPECT_EQ(paths.back()[2], L"2") << "the fonts category has recorded two problems";
  holdFonts = false;
  ASSERT_TRUE(RunUntil([&] { return Has(Command(ID_CMD_SCAN_DONE)); }));
}

TEST_F(ScanScreensTest, HomeAndScanScreensTellTheAgeAndCountOfTheLastScan) {
  struct Case {
    int daysAgo;  // -1: never scanned
    int problems;
    std::wstring dateText;
    std::wstring countText;
  };
  const std::wstring errors = mxtest::EnglishText(L"IDS_ERRORCOUNTS");
  const std::wstring error = mxtest::EnglishText(L"IDS_ERRORCOUNT");
  auto fill = [](std::wstring t, int n) { return t.replace(t.find(L"%d"), 2, std::to_wstring(n)); };
  const Case cases[] = {
      {-1, 0, mxtest::EnglishText(L"IDS_NOSCAN"), fill(errors, 0)},
      {0, 1, mxtest::EnglishText(L"IDS_TODAY"), fill(error, 1)},
      {1, 2, mxtest::EnglishText(L"IDS_YESTERDAY"), fill(errors, 2)},
      {5, 0, fill(mxtest::EnglishText(L"IDS_DAYSAGO"), 5), fill(errors, 0)},
  };
  const std::uint64_t start = clock.NowFileTime();
  for (const auto& c : cases) {
    clock.SetFileTime(start);
    manager.DeleteCategories();
    auto stub = std::make_unique<enginetest::StubCategory>(CATEGORY_FONTS, nullptr);
    for (int i = 0; i < c.problems; ++i) stub->m_arrProblems.push_back(enginetest::MakeProblem(2, L"HKEY_LOCAL_MACHINE\\X"));
    manager.SetCategory(CATEGORY_FONTS, std::move(stub));
    HKEY product = nullptr;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, kProductKey, 0, KEY_WRITE, &product) == ERROR_SUCCESS) {
      win::RegDeleteValue(product, L"CurrentScanTime");
      win::RegCloseKey(product);
    }
    if (c.daysAgo >= 0) {
      SYSTEMTIME now{};
      win::GetLocalTime(&now);
      SaveLastScanTime(now);
      clock.SetFileTime(start + std::uint64_t(c.daysAgo) * 24 * 3600 * 10000000ull);
    }
    Page("424.htm").ClearCalls();
    Page("426.htm").ClearCalls();
    home.UpdatePageTexts();
    scan.UpdatePageTexts();

    const auto homeCall = Page("424.htm").CallsOf(L"OnWelcomeNext");
    ASSERT_EQ(homeCall.size(), 1u);
    EXPECT_EQ(homeCall[0], (std::vector<std::wstring>{std::to_wstring(c.problems), StrLastScan,
                                                      std::to_wstring(c.daysAgo), c.dateText, c.countText, L"1", L"0",
                                                      mxtest::EnglishText(L"IDS_SET_SAVE_START_SCAN")}))
        << c.daysAgo;
    const std::wstring scanDate = c.daysAgo < 0 ? c.dateText : mxtest::EnglishText(L"IDS_SCANNED") + c.dateText;
    EXPECT_EQ(Page("426.htm").CallsOf(L"OnWelcomeNext"),
              (Calls{{std::to_wstring(c.problems), StrLastScan, std::to_wstring(c.daysAgo), scanDate, c.countText}}));
    EXPECT_EQ(Page("426.htm").CallsOf(L"SetBottomTextReg"),
              (Calls{{mxtest::EnglishText(L"IDS_SCH_SCAN"), mxtest::EnglishText(L"IDS_CONFIG_SCH"),
                     mxtest::EnglishText(L"IDS_SETUP_AUTOMATED")}}));
    EXPECT_EQ(scan.m_bHasProblems, c.daysAgo >= 0 && c.problems > 0);
  }
}

TEST_F(ScanScreensTest, ScanOrFixButtonsOpenTheResultsWhenProblemsAreKnown) {
  // Before any refresh the scan screen always scans.
  auto stub = std::make_unique<enginetest::StubCategory>(CATEGORY_FONTS, nullptr);
  stub->m_arrProblems.push_back(enginetest::MakeProblem(2, L"HKEY_LOCAL_MACHINE\\X"));
  manager.SetCategory(CATEGORY_FONTS, std::move(stub));
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  SaveLastScanTime(now);
  Page("426.htm").Click(L"btnBottomStartscanLeft");
  EXPECT_EQ(main.scansStarted, 1);

  scan.UpdatePageTexts();
  Page("426.htm").Click(L"string17");
  EXPECT_EQ(main.scansStarted, 1) << "problems are known: the results, no scan";
  EXPECT_TRUE(Has(Command(ID_CMD_SCAN_DONE))) << "sent before the click returns";
  Page("426.htm").Click(L"idViewErrors");
  EXPECT_EQ(main.scansStarted, 2);

  main.events.clear();
  Page("424.htm").Click(L"idFixErrors");
  EXPECT_EQ(main.scansStarted, 2);
  enginetest::PumpPending();
  EXPECT_TRUE(Has(Command(ID_CMD_SCAN_DONE)));
  Page("424.htm").Click(L"idInstallaDllFileNowRight");
  enginetest::PumpPending();
  EXPECT_TRUE(Has(Command(IDC_BTN_INSTALL_DLL_FILES)));
}

TEST_F(ScanScreensTest, SettingsLinksOpenTheirPages) {
  struct Case {
    const char* page;
    const wchar_t* id;
    WPARAM settingsPage;
  };
  const Case cases[] = {
      {"424.htm", L"string132", IDC_SETTINGS_PAGE_SCHEDULE}, {"426.htm", L"idConfig", IDC_SETTINGS_PAGE_SCHEDULE},
      {"426.htm", L"string24", IDC_SETTINGS_PAGE_SCAN_AREA}, {"426.htm", L"idcat3", IDC_SETTINGS_PAGE_SCAN_AREA},
      {"426.htm", L"string30", IDC_SETTINGS_PAGE_SCAN_AREA},
  };
  for (const auto& c : cases) {
    main.events.clear();
    main.settingsProbe.commands.clear();
    Page(c.page).Click(c.id);
    enginetest::PumpPending();
    EXPECT_EQ(main.events, std::vector<std::string>{Command(IDC_BTN_SETTINGS)}) << c.page << " " << c.id;
    EXPECT_EQ(main.settingsProbe.commands, std::vector<WPARAM>{c.settingsPage}) << c.page << " " << c.id;
  }
  EXPECT_EQ(main.scansStarted, 0);
}

TEST_F(ScanScreensTest, DllPanelNamesTheLastDllOnlyAfterAnInstallation) {
  // The program's machine key lives in the 32-bit view.
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="qzx.dll"
)");
  Page("424.htm").ClearCalls();
  home.UpdatePageTexts();
  const std::wstring heading = mxtest::EnglishText(L"IDS_DLL_FILE_INS"), link = mxtest::EnglishText(L"IDS_INSTALL_A_DLL_NOW");
  EXPECT_EQ(Page("424.htm").CallsOf(L"SetDllTexts"), (Calls{{heading, L"", L" ", L"1", link, L"", L"", L""}}));

  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"FIRST_FREE_DONE"=dword:00000001
)");
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  SaveLastDllInstallTime(now);
  Page("424.htm").ClearCalls();
  home.UpdatePageTexts();
  EXPECT_EQ(Page("424.htm").CallsOf(L"SetDllTexts"),
            (Calls{{heading, L"", L" ", L"1", link, mxtest::EnglishText(L"IDS_INS_FILES"), L"qzx.dll",
                   L"(" + mxtest::EnglishText(L"IDS_TODAY") + L")"}}));
}

TEST_F(ScanScreensTest, ResultsShowFourteenCountsAndTheScreenAfterItsDelays) {
  for (auto [flag, n] : {std::pair{CATEGORY_SOFTWARE, 3}, {CATEGORY_ACTIVEX, 1}, {CATEGORY_DEEPSCAN_CU, 2}}) {
    auto stub = std::make_unique<enginetest::StubCategory>(flag, nullptr);
    for (int i = 0; i < n; ++i) stub->m_arrProblems.push_back(enginetest::MakeProblem(2, L"HKEY_LOCAL_MACHINE\\X"));
    manager.SetCategory(flag, std::move(stub));
  }
  results.ShowResults();
  RunFor(25);
  EXPECT_TRUE(Page("428.htm").CallsOf(L"UpdateResultsPage").empty()) << "the page is filled after 27 ms";
  RunFor(10);
  EXPECT_EQ(Page("428.htm").CallsOf(L"UpdateResultsPage"),
            (Calls{{L"0", L"0", L"0", L"0", L"0", L"1", L"0", L"0", L"0", L"0", L"2", L"0", L"0", L"3"}}));
  EXPECT_FALSE(Has(Show(SCREEN_SCAN_RESULTS)));
  RunFor(90);
  EXPECT_TRUE(Has(Show(SCREEN_SCAN_RESULTS)));

  main.events.clear();
  Page("428.htm").Click(L"string159");  // back to the summary fills and shows again
  RunFor(130);
  EXPECT_EQ(Page("428.htm").CallsOf(L"UpdateResultsPage").size(), 2u);
  EXPECT_TRUE(Has(Show(SCREEN_SCAN_RESULTS)));
}

TEST_F(ScanScreensTest, RepairClicksWithinTheGuardTimeAreOnlyLogged) {
  auto stub = std::make_unique<enginetest::StubCategory>(CATEGORY_FONTS, nullptr);
  stub->m_arrProblems.push_back(enginetest::MakeProblem(2, L"HKEY_LOCAL_MACHINE\\X"));
  manager.SetCategory(CATEGORY_FONTS, std::move(stub));
  auto repairs = [&] { return std::count(main.events.begin(), main.events.end(), Command(ID_CMD_START_CLEAN)); };

  Page("428.htm").Click(L"string170");
  Page("428.htm").Click(L"btnStartCleanMiddle");  // a double click
  enginetest::PumpPending();
  EXPECT_EQ(repairs(), 1);
  clock.Advance(3000);
  Page("428.htm").Click(L"btnStartClean1");
  clock.Advance(71);  // 3071 ms after the accepted click
  Page("428.htm").Click(L"btnStartClean1");
  enginetest::PumpPending();
  EXPECT_EQ(repairs(), 1);
  clock.Advance(1);  // 3072 ms
  Page("428.htm").Click(L"string171");
  enginetest::PumpPending();
  EXPECT_EQ(repairs(), 2);

  // A click while a repair runs is accepted by the guard but starts nothing.
  scope.app().m_bCleanRunning = true;
  clock.Advance(3100);
  Page("428.htm").Click(L"btnStartCleanNew");
  enginetest::PumpPending();
  EXPECT_EQ(repairs(), 2);
  scope.app().m_bCleanRunning = false;
  Page("428.htm").Click(L"btnStartCleanNew");
  enginetest::PumpPending();
  EXPECT_EQ(repairs(), 2) << "that click still counts for the guard";
}

TEST_F(ScanScreensTest, RepairWithNothingMarkedOpensTheDetailedList) {
  auto stub = std::make_unique<enginetest::StubCategory>(CATEGORY_FONTS, nullptr);
  stub->m_arrProblems.push_back(enginetest::MakeProblem(2, L"HKEY_LOCAL_MACHINE\\X"));
  stub->m_arrProblems.back()->m_nSelected = 0;
  manager.SetCategory(CATEGORY_FONTS, std::move(stub));
  std::vector<std::wstring> opened;
  results.m_runProblemsView = [&](CDlg_SCAN_RESULT_HTML&, const std::wstring& title) { opened.push_back(title); };
  Page("428.htm").Click(L"btnStartCleanRight");
  enginetest::PumpPending();
  EXPECT_FALSE(Has(Command(ID_CMD_START_CLEAN)));
  EXPECT_EQ(answers.answers.texts(), std::vector<std::wstring>{mxtest::EnglishText(L"IDS_NO_ERRORS_SELECTED")});
  EXPECT_EQ(opened, std::vector<std::wstring>{mxtest::EnglishText(L"IDS_STR_REG_ERR_DETAILS")});
  Page("428.htm").Click(L"btnbottomDetailedView");
  EXPECT_EQ(opened.size(), 2u);
}

}  // namespace
