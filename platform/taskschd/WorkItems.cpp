#include "platform/taskschd/WorkItems.h"

#include "platform/system/Time.h"
#include "platform/taskschd/TaskStore.h"

namespace win {

namespace detail {
struct WorkItem {
  mx::StoredTask task;
  std::vector<TASK_TRIGGER> triggers;
  DWORD flags = 0;
};
}  // namespace detail

namespace {

bool ValidDate(WORD y, WORD m, WORD d) {
  if (y < 1601 || m < 1 || m > 12 || d < 1) return false;
  static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (d > kDays[m - 1]) return false;
  return !(m == 2 && d == 29 && (y % 4 != 0 || (y % 100 == 0 && y % 400 != 0)));
}

SYSTEMTIME Date(WORD y, WORD m, WORD d, WORD h = 0, WORD mi = 0) {
  SYSTEMTIME t{};
  t.wYear = y, t.wMonth = m, t.wDay = d, t.wHour = h, t.wMinute = mi;
  t.wDayOfWeek = static_cast<WORD>(mx::WeekdayOfDays(mx::DaysFromCivil(y, m, d)));
  return t;
}

mx::StoredTrigger ToStored(const TASK_TRIGGER& t) {
  mx::StoredTrigger s;
  if (t.TriggerType == TASK_EVENT_TRIGGER_AT_LOGON) {
    s.kind = mx::TriggerKind::Logon;
    return s;
  }
  s.start = Date(t.wBeginYear, t.wBeginMonth, t.wBeginDay, t.wStartHour, t.wStartMinute);
  if (t.rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) s.end = Date(t.wEndYear, t.wEndMonth, t.wEndDay);
  switch (t.TriggerType) {
    case TASK_TIME_TRIGGER_DAILY:
      s.kind = mx::TriggerKind::Daily;
      s.interval = t.Type.Daily.DaysInterval ? t.Type.Daily.DaysInterval : 1;
      break;
    case TASK_TIME_TRIGGER_WEEKLY:
      s.kind = mx::TriggerKind::Weekly;
      s.interval = t.Type.Weekly.WeeksInterval ? t.Type.Weekly.WeeksInterval : 1;
      s.weekdays = t.Type.Weekly.rgfDaysOfTheWeek & 0x7F;
      break;
    case TASK_TIME_TRIGGER_MONTHLYDATE:
      s.kind = mx::TriggerKind::MonthlyDate;
      s.days = t.Type.MonthlyDate.rgfDays & 0x7FFFFFFFu;
      s.months = t.Type.MonthlyDate.rgfMonths & TASK_ALL_MONTHS;
      break;
    default: s.kind = mx::TriggerKind::Once; break;
  }
  return s;
}

TASK_TRIGGER FromStored(const mx::StoredTrigger& s) {
  TASK_TRIGGER t{};
  t.cbTriggerSize = sizeof(TASK_TRIGGER);
  t.wBeginYear = s.start.wYear, t.wBeginMonth = s.start.wMonth, t.wBeginDay = s.start.wDay;
  t.wStartHour = s.start.wHour, t.wStartMinute = s.start.wMinute;
  if (s.end) {
    t.wEndYear = s.end->wYear, t.wEndMonth = s.end->wMonth, t.wEndDay = s.end->wDay;
    t.rgFlags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
  }
  switch (s.kind) {
    case mx::TriggerKind::Once: t.TriggerType = TASK_TIME_TRIGGER_ONCE; break;
    case mx::TriggerKind::Daily:
      t.TriggerType = TASK_TIME_TRIGGER_DAILY;
      t.Type.Daily.DaysInterval = s.interval;
      break;
    case mx::TriggerKind::Weekly:
      t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
      t.Type.Weekly.WeeksInterval = s.interval;
      t.Type.Weekly.rgfDaysOfTheWeek = s.weekdays;
      break;
    case mx::TriggerKind::MonthlyDate:
      t.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
      t.Type.MonthlyDate.rgfDays = s.days;
      t.Type.MonthlyDate.rgfMonths = s.months;
      break;
    case mx::TriggerKind::Logon: t.TriggerType = TASK_EVENT_TRIGGER_AT_LOGON; break;
  }
  return t;
}

HRESULT Text(LPCWSTR in, std::wstring& out) {
  if (!in) return E_INVALIDARG;
  out = in;
  return S_OK;
}

}  // namespace

HRESULT ITaskTrigger::SetTrigger(const TASK_TRIGGER* t) {
  if (!t || t->cbTriggerSize != sizeof(TASK_TRIGGER)) return E_INVALIDARG;
  if (t->TriggerType != TASK_EVENT_TRIGGER_AT_LOGON) {
    if (t->TriggerType > TASK_TIME_TRIGGER_MONTHLYDATE) return E_INVALIDARG;
    if (!ValidDate(t->wBeginYear, t->wBeginMonth, t->wBeginDay) || t->wStartHour > 23 || t->wStartMinute > 59)
      return E_INVALIDARG;
    if ((t->rgFlags & TASK_TRIGGER_FLAG_HAS_END_DATE) && !ValidDate(t->wEndYear, t->wEndMonth, t->wEndDay))
      return E_INVALIDARG;
    if (t->TriggerType == TASK_TIME_TRIGGER_WEEKLY && !(t->Type.Weekly.rgfDaysOfTheWeek & 0x7F)) return E_INVALIDARG;
    if (t->TriggerType == TASK_TIME_TRIGGER_MONTHLYDATE &&
        (!(t->Type.MonthlyDate.rgfDays & 0x7FFFFFFFu) || !(t->Type.MonthlyDate.rgfMonths & TASK_ALL_MONTHS)))
      return E_INVALIDARG;
  }
  item_->triggers.at(index_) = *t;
  return S_OK;
}

HRESULT ITaskTrigger::GetTrigger(TASK_TRIGGER* t) const {
  if (!t) return E_INVALIDARG;
  *t = item_->triggers.at(index_);
  return S_OK;
}

HRESULT ITask::SetApplicationName(LPCWSTR v) { return Text(v, item_->task.command); }
HRESULT ITask::SetParameters(LPCWSTR v) { return Text(v, item_->task.arguments); }
HRESULT ITask::SetWorkingDirectory(LPCWSTR v) { return Text(v, item_->task.workingDirectory); }
HRESULT ITask::SetComment(LPCWSTR v) { return Text(v, item_->task.description); }

HRESULT ITask::SetAccountInformation(LPCWSTR account, LPCWSTR) {
  if (!account) return E_INVALIDARG;
  item_->task.userId = *account ? account : L"S-1-5-18";  // an empty account is the system account
  return S_OK;
}

HRESULT ITask::SetFlags(DWORD flags) {
  item_->flags = flags;
  return S_OK;
}

HRESULT ITask::CreateTrigger(WORD* newIndex, std::unique_ptr<ITaskTrigger>* trigger) {
  if (!newIndex || !trigger) return E_INVALIDARG;
  // A new trigger starts as a run once today, as the scheduler's own default does.
  SYSTEMTIME now{};
  GetLocalTime(&now);
  TASK_TRIGGER t{};
  t.cbTriggerSize = sizeof(TASK_TRIGGER);
  t.wBeginYear = now.wYear, t.wBeginMonth = now.wMonth, t.wBeginDay = now.wDay;
  t.wStartHour = now.wHour, t.wStartMinute = now.wMinute;
  item_->triggers.push_back(t);
  *newIndex = static_cast<WORD>(item_->triggers.size() - 1);
  *trigger = std::make_unique<ITaskTrigger>(item_, *newIndex);
  return S_OK;
}

HRESULT ITask::GetTrigger(WORD index, std::unique_ptr<ITaskTrigger>* trigger) {
  if (!trigger) return E_INVALIDARG;
  if (index >= item_->triggers.size()) return HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER);
  *trigger = std::make_unique<ITaskTrigger>(item_, index);
  return S_OK;
}

