// The program's scheduled tasks: the schedule text, the task made from a schedule record with its checks and
// messages, and the default tasks of the first run.
#include <gtest/gtest.h>

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/ScheduledTaskWriter.h"
#include "app/ZUNApp.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/LaunchRecord.h"
#include "platform/system/Module.h"
#include "platform/system/ServiceControl.h"
#include "platform/system/SystemInfo.h"
#include "platform/taskschd/TaskStore.h"
#include "platform/taskschd/WorkItems.h"
#include "platform/win/MessageBox.h"
#include "support/FakeHost.h"
#include "support/TestPrefix.h"

namespace {

constexpr const wchar_t* kMachine = LR"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Schedule]
"Start"=dword:00000003
[HKEY_CURRENT_USER\Volatile Environment]
"USERNAME"="qzx"
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\ComputerName\ComputerName]
"ComputerName"="BOX"
)";

class ScheduleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix.import(kMachine);
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::ResetStartedServices();
  }
  void TearDown() override {
    ResetLanguageReader();
    ResetIniCache();
    mx::reg::SetUserIsAdmin(true);
    mx::PinOsVersion(0, 0);
    mx::SetTaskStoreFault(0);
  }
  static ScheduledTaskWriter Weekly(std::initializer_list<int> mondayBased, const wchar_t* name = L"Weekly") {
    ScheduledTaskWriter w;
    w.m_strTaskName = name;
    w.m_start = COleDateTime(2026, 12, 10, 21, 5, 33);
    w.m_nFrequency = 2;
    w.m_wInterval = 1;
    for (int d : mondayBased) w.m_days[static_cast<size_t>(d)] = 1;
    return w;
  }
  static mx::StoredTask Stored(const wchar_t* name) {
    mx::StoredTask task;
    EXPECT_EQ(mx::LoadTask(name, task), ERROR_SUCCESS) << name;
    return task;
  }
  mxtest::TestPrefix prefix;
  win::ScopedAnswers answers;
};

TEST_F(ScheduleTest, DescribeScheduleForEachFrequency) {
  ScheduledTaskWriter w;
  w.m_start = COleDateTime(2026, 12, 10, 9, 5, 0);
  struct Case {
    int frequency;
    std::vector<int> days;  // indexes into the day flags
    const wchar_t* text;
  } cases[] = {
      {0, {}, L"Once; Thu. December 10, 2026. 09:05 AM"},
      {1, {}, L"Every day; 09:05 AM"},
      {2, {0, 2, 6}, L"Every week; 09:05 AM; Monday, Wednesday, Sunday"},
      {2, {}, L""},
      {3, {0, 14}, L"Every month; Thu. December 10, 2026. 09:05 AM; Days:1, 15"},
      {3, {14}, L"Every month; Thu. December 10, 2026. 09:05 AM; 15"},
      {3, {}, L""},
  };
  for (const auto& c : cases) {
    w.m_nFrequency = c.frequency;
    w.m_days = {};
    for (int d : c.days) w.m_days[static_cast<size_t>(d)] = 1;
    EXPECT_EQ(ScheduledTaskWriter::DescribeSchedule(w), c.text);
  }
  EXPECT_TRUE(answers.answers.texts().empty());
  w.m_nFrequency = 4;
  EXPECT_EQ(ScheduledTaskWriter::DescribeSchedule(w), L"");
  EXPECT_EQ(answers.answers.texts(), std::vector<std::wstring>{GetLocalizedString(L"IDS_DATAERROR")});
}

