#include "platform/system/Time.h"

#include <cwchar>

#include "platform/base/Clock.h"

namespace mx {

namespace {

constexpr std::uint64_t kTicksPerSecond = 10000000ull;
constexpr std::uint64_t kUnixEpochTicks = 116444736000000000ull;
constexpr std::int64_t kSecondsPerDay = 86400;

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(unsigned y, unsigned m) {
  static const unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Offset of the host's zone from UTC at a UTC instant, in seconds.
std::int64_t LocalOffsetAt(std::int64_t unixSeconds) {
  std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return 0;
  return tm.tm_gmtoff;
}

}  // namespace

std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y += m <= 2;
}


std::uint64_t FileTimeToU64(const FILETIME& ft) {
  return (std::uint64_t{ft.dwHighDateTime} << 32) | ft.dwLowDateTime;
}

FILETIME U64ToFileTime(std::uint64_t ticks) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(ticks);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}

std::int64_t FileTimeToUnix(std::uint64_t ticks) {
  return static_cast<std::int64_t>(ticks / kTicksPerSecond) - static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond);
}

std::uint64_t UnixToFileTime(std::int64_t seconds) {
  return static_cast<std::uint64_t>(seconds + static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond)) *
         kTicksPerSecond;
}

std::int64_t UnixTimeNow() { return FileTimeToUnix(GetClock().NowFileTime()); }

bool LocalTimeFromUnix(std::int64_t seconds, std::tm& out) {
  std::time_t t = static_cast<std::time_t>(seconds);
  return localtime_r(&t, &out) != nullptr;
}

std::int64_t UnixFromLocalTime(std::tm tmLocal) {
  tmLocal.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&tmLocal));
}

std::wstring FormatTime(std::wstring_view format, const std::tm& tm) {
  // The C locale's names are the English ones the stored texts use, whatever the host locale.
  std::string fmt(format.begin(), format.end());
  for (auto& c : fmt)
    if (static_cast<unsigned char>(c) > 0x7F) c = '?';
  locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  char buf[512];
  size_t n = c ? strftime_l(buf, sizeof buf, fmt.c_str(), &tm, c) : std::strftime(buf, sizeof buf, fmt.c_str(), &tm);
  if (c) freelocale(c);
  return std::wstring(buf, buf + n);
}

}  // namespace mx

namespace win {

void GetSystemTime(SYSTEMTIME* st) {
  if (!st) return;
  FILETIME ft = mx::U64ToFileTime(mx::GetClock().NowFileTime());
  FileTimeToSystemTime(&ft, st);
}

void GetLocalTime(SYSTEMTIME* st) {
  if (!st) return;
  FILETIME utc = mx::U64ToFileTime(mx::GetClock().NowFileTime());
  FILETIME local;
  FileTimeToLocalFileTime(&utc, &local);
  FileTimeToSystemTime(&local, st);
}

void GetSystemTimeAsFileTime(FILETIME* ft) {
  if (ft) *ft = mx::U64ToFileTime(mx::GetClock().NowFileTime());
}

BOOL FileTimeToSystemTime(const FILETIME* ft, SYSTEMTIME* st) {
  if (!ft || !st) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t ticks = mx::FileTimeToU64(*ft);
  if (ticks >= 0x8000000000000000ull) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t totalSeconds = ticks / mx::kTicksPerSecond;
  std::int64_t days = static_cast<std::int64_t>(totalSeconds / mx::kSecondsPerDay);
  std::uint64_t secOfDay = totalSeconds % mx::kSecondsPerDay;
  // Days since 1601-01-01 -> since 1970-01-01.
  std::int64_t unixDays = days - 134774;
  std::int64_t y;
  unsigned m, d;
  mx::CivilFromDays(unixDays, y, m, d);
  st->wYear = static_cast<WORD>(y);
  st->wMonth = static_cast<WORD>(m);
  st->wDay = static_cast<WORD>(d);
  // 1601-01-01 was a Monday.
  st->wDayOfWeek = static_cast<WORD>((days + 1) % 7);
  st->wHour = static_cast<WORD>(secOfDay / 3600);
  st->wMinute = static_cast<WORD>(secOfDay / 60 % 60);
  st->wSecond = static_cast<WORD>(secOfDay % 60);
  st->wMilliseconds = static_cast<WORD>(ticks / 10000 % 1000);
  return TRUE;
}

BOOL SystemTimeToFileTime(const SYSTEMTIME* st, FILETIME* ft) {
  if (!st || !ft || st->wYear < 1601 || st->wYear > 30827 || st->wMonth < 1 || st->wMonth > 12 || st->wDay < 1 ||
      st->wDay > mx::DaysInMonth(st->wYear, st->wMonth) || st->wHour > 23 || st->wMinute > 59 || st->wSecond > 59 ||
      st->wMilliseconds > 999) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::int64_t days = mx::DaysFromCivil(st->wYear, st->wMonth, st->wDay) + 134774;
  std::uint64_t seconds = static_cast<std::uint64_t>(days) * mx::kSecondsPerDay + st->wHour * 3600u +
                          st->wMinute * 60u + st->wSecond;
  *ft = mx::U64ToFileTime(seconds * mx::kTicksPerSecond + st->wMilliseconds * 10000ull);
  return TRUE;
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  if (!utc || !local) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t ticks = mx::FileTimeToU64(*utc);
  std::int64_t offset = mx::LocalOffsetAt(mx::FileTimeToUnix(ticks));
  std::int64_t shifted = static_cast<std::int64_t>(ticks) + offset * static_cast<std::int64_t>(mx::kTicksPerSecond);
  *local = mx::U64ToFileTime(static_cast<std::uint64_t>(shifted < 0 ? 0 : shifted));
  return TRUE;
}

BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc) {
  if (!local || !utc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::uint64_t ticks = mx::FileTimeToU64(*local);
  // The offset of the local instant read as UTC is right except within an hour of a zone change.
  std::int64_t offset = mx::LocalOffsetAt(mx::FileTimeToUnix(ticks));
  offset = mx::LocalOffsetAt(mx::FileTimeToUnix(ticks) - offset);
  std::int64_t shifted = static_cast<std::int64_t>(ticks) - offset * static_cast<std::int64_t>(mx::kTicksPerSecond);
  *utc = mx::U64ToFileTime(static_cast<std::uint64_t>(shifted < 0 ? 0 : shifted));
  return TRUE;
}

LONG CompareFileTime(const FILETIME* a, const FILETIME* b) {
  std::uint64_t x = mx::FileTimeToU64(*a), y = mx::FileTimeToU64(*b);
  return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace win
