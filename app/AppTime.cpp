#include "app/AppTime.h"

#include <ctime>

#include "platform/system/Time.h"

namespace app {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

bool IsLeap(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

}  // namespace

bool IsValidSystemTime(const SYSTEMTIME& st) {
  static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (st.wYear < 1970 || st.wYear > 3000 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1) return false;
  const unsigned last = kDays[st.wMonth - 1] + (st.wMonth == 2 && IsLeap(st.wYear) ? 1 : 0);
  return st.wDay <= last && st.wHour < 24 && st.wMinute < 60 && st.wSecond < 60;
}

bool SystemTimeToUnixUtc(const SYSTEMTIME& st, std::int64_t& seconds) {
  if (!IsValidSystemTime(st)) return false;
  seconds = DaysFromCivil(st.wYear, st.wMonth, st.wDay) * 86400 + st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
  return true;
}

bool SystemTimeToUnixLocal(const SYSTEMTIME& st, std::int64_t& seconds) {
  if (!IsValidSystemTime(st)) return false;
  std::tm tm{};
  tm.tm_year = st.wYear - 1900;
  tm.tm_mon = st.wMonth - 1;
  tm.tm_mday = st.wDay;
  tm.tm_hour = st.wHour;
  tm.tm_min = st.wMinute;
  tm.tm_sec = st.wSecond;
  tm.tm_isdst = -1;
  const std::int64_t t = mx::UnixFromLocalTime(tm);
  if (t == -1) return false;
  seconds = t;
  return true;
}

}  // namespace app
