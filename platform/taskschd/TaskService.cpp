#include "platform/taskschd/TaskService.h"

#include <atomic>
#include <cstdio>

#include "platform/system/Time.h"
#include "platform/taskschd/TaskStore.h"

namespace win {

namespace {

HRESULT Text(LPCWSTR in, std::wstring& out) {
  if (!in) return E_INVALIDARG;
  out = in;
  return S_OK;
}

template <typename T>
HRESULT Give(T* part, T** out) {
  if (!out) return E_INVALIDARG;
  *out = part;
  return S_OK;
}

// A name of the shape the service generates for a nameless registration.
std::wstring GeneratedName() {
  static std::atomic<unsigned> counter{0};
  const std::uint64_t t = mx::FileTimeToU64([] {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    return ft;
  }());
  wchar_t buf[48];
  std::swprintf(buf, 48, L"{%08X-%04X-4000-8000-%012llX}", static_cast<unsigned>(t >> 32),
                counter.fetch_add(1) & 0xFFFF, static_cast<unsigned long long>(t & 0xFFFFFFFFFFFFull));
  return buf;
}

}  // namespace

HRESULT IPrincipal::put_RunLevel(TASK_RUNLEVEL_TYPE level) {
  runLevel = level;
  return S_OK;
}
HRESULT IRegistrationInfo::put_Author(LPCWSTR v) { return Text(v, author); }
HRESULT ITaskSettings::put_ExecutionTimeLimit(LPCWSTR v) { return Text(v, executionTimeLimit); }
HRESULT ITaskSettings::put_AllowDemandStart(bool v) {
  allowDemandStart = v;
  return S_OK;
}
HRESULT ITaskSettings::put_AllowHardTerminate(bool v) {
  allowHardTerminate = v;
  return S_OK;
}
HRESULT ITaskSettings::put_StartWhenAvailable(bool v) {
  startWhenAvailable = v;
  return S_OK;
}
HRESULT ITrigger::put_Id(LPCWSTR v) { return Text(v, data.id); }
HRESULT ILogonTrigger::put_Delay(LPCWSTR v) { return Text(v, data.delay); }
HRESULT ILogonTrigger::put_UserId(LPCWSTR v) { return Text(v, data.userId); }

HRESULT ITriggerCollection::Create(TASK_TRIGGER_TYPE2 type, ITrigger** trigger) {
  if (!trigger || type != TASK_TRIGGER_LOGON) return E_INVALIDARG;
  auto t = std::make_unique<ILogonTrigger>();
  t->data.kind = mx::TriggerKind::Logon;
  *trigger = t.get();
  items.push_back(std::move(t));
  return S_OK;
}

HRESULT IExecAction::put_Path(LPCWSTR v) { return Text(v, path); }
HRESULT IExecAction::put_Arguments(LPCWSTR v) { return Text(v, arguments); }
HRESULT IExecAction::put_WorkingDirectory(LPCWSTR v) { return Text(v, workingDirectory); }

HRESULT IActionCollection::Create(TASK_ACTION_TYPE type, IAction** action) {
  if (!action || type != TASK_ACTION_EXEC || !items.empty()) return E_INVALIDARG;
  items.push_back(std::make_unique<IExecAction>());
  *action = items.back().get();
  return S_OK;
}

HRESULT ITaskDefinition::get_Principal(IPrincipal** p) { return Give(&principal_, p); }
HRESULT ITaskDefinition::get_RegistrationInfo(IRegistrationInfo** p) { return Give(&info_, p); }
HRESULT ITaskDefinition::get_Settings(ITaskSettings** p) { return Give(&settings_, p); }
HRESULT ITaskDefinition::get_Triggers(ITriggerCollection** p) { return Give(&triggers_, p); }
HRESULT ITaskDefinition::get_Actions(IActionCollection** p) { return Give(&actions_, p); }

HRESULT ITaskFolder::DeleteTask(LPCWSTR name, LONG) {
  if (!name) return E_INVALIDARG;
  return HRESULT_FROM_WIN32(mx::DeleteTask(name));
}

HRESULT ITaskFolder::RegisterTaskDefinition(LPCWSTR name, const ITaskDefinition* def, LONG flags, LPCWSTR userId,
                                            LPCWSTR, TASK_LOGON_TYPE logonType, LPCWSTR,
                                            std::wstring* registeredName) {
  if (!def || !(flags & (TASK_CREATE | TASK_UPDATE | TASK_VALIDATE_ONLY))) return E_INVALIDARG;
  const auto* exec = def->actions_.items.empty() ? nullptr : dynamic_cast<const IExecAction*>(def->actions_.items[0].get());
  if (!exec || exec->path.empty()) return E_INVALIDARG;
  mx::StoredTask task;
  task.name = name && *name ? std::wstring(name) : GeneratedName();
  if (!mx::IsValidTaskName(task.name)) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
  const bool exists = mx::TaskExists(task.name);
  if (exists && !(flags & TASK_UPDATE)) return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);
  if (!exists && !(flags & TASK_CREATE)) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  task.author = def->info_.author;
  task.highestRunLevel = def->principal_.runLevel == TASK_RUNLEVEL_HIGHEST;
  if (logonType == TASK_LOGON_GROUP) {
    task.groupId = userId ? userId : L"";
    task.logonType.clear();
  } else {
    task.userId = userId ? userId : L"";
    task.logonType = logonType == TASK_LOGON_PASSWORD ? L"Password" : L"InteractiveToken";
  }
  task.executionTimeLimit = def->settings_.executionTimeLimit;
  task.allowStartOnDemand = def->settings_.allowDemandStart;
  task.allowHardTerminate = def->settings_.allowHardTerminate;
  task.startWhenAvailable = def->settings_.startWhenAvailable;
  task.command = exec->path;
  task.arguments = exec->arguments;
  task.workingDirectory = exec->workingDirectory;
  for (const auto& t : def->triggers_.items) task.triggers.push_back(t->data);
  if (flags & TASK_VALIDATE_ONLY) return S_OK;
  if (const LONG rc = mx::SaveTask(task); rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  if (registeredName) *registeredName = task.name;
  return S_OK;
}

HRESULT ITaskService::Connect() {
  connected_ = true;
  return S_OK;
}

HRESULT ITaskService::GetFolder(LPCWSTR path, std::unique_ptr<ITaskFolder>* folder) {
  if (!path || !folder) return E_INVALIDARG;
  if (!connected_) return SCHED_E_SERVICE_NOT_CONNECTED;
  if (std::wstring_view(path) != L"\\") return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  *folder = std::make_unique<ITaskFolder>();
  return S_OK;
}

HRESULT ITaskService::NewTask(DWORD flags, std::unique_ptr<ITaskDefinition>* definition) {
  if (!definition || flags != 0) return E_INVALIDARG;
  if (!connected_) return SCHED_E_SERVICE_NOT_CONNECTED;
  *definition = std::make_unique<ITaskDefinition>();
  return S_OK;
}

HRESULT CoCreateTaskService(std::unique_ptr<ITaskService>* service) {
  if (!service) return E_INVALIDARG;
  *service = std::make_unique<ITaskService>();
  return S_OK;
}

}  // namespace win
