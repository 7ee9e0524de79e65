#include "mainwnd/ScanSummaryTexts.h"

#include "app/LocalizedStrings.h"
#include "platform/base/SafeFormat.h"

std::wstring ProblemCountText(int problems) {
  return mx::SafeFormat(GetLocalizedString(problems == 1 ? L"IDS_ERRORCOUNT" : L"IDS_ERRORCOUNTS"), {problems});
}

std::wstring DaysAgoText(int days) {
  if (days == 0) return GetLocalizedString(L"IDS_TODAY");
  if (days == 1) return GetLocalizedString(L"IDS_YESTERDAY");
  return mx::SafeFormat(GetLocalizedString(L"IDS_DAYSAGO"), {days});
}

std::wstring FormatLastScanTime(const SYSTEMTIME& t) {
  static const wchar_t* const kDays[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
  static const wchar_t* const kMonths[] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                           L"July",    L"August",   L"September", L"October", L"November", L"December"};
  if (t.wDayOfWeek > 6 || t.wMonth < 1 || t.wMonth > 12) return L"";
  auto two = [](int n) { return std::wstring(n < 10 ? L"0" : L"") + std::to_wstring(n); };
  const int hour12 = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
  return std::wstring(kDays[t.wDayOfWeek]) + L". " + kMonths[t.wMonth - 1] + L" " + two(t.wDay) + L", " +
         std::to_wstring(t.wYear) + L". " + two(hour12) + L":" + two(t.wMinute) + (t.wHour < 12 ? L" AM" : L" PM");
}
