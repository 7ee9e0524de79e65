#include "app/ScheduledTaskWriter.h"

#include <cstdlib>
#include <memory>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/ScheduleService.h"
#include "app/ScheduledTask.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/shell/ShellExecute.h"
#include "platform/system/Module.h"
#include "platform/system/SystemInfo.h"
#include "platform/taskschd/WorkItems.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "platform/win/Wnd.h"

namespace {

int ShowMessage(const wchar_t* key, UINT type) {
  win::CWnd* main = win::AfxGetMainWnd();
  const std::wstring title = GetLocalizedString(L"AFX_IDS_APP_TITLE");
  return win::MessageBox(main ? main->GetSafeHwnd() : nullptr, GetLocalizedString(key).c_str(),
                         title.empty() ? kScheduleTaskName : title.c_str(), type);
}

// DOMAIN\user as the machine's account name (NameSamCompatible).
std::wstring AccountName() {
  wchar_t user[257] = {}, computer[257] = {};
  DWORD userSize = 257, computerSize = 257;
  if (!win::GetUserName(user, &userSize)) return L"";
  if (!win::GetComputerName(computer, &computerSize)) return user;
  return std::wstring(computer) + L"\\" + user;
}

// Deletes the task and saves the new one; the result of that second save decides.
HRESULT Replace(CScheduledTask& task) {
  const HRESULT deleted = DeleteScheduledTask(task.m_strTaskName);
  if (FAILED(deleted) && deleted != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return deleted;
  return task.Save();
}

// The message for a failed save; FALSE.
BOOL ReportSaveFailure(HRESULT hr) {
  if (hr == E_ACCESSDENIED) ShowMessage(L"IDS_NORIGHTS", MB_ICONINFORMATION);
  else if (hr == HRESULT_FROM_WIN32(ERROR_INVALID_NAME)) ShowMessage(L"IDS_VALIDFILE", MB_ICONINFORMATION);
  else ShowMessage(L"IDS_NEWTASKERROR", MB_ICONERROR);
  return FALSE;
}

}  // namespace

std::wstring ProgramModulePath() {
  wchar_t path[MAX_PATH] = {};
  win::GetModuleFileName(nullptr, path, MAX_PATH);
  return path;
}

WORD WeekdayMaskFromFlags(const BYTE* days) {
  static const WORD kBits[7] = {TASK_MONDAY, TASK_TUESDAY, TASK_WEDNESDAY, TASK_THURSDAY,
                                TASK_FRIDAY, TASK_SATURDAY, TASK_SUNDAY};
  WORD mask = 0;
  for (int i = 0; i < 7; ++i)
    if (days[i] == 1) mask |= kBits[i];
  return mask;
}

BOOL ScheduledTaskWriter::CreateTask(BOOL updateCheckTask, ScheduledTaskWriter& writer) {
  CZUNApp* app = AfxGetZunApp();
  const bool askUserTask = app && app->m_bCreatingAskUserTask;
  // The flag is for this one task: left set, it would turn the next scheduled scan into a follow-up question.
  if (app) app->m_bCreatingAskUserTask = FALSE;
  CScheduledTask task;
  if (task.m_bNT) {
    if (!IsUserAdmin()) {
      if (GetOSMajorVersion() >= 6) {
        // Settings are saved first: a relaunch that succeeds ends this process at once.
        SaveSettings();
        if (win::ShellExecute(nullptr, L"runas", ProgramModulePath().c_str(), L"zunvistaschedule", L"",
                              SW_SHOWNORMAL) > 32)
          std::exit(0);
      }
      ShowMessage(L"IDS_NORIGHTS", MB_ICONERROR);
      return FALSE;
    }
    if (!IsScheduleServiceRunning() && !StartScheduleService()) {
      if (!updateCheckTask) ShowMessage(L"IDS_SERVICENORUN", MB_ICONINFORMATION);
      return FALSE;
    }
  }
  // The absolute path of the program, whatever the current folder was when it was started.
  task.m_strApplication = ProgramModulePath();
  task.m_strParameters = askUserTask ? L"-askuser" : updateCheckTask ? L"-updatecheck" : L"scan";
  writer.m_start.GetAsSystemTime(task.m_begin);
  task.m_begin.wSecond = 0;
  task.m_begin.wMilliseconds = 0;
  task.m_strAccount = AccountName();
  task.m_strTaskName = writer.m_strTaskName;
  switch (writer.m_nFrequency) {
    case 0: task.m_nFrequency = 1; break;
    case 1:
      task.m_nFrequency = 2;
      task.m_wInterval = writer.m_wInterval;
      break;
    case 2:
      task.m_nFrequency = 3;
      task.m_wInterval = writer.m_wInterval;
      task.m_wWeekdayMask = WeekdayMaskFromFlags(writer.m_days.data());
      break;
    case 3:
      task.m_nFrequency = 4;
      task.m_bChosenDays = 1;
      for (size_t i = 0; i < 31; ++i)
        if (writer.m_days[i] == 1) task.m_days[i] = 1;
      break;
    default: ShowMessage(L"IDS_NEWTASKERROR", MB_ICONERROR); return FALSE;
  }
  HRESULT hr = task.Save();
  if (hr == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)) {
    if (askUserTask) {
      // The follow-up question replaces its own earlier task without asking.
      hr = Replace(task);
    } else if (ShowMessage(L"IDS_FILEEXIST", MB_YESNO | MB_ICONQUESTION) == IDYES) {
      hr = Replace(task);
    } else {
      return FALSE;
    }
  }
  if (FAILED(hr)) return ReportSaveFailure(hr);
  return TRUE;
}

