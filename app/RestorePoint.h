#pragma once
// System restore points before large registry changes, at most one in 25 hours: the time of the last one
// is kept under the product key's "SYSRES" sub-key as a UTC SYSTEMTIME.
#include <string>

#include "platform/base/WinTypes.h"

// TRUE when a restore point was made or none was due; FALSE when one was due and could not be made. An
// empty description gives "<program title> <local time>".
BOOL CreateRestorePoint(const std::wstring& description);
// Due when nothing valid is stored, when the stored time is not in the past, or after 25 whole hours.
BOOL IsRestorePointDue();
// TRUE only when exactly 16 bytes are stored.
BOOL LoadLastRestorePointTime(SYSTEMTIME& out);
BOOL SaveLastRestorePointTime();
// The local time as "%a, %b %d, %y  %H:%M".
std::wstring FormatRestorePointTime();
