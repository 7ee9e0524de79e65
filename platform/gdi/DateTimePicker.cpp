// "SysDateTimePick32": holds a full date and time, shows the date (short format) or the time (DTS_TIMEFORMAT),
// and tells the parent DTN_DATETIMECHANGE when the user changes it (arrow keys step the day or the minute).
#include <cstdio>
#include <ctime>

#include "platform/gdi/ControlCommon.h"

namespace gdi::controls {
namespace {

struct DateTimeState : ControlState {
  SYSTEMTIME time;
  bool none = false;
};

bool IsTimeFormat(HWND hwnd) { return (win::GetWindowLong(hwnd, GWL_STYLE) & DTS_TIMEFORMAT) == DTS_TIMEFORMAT; }

std::wstring Format(HWND hwnd, const SYSTEMTIME& t) {
  wchar_t buf[64];
  if (IsTimeFormat(hwnd)) {
    int hour = t.wHour % 12 == 0 ? 12 : t.wHour % 12;
    std::swprintf(buf, 64, L"%d:%02d:%02d %ls", hour, t.wMinute, t.wSecond, t.wHour < 12 ? L"AM" : L"PM");
  } else {
    std::swprintf(buf, 64, L"%d/%d/%04d", t.wMonth, t.wDay, t.wYear);
  }
  return buf;
}

// Steps by whole days or minutes through the C library's calendar arithmetic.
void Step(SYSTEMTIME& t, bool time, int delta) {
  std::tm tm{};
  tm.tm_year = t.wYear - 1900;
  tm.tm_mon = t.wMonth - 1;
  tm.tm_mday = t.wDay + (time ? 0 : delta);
  tm.tm_hour = t.wHour;
  tm.tm_min = t.wMinute + (time ? delta : 0);
  tm.tm_sec = t.wSecond;
  time_t v = timegm(&tm);
  std::tm out{};
  gmtime_r(&v, &out);
  t.wYear = static_cast<WORD>(out.tm_year + 1900);
  t.wMonth = static_cast<WORD>(out.tm_mon + 1);
  t.wDay = static_cast<WORD>(out.tm_mday);
  t.wDayOfWeek = static_cast<WORD>(out.tm_wday);
  t.wHour = static_cast<WORD>(out.tm_hour);
  t.wMinute = static_cast<WORD>(out.tm_min);
  t.wSecond = static_cast<WORD>(out.tm_sec);
}

bool Valid(const SYSTEMTIME& t) {
  return t.wYear >= 1601 && t.wYear <= 30827 && t.wMonth >= 1 && t.wMonth <= 12 && t.wDay >= 1 && t.wDay <= 31 &&
         t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60;
}

void Paint(HWND hwnd) {
  auto* s = StateOf<DateTimeState>(hwnd);
  ControlPaint paint(hwnd);
  HDC hdc = paint.hdc;
  const RECT rc = paint.rc;
  if (hdc && s) {
    paint.FillField(s->font);
    RECT label{4, 0, rc.right - 4, rc.bottom};
    win::SetBkMode(hdc, TRANSPARENT);
    std::wstring text = s->none ? std::wstring() : Format(hwnd, s->time);
    win::DrawText(hdc, text.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
}

LRESULT DateTimeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (HandleCommon<DateTimeState>(hwnd, msg, wParam, lParam, &result)) return result;
  auto* s = StateOf<DateTimeState>(hwnd);
  if (!s) return win::DefWindowProc(hwnd, msg, wParam, lParam);
  switch (msg) {
    case WM_CREATE: {
      std::time_t now = std::time(nullptr);
      std::tm tm{};
      localtime_r(&now, &tm);
      s->time = SYSTEMTIME{static_cast<WORD>(tm.tm_year + 1900), static_cast<WORD>(tm.tm_mon + 1),
                           static_cast<WORD>(tm.tm_wday), static_cast<WORD>(tm.tm_mday), static_cast<WORD>(tm.tm_hour),
                           static_cast<WORD>(tm.tm_min), static_cast<WORD>(tm.tm_sec), 0};
      return 0;
    }
    case WM_PAINT: Paint(hwnd); return 0;
    case DTM_GETSYSTEMTIME: {
      auto* out = reinterpret_cast<SYSTEMTIME*>(lParam);
      if (!out) return static_cast<LRESULT>(GDT_NONE);
      *out = s->time;
      return static_cast<LRESULT>(s->none ? GDT_NONE : GDT_VALID);
    }
    case DTM_SETSYSTEMTIME: {
      auto* in = reinterpret_cast<const SYSTEMTIME*>(lParam);
      if (wParam == GDT_NONE) {
        s->none = true;
      } else {
        if (!in || !Valid(*in)) return FALSE;  // an impossible date is refused, the old one kept
        s->time = *in;
        s->none = false;
      }
      win::InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case WM_LBUTTONDOWN: win::SetFocus(hwnd); return 0;
    case WM_KEYDOWN:
      if (wParam == 0x26 || wParam == 0x28) {
        Step(s->time, IsTimeFormat(hwnd), wParam == 0x26 ? 1 : -1);
        s->none = false;
        win::InvalidateRect(hwnd, nullptr, TRUE);
        NMDATETIMECHANGE nm;
        nm.dwFlags = GDT_VALID;
        nm.st = s->time;
        NotifyParent(hwnd, &nm.nmhdr, DTN_DATETIMECHANGE);
      }
      return 0;
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

}  // namespace

void RegisterDateTimeClass() { RegisterControlClass(DATETIMEPICK_CLASS, DateTimeProc); }

}  // namespace gdi::controls
