#include "platform/system/OleDateTime.h"

#include "platform/system/Time.h"
#include "platform/system/UserDateFormat.h"

namespace {

bool ValidDate(int y, int m, int d) {
  std::tm probe{};
  return y >= 100 && y <= 9999 && mx::ParseUserDateTime(std::to_wstring(m) + L"/" + std::to_wstring(d) + L"/" +
                                                            std::to_wstring(y), probe);
}

std::tm ToTm(const COleDateTime& t) {
  std::tm tm{};
  tm.tm_year = t.GetYear() - 1900, tm.tm_mon = t.GetMonth() - 1, tm.tm_mday = t.GetDay();
  tm.tm_hour = t.GetHour(), tm.tm_min = t.GetMinute(), tm.tm_sec = t.GetSecond();
  tm.tm_wday = t.GetDayOfWeek() - 1;
  return tm;
}

}  // namespace

COleDateTime::COleDateTime(const SYSTEMTIME& st) {
  SetDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

COleDateTime COleDateTime::GetCurrentTime() {
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  return COleDateTime(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

int COleDateTime::SetDateTime(int y, int mo, int d, int h, int mi, int s) {
  if (!ValidDate(y, mo, d) || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) {
    status_ = invalid;
    return 1;
  }
  year_ = y, month_ = mo, day_ = d, hour_ = h, minute_ = mi, second_ = s;
  status_ = valid;
  return 0;
}

int COleDateTime::GetDayOfWeek() const {
  int y = year_, m = month_;
  static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
  if (m < 3) --y;
  return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + day_) % 7 + 1;
}

bool COleDateTime::GetAsSystemTime(SYSTEMTIME& st) const {
  if (status_ != valid) return false;
  st = SYSTEMTIME{};
  st.wYear = static_cast<WORD>(year_), st.wMonth = static_cast<WORD>(month_), st.wDay = static_cast<WORD>(day_);
  st.wHour = static_cast<WORD>(hour_), st.wMinute = static_cast<WORD>(minute_), st.wSecond = static_cast<WORD>(second_);
  st.wDayOfWeek = static_cast<WORD>(GetDayOfWeek() - 1);
  return true;
}

long long COleDateTime::Key() const {
  return ((((static_cast<long long>(year_) * 13 + month_) * 32 + day_) * 24 + hour_) * 60 + minute_) * 60 + second_;
}

std::wstring COleDateTime::Format(const wchar_t* format) const {
  if (status_ != valid || !format) return L"";
  return mx::FormatTime(format, ToTm(*this));
}

std::wstring COleDateTime::Format(DWORD, LCID) const {
  return status_ == valid ? mx::FormatUserDateTime(ToTm(*this)) : L"";
}

bool COleDateTime::ParseDateTime(const wchar_t* text, DWORD, LCID) {
  status_ = invalid;
  std::tm tm{};
  if (!text || !mx::ParseUserDateTime(text, tm)) return false;
  return SetDateTime(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec) == 0;
}
