// The optimisation across the prefix's restart: the optimise command with the real set-up, the restart carried
// out for the prefix with the real boot program, and the start after it completing the optimisation. The
// program's own start at logon is recorded rather than started (its window needs a display).
#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/LogonStart.h"
#include "app/ZUNApp.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/system/RestartRequest.h"
#include "platform/taskschd/HostScheduler.h"
#include "platform/taskschd/MachineRestart.h"
#include "platform/taskschd/TaskStore.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "support/FakeWineServer.h"
#include "tools/AfterOptimization.h"
#include "tools/HiveOptimizer.h"
#include "tools/OptimizationSummary.h"
#include "tools/OptimizeResults.h"
#include "tools/RegCompact.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

struct RestartWorld {
  toolstest::ToolsPrefix prefix;
  win::ScopedAnswers answers;
  std::vector<std::vector<std::string>> started;
  explicit RestartWorld(bool sessionManager = true) {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    if (sessionManager)
      prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]
"BootExecute"=hex(7):61,00,75,00,74,00,6f,00,63,00,68,00,65,00,63,00,6b,00,20,00,61,00,75,00,74,00,6f,00,63,00,68,00,6b,00,20,00,2a,00,00,00,6f,00,74,00,68,00,65,00,72,00,00,00,00,00
[HKEY_CURRENT_USER\Software\Qzx]
"Kept"="yes"
)");
    mx::SetLogonStarter([this](const fs::path& program, const std::vector<std::string>& args) {
      EXPECT_EQ(program, mx::HostProgram());
      started.push_back(args);
      return true;
    });
    StartWhenWinBoots = 1;
    StrLastOptimizeTime.clear();
    StrLatestRegDefrag.clear();
  }
  ~RestartWorld() {
    mx::SetLogonStarter(nullptr);
    delete g_pRegCompact;
    g_pRegCompact = nullptr;
  }
  // The optimise command after an analysis of the user's hive, the restart question answered.
  BOOL Optimize(int restartAnswer) {
    g_pRegCompact = new CRegCompact;
    g_pRegCompact->m_nHives = 1;
    g_pRegCompact->m_pHives = std::make_unique<SHiveCompactInfo[]>(1);
    g_pRegCompact->m_pHives[0].nSaved = 1;
    g_pRegCompact->m_pHives[0].dwLiveSize = 1000;
    g_pRegCompact->m_pHives[0].dwCopySize = 800;
    g_pRegCompact->m_pHives[0].strHiveName = L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000";
    answers.answers.Expect(L"restarts", restartAnswer);
    const BOOL set = RunOptimizeCommand();
    // The program would end here; the test goes on.
    MSG msg;
    while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_EQ(prefix.flush(), ERROR_SUCCESS);
    return set;
  }
  fs::path ParameterFile() { return prefix.hostPath(HiveOptimizer::ParameterFilePath()); }
  bool MarkerSet() { return apptest::KeyExists(HKEY_CURRENT_USER, L"Software\\Tarvolen\\Mendrix\\Version 1.0\\Sign"); }
};

}  // namespace

