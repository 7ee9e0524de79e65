#pragma once
// Time functions over the one platform clock (mx::GetClock): UTC from the clock, local time in the host's
// time zone (tests pin TZ). Sleep and the tick counts are the window layer's (platform/win/Sync.h).
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"

namespace win {

void GetSystemTime(SYSTEMTIME* st);
void GetLocalTime(SYSTEMTIME* st);
void GetSystemTimeAsFileTime(FILETIME* ft);
// FALSE for a FILETIME beyond year 30827 / a SYSTEMTIME that is not a valid date (ERROR_INVALID_PARAMETER).
BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st);
BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft);
// UTC <-> local with the host zone's offset at that instant.
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
// -1, 0 or 1.
LONG CompareFileTime(const FILETIME* a, const FILETIME* b);

}  // namespace win

namespace mx {

// The C runtime's time(): seconds since 1970-01-01 UTC, from the platform clock.
std::int64_t UnixTimeNow();
std::uint64_t FileTimeToU64(const FILETIME& ft);
FILETIME U64ToFileTime(std::uint64_t ticks);
std::int64_t FileTimeToUnix(std::uint64_t ticks);
std::uint64_t UnixToFileTime(std::int64_t seconds);
// localtime / mktime in the host's zone; false (or -1) for a time they cannot represent.
bool LocalTimeFromUnix(std::int64_t seconds, std::tm& out);
std::int64_t UnixFromLocalTime(std::tm tmLocal);
// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);
void CivilFromDays(std::int64_t days, std::int64_t& year, unsigned& month, unsigned& day);

// strftime in the C locale (English names), e.g. "%a, %b %d, %y  %H:%M".
std::wstring FormatTime(std::wstring_view format, const std::tm& tm);

}  // namespace mx
