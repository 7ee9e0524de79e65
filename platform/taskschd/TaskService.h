#pragma once
// The task-service interface of the task scheduler (service, folder, definition and its parts), over the same
// task store as the work items. Only the root folder "\" exists. Objects are owned through unique_ptr; the
// parts of a definition (principal, settings, triggers, actions) belong to it.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/taskschd/StoredTask.h"

enum TASK_RUNLEVEL_TYPE { TASK_RUNLEVEL_LUA = 0, TASK_RUNLEVEL_HIGHEST = 1 };
enum TASK_TRIGGER_TYPE2 {
  TASK_TRIGGER_EVENT = 0,
  TASK_TRIGGER_TIME = 1,
  TASK_TRIGGER_DAILY = 2,
  TASK_TRIGGER_WEEKLY = 3,
  TASK_TRIGGER_MONTHLY = 4,
  TASK_TRIGGER_MONTHLYDOW = 5,
  TASK_TRIGGER_IDLE = 6,
  TASK_TRIGGER_REGISTRATION = 7,
  TASK_TRIGGER_BOOT = 8,
  TASK_TRIGGER_LOGON = 9,
};
enum TASK_ACTION_TYPE { TASK_ACTION_EXEC = 0 };
enum TASK_LOGON_TYPE {
  TASK_LOGON_NONE = 0,
  TASK_LOGON_PASSWORD = 1,
  TASK_LOGON_S4U = 2,
  TASK_LOGON_INTERACTIVE_TOKEN = 3,
  TASK_LOGON_GROUP = 4,
};
inline constexpr LONG TASK_VALIDATE_ONLY = 0x1;
inline constexpr LONG TASK_CREATE = 0x2;
inline constexpr LONG TASK_UPDATE = 0x4;
inline constexpr LONG TASK_CREATE_OR_UPDATE = 0x6;
// The service was used before Connect.
inline constexpr HRESULT SCHED_E_SERVICE_NOT_CONNECTED = static_cast<HRESULT>(0x80070000u | 1244u);

namespace win {

class IPrincipal {
 public:
  HRESULT put_RunLevel(TASK_RUNLEVEL_TYPE level);
  TASK_RUNLEVEL_TYPE runLevel = TASK_RUNLEVEL_LUA;
};

class IRegistrationInfo {
 public:
  HRESULT put_Author(LPCWSTR author);
  std::wstring author;
};

class ITaskSettings {
 public:
  HRESULT put_ExecutionTimeLimit(LPCWSTR limit);
  HRESULT put_AllowDemandStart(bool allow);
  HRESULT put_AllowHardTerminate(bool allow);
  HRESULT put_StartWhenAvailable(bool start);
  std::wstring executionTimeLimit = L"PT72H";
  bool allowDemandStart = true;
  bool allowHardTerminate = true;
  bool startWhenAvailable = false;
};

class ITrigger {
 public:
  virtual ~ITrigger() = default;
  HRESULT put_Id(LPCWSTR id);
  mx::StoredTrigger data;
};

// What the trigger collection makes for TASK_TRIGGER_LOGON (the caller's QueryInterface is a dynamic_cast).
class ILogonTrigger : public ITrigger {
 public:
  HRESULT put_Delay(LPCWSTR delay);
  HRESULT put_UserId(LPCWSTR user);
};

class ITriggerCollection {
 public:
  // Logon triggers only: the other kinds are made through the work items. E_INVALIDARG otherwise.
  HRESULT Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger);
  std::vector<std::unique_ptr<ITrigger>> items;
};

class IAction {
 public:
  virtual ~IAction() = default;
};

class IExecAction : public IAction {
 public:
  HRESULT put_Path(LPCWSTR path);
  HRESULT put_Arguments(LPCWSTR arguments);
  HRESULT put_WorkingDirectory(LPCWSTR directory);
  std::wstring path, arguments, workingDirectory;
};

class IActionCollection {
 public:
  // TASK_ACTION_EXEC only; the store keeps one action, so a second Create is refused (E_INVALIDARG).
  HRESULT Create(TASK_ACTION_TYPE type, IAction** action);
  std::vector<std::unique_ptr<IAction>> items;
};

class ITaskDefinition {
 public:
  HRESULT get_Principal(IPrincipal** p);
  HRESULT get_RegistrationInfo(IRegistrationInfo** p);
  HRESULT get_Settings(ITaskSettings** p);
  HRESULT get_Triggers(ITriggerCollection** p);
  HRESULT get_Actions(IActionCollection** p);

 private:
  friend class ITaskFolder;
  IPrincipal principal_;
  IRegistrationInfo info_;
  ITaskSettings settings_;
  ITriggerCollection triggers_;
  IActionCollection actions_;
};

class ITaskFolder {
 public:
  // Missing task: HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
  HRESULT DeleteTask(LPCWSTR name, LONG flags);
  // An empty or null name registers under a generated name ("{...}"), as the service does. TASK_CREATE of an
  // existing name gives HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS), TASK_UPDATE of a missing one
  // HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND); a definition without an action E_INVALIDARG. registeredName
  // (may be null) receives the name used.
  HRESULT RegisterTaskDefinition(LPCWSTR name, const ITaskDefinition* definition, LONG flags, LPCWSTR userId,
                                 LPCWSTR password, TASK_LOGON_TYPE logonType, LPCWSTR sddl,
                                 std::wstring* registeredName);
};

class ITaskService {
 public:
  // The four empty variants of the local machine and the current user.
  HRESULT Connect();
  // "\" only; other folders HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND).
  HRESULT GetFolder(LPCWSTR path, std::unique_ptr<ITaskFolder>* folder);
  HRESULT NewTask(DWORD flags, std::unique_ptr<ITaskDefinition>* definition);

 private:
  bool connected_ = false;
};

// CoCreateInstance of the TaskScheduler class; always S_OK.
HRESULT CoCreateTaskService(std::unique_ptr<ITaskService>* service);

}  // namespace win
