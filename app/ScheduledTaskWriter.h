#pragma once
// The schedule record the program fills to make one of its scheduled tasks, the one-line text that
// describes it, and the program's default tasks. Task names are fixed English names, never the localized
// title, so that a change of language cannot leave a task behind that the program no longer knows.
#include <array>
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/system/OleDateTime.h"

// The scheduled scan of the settings page, and the default tasks of the first run.
inline constexpr const wchar_t* kScheduleTaskName = L"Tarvolen Mendrix";
inline constexpr const wchar_t* kMonthlyScanTaskName = L"Tarvolen Mendrix_MONTHLY";
inline constexpr const wchar_t* kUpdateCheckTaskName = L"Tarvolen Mendrix_Updates";

class ScheduledTaskWriter {
 public:
  // Makes the program's task from the writer: checks rights and the Schedule service, saves the task and
  // says why it could not (message boxes). TRUE when the task was saved, also after replacing an existing
  // task of that name.
  static BOOL CreateTask(BOOL updateCheckTask, ScheduledTaskWriter& writer);
  // The one-line text of the schedule; empty for a weekly or monthly schedule without days.
  static std::wstring DescribeSchedule(const ScheduledTaskWriter& writer);

  std::wstring m_strTaskName;
  std::wstring m_strUnused1;
  std::wstring m_strUnused2;
  COleDateTime m_start;
  int m_nFrequency = 0;  // 0 once, 1 daily, 2 weekly, 3 monthly
  WORD m_wInterval = 0;
  // Weekly: Monday to Sunday in the first seven; monthly: days 1 to 31.
  std::array<BYTE, 31> m_days{};
};

// The weekday bits of the seven Monday-to-Sunday bytes.
WORD WeekdayMaskFromFlags(const BYTE* mondayToSunday);

// Deletes the task; E_FAIL for an empty name, else the scheduler's result.
HRESULT DeleteScheduledTask(const std::wstring& taskName);

// The default tasks: a scan every second Wednesday and an update check every Saturday at the time of the
// first run. 1 when created.
int CreateMonthlyScanTask();
int CreateUpdateCheckTask();
// Deletes the schedule task and both default tasks, ignoring what is not there.
void DeleteDefaultTasks();

// The program's absolute path as the machine knows it (the action of every task of ours).
std::wstring ProgramModulePath();
