// The start after the optimisation's restart: its completion, the counters of what the boot program
// achieved, and the summary page's texts on a fake page.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/AppSettings.h"
#include "app/RegistryKey.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/system/UserDateFormat.h"
#include "platform/taskschd/TaskStore.h"
#include "platform/web/FakePage.h"
#include "platform/web/PageFactory.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "tools/AfterOptimization.h"
#include "tools/DlgRegDefragHome.h"
#include "tools/HiveOptimizer.h"
#include "tools/OptimizationSummary.h"
#include "tools/RegCompact.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kSignKey = L"Software\\Tarvolen\\Mendrix\\Version 1.0\\Sign";

SHiveCompactInfo Hive(int saved, DWORD live, DWORD copy) {
  SHiveCompactInfo r;
  r.strHiveName = L"\\REGISTRY\\USER\\S-1";
  r.nSaved = saved;
  r.dwLiveSize = live;
  r.dwCopySize = copy;
  return r;
}

// A machine after an optimisation's restart: the summary of the analysis, the parameter file the set-up
// wrote (its status as the boot program left it), the marker and the one-time start.
struct AfterRestart {
  toolstest::ToolsPrefix prefix;
  toolstest::FakeHandOver handOver;
  win::ScopedAnswers answers;
  CZUNApp app;
  AfterRestart() {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    app.m_bStartedAfterOptimization = TRUE;
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]
"BootExecute"=hex(7):00,00
)");
    StrLastOptimizeTime = L"before";
    StrLatestRegDefrag = L"before";
  }
  void Optimized(std::vector<SHiveCompactInfo> hives) {
    g_pRegCompact = new CRegCompact;
    g_pRegCompact->m_nHives = static_cast<int>(hives.size());
    g_pRegCompact->m_pHives = std::make_unique<SHiveCompactInfo[]>(hives.size());
    for (size_t i = 0; i < hives.size(); ++i) g_pRegCompact->m_pHives[i] = hives[i];
    ASSERT_TRUE(CRegCompact::SaveSummary());
    delete g_pRegCompact;
    g_pRegCompact = nullptr;
    answers.answers.Expect(L"restarts", IDNO);
    HiveOptimizer optimizer;
    ASSERT_EQ(optimizer.Install(), 1) << mx::WideToUtf8(optimizer.m_strError);
    CRegistryKey sign(HKEY_CURRENT_USER);
    ASSERT_TRUE(sign.Open(HKEY_CURRENT_USER, TRUE, kSignKey));
    sign.WriteDWORD(L"OPTIMIZING", 1);
    sign.WriteDWORD(L"Other", 7);
  }
  fs::path ParameterFile() { return prefix.hostPath(HiveOptimizer::ParameterFilePath()); }
  // What the boot program leaves: the status word of the header.
  void BootStatus(unsigned status) {
    std::string bytes;
    ASSERT_TRUE(mx::ReadWholeFile(ParameterFile(), bytes));
    for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<char>(status >> (8 * i));
    ASSERT_TRUE(mx::WriteFileAtomic(ParameterFile(), bytes));
  }
  int ParameterEntries() {
    std::string bytes;
    mx::ReadWholeFile(ParameterFile(), bytes);
    return bytes.size() >= 4 ? static_cast<unsigned char>(bytes[0]) : -1;
  }
};

}  // namespace

TEST(OptimizationSummary, SizesCountBytesAndKilobytesUpTo1204) {
  struct Case {
    ULONGLONG size;
    const wchar_t* text;
  };
  const Case kCases[] = {{0, L"0 Bytes"},          {1203, L"1203 Bytes"},     {1204, L"1 KB"},
                         {1232895, L"1203 KB"},    {1232896, L"1 MB"},        {1072693248, L"1023 MB"},
                         {1073741823, L"1.00 GB"} /* 1023.999... MB is 1024 at single precision */,
                         {1610612736, L"1.50 GB"}, {6442450944ULL, L"6.00 GB"}};
  for (const auto& c : kCases) {
    std::wstring out;
    FormatSummarySize(c.size, out);
    EXPECT_EQ(out, c.text) << c.size;
  }
}