TEST_F(ScheduleTest, TaskCarriesTheScheduleTheProgramAndTheAccount) {
  ScheduledTaskWriter w = Weekly({2, 5});
  w.m_wInterval = 0;  // saved as 1
  ASSERT_TRUE(ScheduledTaskWriter::CreateTask(FALSE, w));
  mx::StoredTask task = Stored(L"Weekly");
  EXPECT_EQ(task.command, mx::ProgramWinPath());
  EXPECT_EQ(task.arguments, L"scan");
  EXPECT_EQ(task.userId, L"BOX\\qzx");
  ASSERT_EQ(task.triggers.size(), 1u);
  EXPECT_EQ(task.triggers[0].kind, mx::TriggerKind::Weekly);
  EXPECT_EQ(task.triggers[0].interval, 1);
  EXPECT_EQ(task.triggers[0].weekdays, TASK_WEDNESDAY | TASK_SATURDAY);
  EXPECT_EQ(task.triggers[0].start.wHour, 21);
  EXPECT_EQ(task.triggers[0].start.wSecond, 0);

  // Monthly on the 3rd, 17th and 31st: three triggers in one task.
  ScheduledTaskWriter m;
  m.m_strTaskName = L"Monthly";
  m.m_start = COleDateTime(2026, 12, 10, 8, 0, 0);
  m.m_nFrequency = 3;
  m.m_days[2] = m.m_days[16] = m.m_days[30] = 1;
  ASSERT_TRUE(ScheduledTaskWriter::CreateTask(TRUE, m));
  task = Stored(L"Monthly");
  EXPECT_EQ(task.arguments, L"-updatecheck");
  ASSERT_EQ(task.triggers.size(), 3u);
  const DWORD days[] = {1u << 2, 1u << 16, 1u << 30};
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(task.triggers[i].kind, mx::TriggerKind::MonthlyDate);
    EXPECT_EQ(task.triggers[i].days, days[i]);
    EXPECT_EQ(task.triggers[i].months, TASK_ALL_MONTHS);
  }
  // The Schedule service was started and now starts with the machine.
  EXPECT_TRUE(answers.answers.texts().empty());
}

TEST_F(ScheduleTest, CreateTaskSaysWhyItFailed) {
  auto expectOnly = [&](const wchar_t* key, UINT type) {
    const auto records = answers.answers.records();
    ASSERT_EQ(records.size(), 1u) << key;
    EXPECT_EQ(records[0].prompt.text, GetLocalizedString(key));
    EXPECT_EQ(records[0].prompt.type, type) << key;
    answers.answers.clear();
  };
  ScheduledTaskWriter w = Weekly({0});
  w.m_nFrequency = 7;
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  expectOnly(L"IDS_NEWTASKERROR", MB_ICONERROR);

  w = Weekly({0}, L"a/b");
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  expectOnly(L"IDS_VALIDFILE", MB_ICONINFORMATION);

  mx::SetTaskStoreFault(ERROR_ACCESS_DENIED);
  w = Weekly({0});
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  expectOnly(L"IDS_NORIGHTS", MB_ICONINFORMATION);
  mx::SetTaskStoreFault(0);

  w.m_strTaskName.clear();  // E_FAIL from the work item
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  expectOnly(L"IDS_NEWTASKERROR", MB_ICONERROR);

  // Without administrator rights: before Vista a message; from Vista the elevated start cannot run here.
  mx::reg::SetUserIsAdmin(false);
  mx::PinOsVersion(5, 1);
  w = Weekly({0});
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  expectOnly(L"IDS_NORIGHTS", MB_ICONERROR);
  mx::PinOsVersion(6, 1);
  mx::ClearRecordedLaunches();
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  expectOnly(L"IDS_NORIGHTS", MB_ICONERROR);
  ASSERT_EQ(mx::RecordedLaunches().size(), 1u);
  EXPECT_EQ(mx::RecordedLaunches()[0].verb, L"runas");
  EXPECT_EQ(mx::RecordedLaunches()[0].parameters, L"zunvistaschedule");
  mx::reg::SetUserIsAdmin(true);

  // A disabled Schedule service: the update-check task fails quietly, the scan task says so. (Each failed
  // start sets the service to start automatically, so the service is disabled again in between.)
  for (BOOL updateCheck : {TRUE, FALSE}) {
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Schedule]
"Start"=dword:00000004
)");
    mx::ResetStartedServices();
    EXPECT_FALSE(ScheduledTaskWriter::CreateTask(updateCheck, w));
  }
  expectOnly(L"IDS_SERVICENORUN", MB_ICONINFORMATION);
  EXPECT_TRUE(mx::TaskNames().empty());
}

