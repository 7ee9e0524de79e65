#include "platform/taskschd/TaskService.h"

#include <gtest/gtest.h>

#include "platform/taskschd/TaskStore.h"
#include "support/TestPrefix.h"

namespace {

std::unique_ptr<win::ITaskDefinition> LogonDefinition(win::ITaskService& service, const wchar_t* args) {
  std::unique_ptr<win::ITaskDefinition> def;
  EXPECT_EQ(service.NewTask(0, &def), S_OK);
  win::ITriggerCollection* triggers = nullptr;
  win::ITrigger* trigger = nullptr;
  def->get_Triggers(&triggers);
  EXPECT_EQ(triggers->Create(TASK_TRIGGER_LOGON, &trigger), S_OK);
  dynamic_cast<win::ILogonTrigger*>(trigger)->put_Delay(L"PT5S");
  win::IActionCollection* actions = nullptr;
  win::IAction* action = nullptr;
  def->get_Actions(&actions);
  EXPECT_EQ(actions->Create(TASK_ACTION_EXEC, &action), S_OK);
  auto* exec = dynamic_cast<win::IExecAction*>(action);
  exec->put_Path(L"C:\\x\\prog.exe");
  exec->put_Arguments(args);
  return def;
}

TEST(TaskService, RegistersGroupLogonTasksAndUpdatesThemInPlace) {
  mxtest::TestPrefix prefix;
  std::unique_ptr<win::ITaskService> service;
  win::CoCreateTaskService(&service);
  std::unique_ptr<win::ITaskFolder> folder;
  EXPECT_EQ(service->GetFolder(L"\\", &folder), SCHED_E_SERVICE_NOT_CONNECTED);
  ASSERT_EQ(service->Connect(), S_OK);
  EXPECT_EQ(service->GetFolder(L"\\Other", &folder), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(service->GetFolder(L"\\", &folder), S_OK);

  for (const wchar_t* args : {L"-rem", L"-rem again"}) {
    auto def = LogonDefinition(*service, args);
    EXPECT_EQ(folder->RegisterTaskDefinition(L"Reminder", def.get(), TASK_CREATE_OR_UPDATE, L"S-1-5-32-545", nullptr,
                                             TASK_LOGON_GROUP, L"", nullptr),
              S_OK);
  }
  EXPECT_EQ(mx::TaskNames(), std::vector<std::wstring>{L"Reminder"});
  mx::StoredTask stored;
  ASSERT_EQ(mx::LoadTask(L"Reminder", stored), ERROR_SUCCESS);
  EXPECT_EQ(stored.arguments, L"-rem again");
  EXPECT_EQ(stored.groupId, L"S-1-5-32-545");
  ASSERT_EQ(stored.triggers.size(), 1u);
  EXPECT_EQ(stored.triggers[0].kind, mx::TriggerKind::Logon);
  EXPECT_EQ(stored.triggers[0].delay, L"PT5S");

  auto def = LogonDefinition(*service, L"x");
  EXPECT_EQ(folder->RegisterTaskDefinition(L"Reminder", def.get(), TASK_CREATE, L"", nullptr, TASK_LOGON_GROUP, L"",
                                           nullptr),
            HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS));
  std::wstring generated;
  EXPECT_EQ(folder->RegisterTaskDefinition(L"", def.get(), TASK_CREATE_OR_UPDATE, L"", nullptr, TASK_LOGON_GROUP, L"",
                                           &generated),
            S_OK);
  EXPECT_EQ(generated.front(), L'{');
  EXPECT_TRUE(mx::TaskExists(generated));
  EXPECT_EQ(folder->DeleteTask(L"Reminder", 0), S_OK);
  EXPECT_EQ(folder->DeleteTask(L"Reminder", 0), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
}

}  // namespace