TEST(OptimizationSummary, CompletionRecordsTheDatesAndRemovesTheMarkerAndTheOneTimeStart) {
  AfterRestart world;
  world.Optimized({Hive(1, 1000, 800)});
  StartWhenWinBoots = 0;
  ASSERT_TRUE(FinishAfterOptimization(world.app));
  std::tm parsed{};
  EXPECT_TRUE(mx::ParseUserDateTime(StrLastOptimizeTime, parsed)) << "a date the results page reads back";
  EXPECT_NE(StrLatestRegDefrag, L"before");
  EXPECT_NE(StrLatestRegDefrag.find(L", 20"), std::wstring::npos) << mx::WideToUtf8(StrLatestRegDefrag);
  EXPECT_FALSE(apptest::KeyExists(HKEY_CURRENT_USER, kSignKey)) << "the whole Sign key goes, other values too";
  EXPECT_EQ(world.handOver.calls, (std::vector<std::string>{"start-after:off"}));
  EXPECT_FALSE(mx::TaskExists(L"VERevizera")) << "the reminder only for a user who asked for it";
  EXPECT_TRUE(fs::exists(world.ParameterFile())) << "the summary page reads it again";

  StartWhenWinBoots = 1;
  world.handOver.calls.clear();
  EXPECT_TRUE(FinishAfterOptimization(world.app));
  EXPECT_TRUE(mx::TaskExists(L"VERevizera"));
}

TEST(OptimizationSummary, WithoutTheParameterFileNothingIsShownButNothingStaysPending) {
  AfterRestart world;
  CRegistryKey sign(HKEY_CURRENT_USER);
  ASSERT_TRUE(sign.Open(HKEY_CURRENT_USER, TRUE, kSignKey));
  sign.WriteDWORD(L"OPTIMIZING", 1);
  EXPECT_FALSE(FinishAfterOptimization(world.app));
  EXPECT_EQ(StrLastOptimizeTime, L"before");
  EXPECT_EQ(StrLatestRegDefrag, L"before");
  EXPECT_EQ(world.handOver.calls, (std::vector<std::string>{"start-after:off"}));
  EXPECT_FALSE(apptest::KeyExists(HKEY_CURRENT_USER, kSignKey));

  world.handOver.calls.clear();
  world.app.m_bStartedAfterOptimization = FALSE;
  EXPECT_FALSE(FinishAfterOptimization(world.app)) << "only the start after the restart completes";
  EXPECT_TRUE(world.handOver.calls.empty());
}

TEST(OptimizationSummary, CountersOnlyWhenTheBootProgramProcessedTheFileAndOnlyRealSavings) {
  AfterRestart world;
  world.Optimized({Hive(1, 1000, 800), Hive(1, 500, 600), Hive(0, 4096, 0), Hive(1, 300, 300)});
  const int entries = world.ParameterEntries();
  ASSERT_GE(entries, 1);

  OptimizationSummaryCounters none = ReadOptimizationSummary();
  EXPECT_EQ(none.nHivesOptimized, 0) << "status 2: the boot program has not run";
  world.BootStatus(4);
  none = ReadOptimizationSummary();
  EXPECT_EQ(none.nHivesOptimized, 0) << "status 4: the boot program refused";
  EXPECT_EQ(none.dwSpaceSaved, 0u);

  world.BootStatus(8);
  OptimizationSummaryCounters done = ReadOptimizationSummary();
  EXPECT_EQ(done.nHivesOptimized, std::max(4, entries));
  // Only the first hive shrank: a larger copy, a failed copy and an equal one gave nothing back.
  EXPECT_EQ(done.dwSizeBefore, 1000u);
  EXPECT_EQ(done.dwSizeAfter, 800u);
  EXPECT_EQ(done.dwSpaceSaved, 200u);
}

