#include "platform/taskschd/HostScheduler.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/system/Module.h"
#include "platform/system/Time.h"
#include "platform/taskschd/TaskStore.h"
#include "support/FakeHost.h"
#include "support/TestPrefix.h"

namespace {

namespace fs = std::filesystem;
using mxtest::FakeHost;

SYSTEMTIME At(WORD y, WORD m, WORD d, WORD h, WORD mi) {
  SYSTEMTIME t{};
  t.wYear = y, t.wMonth = m, t.wDay = d, t.wHour = h, t.wMinute = mi;
  return t;
}

// Our scan every second week on Wednesdays at 09:30, from Tuesday 1 December 2026.
mx::StoredTask OwnWeeklyTask(const std::wstring& name = L"Scan") {
  mx::StoredTask task;
  task.name = name;
  task.command = mx::ProgramWinPath();
  task.arguments = L"scan";
  mx::StoredTrigger t;
  t.kind = mx::TriggerKind::Weekly;
  t.start = At(2026, 12, 1, 9, 30);
  t.interval = 2;
  t.weekdays = 0x8;
  task.triggers.push_back(t);
  return task;
}

// The crontab lines of the task, as cron would hand them to the shell (fields cut off, \% unescaped).
std::vector<std::string> CronCommands(const std::string& tab) {
  std::vector<std::string> out;
  std::istringstream in(tab);
  for (std::string line; std::getline(in, line);) {
    if (line.find("mendrix-") == std::string::npos) continue;
    size_t at = 0;
    for (int field = 0; field < 5; ++field) at = line.find(' ', at) + 1;
    std::string command;
    for (size_t i = at; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '%') continue;
      command += line[i];
    }
    out.push_back(command);
  }
  return out;
}

TEST(HostScheduler, CronGetsOneLinePerTriggerAndLosesThemOnDelete) {
  mxtest::TestPrefix prefix;
  FakeHost host(FakeHost::Kind::Cron);
  ASSERT_EQ(mx::DetectHostScheduler(), mx::HostSchedulerKind::Crontab);
  {
    std::ofstream foreign(host.home() / "tab");
    foreign << "0 1 * * * backup.sh\n";
  }
  ASSERT_EQ(std::system(("crontab " + (host.home() / "tab").string()).c_str()), 0);

  ASSERT_EQ(mx::SaveTask(OwnWeeklyTask()), ERROR_SUCCESS);
  ASSERT_EQ(mx::SaveTask(OwnWeeklyTask()), ERROR_SUCCESS);  // replaced, not doubled
  const std::string tab = host.crontab();
  EXPECT_EQ(tab.rfind("0 1 * * * backup.sh\n", 0), 0u) << tab;
  const auto commands = CronCommands(tab);
  ASSERT_EQ(commands.size(), 1u) << tab;
  EXPECT_NE(tab.find("30 9 * * 3 "), std::string::npos) << tab;
  EXPECT_NE(commands[0].find("WINEPREFIX='" + prefix.root().string() + "' exec '" + mx::HostProgram().string() +
                             "' 'scan'"),
            std::string::npos)
      << commands[0];

  ASSERT_EQ(mx::DeleteTask(L"scan"), ERROR_SUCCESS);
  EXPECT_EQ(host.crontab(), "0 1 * * * backup.sh\n");
}

TEST(HostScheduler, TheDueTestRunsTheCommandOnlyOnDueDays) {
  mxtest::TestPrefix prefix;
  FakeHost host(FakeHost::Kind::Cron);
  const fs::path ran = host.home() / "ran.txt";
  {
    std::ofstream(host.bin() / "fake-program") << "#!/bin/sh\necho \"$WINEPREFIX $*\" >> '" << ran.string() << "'\n";
    std::ofstream(host.bin() / "date") << "#!/bin/sh\necho \"$FAKE_NOW\"\n";
    fs::permissions(host.bin() / "fake-program", fs::perms::owner_all);
    fs::permissions(host.bin() / "date", fs::perms::owner_all);
  }
  mx::SetHostProgram(host.bin() / "fake-program");
  ASSERT_EQ(mx::SaveTask(OwnWeeklyTask()), ERROR_SUCCESS);
  mx::SetHostProgram({});
  const auto commands = CronCommands(host.crontab());
  ASSERT_EQ(commands.size(), 1u);

  struct Case {
    WORD day;
    WORD minute;
    bool runs;
  } cases[] = {{2, 30, true}, {9, 30, false}, {16, 30, true}, {16, 31, true}, {23, 30, false}, {30, 30, true}};
  for (const auto& c : cases) {
    std::tm tm{};
    tm.tm_year = 126, tm.tm_mon = 11, tm.tm_mday = c.day, tm.tm_hour = 9, tm.tm_min = c.minute, tm.tm_isdst = -1;
    ::setenv("FAKE_NOW", std::to_string(mx::UnixFromLocalTime(tm)).c_str(), 1);
    fs::remove(ran);
    std::system(("/bin/sh -c \"$(cat <<'EOF'\n" + commands[0] + "\nEOF\n)\"").c_str());
    EXPECT_EQ(fs::exists(ran), c.runs) << "December " << c.day;
    if (c.runs) {
      EXPECT_EQ(FakeHost::Read(ran), prefix.root().string() + " scan\n");
    }
  }
  ::unsetenv("FAKE_NOW");
}

