#pragma once
// The program's start at logon: the reminder (command word "rem", the start-with-the-system setting) and the
// one-time start after an optimisation's restart (command word "StartedAfterOptimization"). Before Vista
// both are values under the user's Run key, from Vista on logon tasks that run with the highest rights for
// every member of the Users group. Only one of the two exists at a time.
#include <string>

#include "platform/base/WinTypes.h"

inline constexpr const wchar_t* kReminderEntryName = L"VERevizera";
// The one-time start's entry: a fixed name, so a change of language never orphans it, and one that differs
// from the schedule page's task, which arranging the one-time start must not replace.
inline constexpr const wchar_t* kAfterOptimizationEntryName = L"Tarvolen Mendrix_StartedAfterOptimization";
inline constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Adds or removes the reminder entry; 1 when the entry is as asked afterwards, 0 when it could not be written
// or removed.
int SetStartWithWindows(BOOL on);
// On: the one-time start replaces the reminder. Off: the one-time start goes, and the reminder comes back
// when the start-with-the-system setting is on.
void SetStartAfterOptimization(BOOL on);
// Registers the reminder task (FALSE) or the one-time start task (TRUE); TRUE when registered.
BOOL CreateLogonTask(BOOL afterOptimization);
// Deletes one of the two tasks; always FALSE.
BOOL DeleteLogonTask(BOOL afterOptimization);

// The entry's name: the same for creating and deleting it.
std::wstring LogonEntryName(BOOL afterOptimization);
