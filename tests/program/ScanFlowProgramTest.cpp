// The scan as its user makes it in the real program, in three languages: from the home screen to the scan
// screen, its start button, the progress screen and the results of the sample prefix, all by real clicks on
// the display, each screen saved for the eye.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "integration/GrownRegistry.h"
#include "platform/base/FileIO.h"
#include "platform/gtk/XvfbSession.h"
#include "program/ProgramDriver.h"
#include "scan/CategoryFlags.h"
#include "scan/Problem.h"
#include "scan/ResultsFile.h"
#include "support/FakeHostEnvironment.h"
#include "support/TestPaths.h"

namespace {

using namespace programtest;

// Where the screens' pages sit in the window.
constexpr int kPageX = 6, kPageY = 128;

struct Language {
  const char* code;
  int id;  // the row of the language table
};

// Chooses the program's language in the prefix's user hive, as the language menu leaves it.
void ChooseLanguage(const fs::path& prefix, const Language& language) {
  std::ofstream user(prefix / "user.reg", std::ios::app);
  char id[16];
  std::snprintf(id, sizeof id, "%08x", language.id);
  user << "\n[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0\\\\LANG] 1796903980\n#time=1d9a0b2c3d4e5f6\n"
       << "\"LangCode\"=\"" << language.code << "\"\n\"LangID\"=dword:" << id << "\n";
}

// The scan-progress page's five-step bar: a row of the page's top part crossed by at least four boxes of a
// step's width, each a run of non-white pixels with white between them. No other screen of the scan has one.
// Returns how many of the boxes are green (the steps done), or -1 when there is no such bar.
int ProgressSteps(const std::vector<unsigned>& window, int width) {
  for (int y = kPageY + 40; y < kPageY + 120; ++y) {
    int boxes = 0, green = 0, run = 0, greenRun = 0;
    auto endRun = [&] {
      if (run >= 100 && run <= 200) {
        ++boxes;
        green += greenRun * 2 > run;
      }
      run = greenRun = 0;
    };
    for (int x = kPageX; x < width - kPageX; ++x) {
      const unsigned p = window[size_t(y) * width + x];
      const int r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (r + g + b >= 720) {
        endRun();
        continue;
      }
      ++run;
      greenRun += g > r + 40 && g > b + 40;
    }
    endRun();
    if (boxes >= 4) return green;
  }
  return -1;
}

// The whole window as the display shows it.
std::vector<unsigned> WholeWindow(const Geometry& window) {
  return mxtest::ScreenPixels(window.x, window.y, window.width, window.height);
}

// Waits until the screen area changed from before, has stopped changing and shows a painted page: a page
// shown for the first time stays white for a while.
std::vector<unsigned> PaintedChange(const Geometry& window, const std::vector<unsigned>& before) {
  std::vector<unsigned> now;
  for (int i = 0; i < 20; ++i) {
    now = SettledChange(window, before);
    if (std::count(now.begin(), now.end(), 0xFFFFFFu) < long(now.size()) * 9 / 10) break;
  }
  return now;
}

// The sample prefix with generated programs added (their files all present, so no problem more): the scan
// lasts long enough for the progress screen to be painted and seen.
constexpr int kAddedPrograms = 800;

class ScanFlowProgramTest : public ProgramFixture<::testing::TestWithParam<Language>> {
 protected:
  // The grown prefix in the chosen language in place of the sample prefix.
  void SetUp() override {
    if (SkippedWithoutDisplay()) return;
    fs::copy(Grown(), prefix, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    ChooseLanguage(prefix, GetParam());
  }
  static void SetUpTestSuite() {
    grown_ = new mxtest::TempDir;
    mxtest::MakeFixturePrefix(Grown());
    scalebench::GrowPrefix(Grown(), kAddedPrograms);
  }
  static void TearDownTestSuite() {
    delete grown_;
    grown_ = nullptr;
  }
  static fs::path Grown() { return grown_->path() / "prefix"; }
  static mxtest::TempDir* grown_;
};
mxtest::TempDir* ScanFlowProgramTest::grown_ = nullptr;

TEST_P(ScanFlowProgramTest, ScansTheSamplePrefixFromHomeToResultsByClicks) {
  const Language language = GetParam();
  const std::string code = language.code;
  auto save = [&](const std::vector<unsigned>& pixels, const Geometry& window, const std::string& screen) {
    EXPECT_TRUE(mxtest::SavePixelsPng(pixels, window.width, window.height,
                                      kRenderings / ("program_scanflow_" + screen + "_" + code + ".png")));
  };

  Program program = Start();
  Geometry window;
  ASSERT_TRUE(Opened(program, window));
  const std::vector<unsigned> home = PaintedChange(window, {});
  save(WholeWindow(window), window, "home");

  // The Scan Registry button of the navigation.
  Click(window, 324, 94);
  const std::vector<unsigned> scan = PaintedChange(window, home);
  EXPECT_GT(Difference(scan, home), 0.05) << "the scan screen is shown";
  save(WholeWindow(window), window, "scan");

  // The scan screen's start button. From the click on, every new picture is kept until the results have
  // settled: the progress screen is on only while the prefix is scanned.
  Click(window, kPageX + 40, kPageY + 112);
  std::vector<std::vector<unsigned>> progress;
  std::vector<unsigned> last = WholeWindow(window);
  auto stableSince = Clock::now();
  const auto until = Clock::now() + std::chrono::seconds(40);
  while (Clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::vector<unsigned> now = WholeWindow(window);
    if (now != last) {
      if (ProgressSteps(now, window.width) >= 0) progress.push_back(now);
      last = std::move(now);
      stableSince = Clock::now();
    } else if (!progress.empty() && ProgressSteps(last, window.width) < 0 &&
               Clock::now() - stableSince > std::chrono::milliseconds(1500)) {
      break;
    }
  }
  ASSERT_FALSE(progress.empty()) << "the progress screen was never on the display";
  // A picture from the middle of the scan, when one was taken; else the finished bar.
  const auto midScan = std::find_if(progress.begin(), progress.end(), [&](const std::vector<unsigned>& p) {
    const int steps = ProgressSteps(p, window.width);
    return steps >= 1 && steps < 5;
  });
  save(midScan != progress.end() ? *midScan : progress.back(), window, "progress");
  EXPECT_LT(ProgressSteps(last, window.width), 0) << "the scan ended and the progress screen went";
  EXPECT_GT(Difference(ScreenArea(window), scan), 0.05) << "the results screen is shown";
  save(last, window, "results");

  // What the results screen counts is what the completed scan saved: the sample's four missing fonts.
  const fs::path resultsFile = ResultsFileOf(prefix);
  ASSERT_FALSE(resultsFile.empty()) << "the completed scan saved its results";
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(resultsFile, bytes));
  StoredResults stored;
  ASSERT_TRUE(DecodeResults(bytes, stored));
  EXPECT_EQ(stored.total, 4);
  EXPECT_EQ(stored.blocks[std::countr_zero(CATEGORY_FONTS)].size(), 4u);

  Click(window, window.width - 24, 12);
  EXPECT_EQ(program.Wait(20000), 0) << "the close button ends the program";
}

INSTANTIATE_TEST_SUITE_P(Languages, ScanFlowProgramTest,
                         ::testing::Values(Language{"en", 0}, Language{"de", 5}, Language{"ja", 7}),
                         [](const auto& info) { return std::string(info.param.code); });

}  // namespace
