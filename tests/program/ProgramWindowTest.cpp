// The program as its user starts it: `mendrix` with no word opens its window on the display, the navigation
// buttons switch the screens by real clicks, and the close button ends it, leaving the prefix's registry as it
// was except the program's own key. Without a display it says so and ends.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/LocalizedStrings.h"
#include "app/LogonStart.h"
#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/system/RestartRequest.h"
#include "platform/taskschd/TaskStore.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "tools/HiveOptimizer.h"
#include "tools/OptimizeResults.h"
#include "tools/RegCompact.h"
#include "platform/gtk/XvfbSession.h"
#include "program/ProgramDriver.h"
#include "support/FakeHostEnvironment.h"
#include "support/TestPaths.h"

namespace {

using namespace programtest;

using ProgramWindowTest = ProgramTest;
// Its program runs with no display at all.
class ProgramWithoutDisplay : public ProgramTest {
 protected:
  void SetUp() override { mxtest::MakeFixturePrefix(prefix); }
};

TEST_F(ProgramWindowTest, OpensItsWindowSwitchesScreensByClicksAndClosesLeavingTheRegistryAlone) {
  // A first run makes what a first run makes (default tasks, the firewall rule); the run under test starts
  // from there.
  {
    Program first = Start();
    Geometry window;
    ASSERT_TRUE(Opened(first, window)) << "the first run shows its window";
    Click(window, window.width - 24, 12);
    ASSERT_EQ(first.Wait(20000), 0) << "the close button ends the program";
  }
  const auto registryBefore = RegistryOutsideTheProgram(prefix);

  Program program = Start();
  Geometry window;
  ASSERT_TRUE(Opened(program, window));
  // The window waits for its home page and the first-show delay; it must not take much longer.
  const auto shownAfter = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - program.Started());
  EXPECT_LT(shownAfter.count(), 2048 + 5000) << "the window shows within 5 s of its first-show rule";
  EXPECT_EQ(window.width, 770);
  EXPECT_EQ(window.height, 593);

  const std::vector<unsigned> home = SettledChange(window, {});
  {
    const auto whole = mxtest::ScreenPixels(window.x, window.y, window.width, window.height);
    EXPECT_TRUE(mxtest::SavePixelsPng(whole, window.width, window.height, kRenderings / "program_window_start.png"));
  }

  // The six navigation buttons, left to right, and the screen each brings; Home last, back where it began.
  struct Nav {
    const char* name;
    int x;
  };
  const Nav navs[] = {{"install_dlls", 198}, {"scan", 324}, {"optimize", 450},
                      {"backup", 576},       {"settings", 702}, {"home", 72}};
  std::vector<std::vector<unsigned>> shown{home};
  for (const Nav& nav : navs) {
    SCOPED_TRACE(nav.name);
    Click(window, nav.x, 94);
    const std::vector<unsigned> screen = SettledChange(window, shown.back());
    EXPECT_GT(Difference(screen, shown.back()), 0.05) << "the click switched the screen";
    const auto whole = mxtest::ScreenPixels(window.x, window.y, window.width, window.height);
    mxtest::SavePixelsPng(whole, window.width, window.height,
                          kRenderings / (std::string("program_window_") + nav.name + ".png"));
    shown.push_back(screen);
  }
  for (size_t i = 1; i + 1 < shown.size(); ++i)
    for (size_t j = i + 1; j + 1 < shown.size(); ++j)
      EXPECT_GT(Difference(shown[i], shown[j]), 0.05) << navs[i - 1].name << " and " << navs[j - 1].name;
  EXPECT_LT(Difference(shown.back(), home), 0.01) << "Home shows the home screen again";

