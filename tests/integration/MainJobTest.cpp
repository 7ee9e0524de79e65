// The program's main job as its users start it: "mendrix scan" on a prefix, and the choice of the prefix
// when none is given.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/SamplePrefix.h"
#include "app/ScheduledTaskWriter.h"
#include "integration/WholeScan.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "scan/ResultsFile.h"
#include "platform/system/Time.h"
#include "platform/taskschd/TaskStore.h"
#include "platform/win/MessageBox.h"
#include "support/DamagedRegistryFiles.h"
#include "support/FakeHost.h"
#include "support/FakeHostEnvironment.h"
#include "support/TestPaths.h"
#include "support/TestPrefix.h"

namespace {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;
  std::string output;
};

// Runs the program with a runtime folder of its own: instances of one user find each other there, and a
// program started by another test at the same time must not be taken for the first instance. Its start-up
// waits are left out; their lengths are checked on the fake clock.
RunResult RunMendrix(const fs::path& runtime, const std::string& environment, const std::string& arguments) {
  // The terminal runs: a display would add the pop-up and its stay to every scan.
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY MX_NO_START_WAIT=1 MX_RUNTIME_DIR='" +
                              runtime.string() + "' " + environment + " '" + MX_BINARY_DIR + "/bin/mendrix' " +
                              arguments + " 2>&1";
  RunResult out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) out.output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  out.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::string ReadText(const fs::path& path) {
  std::string bytes;
  mx::ReadWholeFile(path, bytes);
  return bytes;
}

TEST(MainJob, ScanSavesResultsLogsEveryProblemRecordsTheScanAndEnds) {
  mxtest::TempDir dir;
  const fs::path prefix = dir.path() / "prefix";
  mxtest::MakeFixturePrefix(prefix);
  wholescan::RemoveHostDrive(mx::Utf8ToWide(prefix.string()));  // the host's fonts play no part

  const RunResult run = RunMendrix(dir.path() / "run", "WINEPREFIX='" + prefix.string() + "' timeout 120", "scan");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  EXPECT_NE(run.output.find("Wine prefix " + prefix.string()), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("scan completed: 4 problems found"), std::string::npos) << run.output;

  const fs::path data = prefix / "drive_c/users/root/AppData/Roaming/Tarvolen/Mendrix/Version 1.0";
  EXPECT_NE(run.output.find((data / "results.kvt").string()), std::string::npos) << run.output;
  StoredResults stored;
  ASSERT_TRUE(DecodeResults(ReadText(data / "results.kvt"), stored));
  EXPECT_EQ(stored.total, 4);
  EXPECT_EQ(stored.blocks[CategoryIndexOfFlag(CATEGORY_FONTS)].size(), 4u);

  // The day's log holds every problem; it is UTF-16LE.
  std::string log;
  for (const auto& entry : fs::directory_iterator(data))
    if (entry.path().filename().string().rfind("log_", 0) == 0) log += ReadText(entry.path());
  const std::string logText = mx::WideToUtf8(mx::Utf16LeToWide(log));
  size_t found = 0;
  for (size_t at = logText.find("Invalid Entry Found"); at != std::string::npos;
       at = logText.find("Invalid Entry Found", at + 1))
    ++found;
  EXPECT_EQ(found, 4u) << logText;

  // The scan's time and counts are the user's settings now.
  const std::string user = ReadText(prefix / "user.reg");
  EXPECT_NE(user.find("\"CurrentScanTime\"=hex:"), std::string::npos);
  EXPECT_NE(user.find("\"StrLastScanResults\"=\"4\""), std::string::npos);
  EXPECT_NE(user.find("\"RegErrFoundTillDate\"=dword:00000004"), std::string::npos);
  const size_t lastScan = user.find("\"StrLastScan\"=\"");
  ASSERT_NE(lastScan, std::string::npos);
  EXPECT_NE(user[lastScan + 15], '"') << "the last-scan text is set";
}

