#include "app/ScheduledTask.h"

#include <memory>

#include "platform/system/SystemInfo.h"
#include "platform/system/Time.h"
#include "platform/taskschd/WorkItems.h"

CScheduledTask::CScheduledTask() {
  OSVERSIONINFOW info;
  info.dwOSVersionInfoSize = sizeof info;
  m_bNT = win::GetVersionEx(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT ? 1 : 0;
}

HRESULT CScheduledTask::Save() {
  if (m_strTaskName.empty() || m_strApplication.empty() || m_begin.wYear == 0 || m_begin.wDay == 0 ||
      m_begin.wMonth == 0)
    return E_FAIL;
  std::unique_ptr<win::ITaskScheduler> scheduler;
  HRESULT hr = win::CoCreateTaskScheduler(&scheduler);
  if (FAILED(hr)) return hr;
  std::unique_ptr<win::ITask> task;
  if (FAILED(hr = scheduler->NewWorkItem(m_strTaskName.c_str(), &task))) return hr;
  if (FAILED(hr = task->SetApplicationName(m_strApplication.c_str()))) return hr;
  if (!m_strParameters.empty() && FAILED(hr = task->SetParameters(m_strParameters.c_str()))) return hr;
  if (!m_strWorkingDirectory.empty() && FAILED(hr = task->SetWorkingDirectory(m_strWorkingDirectory.c_str())))
    return hr;
  if (m_bNT) {
    hr = task->SetAccountInformation(m_strAccount.c_str(), m_strPassword.empty() ? nullptr : m_strPassword.c_str());
    if (FAILED(hr)) return hr;
  }
  if (!m_strComment.empty() && FAILED(hr = task->SetComment(m_strComment.c_str()))) return hr;
  if (FAILED(hr = task->SetFlags(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON | (m_bNT ? TASK_FLAG_INTERACTIVE : 0)))) return hr;
  if (FAILED(hr = AddTriggers(task.get(), TRUE, 0))) return hr;
  if (FAILED(hr = task->Save(nullptr, FALSE))) return hr;
  return task->GetNextRunTime(&m_nextRun);
}

HRESULT CScheduledTask::AddTriggers(win::ITask* task, BOOL create, int firstDayIndex) {
  TASK_TRIGGER t{};
  t.cbTriggerSize = sizeof t;
  t.wBeginYear = m_begin.wYear, t.wBeginMonth = m_begin.wMonth, t.wBeginDay = m_begin.wDay;
  t.wStartHour = m_begin.wHour, t.wStartMinute = m_begin.wMinute;
  if (m_end.wYear != 0) {
    t.wEndYear = m_end.wYear, t.wEndMonth = m_end.wMonth, t.wEndDay = m_end.wDay;
    t.rgFlags |= TASK_TRIGGER_FLAG_HAS_END_DATE;
  }
  int dayFound = 0;
  switch (m_nFrequency) {
    case 1: t.TriggerType = TASK_TIME_TRIGGER_ONCE; break;
    case 2:
      t.TriggerType = TASK_TIME_TRIGGER_DAILY;
      t.Type.Daily.DaysInterval = m_wInterval ? m_wInterval : 1;
      break;
    case 3: {
      t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
      t.Type.Weekly.WeeksInterval = m_wInterval ? m_wInterval : 1;
      WORD mask = m_wWeekdayMask;
      if (mask == 0) {
        std::tm tm{};
        tm.tm_year = m_begin.wYear - 1900, tm.tm_mon = m_begin.wMonth - 1, tm.tm_mday = m_begin.wDay, tm.tm_hour = 12;
        tm.tm_isdst = -1;
        const std::int64_t seconds = mx::UnixFromLocalTime(tm);
        std::tm local{};
        if (seconds != -1 && mx::LocalTimeFromUnix(seconds, local)) mask = static_cast<WORD>(1u << local.tm_wday);
      }
      t.Type.Weekly.rgfDaysOfTheWeek = mask;
      break;
    }
    case 4:
      t.TriggerType = TASK_TIME_TRIGGER_MONTHLYDATE;
      t.Type.MonthlyDate.rgfMonths = TASK_ALL_MONTHS;
      if (m_bChosenDays == 1) {
        for (int day = firstDayIndex + 1; day <= 31; ++day)
          if (m_days[day - 1]) {
            dayFound = day;
            break;
          }
        if (dayFound == 0) return S_OK;
        t.Type.MonthlyDate.rgfDays = 1u << (dayFound - 1);
      } else {
        t.Type.MonthlyDate.rgfDays = 1u << (m_begin.wDay - 1);
      }
      break;
    default: return E_INVALIDARG;
  }
  std::unique_ptr<win::ITaskTrigger> trigger;
  WORD index = 0;
  HRESULT hr = create ? task->CreateTrigger(&index, &trigger) : task->GetTrigger(0, &trigger);
  if (FAILED(hr)) return hr;
  hr = trigger->SetTrigger(&t);
  trigger.reset();
  if (FAILED(hr)) return hr;
  if (dayFound > 0 && dayFound < 31) return AddTriggers(task, create, dayFound);
  return hr;
}
