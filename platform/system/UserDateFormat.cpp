#include "platform/system/UserDateFormat.h"

#include <cwctype>

namespace mx {

std::wstring FormatUserDateTime(const std::tm& t) {
  int hour12 = t.tm_hour % 12 == 0 ? 12 : t.tm_hour % 12;
  wchar_t buffer[64];
  std::swprintf(buffer, 64, L"%d/%d/%d %d:%02d:%02d %ls", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900, hour12,
                t.tm_min, t.tm_sec, t.tm_hour < 12 ? L"AM" : L"PM");
  return buffer;
}

namespace {

class Scanner {
 public:
  explicit Scanner(std::wstring_view s) : s_(s) {}
  void Blanks() {
    while (i_ < s_.size() && std::iswspace(s_[i_])) ++i_;
  }
  bool Number(int& out, size_t maxDigits) {
    size_t start = i_;
    long v = 0;
    while (i_ < s_.size() && i_ - start < maxDigits && s_[i_] >= L'0' && s_[i_] <= L'9') v = v * 10 + (s_[i_++] - L'0');
    if (i_ == start) return false;
    out = static_cast<int>(v);
    return true;
  }
  bool Char(wchar_t c) {
    if (i_ < s_.size() && s_[i_] == c) {
      ++i_;
      return true;
    }
    return false;
  }
  bool Word(std::wstring_view w) {
    if (s_.size() - i_ < w.size()) return false;
    for (size_t k = 0; k < w.size(); ++k)
      if (std::towupper(s_[i_ + k]) != static_cast<wint_t>(w[k])) return false;
    i_ += w.size();
    return true;
  }
  bool AtEnd() const { return i_ == s_.size(); }

 private:
  std::wstring_view s_;
  size_t i_ = 0;
};

bool ValidDate(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 100 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

}  // namespace

bool ParseUserDateTime(std::wstring_view text, std::tm& out) {
  Scanner s(text);
  int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
  s.Blanks();
  if (!s.Number(month, 2) || !s.Char(L'/') || !s.Number(day, 2) || !s.Char(L'/') || !s.Number(year, 4)) return false;
  s.Blanks();
  if (!s.AtEnd()) {
    if (!s.Number(hour, 2) || !s.Char(L':') || !s.Number(minute, 2)) return false;
    if (s.Char(L':') && !s.Number(second, 2)) return false;
    s.Blanks();
    bool am = s.Word(L"AM");
    bool pm = !am && s.Word(L"PM");
    if (am || pm) {
      // 12 AM is midnight, 12 PM noon.
      if (hour < 1 || hour > 12) return false;
      hour = hour % 12 + (pm ? 12 : 0);
    }
    s.Blanks();
    if (!s.AtEnd()) return false;
  }
  if (!ValidDate(year, month, day) || hour > 23 || minute > 59 || second > 59) return false;
  out = std::tm{};
  out.tm_year = year - 1900;
  out.tm_mon = month - 1;
  out.tm_mday = day;
  out.tm_hour = hour;
  out.tm_min = minute;
  out.tm_sec = second;
  out.tm_isdst = -1;
  return true;
}

}  // namespace mx