// The categories ticked in the settings are the ones scanned; with none ticked nothing is scanned.
TEST(MainJob, ScanTakesTheSelectedCategoriesFromTheSettings) {
  struct Case {
    const char* selected;
    int exitCode;
    const char* output;
  };
  for (const Case& c : {Case{"00000001", 0, "scan completed: 0 problems found"},
                        Case{"00000000", 1, "the scan did not complete"}}) {
    mxtest::TempDir dir;
    const fs::path prefix = dir.path() / "prefix";
    mxtest::MakeFixturePrefix(prefix);
    std::ofstream(prefix / "user.reg", std::ios::app)
        << "\n[Software\\\\Tarvolen\\\\Mendrix\\\\Version 1.0\\\\Settings] 1796903971\n#time=1dd889dea935fcc\n"
        << "\"SelectedCategories\"=dword:" << c.selected << "\n";
    const RunResult run = RunMendrix(dir.path() / "run", "WINEPREFIX='" + prefix.string() + "' timeout 120", "scan");
    EXPECT_EQ(run.exitCode, c.exitCode) << c.selected << "\n" << run.output;
    EXPECT_NE(run.output.find(c.output), std::string::npos) << c.selected << "\n" << run.output;
  }
}

// A scan never reports on a registry it could not read: it names the file and why, and fails.
TEST(MainJob, ARegistryFileThatDoesNotLoadEndsTheProgramWithItsReason) {
  mxtest::TempDir dir;
  const fs::path prefix = dir.path() / "prefix";
  fs::create_directories(prefix);
  for (const char* file : {"system.reg", "userdef.reg"}) fs::copy_file(mxtest::FixtureDir() / file, prefix / file);
  for (const auto& damaged : mxtest::DamagedRegistryFiles()) {
    mx::WriteFileAtomic(prefix / "user.reg", damaged.bytes);
    const RunResult run = RunMendrix(dir.path() / "run", "WINEPREFIX='" + prefix.string() + "' timeout 120", "scan");
    EXPECT_EQ(run.exitCode, 1) << damaged.why << "\n" << run.output;
    EXPECT_NE(run.output.find((prefix / "user.reg").string()), std::string::npos) << run.output;
    EXPECT_NE(run.output.find(damaged.why), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("problems found"), std::string::npos) << run.output;
    EXPECT_EQ(ReadText(prefix / "user.reg"), damaged.bytes);
  }
}

// The scan saves its settings into user.reg: lines of the files it could not read are written back as they were.
TEST(MainJob, DamagedLinesOfTheRegistryFilesSurviveAScan) {
  mxtest::TempDir dir;
  const fs::path prefix = dir.path() / "prefix";
  fs::create_directories(prefix);
  const char* files[3] = {"system.reg", "user.reg", "userdef.reg"};
  for (const char* file : files) fs::copy_file(mxtest::FixtureDir() / file, prefix / file);
  const std::string damaged[3] = {"\"Broken\"=dword:xyz\n", "\"Torn\"=hex:0,\n",
                                  "\n[Software\\\\Bad\\\\\\\\Key] 1\n\"a\"=\"1\"\n"};
  for (int i = 0; i < 3; ++i) std::ofstream(prefix / files[i], std::ios::app) << damaged[i];
  const RunResult run = RunMendrix(dir.path() / "run", "WINEPREFIX='" + prefix.string() + "' timeout 120", "scan");
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::string user = ReadText(prefix / "user.reg");
  EXPECT_NE(user.find("\"StrLastScanResults\"="), std::string::npos) << "the scan saved its settings";
  for (int i = 0; i < 3; ++i) EXPECT_NE(ReadText(prefix / files[i]).find(damaged[i]), std::string::npos) << files[i];
}