TEST(PrefixRestart, AnAcceptedRestartRunsTheBootProgramThenTheStartThatCompletesTheOptimisation) {
  RestartWorld world;
  ASSERT_TRUE(world.Optimize(IDYES));
  const std::wstring userBefore = toolstest::LoadedRegistryFile(world.prefix.root() / "user.reg");
  EXPECT_EQ(mx::RequestedRestart(), mx::RestartWhen::Now);
  EXPECT_TRUE(mx::TaskExists(kAfterOptimizationEntryName));
  EXPECT_FALSE(mx::TaskExists(kReminderEntryName)) << "the one-time start replaces the reminder";
  EXPECT_TRUE(world.MarkerSet());
  EXPECT_EQ(mx::RunnableBootEntries(), (std::vector<std::wstring>{L"QZBoot64 \\??\\C:\\windows\\system32\\ZSNQZSet.bin"}));

  const mx::RestartReport report = mx::CarryOutRestart();
  EXPECT_EQ(report.bootRun, (std::vector<std::wstring>{L"QZBoot64 \\??\\C:\\windows\\system32\\ZSNQZSet.bin: exit code 0"}));
  EXPECT_EQ(report.bootNotRun, (std::vector<std::wstring>{L"autocheck autochk *", L"other"})) << "Wine runs no other";
  EXPECT_EQ(world.started, (std::vector<std::vector<std::string>>{{"StartedAfterOptimization"}}));
  EXPECT_EQ(mx::RequestedRestart(), mx::RestartWhen::None);
  EXPECT_EQ(toolstest::BootExecuteEntries(), (std::vector<std::wstring>{L"autocheck autochk *", L"other"}));
  EXPECT_EQ(toolstest::LoadedRegistryFile(world.prefix.root() / "user.reg"), userBefore) << "rewritten, the same content";
  EXPECT_EQ(toolstest::LoadedRegistryFile(world.prefix.root() / "system.reg").find(L"<does not load"), std::wstring::npos);
  EXPECT_TRUE(mx::RunnableBootEntries().empty()) << "the compaction runs once";

  // The start after the restart, as the logon entry starts the program.
  CZUNApp app;
  app.m_bStartedAfterOptimization = TRUE;
  ASSERT_TRUE(FinishAfterOptimization(app));
  EXPECT_FALSE(StrLastOptimizeTime.empty());
  EXPECT_FALSE(StrLatestRegDefrag.empty());
  EXPECT_FALSE(world.MarkerSet());
  EXPECT_FALSE(mx::TaskExists(kAfterOptimizationEntryName));
  EXPECT_TRUE(mx::TaskExists(kReminderEntryName));
  const OptimizationSummaryCounters counters = ReadOptimizationSummary();
  EXPECT_EQ(counters.nHivesOptimized, 3) << "SOFTWARE, SYSTEM and the user's hive went to the boot program";
  EXPECT_EQ(counters.dwSizeBefore, 1000u);
  EXPECT_EQ(counters.dwSpaceSaved, 200u);
}

TEST(PrefixRestart, APutOffRestartWaitsForTheNextStartAndWhileWineHoldsThePrefixNothingIsOptimised) {
  RestartWorld world;
  ASSERT_TRUE(world.Optimize(IDNO));
  EXPECT_EQ(mx::RequestedRestart(), mx::RestartWhen::BeforeNextStart);
  std::string userBefore, systemBefore;
  mx::ReadWholeFile(world.prefix.root() / "user.reg", userBefore);
  mx::ReadWholeFile(world.prefix.root() / "system.reg", systemBefore);
  mx::RestartReport report;
  {
    mxtest::FakeWineServer server(world.prefix.root());
    report = mx::CarryOutRestart();
  }
  EXPECT_EQ(report.bootRun, (std::vector<std::wstring>{L"QZBoot64 \\??\\C:\\windows\\system32\\ZSNQZSet.bin: exit code 3"}));
  EXPECT_EQ(world.started.size(), 1u) << "the logon still comes";
  EXPECT_EQ(mx::RequestedRestart(), mx::RestartWhen::None) << "the next start is not held up again";
  std::string userAfter, systemAfter;
  mx::ReadWholeFile(world.prefix.root() / "user.reg", userAfter);
  mx::ReadWholeFile(world.prefix.root() / "system.reg", systemAfter);
  EXPECT_EQ(userAfter, userBefore);
  EXPECT_EQ(systemAfter, systemBefore);

  CZUNApp app;
  app.m_bStartedAfterOptimization = TRUE;
  EXPECT_TRUE(FinishAfterOptimization(app));
  const OptimizationSummaryCounters counters = ReadOptimizationSummary();
  EXPECT_EQ(counters.nHivesOptimized, 0) << "the summary says nothing was optimised";
  EXPECT_EQ(counters.dwSpaceSaved, 0u);
  EXPECT_FALSE(world.MarkerSet());
}

TEST(PrefixRestart, AFailedSetUpLeavesNoTraceOfTheRestart) {
  RestartWorld world(/*sessionManager=*/false);
  EXPECT_FALSE(world.Optimize(IDYES));
  EXPECT_EQ(mx::RequestedRestart(), mx::RestartWhen::None);
  EXPECT_TRUE(mx::RunnableBootEntries().empty());
  EXPECT_FALSE(fs::exists(world.ParameterFile()));
  EXPECT_FALSE(mx::TaskExists(kAfterOptimizationEntryName));
  EXPECT_FALSE(world.MarkerSet());
  bool failureShown = false;
  for (const auto& text : world.answers.answers.texts()) failureShown = failureShown || text.find(L"Install failed!") == 0;
  EXPECT_TRUE(failureShown);
}