TEST(HostScheduler, SystemdUserTimerForTimesAndAutostartForLogon) {
  mxtest::TestPrefix prefix;
  FakeHost host(FakeHost::Kind::Systemd);
  ASSERT_EQ(mx::DetectHostScheduler(), mx::HostSchedulerKind::SystemdUser);
  mx::StoredTask task = OwnWeeklyTask(L"Both kinds");
  task.arguments = L"-rem";
  mx::StoredTrigger logon;
  logon.kind = mx::TriggerKind::Logon;
  logon.delay = L"PT5S";
  task.triggers.push_back(logon);
  ASSERT_EQ(mx::SaveTask(task), ERROR_SUCCESS);

  const std::string unit = mx::MirrorUnitName(task.name);
  const std::string timer = FakeHost::Read(mx::SystemdUserUnitFolder() / (unit + ".timer"));
  const std::string service = FakeHost::Read(mx::SystemdUserUnitFolder() / (unit + ".service"));
  EXPECT_NE(timer.find("OnCalendar=Wed *-*-* 09:30:00\n"), std::string::npos) << timer;
  EXPECT_NE(service.find("Environment=\"WINEPREFIX=" + prefix.root().string() + "\"\n"), std::string::npos) << service;
  EXPECT_NE(service.find("ExecStart=\"" + mx::HostProgram().string() + "\" \"-rem\"\n"), std::string::npos) << service;
  EXPECT_NE(service.find("ExecCondition=/bin/sh -c \"d=$$(( ($$(date +%%s)"), std::string::npos) << service;
  EXPECT_NE(host.systemctlLog().find("--user enable --now " + unit + ".timer"), std::string::npos);
  const std::string desktop = FakeHost::Read(mx::AutostartFolder() / (unit + ".desktop"));
  EXPECT_NE(desktop.find("Exec=env \"WINEPREFIX=" + prefix.root().string() + "\" \"" + mx::HostProgram().string() +
                         "\" \"-rem\"\n"),
            std::string::npos)
      << desktop;
  EXPECT_NE(desktop.find("X-GNOME-Autostart-Delay=5\n"), std::string::npos);

  ASSERT_EQ(mx::DeleteTask(task.name), ERROR_SUCCESS);
  EXPECT_FALSE(fs::exists(mx::SystemdUserUnitFolder() / (unit + ".timer")));
  EXPECT_FALSE(fs::exists(mx::SystemdUserUnitFolder() / (unit + ".service")));
  EXPECT_FALSE(fs::exists(mx::AutostartFolder() / (unit + ".desktop")));
  EXPECT_NE(host.systemctlLog().find("--user disable --now " + unit + ".timer"), std::string::npos);
}

TEST(HostScheduler, OtherProgramsAndHostsWithoutSchedulerGetNoMirror) {
  mxtest::TestPrefix prefix;
  {
    FakeHost host(FakeHost::Kind::Cron);
    mx::StoredTask foreign = OwnWeeklyTask(L"Foreign");
    foreign.command = L"C:\\windows\\notepad.exe";
    ASSERT_EQ(mx::SaveTask(foreign), ERROR_SUCCESS);
    EXPECT_TRUE(CronCommands(host.crontab()).empty());
  }
  FakeHost none(FakeHost::Kind::None);
  EXPECT_EQ(mx::DetectHostScheduler(), mx::HostSchedulerKind::None);
  ASSERT_EQ(mx::SaveTask(OwnWeeklyTask()), ERROR_SUCCESS);  // stored all the same
  EXPECT_TRUE(mx::TaskExists(L"Scan"));
  EXPECT_FALSE(fs::exists(mx::SystemdUserUnitFolder()));
  // Two prefixes never share a mirror.
  const std::string here = mx::MirrorUnitName(L"Scan");
  mxtest::TestPrefix other;
  EXPECT_NE(mx::MirrorUnitName(L"Scan"), here);
  EXPECT_EQ(mx::MirrorUnitName(L"SCAN"), mx::MirrorUnitName(L"scan"));
}

}  // namespace
