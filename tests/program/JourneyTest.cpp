// A user's journey through the real program, driven only through the display: the clicks and keys land where
// the screens draw their controls, and the test reads the prefix's registry files after each step that
// changes them. Each step leaves a picture of the window (with the menu it opened),
// journey_NN_<step>.png, in the renderings folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/ExclusionLists.h"
#include "app/LanguageTable.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/taskschd/StoredTask.h"
#include "program/ProgramDriver.h"
#include "scan/CategoryFlags.h"
#include "support/TestPaths.h"

namespace {

namespace fs = std::filesystem;
using namespace programtest;
using mxtest::RunUntil;

// Where the screens draw what the journey clicks, in window coordinates of the 770x593 main window.
struct Point {
  int x, y;
};
struct Places {
  Point close{770 - 24, 12};
  Point navHome{72, 94};
  Point navScan{324, 94};
  Point navBackup{576, 94};
  Point navSettings{702, 94};
  Point homeStartScan{107, 333};
  Point resultsFix{95, 499};
  Point backupRepairTab{682, 366};
  Point backupFirstRow{300, 438};
  Point backupRestore{692, 548};
  Point scanNowWithErrors{267, 246};
  Point settingsScanAreaTab{110, 162};
  Point scanAreaSounds{432, 319};
  Point scanAreaApply{206, 548};
  Point settingsScheduleTab{434, 162};
  Point scheduleEveryWeek{366, 304};
  Point scheduleMonday{313, 360};
  Point scheduleApply{690, 549};
  Point help{723, 35};
  int aboutWidth = 600;
  Point flag{684, 13};
  Point resultsDetails{260, 499};
  // in the problems view
  Point viewFirstRowText{300, 106};
  Point viewSecondRowCheck{20, 139};
  Point viewCloseFromRight{60, 43};
};
const Places kAt;
constexpr int kGerman = 5;  // its row of the language table

// A problem the scan finds on top of the sample prefix's own: a startup entry for a program that is gone,
// written into the user's Run key as Wine writes it.
const char kRunKey[] = "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Run]";
const char kInjectedValue[] = "\"JourneyAgent\"=\"C:\\\\Journey\\\\agent.exe /tray\"\n";

const char kFirewallRules[] =
    "[System\\\\CurrentControlSet\\\\Services\\\\SharedAccess\\\\Parameters\\\\FirewallPolicy\\\\FirewallRules]";

void InjectProblem(const fs::path& userReg) {
  std::string text;
  ASSERT_TRUE(mx::ReadWholeFile(userReg, text));
  const auto key = text.find(kRunKey);
  ASSERT_NE(key, std::string::npos);
  auto at = text.find('\n', key) + 1;
  if (text.compare(at, 6, "#time=") == 0) at = text.find('\n', at) + 1;
  text.insert(at, kInjectedValue);
  std::ofstream(userReg, std::ios::binary | std::ios::trunc) << text;
}

// The registry keys whose content differs between two readings ("+" added, "-" removed, "*" changed), one a line.
std::string Changed(const std::map<std::string, std::string>& before, const std::map<std::string, std::string>& after) {
  std::string out;
  for (const auto& [key, body] : before) {
    const auto it = after.find(key);
    if (it == after.end()) out += "- " + key + "\n";
    else if (it->second != body) out += "* " + key + "\n" + it->second;
  }
  for (const auto& [key, body] : after)
    if (!before.count(key)) out += "+ " + key + "\n" + body;
  return out;
}

// The screen area once it differs from before, has stopped changing and is painted: a switch of screens
// passes a blank page.
std::vector<unsigned> SettledPage(const Geometry& window, const std::vector<unsigned>& before) {
  std::vector<unsigned> shown = SettledChange(window, before);
  for (int tries = 0; tries < 3; ++tries) {
    size_t painted = 0;
    for (unsigned p : shown) painted += (p & 0xFFFFFF) != 0xFFFFFF;
    if (painted * 5 > shown.size()) break;
    shown = SettledChange(window, shown);
  }
  return shown;
}

// The keys of the user's exclusion list as the program saved them.
std::vector<std::wstring> StoredExclusions(const fs::path& prefix) {
  std::vector<std::wstring> keys;
  std::string bytes;
  const fs::path file = DataFileOf(prefix, mx::WideToUtf8(kExcludeListFile));
  if (!file.empty() && mx::ReadWholeFile(file, bytes)) DecodeKeyList(bytes, keys);
  return keys;
}

// The program's scheduled scan as the prefix's task folder holds it.
std::optional<mx::StoredTask> StoredScheduleTask(const fs::path& prefix) {
  std::string bytes;
  const fs::path file = prefix / "drive_c" / "windows" / "system32" / "Tasks" / "Tarvolen Mendrix";
  if (!mx::ReadWholeFile(file, bytes) || bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return std::nullopt;
  return mx::TaskFromXml(mx::Utf16LeToWide(std::string_view(bytes).substr(2)), L"Tarvolen Mendrix");
}

// A message box of the program over its main window.
bool FindMessage(const Geometry& main, Geometry& out) {
  for (const Geometry& window : Windows(kMainTitle))
    if (window.id != main.id && window.width < main.width) {
      out = window;
      return true;
    }
  return false;
}

// The screen area that holds both a window and a menu shown beside it.
Geometry Around(const Geometry& a, const Geometry& b) {
  const int left = std::max(0, std::min(a.x, b.x)), top = std::max(0, std::min(a.y, b.y));
  const int right = std::min(1024, std::max(a.x + a.width, b.x + b.width));
  const int bottom = std::min(768, std::max(a.y + a.height, b.y + b.height));
  return {a.id, left, top, right - left, bottom - top};
}

// The next scan's category selection as the program's settings in user.reg hold it; -1 when none is stored.
long StoredSelection(const fs::path& prefix) {
  for (const auto& [key, body] : Sections(prefix / "user.reg")) {
    if (key.find("Mendrix") == std::string::npos || key.find("\\\\Settings]") == std::string::npos) continue;
    const std::string name = "\"SelectedCategories\"=dword:";
    if (const auto at = body.find(name); at != std::string::npos)
      return std::strtol(body.c_str() + at + name.size(), nullptr, 16);
  }
  return -1;
}

class JourneyTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    if (IsSkipped()) return;
    // The host's own fonts (drive Z:) play no part in what the scan finds.
    fs::remove(prefix / "dosdevices" / "z:");
    InjectProblem(prefix / "user.reg");
    // An earlier journey's pictures of steps since renumbered must not pass for this one's.
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kRenderings, ec))
      if (entry.path().filename().string().rfind("journey_", 0) == 0) fs::remove(entry.path(), ec);
  }

  void TearDown() override {
    // What the display showed when a step failed, for the failure's reader.
    if (HasFailure())
      mxtest::SavePixelsPng(mxtest::ScreenPixels(0, 0, 1024, 768), 1024, 768, kRenderings / "journey_failed.png");
    EndAdoptedPrograms();
  }

  // One step's picture of the window.
  void Shot(const Geometry& window, const std::string& step) {
    char number[16];
    std::snprintf(number, sizeof number, "%02d", ++shots);
    SaveWindow(window, std::string("journey_") + number + "_" + step);
  }

  int shots = 0;
};

