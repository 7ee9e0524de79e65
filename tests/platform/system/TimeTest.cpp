#include "platform/system/Time.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/base/Clock.h"

namespace {

class PinnedZone {
 public:
  explicit PinnedZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) old_ = old, had_ = true;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~PinnedZone() {
    if (had_)
      ::setenv("TZ", old_.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::string old_;
  bool had_ = false;
};

TEST(Time, FileTimeAndSystemTimeConvertBothWays) {
  struct Case {
    std::uint64_t ticks;
    SYSTEMTIME st;
  };
  const Case cases[] = {
      {0, {1601, 1, 1, 1, 0, 0, 0, 0}},                        // the epoch was a Monday
      {116444736000000000ull, {1970, 1, 4, 1, 0, 0, 0, 0}},    // 1970-01-01, a Thursday
      {132274080000000000ull, {2020, 2, 6, 29, 0, 0, 0, 0}},   // a leap day, a Saturday
      {134000000000000000ull + 12345678, {2025, 8, 1, 18, 14, 13, 21, 234}},
  };
  for (const auto& c : cases) {
    FILETIME ft = mx::U64ToFileTime(c.ticks);
    SYSTEMTIME st;
    ASSERT_TRUE(win::FileTimeToSystemTime(&ft, &st));
    EXPECT_EQ(st.wYear, c.st.wYear);
    EXPECT_EQ(st.wMonth, c.st.wMonth);
    EXPECT_EQ(st.wDay, c.st.wDay);
    EXPECT_EQ(st.wDayOfWeek, c.st.wDayOfWeek) << st.wYear;
    EXPECT_EQ(st.wHour, c.st.wHour);
    EXPECT_EQ(st.wMinute, c.st.wMinute);
    EXPECT_EQ(st.wSecond, c.st.wSecond);
    EXPECT_EQ(st.wMilliseconds, c.st.wMilliseconds);
    FILETIME back;
    ASSERT_TRUE(win::SystemTimeToFileTime(&st, &back));
    EXPECT_EQ(mx::FileTimeToU64(back), c.ticks / 10000 * 10000);
  }
  const SYSTEMTIME invalid[] = {{2023, 2, 0, 29, 0, 0, 0, 0}, {2024, 13, 0, 1, 0, 0, 0, 0}, {1600, 12, 0, 31, 0, 0, 0, 0},
                                {2024, 1, 0, 1, 24, 0, 0, 0}, {2024, 4, 0, 31, 0, 0, 0, 0}};
  for (const auto& st : invalid) {
    FILETIME ft;
    EXPECT_FALSE(win::SystemTimeToFileTime(&st, &ft)) << st.wYear << "-" << st.wMonth << "-" << st.wDay;
  }
  FILETIME huge = mx::U64ToFileTime(0x8000000000000000ull);
  SYSTEMTIME st;
  EXPECT_FALSE(win::FileTimeToSystemTime(&huge, &st));
}

TEST(Time, ClockDrivesSystemAndLocalTimeInTheHostZone) {
  PinnedZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
  // 2024-07-01 10:00:00 UTC: summer time, two hours ahead.
  mx::FakeClock clock(mx::UnixToFileTime(1719828000));
  mx::SetClock(&clock);
  SYSTEMTIME utc, local;
  win::GetSystemTime(&utc);
  win::GetLocalTime(&local);
  EXPECT_EQ(utc.wHour, 10);
  EXPECT_EQ(local.wHour, 12);
  EXPECT_EQ(mx::UnixTimeNow(), 1719828000);
  clock.Advance(3600 * 1000);
  win::GetSystemTime(&utc);
  EXPECT_EQ(utc.wHour, 11);

  FILETIME u = mx::U64ToFileTime(mx::UnixToFileTime(1704103200));  // 2024-01-01 10:00 UTC, winter
  FILETIME l, back;
  ASSERT_TRUE(win::FileTimeToLocalFileTime(&u, &l));
  EXPECT_EQ(mx::FileTimeToU64(l) - mx::FileTimeToU64(u), 3600ull * 10000000);
  ASSERT_TRUE(win::LocalFileTimeToFileTime(&l, &back));
  EXPECT_EQ(mx::FileTimeToU64(back), mx::FileTimeToU64(u));

  std::tm tm{};
  ASSERT_TRUE(mx::LocalTimeFromUnix(1719828000, tm));
  EXPECT_EQ(mx::FormatTime(L"%a, %b %d, %y  %H:%M", tm), L"Mon, Jul 01, 24  12:00");
  EXPECT_EQ(mx::UnixFromLocalTime(tm), 1719828000);
  mx::SetClock(nullptr);
}

}  // namespace