std::wstring ScheduledTaskWriter::DescribeSchedule(const ScheduledTaskWriter& w) {
  static const wchar_t* const kDayKeys[7] = {L"IDS_MONDAY", L"IDS_TUSDAY",   L"IDS_WEDNESDAY", L"IDS_THURSDAY",
                                             L"IDS_FRIDAY", L"IDS_SATURDAY", L"IDS_SUNDAY"};
  const wchar_t* const kLong = L"%a. %B %d, %Y. %I:%M %p";
  std::wstring text;
  switch (w.m_nFrequency) {
    case 0: text = GetLocalizedString(L"IDS_RUNONCE") + L"; " + w.m_start.Format(kLong); break;
    case 1: text = GetLocalizedString(L"IDS_EVERYDAY") + L"; " + w.m_start.Format(L"%I:%M %p"); break;
    case 2: {
      text = GetLocalizedString(L"IDS_EVERYWEEK") + L"; " + w.m_start.Format(L"%I:%M %p") + L"; ";
      bool any = false;
      for (int i = 0; i < 7; ++i)
        if (w.m_days[i]) {
          text += GetLocalizedString(kDayKeys[i]) + L", ";
          any = true;
        }
      if (!any) return L"";
      break;
    }
    case 3: {
      text = GetLocalizedString(L"IDS_EVERYMONTH") + L"; " + w.m_start.Format(kLong) + L"; ";
      bool any = false;
      for (int day = 1; day <= 31; ++day)
        if (w.m_days[day - 1]) {
          if (day == 1) text += GetLocalizedString(L"IDS_DAY");
          text += std::to_wstring(day) + L", ";
          any = true;
        }
      if (!any) return L"";
      break;
    }
    default: ShowMessage(L"IDS_DATAERROR", MB_ICONERROR); return L"";
  }
  const size_t comma = text.rfind(L',');
  if (comma != std::wstring::npos && comma + 2 == text.size()) text.erase(comma);
  return text;
}

HRESULT DeleteScheduledTask(const std::wstring& taskName) {
  if (taskName.empty()) return E_FAIL;
  std::unique_ptr<win::ITaskScheduler> scheduler;
  HRESULT hr = win::CoCreateTaskScheduler(&scheduler);
  if (FAILED(hr)) return hr;
  return scheduler->Delete(taskName.c_str());
}

namespace {

int CreateDefaultTask(const wchar_t* name, WORD interval, int dayIndex, BOOL updateCheck) {
  ScheduledTaskWriter writer;
  writer.m_start = COleDateTime::GetCurrentTime();
  writer.m_nFrequency = 2;
  writer.m_wInterval = interval;
  writer.m_days[static_cast<size_t>(dayIndex)] = 1;
  if (ScheduledTaskWriter::DescribeSchedule(writer).empty()) return 0;
  writer.m_strTaskName = name;
  return ScheduledTaskWriter::CreateTask(updateCheck, writer) ? 1 : 0;
}

}  // namespace

int CreateMonthlyScanTask() { return CreateDefaultTask(kMonthlyScanTaskName, 2, 2, FALSE); }
int CreateUpdateCheckTask() { return CreateDefaultTask(kUpdateCheckTaskName, 1, 5, TRUE); }

void DeleteDefaultTasks() {
  std::unique_ptr<win::ITaskScheduler> scheduler;
  if (FAILED(win::CoCreateTaskScheduler(&scheduler))) return;
  for (const wchar_t* name : {kScheduleTaskName, kMonthlyScanTaskName, kUpdateCheckTaskName}) scheduler->Delete(name);
}
