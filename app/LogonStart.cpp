#include "app/LogonStart.h"

#include <memory>

#include "app/AppSettings.h"
#include "app/RegistryKey.h"
#include "app/ScheduledTaskWriter.h"
#include "app/SystemUtils.h"
#include "platform/taskschd/TaskService.h"

namespace {

// Every command line quotes the program's path: a path with blanks must never start another program.
std::wstring QuotedProgram() { return L"\"" + ProgramModulePath() + L"\""; }

// The Run key of the user, or nothing when it cannot be opened.
bool OpenRunKey(CRegistryKey& key) { return key.Open(HKEY_CURRENT_USER, TRUE, kRunKey) != FALSE; }

void WriteReminderValue(CRegistryKey& key) { key.WriteString(kReminderEntryName, QuotedProgram() + L" -rem"); }

void DeleteValue(CRegistryKey& key, const std::wstring& name) { win::RegDeleteValue(key.Handle(), name.c_str()); }

bool BeforeVista() { return GetOSMajorVersion() < 6; }

}  // namespace

std::wstring LogonEntryName(BOOL afterOptimization) {
  if (!afterOptimization) return kReminderEntryName;
  const std::wstring name = kAfterOptimizationEntryName;
  return name.empty() ? L"DodozaveRIZIZIZ" : name;
}

int SetStartWithWindows(BOOL on) {
  // The settings page tells the user when this fails, so the result says whether the entry is as asked.
  if (BeforeVista()) {
    CRegistryKey key;
    if (!OpenRunKey(key)) return 0;
    if (on) return key.WriteString(kReminderEntryName, QuotedProgram() + L" -rem") ? 1 : 0;
    const LONG rc = win::RegDeleteValue(key.Handle(), kReminderEntryName);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND ? 1 : 0;
  }
  if (on) return CreateLogonTask(FALSE) ? 1 : 0;
  DeleteLogonTask(FALSE);
  return 1;
}

void SetStartAfterOptimization(BOOL on) {
  const bool reminderWanted = StartWhenWinBoots != 0;
  if (BeforeVista()) {
    CRegistryKey key;
    if (!OpenRunKey(key)) return;
    if (on) {
      key.WriteString(LogonEntryName(TRUE), QuotedProgram() + L" StartedAfterOptimization ");
      DeleteValue(key, kReminderEntryName);
    } else {
      DeleteValue(key, LogonEntryName(TRUE));
      if (reminderWanted) WriteReminderValue(key);
    }
    return;
  }
  if (on) {
    DeleteLogonTask(FALSE);
    CreateLogonTask(TRUE);
  } else {
    DeleteLogonTask(TRUE);
    if (reminderWanted) CreateLogonTask(FALSE);
  }
}

BOOL CreateLogonTask(BOOL afterOptimization) {
  const std::wstring name = LogonEntryName(afterOptimization);
  std::unique_ptr<win::ITaskService> service;
  if (FAILED(win::CoCreateTaskService(&service)) || FAILED(service->Connect())) return FALSE;
  std::unique_ptr<win::ITaskFolder> folder;
  if (FAILED(service->GetFolder(L"\\", &folder))) return FALSE;
  folder->DeleteTask(name.c_str(), 0);
  std::unique_ptr<win::ITaskDefinition> def;
  if (FAILED(service->NewTask(0, &def))) return FALSE;
  win::IPrincipal* principal = nullptr;
  win::IRegistrationInfo* info = nullptr;
  win::ITaskSettings* settings = nullptr;
  win::ITriggerCollection* triggers = nullptr;
  win::IActionCollection* actions = nullptr;
  if (FAILED(def->get_Principal(&principal)) || FAILED(principal->put_RunLevel(TASK_RUNLEVEL_HIGHEST))) return FALSE;
  if (FAILED(def->get_RegistrationInfo(&info)) || FAILED(info->put_Author(L"Tarvolen"))) return FALSE;
  if (FAILED(def->get_Settings(&settings)) || FAILED(settings->put_ExecutionTimeLimit(L"PT0S")) ||
      FAILED(settings->put_AllowDemandStart(true)) || FAILED(settings->put_AllowHardTerminate(true)) ||
      FAILED(settings->put_StartWhenAvailable(true)))
    return FALSE;
  win::ITrigger* trigger = nullptr;
  if (FAILED(def->get_Triggers(&triggers)) || FAILED(triggers->Create(TASK_TRIGGER_LOGON, &trigger))) return FALSE;
  auto* logon = dynamic_cast<win::ILogonTrigger*>(trigger);
  if (!logon || FAILED(logon->put_Id(name.c_str())) || FAILED(logon->put_Delay(L"PT5S"))) return FALSE;
  win::IAction* action = nullptr;
  if (FAILED(def->get_Actions(&actions)) || FAILED(actions->Create(TASK_ACTION_EXEC, &action))) return FALSE;
  auto* exec = dynamic_cast<win::IExecAction*>(action);
  if (!exec || FAILED(exec->put_Path(ProgramModulePath().c_str())) ||
      FAILED(exec->put_Arguments(afterOptimization ? L"StartedAfterOptimization" : L"-rem")))
    return FALSE;
  return SUCCEEDED(folder->RegisterTaskDefinition(name.c_str(), def.get(), TASK_CREATE_OR_UPDATE, L"S-1-5-32-545",
                                                  nullptr, TASK_LOGON_GROUP, L"", nullptr));
}

BOOL DeleteLogonTask(BOOL afterOptimization) {
  const std::wstring name = LogonEntryName(afterOptimization);
  std::unique_ptr<win::ITaskService> service;
  std::unique_ptr<win::ITaskFolder> folder;
  if (SUCCEEDED(win::CoCreateTaskService(&service)) && SUCCEEDED(service->Connect()) &&
      SUCCEEDED(service->GetFolder(L"\\", &folder)))
    folder->DeleteTask(name.c_str(), 0);
  return FALSE;
}
