#pragma once
// Stored SYSTEMTIMEs to seconds, with one validity rule: a damaged stored date never converts.
#include <cstdint>

#include "platform/base/WinTypes.h"

namespace app {

// A date the calendar knows, from 1970 to 3000, with a time of day in range.
bool IsValidSystemTime(const SYSTEMTIME& st);
// The fields read as a UTC calendar time; false for an invalid date.
bool SystemTimeToUnixUtc(const SYSTEMTIME& st, std::int64_t& seconds);
// The fields read as a local time of this machine's zone; false for an invalid date.
bool SystemTimeToUnixLocal(const SYSTEMTIME& st, std::int64_t& seconds);

}  // namespace app