TEST(OptimizationSummary, SixteenTextsForNoProblemsAndForProblemsLeft) {
  toolstest::ToolsPrefix prefix;
  InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  OptimizationSummaryCounters counters;
  counters.nHivesOptimized = 3;
  counters.dwSizeBefore = 1232896;
  counters.dwSpaceSaved = 1203;
  auto none = BuildSummaryPageTexts(0, counters);
  ASSERT_EQ(none.size(), 16u);
  EXPECT_EQ(none[0], L"1");
  EXPECT_EQ(none[1], L"0 errors");
  EXPECT_EQ(none[3], L"3");
  EXPECT_EQ(none[4], L"1 MB");
  EXPECT_EQ(none[5], L"1203 Bytes");
  EXPECT_EQ(none[6], GetLocalizedString(L"IDS_DEFRAG_REG_FRAG_REMOVED"));
  EXPECT_EQ(none[14], GetLocalizedString(L"IDS_DLG_FINISH_ERRORS_REMANING"));
  EXPECT_EQ(none[15], L"Finish");
  auto one = BuildSummaryPageTexts(1, counters);
  EXPECT_EQ(one[0], L"0");
  EXPECT_EQ(one[1], L"1 error");
  EXPECT_EQ(one[2], L"1");
  EXPECT_EQ(one[15], L"Fix Errors");
  EXPECT_EQ(BuildSummaryPageTexts(7, counters)[1], L"7 errors");
}

TEST(OptimizationSummary, TheWindowAfterTheRestartOpensOnTheSummaryFilledTwiceAlike) {
  AfterRestart world;
  world.Optimized({Hive(1, 1000, 800)});
  world.BootStatus(8);
  mx::FakeClock clock;
  mx::SetClock(&clock);
  auto page = std::make_shared<web::FakePage>();
  std::vector<std::string> requested;
  std::function<void()> complete;
  web::SetPageFactory([&](HWND, const std::string& name, std::function<void()> done) {
    requested.push_back(name);
    complete = std::move(done);
    return page;
  });
  page->Define(L"setlanguage");
  page->Define(L"SetText");
  {
    CDlgRegDefragHome home(nullptr);
    ASSERT_TRUE(home.Create(IDD_REG_DEFRAG_HOME, nullptr));
    home.ShowWindow(SW_SHOW);
    EXPECT_EQ(requested, std::vector<std::string>{"430.htm"});
    page->SetLoaded(true);
    complete();
    EXPECT_EQ(page->CallsOf(L"setlanguage"), (std::vector<std::vector<std::wstring>>{{L"en"}}));
    for (int i = 0; i < 10 && page->CallsOf(L"SetText").size() < 2; ++i) {
      clock.Advance(64);
      MSG msg;
      while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessage(&msg);
    }
    auto fills = page->CallsOf(L"SetText");
    ASSERT_EQ(fills.size(), 2u) << "document complete, then timer 99";
    EXPECT_EQ(fills[0], fills[1]);
    ASSERT_EQ(fills[0].size(), 16u);
    EXPECT_EQ(fills[0][3], std::to_wstring(home.m_pageSummary.m_nHivesOptimized));
    EXPECT_EQ(fills[0][4], L"1000 Bytes");
    EXPECT_EQ(fills[0][5], L"200 Bytes");
    EXPECT_TRUE(home.m_pageSummary.IsWindowVisible()) << "after the restart no analysis starts";
    EXPECT_FALSE(home.m_pageProgress.IsWindowVisible());

    // The page's button closes the optimisation window.
    home.m_pageSummary.m_htmlSummary.OnElementClick(L"idBtnTextFont");
    MSG msg;
    bool closeAsked = false;
    while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_COMMAND && LOWORD(msg.wParam) == IDC_BTN_DEFRAG_CLOSE && msg.hwnd == home.m_hWnd)
        closeAsked = true;
      else
        win::DispatchMessage(&msg);
    }
    EXPECT_TRUE(closeAsked);
    home.DestroyWindow();
  }
  web::SetPageFactory(nullptr);
  mx::SetClock(nullptr);
}
