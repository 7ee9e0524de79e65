// The optimisation window on a throw-away prefix: the analysis runs on its worker, the results page follows,
// a stop closes the window and leaves no copies; the pages are drawn into the renderings folder.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>
#include <atomic>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/gdi/WindowDC.h"
#include "platform/system/Module.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "tools/DlgRegDefragHome.h"
#include "tools/OptimizeResults.h"
#include "tools/RegCompact.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

using toolstest::FakeHandOver;

struct WindowWorld {
  toolstest::ToolsPrefix prefix;
  mx::FakeClock clock;
  FakeHandOver handOver;
  WindowWorld() {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::SetClock(&clock);
    StrLastOptimizeTime.clear();
  }
  ~WindowWorld() {
    delete g_pRegCompact;
    g_pRegCompact = nullptr;
    mx::SetClock(nullptr);
  }
  // Runs the thread's messages, moving the clock so the pages' timers fire, until done() or 20 s.
  template <class Done>
  bool RunUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      MSG msg;
      while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessage(&msg);
      clock.Advance(64);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }
};

// Dialogs run their own loop until they end themselves.
struct LetDialogsRun final : win::AnswerProvider {
  std::optional<int> Answer(const win::Prompt& prompt) override {
    if (prompt.kind == win::PromptKind::Dialog) return std::nullopt;
    return IDOK;
  }
};

fs::path Renderings() {
  fs::path out = fs::path(MX_BINARY_DIR) / "ui-renderings";
  fs::create_directories(out);
  return out;
}

}  // namespace

TEST(OptimizationWindow, AnalysisRunsOnItsWorkerAndTheResultsPageFollows) {
  WindowWorld world;
  CDlgRegDefragHome home(nullptr);
  ASSERT_TRUE(home.Create(IDD_REG_DEFRAG_HOME, nullptr));
  home.ShowWindow(SW_SHOW);
  ASSERT_TRUE(world.RunUntil([&] { return home.m_pageProgress.IsWindowVisible() != FALSE; }));
  EXPECT_TRUE(gdi::SaveWindowPng(home, Renderings() / "optimization-window-progress.png"));

  bool shown = world.RunUntil([&] { return home.m_pageResults.IsWindowVisible() != FALSE; });
  ASSERT_TRUE(shown);
  EXPECT_FALSE(home.m_pageProgress.IsWindowVisible());
  ASSERT_NE(g_pRegCompact, nullptr);
  EXPECT_EQ(g_pRegCompact->m_nHives, 1);
  EXPECT_EQ(home.m_pageResults.m_list.GetItemCount(), 1);
  EXPECT_EQ(home.m_pageResults.m_list.m_arrTitle[0], L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000");
  std::wstring status;
  home.m_pageProgress.m_stText.GetWindowText(status);
  EXPECT_EQ(status, L"Analyzing... 100% done");
  EXPECT_EQ(home.m_pageProgress.m_progress.GetPos(), 1);
  // The end of an analysis clears what an earlier optimisation left pending.
  EXPECT_EQ(world.handOver.calls, (std::vector<std::string>{"start-after:off"}));
  EXPECT_TRUE(gdi::SaveWindowPng(home, Renderings() / "optimization-window-results.png"));

  home.m_pageResults.OnOptimize();
  EXPECT_EQ(world.handOver.calls,
            (std::vector<std::string>{"start-after:off", "install", "start-after:on", "end"}));
  EXPECT_EQ(home.m_pageResults.m_bOptimizing, 1);
  EXPECT_FALSE(fs::exists(world.prefix.driveC() / "windows" / "system32" / "Config" / "TWQBakup" /
                          "s-1-5-21-0-0-0-1000.bak"));

  // The summary page is an HTML page: it is rendered on the browser (optimization-summary.png).
}

TEST(OptimizationWindow, AStopClosesTheWindowAndLeavesNoCopies) {
  WindowWorld world;
  // The stop button's event, set while the worker waits before its first copy.
  world.clock.AddListener([] {
    if (g_pRegCompact) win::SetEvent(g_pRegCompact->m_hStopEvent);
  });
  // Modal, as the screen runs it: the window's own loop runs until the stopped analysis closes it.
  std::atomic<bool> done{false};
  std::thread ticker([&] {
    while (!done) {
      world.clock.Advance(64);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  LetDialogsRun provider;
  win::SetAnswerProvider(&provider);
  CDlgRegDefragHome home(nullptr);
  EXPECT_EQ(home.DoModal(), IDCANCEL);
  win::SetAnswerProvider(nullptr);
  done = true;
  ticker.join();
  EXPECT_EQ(g_pRegCompact, nullptr);
  EXPECT_FALSE(home.m_pageResults.IsWindowVisible());
  fs::path folder = world.prefix.driveC() / "windows" / "system32" / "Config" / "TWQBakup";
  EXPECT_TRUE(!fs::exists(folder) || fs::is_empty(folder));
}