TEST_F(ScheduleTest, ExistingTaskIsReplacedOnlyWhenTheUserAgrees) {
  ScheduledTaskWriter w = Weekly({0});
  ASSERT_TRUE(ScheduledTaskWriter::CreateTask(FALSE, w));
  w = Weekly({4});
  answers.answers.Expect(L"", IDNO);
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  EXPECT_EQ(Stored(L"Weekly").triggers[0].weekdays, TASK_MONDAY);
  answers.answers.Expect(L"", IDYES);
  EXPECT_TRUE(ScheduledTaskWriter::CreateTask(FALSE, w));
  EXPECT_EQ(Stored(L"Weekly").triggers[0].weekdays, TASK_FRIDAY);
  const auto records = answers.answers.records();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].prompt.text, GetLocalizedString(L"IDS_FILEEXIST"));
  EXPECT_EQ(records[0].prompt.type, MB_YESNO | MB_ICONQUESTION);
  answers.answers.clear();

  // The replacing save fails: the failure is reported, not a success.
  mx::SetTaskStoreFault(ERROR_WRITE_FAULT, true);
  answers.answers.Expect(L"", IDYES);
  EXPECT_FALSE(ScheduledTaskWriter::CreateTask(FALSE, w));
  EXPECT_EQ(answers.answers.texts().back(), GetLocalizedString(L"IDS_NEWTASKERROR"));
}

TEST_F(ScheduleTest, FollowUpTaskReplacesItsOwnTaskSilently) {
  CZUNApp app;
  ScheduledTaskWriter w = Weekly({0}, L"Tarvolen MendrixASKUSER");
  w.m_nFrequency = 1;
  for (int round = 0; round < 2; ++round) {
    app.m_bCreatingAskUserTask = TRUE;
    EXPECT_TRUE(ScheduledTaskWriter::CreateTask(FALSE, w));
    EXPECT_FALSE(app.m_bCreatingAskUserTask);
  }
  EXPECT_TRUE(answers.answers.texts().empty());
  EXPECT_EQ(Stored(L"Tarvolen MendrixASKUSER").arguments, L"-askuser");
  EXPECT_EQ(mx::TaskNames().size(), 1u);
}

TEST_F(ScheduleTest, DeleteScheduledTaskReportsTheSchedulersAnswer) {
  EXPECT_EQ(DeleteScheduledTask(L""), E_FAIL);
  EXPECT_EQ(DeleteScheduledTask(L"None"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  ScheduledTaskWriter w = Weekly({0});
  ASSERT_TRUE(ScheduledTaskWriter::CreateTask(FALSE, w));
  EXPECT_EQ(DeleteScheduledTask(L"Weekly"), S_OK);
  EXPECT_FALSE(mx::TaskExists(L"Weekly"));
}

TEST(DefaultTasks, FirstRunOnTheSamplePrefixMakesBothTasksAndTheirMirrorsOnce) {
  mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
  mxtest::FakeHost host(mxtest::FakeHost::Kind::Cron);
  win::ScopedAnswers answers;
  for (int run = 0; run < 2; ++run) {
    DeleteDefaultTasks();
    EXPECT_EQ(CreateMonthlyScanTask(), 1);
    EXPECT_EQ(CreateUpdateCheckTask(), 1);
  }
  EXPECT_TRUE(answers.answers.texts().empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(prefix.driveC() / "windows/system32/Tasks/Tarvolen Mendrix_MONTHLY"));
  auto names = mx::TaskNames();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{kMonthlyScanTaskName, kUpdateCheckTaskName}));
  struct Expected {
    const wchar_t* name;
    const wchar_t* arguments;
    WORD interval;
    WORD weekdays;
  } expected[] = {{kMonthlyScanTaskName, L"scan", 2, TASK_WEDNESDAY}, {kUpdateCheckTaskName, L"-updatecheck", 1, TASK_SATURDAY}};
  for (const auto& e : expected) {
    mx::StoredTask task;
    ASSERT_EQ(mx::LoadTask(e.name, task), ERROR_SUCCESS);
    EXPECT_EQ(task.arguments, e.arguments);
    ASSERT_EQ(task.triggers.size(), 1u);
    EXPECT_EQ(task.triggers[0].kind, mx::TriggerKind::Weekly);
    EXPECT_EQ(task.triggers[0].interval, e.interval);
    EXPECT_EQ(task.triggers[0].weekdays, e.weekdays);
  }
  // One host line per task: Wednesdays for the scan, Saturdays for the update check.
  std::istringstream tab(host.crontab());
  std::vector<std::string> lines;
  for (std::string line; std::getline(tab, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 2u) << host.crontab();
  std::sort(lines.begin(), lines.end(), [](const std::string& a, const std::string& b) {
    return a.find("'scan'") != std::string::npos && b.find("'scan'") == std::string::npos;
  });
  EXPECT_NE(lines[0].find(" * * 3 "), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find(" * * 6 "), std::string::npos) << lines[1];
  EXPECT_NE(lines[1].find("'-updatecheck'"), std::string::npos) << lines[1];
}

}  // namespace