WORD ITask::GetTriggerCount() const { return static_cast<WORD>(item_->triggers.size()); }

mx::StoredTask ITask::ToStoredTask() const {
  mx::StoredTask task = item_->task;
  task.logonType = (item_->flags & TASK_FLAG_RUN_ONLY_IF_LOGGED_ON) ? L"InteractiveToken" : L"Password";
  task.triggers.clear();
  for (const auto& t : item_->triggers) task.triggers.push_back(ToStored(t));
  return task;
}

HRESULT ITask::Save(LPCWSTR fileName, BOOL) {
  if (fileName) return E_INVALIDARG;
  if (item_->task.command.empty()) return E_INVALIDARG;
  return HRESULT_FROM_WIN32(mx::SaveTask(ToStoredTask()));
}

HRESULT ITask::GetNextRunTime(SYSTEMTIME* next) const {
  if (!next) return E_INVALIDARG;
  *next = SYSTEMTIME{};
  if (item_->triggers.empty()) return SCHED_S_TASK_NO_VALID_TRIGGERS;
  const mx::StoredTask task = ToStoredTask();
  SYSTEMTIME now{};
  GetLocalTime(&now);
  if (auto when = mx::NextRunTime(task, now)) {
    *next = *when;
    return S_OK;
  }
  for (const auto& t : task.triggers)
    if (t.kind != mx::TriggerKind::Logon) return SCHED_S_TASK_NO_MORE_RUNS;
  return SCHED_S_EVENT_TRIGGER;
}

HRESULT ITaskScheduler::NewWorkItem(LPCWSTR name, std::unique_ptr<ITask>* task) {
  if (!name || !task) return E_INVALIDARG;
  if (!mx::IsValidTaskName(name)) return HRESULT_FROM_WIN32(ERROR_INVALID_NAME);
  if (mx::TaskExists(name)) return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
  auto item = std::make_shared<detail::WorkItem>();
  item->task.name = name;
  *task = std::make_unique<ITask>(std::move(item));
  return S_OK;
}

HRESULT ITaskScheduler::Activate(LPCWSTR name, std::unique_ptr<ITask>* task) {
  if (!name || !task) return E_INVALIDARG;
  auto item = std::make_shared<detail::WorkItem>();
  if (const LONG rc = mx::LoadTask(name, item->task); rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
  for (const auto& t : item->task.triggers) item->triggers.push_back(FromStored(t));
  if (item->task.logonType == L"InteractiveToken") item->flags |= TASK_FLAG_RUN_ONLY_IF_LOGGED_ON;
  *task = std::make_unique<ITask>(std::move(item));
  return S_OK;
}

HRESULT ITaskScheduler::Delete(LPCWSTR name) {
  if (!name) return E_INVALIDARG;
  return HRESULT_FROM_WIN32(mx::DeleteTask(name));
}

HRESULT CoCreateTaskScheduler(std::unique_ptr<ITaskScheduler>* scheduler) {
  if (!scheduler) return E_INVALIDARG;
  *scheduler = std::make_unique<ITaskScheduler>();
  return S_OK;
}

}  // namespace win
