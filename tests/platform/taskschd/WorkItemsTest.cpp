#include "platform/taskschd/WorkItems.h"

#include <gtest/gtest.h>

#include "platform/taskschd/TaskStore.h"
#include "support/TestPrefix.h"

namespace {

TASK_TRIGGER Weekly(WORD days) {
  TASK_TRIGGER t{};
  t.cbTriggerSize = sizeof t;
  t.wBeginYear = 2026, t.wBeginMonth = 12, t.wBeginDay = 9, t.wStartHour = 10, t.wStartMinute = 15;
  t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
  t.Type.Weekly.WeeksInterval = 2;
  t.Type.Weekly.rgfDaysOfTheWeek = days;
  return t;
}

HRESULT MakeTask(win::ITaskScheduler& s, const wchar_t* name, const TASK_TRIGGER& t) {
  std::unique_ptr<win::ITask> task;
  HRESULT hr = s.NewWorkItem(name, &task);
  if (FAILED(hr)) return hr;
  task->SetApplicationName(L"C:\\x\\prog.exe");
  task->SetParameters(L"scan");
  WORD index = 0;
  std::unique_ptr<win::ITaskTrigger> trigger;
  if (FAILED(hr = task->CreateTrigger(&index, &trigger)) || FAILED(hr = trigger->SetTrigger(&t))) return hr;
  return task->Save(nullptr, FALSE);
}

TEST(WorkItems, SavedTaskIsAFileInThePrefixAndReadsBack) {
  mxtest::TestPrefix prefix;
  std::unique_ptr<win::ITaskScheduler> s;
  ASSERT_EQ(win::CoCreateTaskScheduler(&s), S_OK);
  EXPECT_TRUE(SUCCEEDED(MakeTask(*s, L"Nightly", Weekly(TASK_WEDNESDAY))));
  EXPECT_TRUE(std::filesystem::is_regular_file(prefix.driveC() / "windows/system32/Tasks/Nightly"));

  std::unique_ptr<win::ITask> loaded;
  ASSERT_EQ(s->Activate(L"NIGHTLY", &loaded), S_OK);
  ASSERT_EQ(loaded->GetTriggerCount(), 1);
  std::unique_ptr<win::ITaskTrigger> trigger;
  ASSERT_EQ(loaded->GetTrigger(0, &trigger), S_OK);
  TASK_TRIGGER t{};
  trigger->GetTrigger(&t);
  EXPECT_EQ(t.TriggerType, TASK_TIME_TRIGGER_WEEKLY);
  EXPECT_EQ(t.Type.Weekly.WeeksInterval, 2);
  EXPECT_EQ(t.Type.Weekly.rgfDaysOfTheWeek, TASK_WEDNESDAY);
  EXPECT_EQ(t.wStartMinute, 15);
}

TEST(WorkItems, ErrorsOfNamesSavesAndDeletes) {
  mxtest::TestPrefix prefix;
  win::ITaskScheduler s;
  std::unique_ptr<win::ITask> task;
  ASSERT_TRUE(SUCCEEDED(MakeTask(s, L"Taken", Weekly(TASK_MONDAY))));
  EXPECT_EQ(s.NewWorkItem(L"taken", &task), HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
  for (const wchar_t* bad : {L"", L"a\\b", L"a/b", L"what?", L"trailing.", L"..", L"c:x"})
    EXPECT_EQ(s.NewWorkItem(bad, &task), HRESULT_FROM_WIN32(ERROR_INVALID_NAME)) << bad;
  EXPECT_EQ(s.Delete(L"Never made"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

  mx::SetTaskStoreFault(ERROR_ACCESS_DENIED);
  EXPECT_EQ(MakeTask(s, L"Refused", Weekly(TASK_MONDAY)), E_ACCESSDENIED);
  EXPECT_EQ(s.Delete(L"Taken"), E_ACCESSDENIED);
  mx::SetTaskStoreFault(0);
  EXPECT_FALSE(mx::TaskExists(L"Refused"));
  EXPECT_EQ(s.Delete(L"Taken"), S_OK);
  EXPECT_FALSE(mx::TaskExists(L"Taken"));

  // A trigger the machine cannot keep is refused before anything is stored.
  TASK_TRIGGER noDays = Weekly(0);
  EXPECT_EQ(MakeTask(s, L"No days", noDays), E_INVALIDARG);
  TASK_TRIGGER badDate = Weekly(TASK_MONDAY);
  badDate.wBeginMonth = 2, badDate.wBeginDay = 30;
  EXPECT_EQ(MakeTask(s, L"Bad date", badDate), E_INVALIDARG);
  EXPECT_TRUE(mx::TaskNames().empty());
}

TEST(WorkItems, NextRunTimeSaysWhenNothingWillRun) {
  mxtest::TestPrefix prefix;
  win::ITaskScheduler s;
  std::unique_ptr<win::ITask> task;
  ASSERT_EQ(s.NewWorkItem(L"t", &task), S_OK);
  SYSTEMTIME next{};
  EXPECT_EQ(task->GetNextRunTime(&next), SCHED_S_TASK_NO_VALID_TRIGGERS);
  WORD index = 0;
  std::unique_ptr<win::ITaskTrigger> trigger;
  task->CreateTrigger(&index, &trigger);
  TASK_TRIGGER once = Weekly(TASK_MONDAY);
  once.TriggerType = TASK_TIME_TRIGGER_ONCE;
  once.wBeginYear = 2001;
  ASSERT_EQ(trigger->SetTrigger(&once), S_OK);
  EXPECT_EQ(task->GetNextRunTime(&next), SCHED_S_TASK_NO_MORE_RUNS);
  once.wBeginYear = 2100;
  trigger->SetTrigger(&once);
  EXPECT_EQ(task->GetNextRunTime(&next), S_OK);
  EXPECT_EQ(next.wYear, 2100);
}

}  // namespace