TEST_F(JourneyTest, AUsersWayThroughTheProgram) {
  Program program = Start();
  Geometry window;
  ASSERT_TRUE(Opened(program, window)) << "the program shows its window";
  const std::vector<unsigned> home = SettledChange(window, {});
  Shot(window, "home");
  // A first start adds its firewall rule and starts the task service; the rest of the journey starts from there.
  ASSERT_TRUE(RunUntil([&] {
    return Sections(prefix / "system.reg").count(kFirewallRules) &&
           Sections(prefix / "system.reg")[kFirewallRules].find("mendrix.exe") != std::string::npos;
  }, 10000)) << "the first start's firewall rule";
  const auto registryAtStart = RegistryOutsideTheProgram(prefix);

  // Start Scan on the home screen. On the sample prefix the scan ends before its progress screen has painted,
  // so the results are the next screen to be seen.
  Click(window, kAt.homeStartScan.x, kAt.homeStartScan.y);
  const std::vector<unsigned> results = SettledPage(window, home);
  Shot(window, "results");
  EXPECT_EQ(Changed(registryAtStart, RegistryOutsideTheProgram(prefix)), "") << "a scan changes nothing";

  // The problems view over the results, one row unchecked: the Courier font stays as it is.
  Click(window, kAt.resultsDetails.x, kAt.resultsDetails.y);
  Geometry view;
  ASSERT_TRUE(FindWindow("", 700, 20000, view)) << "the problems view opens";
  const std::vector<unsigned> listed = SettledWindow(view, {});
  Click(view, kAt.viewSecondRowCheck.x, kAt.viewSecondRowCheck.y);
  const std::vector<unsigned> unchecked = SettledWindow(view, listed);
  Shot(view, "problems_view");

  // The startup entry's key goes on the exclusion list through its row's context menu, shown at the pointer.
  Click(view, kAt.viewFirstRowText.x, kAt.viewFirstRowText.y);
  const std::vector<unsigned> selected = SettledWindow(view, unchecked);
  Click(view, kAt.viewFirstRowText.x, kAt.viewFirstRowText.y, 3);
  Geometry menu;
  ASSERT_TRUE(FindMenu(10000, menu)) << "the row's context menu shows";
  EXPECT_EQ(menu.x, view.x + kAt.viewFirstRowText.x) << "at the pointer";
  EXPECT_EQ(menu.y, view.y + kAt.viewFirstRowText.y) << "at the pointer";
  SettledWindow(view, selected);
  Shot(view, "exclusion_menu");
  Click(menu, menu.width / 2, menu.height - 12);  // "Add to Ignore List", the last item
  std::vector<std::wstring> excluded;
  EXPECT_TRUE(RunUntil([&] { return !(excluded = StoredExclusions(prefix)).empty(); }, 10000))
      << "the exclusion list is saved at once";
  const std::wstring runKey = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  EXPECT_EQ(excluded, std::vector<std::wstring>{runKey});
  SettledWindow(view, selected);
  Shot(view, "excluded");
  EXPECT_EQ(Changed(registryAtStart, RegistryOutsideTheProgram(prefix)), "") << "the exclusion list is no registry key";
  Click(view, view.width - kAt.viewCloseFromRight.x, view.height - kAt.viewCloseFromRight.y);
  ASSERT_TRUE(RunUntil([&] { return !FindWindow("", 700, 0, view); }, 10000)) << "Close ends the problems view";
  const std::vector<unsigned> back = SettledPage(window, {});

  // Fix Errors repairs the checked problems: three fonts go; Courier, unchecked, and the excluded startup
  // entry stay; nothing else of the registry changes.
  std::string system;
  const auto count = [&](const std::string& line) {
    size_t n = 0;
    for (auto at = system.find(line); at != std::string::npos; at = system.find(line, at + 1)) ++n;
    return n;
  };
  const char* const repairedFonts[] = {"\"MS Sans Serif\"=\"sserife.fon\"", "\"MS Serif\"=\"serife.fon\"",
                                       "\"Small Fonts\"=\"smalle.fon\""};
  Click(window, kAt.resultsFix.x, kAt.resultsFix.y);
  ASSERT_TRUE(RunUntil([&] {
    return mx::ReadWholeFile(prefix / "system.reg", system) && count(repairedFonts[2]) == 1;
  }, 30000)) << "the repair removes the fonts";
  SettledPage(window, back);
  Shot(window, "repaired");
  ASSERT_TRUE(mx::ReadWholeFile(prefix / "system.reg", system));
  EXPECT_EQ(count("\"Courier\"=\"coure.fon\""), 2u) << "the unchecked font is left in both views";
  for (const char* font : repairedFonts) EXPECT_EQ(count(font), 1u) << font << " repaired in the view it was found in";
  EXPECT_NE(Sections(prefix / "user.reg")[kRunKey].find("JourneyAgent"), std::string::npos)
      << "the excluded startup entry is left";
  const std::string changed = Changed(registryAtStart, RegistryOutsideTheProgram(prefix));
  std::istringstream lines(changed);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("* ", 0) == 0 || line.rfind("+ ", 0) == 0 || line.rfind("- ", 0) == 0) {
      EXPECT_NE(line.find("\\\\Fonts]"), std::string::npos) << line;
    }

  // Home again.
  Click(window, kAt.navHome.x, kAt.navHome.y);
  SettledPage(window, ScreenArea(window));
  Shot(window, "home_after_repair");

  // The backups: the repair's undo run is listed among the repair backups.
  Click(window, kAt.navBackup.x, kAt.navBackup.y);
  SettledPage(window, ScreenArea(window));
  Click(window, kAt.backupRepairTab.x, kAt.backupRepairTab.y);
  SettledWindow(window, {});
  Shot(window, "repair_backups");
  Click(window, kAt.backupFirstRow.x, kAt.backupFirstRow.y);
  SettledWindow(window, {});
  // Restore brings back what the repair removed: the three fonts.
  Click(window, kAt.backupRestore.x, kAt.backupRestore.y);
  Geometry told;
  ASSERT_TRUE(RunUntil([&] { return FindMessage(window, told); }, 20000)) << "the restore tells its outcome";
  Shot(window, "restored");
  std::string left;
  EXPECT_TRUE(RunUntil([&] { return (left = Changed(registryAtStart, RegistryOutsideTheProgram(prefix))).empty(); },
                       10000)) << "the registry is as before the repair:\n" << left;
  ASSERT_TRUE(mx::ReadWholeFile(prefix / "system.reg", system));
  for (const char* font : repairedFonts) EXPECT_EQ(count(font), 2u) << font << " restored";
  Click(told, told.width / 2, told.height - 18);  // OK

  // A scan from the scan screen finds the repaired fonts again, and Courier; the startup entry's key is on the
  // exclusion list, so its problem is found no more.
  Click(window, kAt.navScan.x, kAt.navScan.y);
  const std::vector<unsigned> scanScreen = SettledPage(window, ScreenArea(window));
  fs::remove(ResultsFileOf(prefix));
  Click(window, kAt.scanNowWithErrors.x, kAt.scanNowWithErrors.y);
  std::vector<std::wstring> found;
  ASSERT_TRUE(RunUntil([&] { return !(found = StoredProblems(prefix)).empty(); }, 30000)) << "the rescan ends";
  EXPECT_EQ(found.size(), 4u) << "the four fonts";
  for (const std::wstring& name : found) EXPECT_NE(name, L"JourneyAgent") << "the excluded key is not scanned";
  SettledPage(window, scanScreen);
  Shot(window, "rescan_results");

  // The settings screen.
  Click(window, kAt.navSettings.x, kAt.navSettings.y);
  SettledPage(window, ScreenArea(window));
  Shot(window, "settings");

  // The scan area: Sounds unticked and applied is stored as the next scan's selection.
  Click(window, kAt.settingsScanAreaTab.x, kAt.settingsScanAreaTab.y);
  SettledWindow(window, {});
  Click(window, kAt.scanAreaSounds.x, kAt.scanAreaSounds.y);
  Click(window, kAt.scanAreaApply.x, kAt.scanAreaApply.y);
  long selection = -1;
  EXPECT_TRUE(RunUntil([&] { return (selection = StoredSelection(prefix)) >= 0; }, 10000)) << "the selection is stored";
  EXPECT_EQ(selection & long(CATEGORY_SOUNDS), 0) << "Sounds is left out of the next scan";
  EXPECT_EQ(selection | long(CATEGORY_SOUNDS), long(kAllCategories)) << "the other categories stay ticked";
  SettledWindow(window, {});
  Shot(window, "scan_area");


  // The schedule: a weekly scan on Mondays, applied, is a task in the prefix with a weekly trigger, mirrored
  // to the host's scheduler (the fake's crontab).
  Click(window, kAt.settingsScheduleTab.x, kAt.settingsScheduleTab.y);
  SettledWindow(window, {});
  Click(window, kAt.scheduleEveryWeek.x, kAt.scheduleEveryWeek.y);
  Click(window, kAt.scheduleMonday.x, kAt.scheduleMonday.y);
  SettledWindow(window, {});
  Shot(window, "schedule");
  Click(window, kAt.scheduleApply.x, kAt.scheduleApply.y);
  Geometry created;
  ASSERT_TRUE(RunUntil([&] { return FindMessage(window, created); }, 20000)) << "the page says the task is made";
  SettledWindow(created, {});
  Shot(created, "schedule_created");
  Click(created, created.width / 2, created.height - 18);  // OK
  std::optional<mx::StoredTask> task;
  EXPECT_TRUE(RunUntil([&] { return (task = StoredScheduleTask(prefix)).has_value(); }, 10000)) << "the task exists";
  if (task) {
    ASSERT_EQ(task->triggers.size(), 1u);
    EXPECT_EQ(task->triggers[0].kind, mx::TriggerKind::Weekly);
    EXPECT_EQ(task->triggers[0].weekdays, mx::kSundayBit << 1) << "Mondays";
    EXPECT_EQ(task->triggers[0].interval, 1);
  }
  EXPECT_NE(host.crontab().find(" * * 1 "), std::string::npos) << "mirrored for Mondays: " << host.crontab();
  std::string settings;
  EXPECT_TRUE(RunUntil([&] {
    settings = Sections(prefix / "user.reg")["[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0]"];
    return settings.find("\"m_rBtnEvery\"=dword:00000002") != std::string::npos;
  }, 10000)) << "the page's choice is kept: " << settings;

  // Help, About: the Help button's menu, its last item, and the about box over the window.
  Click(window, kAt.help.x, kAt.help.y);
  Geometry helpMenu;
  ASSERT_TRUE(FindMenu(10000, helpMenu)) << "the Help menu shows";
  SettledWindow(Around(window, helpMenu), {});
  Shot(Around(window, helpMenu), "help_menu");
  Click(helpMenu, helpMenu.width / 2, helpMenu.height - 12);  // "About", the last item
  Geometry about;
  ASSERT_TRUE(FindWindow("", kAt.aboutWidth, 20000, about)) << "the about box opens";
  SettledWindow(about, {});
  Shot(about, "about");
  Click(about, about.width - 24, 12);
  EXPECT_TRUE(RunUntil([&] { return !FindWindow("", kAt.aboutWidth, 0, about); }, 10000)) << "the about box closes";

  // German from the flag button's language menu, confirmed: the program stores the language and starts itself
  // again. The new process is the test's to end once the first is gone.
  ASSERT_TRUE(AdoptOrphans());
  Click(window, kAt.flag.x, kAt.flag.y);
  Geometry languages;
  ASSERT_TRUE(FindMenu(10000, languages)) << "the language menu shows";
  SettledWindow(Around(window, languages), {});
  Shot(Around(window, languages), "language_menu");
  const int row = (languages.height - 6) / kLanguageCount;  // its rows are of one height
  Click(languages, languages.width / 2, 3 + row * kGerman + row / 2);
  Geometry ask;
  ASSERT_TRUE(RunUntil([&] { return FindMessage(window, ask); }, 20000)) << "the program asks before it restarts";
  SettledWindow(ask, {});
  Shot(ask, "language_question");
  Click(ask, ask.width / 4, ask.height - 18);  // Yes
  EXPECT_EQ(program.Wait(20000), 0) << "the first process ends for its relaunch";
  // Both the user's and the machine's choice (the program's 32-bit view of the machine's keys).
  const std::pair<const char*, const char*> languageKeys[] = {
      {"user.reg", "[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0\\\\LANG]"},
      {"system.reg", "[Software\\\\Wow6432Node\\\\Tarvolen\\\\Mendrix\\\\Version 1.0\\\\LANG]"}};
  for (const auto& [hive, key] : languageKeys)
    EXPECT_EQ(Sections(prefix / hive)[key], "\"LangCode\"=\"de\"\n\"LangID\"=dword:00000005\n\n") << hive;
  Geometry german;
  ASSERT_TRUE(FindWindow(kMainTitle, 770, 30000, german)) << "the relaunched program shows its window";
  Program relaunched(WindowPid(german.id));
  ASSERT_TRUE(relaunched.Running()) << "the window's process";
  const std::vector<unsigned> homeInGerman = SettledPage(german, {});
  Shot(german, "home_german");
  EXPECT_GT(Difference(homeInGerman, home), 0.01) << "the home screen's texts are German";
  Click(german, kAt.close.x, kAt.close.y);
  EXPECT_EQ(relaunched.Wait(20000), 0) << "the close button ends the relaunched program";
}


}  // namespace
