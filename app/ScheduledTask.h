#pragma once
// One work item of the task scheduler as the program saves it: its first run, its frequency and days, the
// program it starts and the account it runs as.
#include <array>
#include <string>

#include "platform/base/WinTypes.h"

namespace win {
class ITask;
}

class CScheduledTask {
 public:
  CScheduledTask();
  virtual ~CScheduledTask() = default;

  // Creates and saves the work item; E_FAIL without a name, an application or a begin date, else the
  // scheduler's first failing result, else the result of reading the next run time.
  HRESULT Save();
  // Writes the item's trigger; a monthly item with chosen days gets one trigger per chosen day after
  // firstDayIndex.
  HRESULT AddTriggers(win::ITask* task, BOOL create, int firstDayIndex);

  SYSTEMTIME m_begin{};
  SYSTEMTIME m_end{};
  SYSTEMTIME m_nextRun{};
  int m_nFrequency = 0;  // 1 once, 2 daily, 3 weekly, 4 monthly
  std::wstring m_strApplication;
  std::wstring m_strParameters;
  std::wstring m_strWorkingDirectory;
  std::wstring m_strAccount;
  std::wstring m_strPassword;
  std::wstring m_strComment;
  std::wstring m_strTaskName;
  WORD m_wInterval = 0;
  WORD m_wWeekdayMask = 0;
  BYTE m_bChosenDays = 0;
  std::array<BYTE, 31> m_days{};
  BYTE m_bNT = 0;
};
