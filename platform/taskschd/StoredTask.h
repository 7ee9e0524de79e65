#pragma once
// One scheduled task as the machine keeps it: a task XML file in the prefix's task folder. Both scheduler
// interfaces (the work items and the task service) read and write this one model, so a task made through one
// is seen by the other, and by Wine.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

namespace mx {

enum class TriggerKind { Once, Daily, Weekly, MonthlyDate, Logon };

// Day bits of a weekly trigger, as the work-item interface numbers them.
inline constexpr WORD kSundayBit = 0x1;      // ... Saturday 0x40

struct StoredTrigger {
  TriggerKind kind = TriggerKind::Once;
  // Local wall-clock time of the first run (seconds and milliseconds kept); unused by a logon trigger.
  SYSTEMTIME start{};
  std::optional<SYSTEMTIME> end;  // last day (inclusive)
  WORD interval = 1;              // days (daily) or weeks (weekly) between runs, at least 1
  WORD weekdays = 0;              // weekly: Sunday 0x1 ... Saturday 0x40
  WORD months = 0xFFF;            // monthly: January 0x1 ... December 0x800
  DWORD days = 0;                 // monthly: bit d-1 for day d
  std::wstring id;                // the trigger's id attribute
  std::wstring delay;             // logon: an XML duration such as "PT5S"
  std::wstring userId;            // logon: empty for any user
  bool enabled = true;
};

struct StoredTask {
  std::wstring name;  // the file name inside the task folder
  std::wstring author;
  std::wstring description;
  // The principal: a user (userId) or a group (groupId); logonType as the XML spells it.
  std::wstring userId;
  std::wstring groupId;
  std::wstring logonType = L"InteractiveToken";
  bool highestRunLevel = false;
  // Settings.
  std::wstring executionTimeLimit = L"PT72H";
  bool allowStartOnDemand = true;
  bool allowHardTerminate = true;
  bool startWhenAvailable = false;
  bool enabled = true;
  // The one action this system uses: start a program.
  std::wstring command;
  std::wstring arguments;
  std::wstring workingDirectory;
  std::vector<StoredTrigger> triggers;
};

// The task as Task Scheduler XML (the 1.2 schema) and back. Parsing fails (nullopt) on text that is not a
// task document; unknown elements are skipped, so tasks written by Wine or Windows read too.
std::wstring TaskToXml(const StoredTask& task);
std::optional<StoredTask> TaskFromXml(std::wstring_view xml, const std::wstring& name);

// The next start of the task after the local time nowLocal (strictly later), looking at most about five
// years ahead; nullopt when no time trigger will fire again.
std::optional<SYSTEMTIME> NextRunTime(const StoredTask& task, const SYSTEMTIME& nowLocal);
// The same for one trigger.
std::optional<SYSTEMTIME> NextTriggerRun(const StoredTrigger& trigger, const SYSTEMTIME& nowLocal);

// The day of the week (0 Sunday) of a day counted as DaysFromCivil counts (platform/system/Time.h).
int WeekdayOfDays(std::int64_t days);

// Whether the trigger runs on the calendar day `days` (not looking at the time of day).
bool TriggerRunsOnDay(const StoredTrigger& trigger, std::int64_t days);

}  // namespace mx
