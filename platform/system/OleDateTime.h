#pragma once
// The class library's date-and-time value: a local calendar date and time of day, to the second. Format and
// ParseDateTime with LANG_USER_DEFAULT use the user's default form (UserDateFormat.h), so a stored text reads
// back as the value it was made from.
#include <string>

#include "platform/base/WinTypes.h"

using LCID = DWORD;
inline constexpr LCID LANG_USER_DEFAULT = 0x400;

class COleDateTime {
 public:
  enum DateTimeStatus { valid = 0, invalid = 1 };

  COleDateTime() = default;  // the zero date, 30 December 1899 00:00:00
  COleDateTime(int year, int month, int day, int hour, int minute, int second) {
    SetDateTime(year, month, day, hour, minute, second);
  }
  explicit COleDateTime(const SYSTEMTIME& st);

  // The local time now, from the platform clock.
  static COleDateTime GetCurrentTime();

  // 0 when the value was set, 1 when the fields do not make a date (the value becomes invalid).
  int SetDateTime(int year, int month, int day, int hour, int minute, int second);
  DateTimeStatus GetStatus() const { return status_; }

  int GetYear() const { return year_; }
  int GetMonth() const { return month_; }
  int GetDay() const { return day_; }
  int GetHour() const { return hour_; }
  int GetMinute() const { return minute_; }
  int GetSecond() const { return second_; }
  // 1 Sunday ... 7 Saturday.
  int GetDayOfWeek() const;
  bool GetAsSystemTime(SYSTEMTIME& st) const;

  // strftime in the C locale ("%a. %B %d, %Y. %I:%M %p").
  std::wstring Format(const wchar_t* format) const;
  // The user's default form; flags and lcid are accepted as the class library takes them.
  std::wstring Format(DWORD flags = 0, LCID lcid = LANG_USER_DEFAULT) const;
  // Reads the user's default form (a date with an optional time); false leaves the value invalid.
  bool ParseDateTime(const wchar_t* text, DWORD flags = 0, LCID lcid = LANG_USER_DEFAULT);

  friend bool operator==(const COleDateTime&, const COleDateTime&) = default;
  bool operator<(const COleDateTime& other) const { return Key() < other.Key(); }
  bool operator>(const COleDateTime& other) const { return other < *this; }

 private:
  long long Key() const;

  int year_ = 1899, month_ = 12, day_ = 30, hour_ = 0, minute_ = 0, second_ = 0;
  DateTimeStatus status_ = valid;
};