TEST(MainJob, PrefixComesFromTheEnvironmentThenHomeThenTheSampleRebuiltOnce) {
  mxtest::TempDir dir;
  const fs::path home = dir.path() / "home";
  fs::create_directories(home);
  const std::string homeText = home.string();
  const fs::path sample = mxtest::FixtureDir();

  MachinePrefix chosen = ChooseMachinePrefix("/srv/somewhere", homeText.c_str(), nullptr, sample);
  EXPECT_EQ(chosen.dir, "/srv/somewhere");
  EXPECT_EQ(chosen.source, MachinePrefix::Source::Environment);

  // No ~/.wine: the sample, under the data folder the environment names, else ~/.local/share.
  EXPECT_EQ(SamplePrefixHome("/home/q", "/data/q"), "/data/q/mendrix/sample-prefix");
  EXPECT_EQ(SamplePrefixHome("/home/q", ""), "/home/q/.local/share/mendrix/sample-prefix");
  chosen = ChooseMachinePrefix(nullptr, homeText.c_str(), nullptr, sample);
  ASSERT_EQ(chosen.dir, home / ".local/share/mendrix/sample-prefix") << chosen.error;
  EXPECT_EQ(chosen.source, MachinePrefix::Source::Sample);
  EXPECT_TRUE(fs::is_directory(chosen.dir / "drive_c/windows/system32"));
  // Used from then on: what the program changed there stays.
  std::ofstream(chosen.dir / "system.reg", std::ios::app) << "\n";
  const auto size = fs::file_size(chosen.dir / "system.reg");
  EXPECT_EQ(ChooseMachinePrefix(nullptr, homeText.c_str(), nullptr, sample).dir, chosen.dir);
  EXPECT_EQ(fs::file_size(chosen.dir / "system.reg"), size);

  // A rebuild that stopped half-way (no registry yet) is made again.
  fs::remove(chosen.dir / "system.reg");
  EXPECT_EQ(ChooseMachinePrefix(nullptr, homeText.c_str(), nullptr, sample).dir, chosen.dir);
  EXPECT_TRUE(fs::exists(chosen.dir / "system.reg"));

  // A ~/.wine with a registry wins over the sample.
  fs::create_directories(home / ".wine");
  std::ofstream(home / ".wine/system.reg") << "WINE REGISTRY Version 2\n";
  chosen = ChooseMachinePrefix(nullptr, homeText.c_str(), nullptr, sample);
  EXPECT_EQ(chosen.dir, home / ".wine");
  EXPECT_EQ(chosen.source, MachinePrefix::Source::Home);

  // Without a sample to rebuild from, a clear error and no prefix.
  chosen = ChooseMachinePrefix(nullptr, (dir.path() / "nobody").string().c_str(), nullptr, dir.path() / "none");
  EXPECT_TRUE(chosen.dir.empty());
  EXPECT_NE(chosen.error.find("no sample prefix"), std::string::npos) << chosen.error;
}

// The scheduled scan really runs: the default scan task's host line, fired as cron fires it on its day, scans
// the prefix and leaves the results and the log.
TEST(MainJob, HostTimerOfTheDefaultScanTaskRunsTheScan) {
  mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
  wholescan::RemoveHostDrive(mx::Utf8ToWide(prefix.root().string()));
  mxtest::FakeHost host(mxtest::FakeHost::Kind::Cron);
  win::ScopedAnswers answers;
  ASSERT_EQ(CreateMonthlyScanTask(), 1);
  mx::StoredTask task;
  ASSERT_EQ(mx::LoadTask(kMonthlyScanTaskName, task), ERROR_SUCCESS);
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  const auto due = mx::NextRunTime(task, now);
  ASSERT_TRUE(due);

  // The line as cron hands it to the shell, at the task's next due minute.
  std::string line = host.crontab();
  ASSERT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
  line.pop_back();
  size_t at = 0;
  for (int field = 0; field < 5; ++field) at = line.find(' ', at) + 1;
  std::string command;
  for (size_t i = at; i < line.size(); ++i)
    if (!(line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '%')) command += line[i];
  std::tm dueTm{};
  dueTm.tm_year = due->wYear - 1900, dueTm.tm_mon = due->wMonth - 1, dueTm.tm_mday = due->wDay;
  dueTm.tm_hour = due->wHour, dueTm.tm_min = due->wMinute, dueTm.tm_isdst = -1;
  {
    std::ofstream(host.bin() / "date") << "#!/bin/sh\necho " << mx::UnixFromLocalTime(dueTm) << "\n";
    fs::permissions(host.bin() / "date", fs::perms::owner_all);
  }
  const fs::path script = host.home() / "fired.sh";
  std::ofstream(script) << command << "\n";
  const std::string fire = "MX_NO_START_WAIT=1 MX_RUNTIME_DIR='" + (host.home() / "run").string() + "' /bin/sh '" +
                           script.string() + "' 2>&1";
  FILE* pipe = ::popen(fire.c_str(), "r");
  ASSERT_TRUE(pipe);
  std::string output;
  std::array<char, 4096> buffer{};
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) output.append(buffer.data(), n);
  ASSERT_EQ(::pclose(pipe), 0) << output;
  EXPECT_NE(output.find("scan completed: 4 problems found"), std::string::npos) << command << "\n" << output;
  const fs::path data = prefix.root() / "drive_c/users/root/AppData/Roaming/Tarvolen/Mendrix/Version 1.0";
  EXPECT_TRUE(fs::is_regular_file(data / "results.kvt"));
  bool logged = false;
  for (const auto& entry : fs::directory_iterator(data))
    logged = logged || entry.path().filename().string().rfind("log_", 0) == 0;
  EXPECT_TRUE(logged);
}

}  // namespace
