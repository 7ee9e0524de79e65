// The program as its user repairs with it, on the sample prefix: a scan from the home screen, the problems
// view opened from the results and one row unchecked, the repair of the rest, and a second scan that finds
// exactly the problem that was left unchecked.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/gtk/XvfbSession.h"
#include "program/ProgramDriver.h"
#include "scan/ResultsFile.h"
#include "support/TestPaths.h"

namespace {

using namespace programtest;

class ProgramRepairTest : public ProgramTest {
 protected:
  bool Gone(const Geometry& view) {
    const auto until = Clock::now() + std::chrono::seconds(10);
    while (Clock::now() < until) {
      if (Output("xdotool search --onlyvisible --name '^$' 2>/dev/null").find(view.id) == std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  // Waits until the results file holds count problems (a run has ended and saved).
  void WaitForStoredProblems(size_t count) {
    const auto until = Clock::now() + std::chrono::seconds(60);
    while (Clock::now() < until && StoredProblems(prefix).size() != count)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
};

TEST_F(ProgramRepairTest, UncheckedProblemIsTheOnlyOneTheNextScanFindsAgain) {
  Program program = Start();
  Geometry window;
  ASSERT_TRUE(Opened(program, window));
  const std::vector<unsigned> home = SettledChange(window, {});

  Click(window, 107, 333);  // Start Scan
  WaitForStoredProblems(4);
  // the switch to the results passes a blank page: the results are looked at once they have had time to show
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const std::vector<unsigned> results = SettledChange(window, home);
  SaveWindow(window, "program_repair_results");
  const std::vector<std::wstring> found = StoredProblems(prefix);
  ASSERT_EQ(found.size(), 4u) << "the sample prefix's four missing fonts";

  Click(window, 260, 499);  // View detailed list
  Geometry view;
  ASSERT_TRUE(FindWindow("", 700, 20000, view)) << "the problems view opens";
  const std::vector<unsigned> listed = SettledWindow(view);
  Click(view, 8 + 12, 90 + 16);  // the drawn check box of the first row
  SettledWindow(view, listed);
  SaveWindow(view, "program_repair_problems_view");
  Click(view, view.width - 60, view.height - 43);  // Close
  ASSERT_TRUE(Gone(view)) << "the view closes";
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  const std::vector<unsigned> back = SettledChange(window, {});
  EXPECT_LT(Difference(back, results), 0.05) << "the results screen again";

  Click(window, 95, 499);  // Fix Errors
  // The repair page shows while the run lasts: the first picture that is no longer the results is saved.
  const auto until = Clock::now() + std::chrono::seconds(20);
  bool sawPage = false;
  while (!sawPage && Clock::now() < until) {
    const std::vector<unsigned> now = ScreenArea(window);
    if (Difference(now, back) > 0.2) {
      SaveWindow(window, "program_repair_page");
      sawPage = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(sawPage) << "the repair page was shown";
  WaitForStoredProblems(1);
  SettledChange(window, {});
  SaveWindow(window, "program_repair_after");
  ASSERT_EQ(StoredProblems(prefix), (std::vector<std::wstring>{found[0]})) << "only the unchecked problem is left";

  // A second scan from the scan screen finds exactly the problem that was not repaired.
  Click(window, 324, 94);
  SettledChange(window, ScreenArea(window));
  SaveWindow(window, "program_repair_scan_screen");
  fs::remove(ResultsFileOf(prefix));
  Click(window, 267, 246);  // Scan Now, beside Fix Registry Problems now that errors are known
  WaitForStoredProblems(1);
  SettledChange(window, {});
  SaveWindow(window, "program_repair_rescan");
  EXPECT_EQ(StoredProblems(prefix), (std::vector<std::wstring>{found[0]}));

  Click(window, window.width - 24, 12);
  EXPECT_EQ(program.Wait(20000), 0);
}

}  // namespace