  // The Help button's menu shows on the screen below it; Esc dismisses it.
  const auto beforeMenu = mxtest::ScreenPixels(0, 0, 1024, 768);
  Click(window, 723, 35);
  std::vector<unsigned> withMenu;
  for (int i = 0; i < 50 && Difference(withMenu = mxtest::ScreenPixels(0, 0, 1024, 768), beforeMenu) < 0.002; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GE(Difference(withMenu, beforeMenu), 0.002) << "the Help menu shows";
  mxtest::SavePixelsPng(withMenu, 1024, 768, kRenderings / "program_window_help_menu.png");
  ASSERT_EQ(std::system("xdotool key Escape"), 0);

  Click(window, window.width - 24, 12);
  EXPECT_EQ(program.Wait(20000), 0) << "the close button ends the program with exit 0";
  const auto registryAfter = RegistryOutsideTheProgram(prefix);
  EXPECT_EQ(registryAfter.size(), registryBefore.size());
  for (const auto& [key, body] : registryBefore) {
    const auto it = registryAfter.find(key);
    ASSERT_NE(it, registryAfter.end()) << key;
    EXPECT_EQ(it->second, body) << key;
  }
}

// The optimisation across the prefix's restart with the real processes: the optimise command has asked for
// the restart; the program's next start carries it out (the real boot program rewrites the registry files),
// gives way to its start after the restart, which completes the optimisation and shows the summary.
TEST_F(ProgramWindowTest, TheRestartRunsTheBootProgramAndTheStartAfterItShowsTheSummary) {
  {
    // The optimise command on this prefix, its restart question answered Yes.
    mx::SetPrefixDir(prefix);
    mx::ResetDrives();
    mx::PublishHiveList();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    win::ScopedAnswers answers;
    answers.answers.Expect(L"restarts", IDYES);
    g_pRegCompact = new CRegCompact;
    g_pRegCompact->m_nHives = 1;
    g_pRegCompact->m_pHives = std::make_unique<SHiveCompactInfo[]>(1);
    g_pRegCompact->m_pHives[0].nSaved = 1;
    g_pRegCompact->m_pHives[0].dwLiveSize = 40960;
    g_pRegCompact->m_pHives[0].dwCopySize = 30720;
    g_pRegCompact->m_pHives[0].strHiveName = L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000";
    ASSERT_TRUE(RunOptimizeCommand());
    delete g_pRegCompact;
    g_pRegCompact = nullptr;
    MSG msg;
    while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ASSERT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
    ASSERT_EQ(mx::RequestedRestart(), mx::RestartWhen::Now);
    ASSERT_TRUE(mx::TaskExists(kAfterOptimizationEntryName));
    mx::reg::ResetRegistry();
  }
  const fs::path parameters = prefix / "drive_c" / "windows" / "system32" / "ZSNQZSet.bin";
  std::string before;
  ASSERT_TRUE(mx::ReadWholeFile(parameters, before));
  ASSERT_EQ(before[8], 2);

  Program start = Start();
  ASSERT_TRUE(start.Running());
  EXPECT_EQ(start.Wait(30000), 0) << "the start gives way to the start after the restart";
  std::string after;
  ASSERT_TRUE(mx::ReadWholeFile(parameters, after));
  EXPECT_EQ(after[8], 8) << "the boot program processed the parameter file";
  EXPECT_FALSE(fs::exists(prefix / ".restart-pending"));
  for (const char* name : {"system.reg", "user.reg"})
    EXPECT_FALSE(Sections(prefix / name).empty()) << name << " still loads";

  Geometry window;
  ASSERT_TRUE(FindWindow(kMainTitle, 770, 30000, window)) << "the start after the restart shows its window";
  // Completed: the marker and the one-time start are gone, the reminder is back, both dates are kept.
  const auto until = Clock::now() + std::chrono::seconds(20);
  std::map<std::string, std::string> user;
  while (Clock::now() < until) {
    user = Sections(prefix / "user.reg");
    if (!user.count("[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0\\\\Sign]") &&
        user["[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0]"].find("StrLatestRegDefrag") != std::string::npos)
      break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_FALSE(user.count("[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0\\\\Sign]"));
  const std::string& settings = user["[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0]"];
  EXPECT_NE(settings.find("\"StrLastOptimizeTime\"=\""), std::string::npos) << settings;
  EXPECT_NE(settings.find("\"StrLatestRegDefrag\"=\""), std::string::npos) << settings;
  const fs::path tasks = prefix / "drive_c" / "windows" / "system32" / "Tasks";
  EXPECT_FALSE(fs::exists(tasks / mx::WideToUtf8(kAfterOptimizationEntryName)));
  EXPECT_TRUE(fs::exists(tasks / mx::WideToUtf8(kReminderEntryName)));

  // The summary opens over the window 3072 ms after the start, its page filled with the counters.
  Geometry summary;
  ASSERT_TRUE(FindWindow("Registry optimization", 600, 20000, summary)) << "the optimisation window on its summary";
  std::vector<unsigned> shown;
  EXPECT_TRUE(mxtest::RunUntil([&] {
    shown = mxtest::ScreenPixels(summary.x, summary.y, summary.width, summary.height);
    // The page's green Finish button is on top, not the dimmed main window behind it.
    // (below the frame's header, whose logo is green too).
    int green = 0;
    for (size_t i = size_t(60) * summary.width; i < shown.size(); ++i) {
      const unsigned p = shown[i];
      green += (p >> 16 & 0xFF) < 0x70 && (p >> 8 & 0xFF) > 0x90 && (p & 0xFF) < 0x80;
    }
    return green > 500;
  }, 10000)) << "the summary page is not on top";
  // The counters and texts are filled once the page has loaded: wait for its dark heading text.
  EXPECT_TRUE(mxtest::RunUntil([&] {
    shown = mxtest::ScreenPixels(summary.x, summary.y, summary.width, summary.height);
    int dark = 0;  // inside the page, away from the frame's dark edges
    for (int y = 60; y < summary.height - 20; ++y)
      for (int x = 20; x < summary.width - 20; ++x) {
        const unsigned p = shown[size_t(y) * summary.width + x];
        dark += (p >> 16 & 0xFF) < 0x50 && (p >> 8 & 0xFF) < 0x70 && (p & 0xFF) < 0xA0;
      }
    return dark > 400;
  }, 10000)) << "the summary's texts are shown";
  EXPECT_TRUE(mxtest::SavePixelsPng(shown, summary.width, summary.height,
                                   kRenderings / "program_optimization_summary.png"));
  // Finish closes the summary; the window's close button then ends the program.
  const std::string pid = Output("xdotool getwindowpid " + window.id + " 2>/dev/null");
  Click(summary, 110, 311);
  Geometry gone;
  EXPECT_TRUE(mxtest::RunUntil([&] { return !FindWindow("Registry optimization", 600, 100, gone); }, 10000))
      << "Finish closes the optimisation window";
  Click(window, window.width - 24, 12);
  const bool ended = mxtest::RunUntil([&] { return !FindWindow(kMainTitle, 770, 100, gone); }, 20000);
  EXPECT_TRUE(ended) << "the close button ends the program";
  // The program was started by the restart, not by this test: it is ended by the id its window gives.
  if (!ended)
    if (const int id = std::atoi(pid.c_str()); id > 0) ::kill(id, SIGTERM);
}

// Where a display shows the program's windows, the scheduled scan reports in its pop-up, which leaves by itself
// after its stay; nobody clicked it, so the run ends.
TEST_F(ProgramWindowTest, ScheduledScanShowsItsPopUpAndEndsWhenItLeaves) {
  Program program = Start("scan");
  ASSERT_TRUE(program.Running());
  Geometry popup;
  ASSERT_TRUE(FindWindow("", 254, 60000, popup)) << "the pop-up appears once the scan is done";
  EXPECT_EQ(popup.height, 193);
  EXPECT_LE(popup.x + popup.width, 1024);
  EXPECT_GT(popup.x + popup.width, 1024 - 40) << "at the right of the work area";
  EXPECT_LT(popup.y + popup.height, 768) << "above the taskbar";
  std::this_thread::sleep_for(std::chrono::milliseconds(600));  // the fade-in's four steps
  mxtest::SavePixelsPng(mxtest::ScreenPixels(popup.x, popup.y, popup.width, popup.height), popup.width,
                        popup.height, kRenderings / "program_scheduled_scan_popup.png");
  Geometry main;
  EXPECT_FALSE(FindWindow(kMainTitle, 770, 100, main)) << "the scheduled scan stays hidden";
  EXPECT_EQ(program.Wait(30000), 0) << "the ignored pop-up ends the run";
}

TEST_F(ProgramWithoutDisplay, SaysSoNamesTheScanAndEndsWith2) {
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX='" + prefix.string() + "' HOME='" +
                              home().string() + "' MX_NO_START_WAIT=1 MX_RUNTIME_DIR='" + runtime().string() + "' '" +
                              MX_BINARY_DIR + "/bin/mendrix' 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  std::array<char, 4096> buffer{};
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 2) << out;
  EXPECT_NE(out.find("no display"), std::string::npos) << out;
  EXPECT_NE(out.find("`mendrix scan`"), std::string::npos) << out;
}

}  // namespace
