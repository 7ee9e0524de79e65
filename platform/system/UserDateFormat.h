#pragma once
// Dates and times in the user's default format (the prefix's user runs in English (United States):
// "12/10/2026 5:08:26 PM"), written and read back as the date class of the class library does.
#include <ctime>
#include <string>
#include <string_view>

namespace mx {

// "M/d/yyyy h:mm:ss tt".
std::wstring FormatUserDateTime(const std::tm& local);
// Reads "M/d/yyyy" with an optional time "h:mm" or "h:mm:ss" and an optional AM/PM, blanks around the parts
// tolerated; false for anything else or a date the calendar lacks. Fills year, month, day, hour, minute, second.
bool ParseUserDateTime(std::wstring_view text, std::tm& out);

}  // namespace mx
