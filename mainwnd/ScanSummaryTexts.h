#pragma once
// The texts the home and scan screens build about the last scan: its age, the problems it left, and the
// stored time of a completed scan.
#include <string>

#include "platform/base/WinTypes.h"

// "%d error" for one problem, "%d errors" for any other count (the language file's templates).
std::wstring ProblemCountText(int problems);
// Today, yesterday or "%d days ago" for days of 0, 1 or more.
std::wstring DaysAgoText(int days);
// "Thu. December 10, 2026. 02:05 PM": the last-scan text the screens show, in English whatever the locale;
// empty for a time that names no weekday or month.
std::wstring FormatLastScanTime(const SYSTEMTIME& localTime);
