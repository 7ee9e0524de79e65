#include "scan/ScanThread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <thread>

#include "app/ZUNApp.h"
#include "platform/system/Wow64Redirection.h"
#include "scan/CategorySelection.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "support/TestPrefix.h"

using namespace enginetest;

namespace {

// The boxes of the scan-area page, as the worker sees them.
void Select(DWORD mask) {
  SetCategorySelectionSource([mask](DWORD& selected, int& count) {
    selected = mask;
    count = std::popcount(mask);
    return true;
  });
}

bool IsPosted(const std::string& event) {
  return event.rfind("ui " + Hex(WM_SCAN_ITEM_TEXT), 0) == 0 || event.rfind("ui " + Hex(WM_SCAN_COMPLETED), 0) == 0 ||
         event.rfind("ui " + Hex(WM_SCAN_STOPPED), 0) == 0;
}

// The messages a scan of one category sends, around its Scan.
std::vector<std::string> CategoryRun(DWORD flag, bool finished = true) {
  std::vector<std::string> run = {"ui 0x405 0x0 0x0", "ui 0x403 " + Hex(flag) + " 0x1", "scan " + Hex(flag)};
  if (finished) run.push_back("ui 0x404 " + Hex(flag) + " 0x1");
  return run;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

const std::string kItem = "ui " + Hex(WM_SCAN_ITEM_TEXT) + " ITEM 0x0";

struct Messages {
  std::vector<std::string> sent;    // sent messages and the scans between them, in the worker's order
  std::vector<std::string> posted;  // item texts (address left out) and the end message
};

// Starts the worker and handles the messages it sends and posts until it has ended.
Messages RunWorker(CScanManager& manager, const EventLog& log) {
  Messages out;
  EXPECT_TRUE(BeginScanWorker(manager));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (manager.m_dwWorker != 0 && std::chrono::steady_clock::now() < deadline) {
    PumpPending();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(manager.m_dwWorker, 0u) << "the worker did not end";
  manager.StopWorkerAndWait();
  PumpPending();
  for (std::string event : log.Events()) {
    if (event.rfind("ui " + Hex(WM_SCAN_ITEM_TEXT), 0) == 0) event = kItem;
    (IsPosted(event) ? out.posted : out.sent).push_back(event);
  }
  return out;
}

std::vector<std::string> Posted(int items, UINT end) {
  std::vector<std::string> out(items, kItem);
  out.push_back("ui " + Hex(end) + " 0x1 0x0");
  return out;
}

class ScanThreadTest : public ::testing::Test {
 protected:
  ScanThreadTest() {
    manager.m_categoryFactory = StubFactory(&log);
    manager.m_hProgressWnd = progress.m_hWnd;
    progress.m_onMessage = [this](RecordingWindow&, UINT msg, WPARAM wParam, LPARAM) {
      if (msg == WM_SCAN_ITEM_TEXT && (wParam == 0 || !reinterpret_cast<const std::wstring*>(wParam)->empty()))
        itemTextsAllEmpty = false;
    };
  }
  ~ScanThreadTest() override { SetCategorySelectionSource({}); }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  EventLog log;
  CScanManager manager;
  RecordingWindow progress{L"MxScanProgressScreen", &log, "ui"};
  bool itemTextsAllEmpty = true;
};

}  // namespace

TEST_F(ScanThreadTest, RunsTheSelectedCategoriesInSectionOrderAndEndsCompleted) {
  manager.CreateCategories(CATEGORY_STARTUP | CATEGORY_APPPATHS | CATEGORY_STARTMENU | CATEGORY_ACTIVEX, 4);
  bool redirected = true;
  Stub(manager, CATEGORY_APPPATHS)->m_onScan = [&](StubCategory&) {
    redirected = mx::IsFsRedirectionActive();
    return 1;
  };
  // Ticked on the settings page but without an object (and the reverse for 0x1): the row only clears the item.
  Select(kAllCategories & ~CATEGORY_ACTIVEX & ~CATEGORY_SOUNDS);
  const Messages m = RunWorker(manager, log);

  EXPECT_EQ(m.sent, Join({CategoryRun(CATEGORY_APPPATHS), CategoryRun(CATEGORY_STARTMENU), CategoryRun(CATEGORY_STARTUP)}));
  EXPECT_EQ(m.posted, Posted(12, WM_SCAN_COMPLETED));
  EXPECT_TRUE(itemTextsAllEmpty);
  EXPECT_FALSE(redirected) << "the worker turns file-system redirection off for itself";
  EXPECT_EQ(g_nScanSection, 4);
}

TEST_F(ScanThreadTest, StopsBeforeTheNextCategoryOrInsideOne) {
  struct Case {
    const char* what;
    bool stopBefore;
    DWORD stopInside;
    std::vector<std::string> sent;
    int items;
  };
  const Case cases[] = {
      {"stop before the first row", true, 0, {}, 12},
      {"stop inside CStartup", false, CATEGORY_STARTUP,
       Join({CategoryRun(CATEGORY_STARTMENU), CategoryRun(CATEGORY_STARTUP, false)}), 13},
  };
  for (const Case& c : cases) {
    EventLog caseLog;
    CScanManager caseManager;
    caseManager.m_categoryFactory = StubFactory(&caseLog);
    RecordingWindow window{L"MxScanProgressScreen", &caseLog, "ui"};
    caseManager.m_hProgressWnd = window.m_hWnd;
    caseManager.CreateCategories(0xD00, 3);  // the fourth box: Start menu, start-up, software
    if (c.stopBefore) win::SetEvent(caseManager.m_hStopEvent);
    if (c.stopInside)
      Stub(caseManager, c.stopInside)->m_onScan = [](StubCategory& self) {
        win::SetEvent(*self.m_pStopEvent);
        return 2;
      };
    const Messages m = RunWorker(caseManager, caseLog);
    EXPECT_EQ(m.sent, c.sent) << c.what;
    EXPECT_EQ(m.posted, Posted(c.items, WM_SCAN_STOPPED)) << c.what;
  }
}

TEST_F(ScanThreadTest, PostsNoEndMessageWhenTheProgressWindowIsGone) {
  manager.CreateCategories(CATEGORY_FONTS | CATEGORY_SOFTWARE, 2);
  Select(CATEGORY_FONTS | CATEGORY_SOFTWARE);
  progress.m_onMessage = [](RecordingWindow& self, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CATEGORY_STARTED) self.DestroyWindow();
  };
  const Messages m = RunWorker(manager, log);
  EXPECT_EQ(m.sent, (std::vector<std::string>{"ui 0x405 0x0 0x0", "ui 0x403 0x8 0x1", "scan 0x8", "scan 0x100"}))
      << "the categories still run; messages to the dead window go nowhere";
  EXPECT_TRUE(m.posted.empty());
}

TEST_F(ScanThreadTest, StoppingAndAwaitingTheWorkerAnswersItsMessagesAndEndsStopped) {
  mxtest::ScanSettingsScope scope({});  // an application object for the running flag
  manager.CreateCategories(CATEGORY_HELPFILES | CATEGORY_SHAREDFILES, 2);
  std::atomic<bool> release{false}, runningDuringScan{false};
  Stub(manager, CATEGORY_HELPFILES)->m_onScan = [&](StubCategory&) {
    runningDuringScan = scope.app().m_bScanRunning.load();
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
  };
  ASSERT_TRUE(BeginScanWorker(manager));
  auto scanning = [&] {
    const auto events = log.Events();
    return std::find(events.begin(), events.end(), "scan 0x10") != events.end();
  };
  while (!scanning()) PumpPending();

  // The worker's next step is a sent message: only the wait itself can answer it (the test pumps no more).
  release = true;
  manager.StopWorkerAndWait();
  PumpPending();
  EXPECT_EQ(manager.m_dwWorker, 0u);
  EXPECT_TRUE(runningDuringScan);
  EXPECT_FALSE(scope.app().m_bScanRunning);
  const std::vector<std::string> events = log.Events();
  EXPECT_NE(std::find(events.begin(), events.end(), "ui 0x404 0x10 0x1"), events.end());
  EXPECT_EQ(std::count(events.begin(), events.end(), "scan 0x40"), 0) << "the stop is seen before the next category";
  EXPECT_EQ(events.back(), "ui " + Hex(WM_SCAN_STOPPED) + " 0x1 0x0");
}
