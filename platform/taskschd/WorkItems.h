#pragma once
// The work-item interface of the task scheduler (scheduler, task, trigger), over the task store. Objects are
// owned through unique_ptr instead of reference counts; a trigger keeps its task's data alive by itself.
// Errors are the scheduler's HRESULTs: HRESULT_FROM_WIN32(ERROR_FILE_EXISTS) from NewWorkItem for a name in
// use, HRESULT_FROM_WIN32(ERROR_INVALID_NAME) for a name the task folder cannot hold, E_ACCESSDENIED when the
// task folder may not be written, HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) from Delete for a missing task.
#include <memory>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/taskschd/StoredTask.h"

inline constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005u);
inline constexpr HRESULT SCHED_S_TASK_NO_MORE_RUNS = 0x00041304;
inline constexpr HRESULT SCHED_S_TASK_NO_VALID_TRIGGERS = 0x00041307;
inline constexpr HRESULT SCHED_S_EVENT_TRIGGER = 0x00041308;

enum TASK_TRIGGER_TYPE {
  TASK_TIME_TRIGGER_ONCE = 0,
  TASK_TIME_TRIGGER_DAILY = 1,
  TASK_TIME_TRIGGER_WEEKLY = 2,
  TASK_TIME_TRIGGER_MONTHLYDATE = 3,
  TASK_TIME_TRIGGER_MONTHLYDOW = 4,
  TASK_EVENT_TRIGGER_ON_IDLE = 5,
  TASK_EVENT_TRIGGER_AT_SYSTEMSTART = 6,
  TASK_EVENT_TRIGGER_AT_LOGON = 7,
};

struct DAILY {
  WORD DaysInterval;
};
struct WEEKLY {
  WORD WeeksInterval;
  WORD rgfDaysOfTheWeek;
};
struct MONTHLYDATE {
  DWORD rgfDays;
  WORD rgfMonths;
};
union TRIGGER_TYPE_UNION {
  DAILY Daily;
  WEEKLY Weekly;
  MONTHLYDATE MonthlyDate;
};

struct TASK_TRIGGER {
  WORD cbTriggerSize;
  WORD Reserved1;
  WORD wBeginYear;
  WORD wBeginMonth;
  WORD wBeginDay;
  WORD wEndYear;
  WORD wEndMonth;
  WORD wEndDay;
  WORD wStartHour;
  WORD wStartMinute;
  DWORD MinutesDuration;
  DWORD MinutesInterval;
  DWORD rgFlags;
  TASK_TRIGGER_TYPE TriggerType;
  TRIGGER_TYPE_UNION Type;
  WORD Reserved2;
  WORD wRandomMinutesInterval;
};
static_assert(sizeof(TASK_TRIGGER) == 48, "the trigger structure keeps its Windows size");

inline constexpr WORD TASK_SUNDAY = 0x1;
inline constexpr WORD TASK_MONDAY = 0x2;
inline constexpr WORD TASK_TUESDAY = 0x4;
inline constexpr WORD TASK_WEDNESDAY = 0x8;
inline constexpr WORD TASK_THURSDAY = 0x10;
inline constexpr WORD TASK_FRIDAY = 0x20;
inline constexpr WORD TASK_SATURDAY = 0x40;
inline constexpr WORD TASK_ALL_MONTHS = 0xFFF;
inline constexpr DWORD TASK_TRIGGER_FLAG_HAS_END_DATE = 0x1;
inline constexpr DWORD TASK_FLAG_INTERACTIVE = 0x1;
inline constexpr DWORD TASK_FLAG_RUN_ONLY_IF_LOGGED_ON = 0x2000;

namespace win {

namespace detail {
struct WorkItem;
}

class ITaskTrigger {
 public:
  explicit ITaskTrigger(std::shared_ptr<detail::WorkItem> item, size_t index) : item_(std::move(item)), index_(index) {}
  // E_INVALIDARG for a size other than 48, a begin date the calendar does not know, an hour or minute out of
  // range, or a kind the machine does not schedule (idle, system start, day-of-week-in-month).
  HRESULT SetTrigger(const TASK_TRIGGER* trigger);
  HRESULT GetTrigger(TASK_TRIGGER* trigger) const;

 private:
  std::shared_ptr<detail::WorkItem> item_;
  size_t index_;
};

class ITask {
 public:
  explicit ITask(std::shared_ptr<detail::WorkItem> item) : item_(std::move(item)) {}
  HRESULT SetApplicationName(LPCWSTR application);
  HRESULT SetParameters(LPCWSTR parameters);
  HRESULT SetWorkingDirectory(LPCWSTR directory);
  // The password is never stored: the machine runs tasks as the logged-on user.
  HRESULT SetAccountInformation(LPCWSTR account, LPCWSTR password);
  HRESULT SetComment(LPCWSTR comment);
  HRESULT SetFlags(DWORD flags);
  HRESULT CreateTrigger(WORD* newIndex, std::unique_ptr<ITaskTrigger>* trigger);
  HRESULT GetTrigger(WORD index, std::unique_ptr<ITaskTrigger>* trigger);
  WORD GetTriggerCount() const;
  // The IPersistFile::Save of the item: a file name other than null is refused (E_INVALIDARG).
  HRESULT Save(LPCWSTR fileName, BOOL remember);
  // S_OK and the next start; SCHED_S_TASK_NO_VALID_TRIGGERS without triggers, SCHED_S_EVENT_TRIGGER when
  // only a logon starts it, SCHED_S_TASK_NO_MORE_RUNS when no time trigger will fire again (time zeroed).
  HRESULT GetNextRunTime(SYSTEMTIME* next) const;

  // What Save writes (tests and the scheduler itself).
  mx::StoredTask ToStoredTask() const;

 private:
  std::shared_ptr<detail::WorkItem> item_;
};

class ITaskScheduler {
 public:
  HRESULT NewWorkItem(LPCWSTR name, std::unique_ptr<ITask>* task);
  // Loads a stored task for reading and changing.
  HRESULT Activate(LPCWSTR name, std::unique_ptr<ITask>* task);
  HRESULT Delete(LPCWSTR name);
};

// CoCreateInstance of the scheduler class; always S_OK (the store lives in the prefix).
HRESULT CoCreateTaskScheduler(std::unique_ptr<ITaskScheduler>* scheduler);

}  // namespace win
