#include "platform/taskschd/StoredTask.h"

#include <cstdio>
#include <cwchar>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/base/Text.h"
#include "platform/system/Time.h"

namespace mx {

namespace {

constexpr const wchar_t* kDayNames[7] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                         L"Thursday", L"Friday", L"Saturday"};
constexpr const wchar_t* kMonthNames[12] = {L"January", L"February", L"March",     L"April",   L"May",      L"June",
                                            L"July",    L"August",   L"September", L"October", L"November", L"December"};

std::wstring Escape(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'&': out += L"&amp;"; break;
      case L'<': out += L"&lt;"; break;
      case L'>': out += L"&gt;"; break;
      case L'"': out += L"&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::wstring FormatBoundary(const SYSTEMTIME& t) {
  wchar_t buf[32];
  std::swprintf(buf, 32, L"%04u-%02u-%02uT%02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
  return buf;
}

bool ParseBoundary(const std::wstring& text, SYSTEMTIME& out) {
  unsigned y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  if (std::swscanf(text.c_str(), L"%4u-%2u-%2uT%2u:%2u:%2u", &y, &mo, &d, &h, &mi, &s) < 3) return false;
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  out = SYSTEMTIME{};
  out.wYear = static_cast<WORD>(y);
  out.wMonth = static_cast<WORD>(mo);
  out.wDay = static_cast<WORD>(d);
  out.wHour = static_cast<WORD>(h);
  out.wMinute = static_cast<WORD>(mi);
  out.wSecond = static_cast<WORD>(s);
  out.wDayOfWeek = static_cast<WORD>(WeekdayOfDays(DaysFromCivil(static_cast<int>(y), mo, d)));
  return true;
}

const wchar_t* Bool(bool b) { return b ? L"true" : L"false"; }

class XmlOut {
 public:
  void Open(const std::wstring& tag, const std::wstring& attrs = {}) {
    Indent();
    text_ += L"<" + tag + attrs + L">\r\n";
    ++depth_;
  }
  void Close(const std::wstring& tag) {
    --depth_;
    Indent();
    text_ += L"</" + tag + L">\r\n";
  }
  void Leaf(const std::wstring& tag, std::wstring_view value) {
    Indent();
    text_ += L"<" + tag + L">" + Escape(value) + L"</" + tag + L">\r\n";
  }
  void Empty(const std::wstring& tag) {
    Indent();
    text_ += L"<" + tag + L" />\r\n";
  }
  std::wstring text_;

 private:
  void Indent() { text_.append(static_cast<size_t>(depth_) * 2, L' '); }
  int depth_ = 0;
};

void WriteTrigger(XmlOut& x, const StoredTrigger& t) {
  const std::wstring id = t.id.empty() ? std::wstring() : L" id=\"" + Escape(t.id) + L"\"";
  const auto boundaries = [&] {
    x.Leaf(L"StartBoundary", FormatBoundary(t.start));
    if (t.end) {
      SYSTEMTIME e = *t.end;
      e.wHour = 23, e.wMinute = 59, e.wSecond = 59;
      x.Leaf(L"EndBoundary", FormatBoundary(e));
    }
    x.Leaf(L"Enabled", Bool(t.enabled));
  };
  switch (t.kind) {
    case TriggerKind::Logon:
      x.Open(L"LogonTrigger", id);
      x.Leaf(L"Enabled", Bool(t.enabled));
      if (!t.delay.empty()) x.Leaf(L"Delay", t.delay);
      if (!t.userId.empty()) x.Leaf(L"UserId", t.userId);
      x.Close(L"LogonTrigger");
      return;
    case TriggerKind::Once:
      x.Open(L"TimeTrigger", id);
      boundaries();
      x.Close(L"TimeTrigger");
      return;
    case TriggerKind::Daily:
      x.Open(L"CalendarTrigger", id);
      boundaries();
      x.Open(L"ScheduleByDay");
      x.Leaf(L"DaysInterval", std::to_wstring(t.interval ? t.interval : 1));
      x.Close(L"ScheduleByDay");
      x.Close(L"CalendarTrigger");
      return;
    case TriggerKind::Weekly:
      x.Open(L"CalendarTrigger", id);
      boundaries();
      x.Open(L"ScheduleByWeek");
      x.Leaf(L"WeeksInterval", std::to_wstring(t.interval ? t.interval : 1));
      x.Open(L"DaysOfWeek");
      for (int d = 0; d < 7; ++d)
        if (t.weekdays & (1u << d)) x.Empty(kDayNames[d]);
      x.Close(L"DaysOfWeek");
      x.Close(L"ScheduleByWeek");
      x.Close(L"CalendarTrigger");
      return;
    case TriggerKind::MonthlyDate:
      x.Open(L"CalendarTrigger", id);
      boundaries();
      x.Open(L"ScheduleByMonth");
      x.Open(L"DaysOfMonth");
      for (int d = 1; d <= 31; ++d)
        if (t.days & (1u << (d - 1))) x.Leaf(L"Day", std::to_wstring(d));
      x.Close(L"DaysOfMonth");
      x.Open(L"Months");
      for (int m = 0; m < 12; ++m)
        if (t.months & (1u << m)) x.Empty(kMonthNames[m]);
      x.Close(L"Months");
      x.Close(L"ScheduleByMonth");
      x.Close(L"CalendarTrigger");
      return;
  }
}

// Just enough XML for task documents: elements, attributes, text, entities; comments, processing
// instructions and the doctype are skipped. Namespace prefixes are dropped from names.
struct Node {
  std::wstring name;
  std::map<std::wstring, std::wstring> attrs;
  std::wstring text;
  std::vector<std::unique_ptr<Node>> children;

  const Node* Child(std::wstring_view n) const {
    for (const auto& c : children)
      if (c->name == n) return c.get();
    return nullptr;
  }
  std::wstring ChildText(std::wstring_view n) const {
    const Node* c = Child(n);
    return c ? Trim(c->text) : std::wstring();
  }
};

class XmlIn {
 public:
  explicit XmlIn(std::wstring_view s) : s_(s) {}

  std::unique_ptr<Node> Document() {
    SkipMisc();
    if (!Peek(L"<")) return nullptr;
    auto root = Element(0);
    return ok_ ? std::move(root) : nullptr;
  }

 private:
  bool Peek(std::wstring_view t) const { return s_.substr(p_, t.size()) == t; }
  void SkipSpace() {
    while (p_ < s_.size() && std::iswspace(s_[p_])) ++p_;
  }
  bool SkipPast(std::wstring_view t) {
    const size_t at = s_.find(t, p_);
    if (at == std::wstring_view::npos) return ok_ = false;
    p_ = at + t.size();
    return true;
  }
  void SkipMisc() {
    for (;;) {
      SkipSpace();
      if (Peek(L"<?")) {
        if (!SkipPast(L"?>")) return;
      } else if (Peek(L"<!--")) {
        if (!SkipPast(L"-->")) return;
      } else if (Peek(L"<!")) {
        if (!SkipPast(L">")) return;
      } else {
        return;
      }
    }
  }
  std::wstring Name() {
    const size_t from = p_;
    while (p_ < s_.size() && !std::iswspace(s_[p_]) && s_[p_] != L'>' && s_[p_] != L'/' && s_[p_] != L'=') ++p_;
    std::wstring n(s_.substr(from, p_ - from));
    const size_t colon = n.find(L':');
    return colon == std::wstring::npos ? n : n.substr(colon + 1);
  }
  std::wstring Decode(std::wstring_view raw) {
    std::wstring out;
    for (size_t i = 0; i < raw.size(); ++i) {
      if (raw[i] != L'&') {
        out += raw[i];
        continue;
      }
      const size_t semi = raw.find(L';', i);
      if (semi == std::wstring_view::npos) {
        out += raw[i];
        continue;
      }
      const std::wstring_view ent = raw.substr(i + 1, semi - i - 1);
      if (ent == L"lt") out += L'<';
      else if (ent == L"gt") out += L'>';
      else if (ent == L"amp") out += L'&';
      else if (ent == L"quot") out += L'"';
      else if (ent == L"apos") out += L'\'';
      else if (!ent.empty() && ent[0] == L'#') {
        const std::wstring digits(ent.substr(1));
        const unsigned long v = digits.size() > 1 && (digits[0] == L'x' || digits[0] == L'X')
                                    ? std::wcstoul(digits.c_str() + 1, nullptr, 16)
                                    : std::wcstoul(digits.c_str(), nullptr, 10);
        if (v > 0 && v < 0x10000) out += static_cast<wchar_t>(v);
      } else {
        out.append(raw.substr(i, semi - i + 1));
      }
      i = semi;
    }
    return out;
  }
  std::unique_ptr<Node> Element(int depth) {
    if (depth > 64) {
      ok_ = false;
      return nullptr;
    }
    auto node = std::make_unique<Node>();
    ++p_;  // '<'
    node->name = Name();
    if (node->name.empty()) return Fail();
    for (;;) {
      SkipSpace();
      if (p_ >= s_.size()) return Fail();
      if (Peek(L"/>")) {
        p_ += 2;
        return node;
      }
      if (s_[p_] == L'>') {
        ++p_;
        break;
      }
      std::wstring attr = Name();
      SkipSpace();
      if (attr.empty() || !Peek(L"=")) return Fail();
      ++p_;
      SkipSpace();
      if (p_ >= s_.size() || (s_[p_] != L'"' && s_[p_] != L'\'')) return Fail();
      const wchar_t quote = s_[p_++];
      const size_t close = s_.find(quote, p_);
      if (close == std::wstring_view::npos) return Fail();
      node->attrs[attr] = Decode(s_.substr(p_, close - p_));
      p_ = close + 1;
    }
    for (;;) {
      const size_t lt = s_.find(L'<', p_);
      if (lt == std::wstring_view::npos) return Fail();
      node->text += Decode(s_.substr(p_, lt - p_));
      p_ = lt;
      if (Peek(L"</")) {
        p_ += 2;
        if (Name() != node->name) return Fail();
        SkipSpace();
        if (!Peek(L">")) return Fail();
        ++p_;
        return node;
      }
      if (Peek(L"<!--")) {
        if (!SkipPast(L"-->")) return nullptr;
      } else if (Peek(L"<![CDATA[")) {
        p_ += 9;
        const size_t end = s_.find(L"]]>", p_);
        if (end == std::wstring_view::npos) return Fail();
        node->text.append(s_.substr(p_, end - p_));
        p_ = end + 3;
      } else if (Peek(L"<?")) {
        if (!SkipPast(L"?>")) return nullptr;
      } else {
        auto child = Element(depth + 1);
        if (!child) return Fail();
        node->children.push_back(std::move(child));
      }
    }
  }
  std::unique_ptr<Node> Fail() {
    ok_ = false;
    return nullptr;
  }

  std::wstring_view s_;
  size_t p_ = 0;
  bool ok_ = true;
};

bool ReadBool(const Node& n, std::wstring_view child, bool fallback) {
  const std::wstring t = n.ChildText(child);
  if (t.empty()) return fallback;
  return t == L"true" || t == L"1";
}

int ReadInt(const Node& n, std::wstring_view child, int fallback) {
  const std::wstring t = n.ChildText(child);
  if (t.empty()) return fallback;
  const long v = std::wcstol(t.c_str(), nullptr, 10);
  return v > 0 && v < 0x10000 ? static_cast<int>(v) : fallback;
}

bool ReadTrigger(const Node& n, StoredTrigger& t) {
  if (auto it = n.attrs.find(L"id"); it != n.attrs.end()) t.id = it->second;
  t.enabled = ReadBool(n, L"Enabled", true);
  if (n.name == L"LogonTrigger") {
    t.kind = TriggerKind::Logon;
    t.delay = n.ChildText(L"Delay");
    t.userId = n.ChildText(L"UserId");
    return true;
  }
  if (!ParseBoundary(n.ChildText(L"StartBoundary"), t.start)) return false;
  SYSTEMTIME end{};
  if (ParseBoundary(n.ChildText(L"EndBoundary"), end)) t.end = end;
  if (n.name == L"TimeTrigger") {
    t.kind = TriggerKind::Once;
    return true;
  }
  if (n.name != L"CalendarTrigger") return false;
  if (const Node* byDay = n.Child(L"ScheduleByDay")) {
    t.kind = TriggerKind::Daily;
    t.interval = static_cast<WORD>(ReadInt(*byDay, L"DaysInterval", 1));
    return true;
  }
  if (const Node* byWeek = n.Child(L"ScheduleByWeek")) {
    t.kind = TriggerKind::Weekly;
    t.interval = static_cast<WORD>(ReadInt(*byWeek, L"WeeksInterval", 1));
    t.weekdays = 0;
    if (const Node* days = byWeek->Child(L"DaysOfWeek"))
      for (int d = 0; d < 7; ++d)
        if (days->Child(kDayNames[d])) t.weekdays |= static_cast<WORD>(1u << d);
    return t.weekdays != 0;
  }
  if (const Node* byMonth = n.Child(L"ScheduleByMonth")) {
    t.kind = TriggerKind::MonthlyDate;
    t.days = 0;
    if (const Node* days = byMonth->Child(L"DaysOfMonth"))
      for (const auto& d : days->children) {
        const long v = std::wcstol(Trim(d->text).c_str(), nullptr, 10);
        if (d->name == L"Day" && v >= 1 && v <= 31) t.days |= 1u << (v - 1);
      }
    t.months = 0;
    if (const Node* months = byMonth->Child(L"Months"))
      for (int m = 0; m < 12; ++m)
        if (months->Child(kMonthNames[m])) t.months |= static_cast<WORD>(1u << m);
    return t.days != 0 && t.months != 0;
  }
  return false;
}

SYSTEMTIME AtDay(std::int64_t days, const SYSTEMTIME& timeOfDay) {
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(days, y, m, d);
  SYSTEMTIME t{};
  t.wYear = static_cast<WORD>(y);
  t.wMonth = static_cast<WORD>(m);
  t.wDay = static_cast<WORD>(d);
  t.wDayOfWeek = static_cast<WORD>(WeekdayOfDays(days));
  t.wHour = timeOfDay.wHour;
  t.wMinute = timeOfDay.wMinute;
  t.wSecond = timeOfDay.wSecond;
  return t;
}

int CompareTimes(const SYSTEMTIME& a, const SYSTEMTIME& b) {
  const WORD fa[] = {a.wYear, a.wMonth, a.wDay, a.wHour, a.wMinute, a.wSecond};
  const WORD fb[] = {b.wYear, b.wMonth, b.wDay, b.wHour, b.wMinute, b.wSecond};
  for (int i = 0; i < 6; ++i)
    if (fa[i] != fb[i]) return fa[i] < fb[i] ? -1 : 1;
  return 0;
}

std::int64_t DaysOf(const SYSTEMTIME& t) { return DaysFromCivil(t.wYear, t.wMonth, t.wDay); }

}  // namespace

int WeekdayOfDays(std::int64_t days) { return static_cast<int>(((days % 7) + 11) % 7); }

bool TriggerRunsOnDay(const StoredTrigger& t, std::int64_t day) {
  const std::int64_t first = DaysOf(t.start);
  if (day < first) return false;
  if (t.end && day > DaysOf(*t.end)) return false;
  const std::int64_t interval = t.interval ? t.interval : 1;
  switch (t.kind) {
    case TriggerKind::Once: return day == first;
    case TriggerKind::Daily: return (day - first) % interval == 0;
    case TriggerKind::Weekly: {
      if (!(t.weekdays & (1u << WeekdayOfDays(day)))) return false;
      // Weeks count from the Sunday of the first run's week.
      const std::int64_t weekStart = first - WeekdayOfDays(first);
      return ((day - weekStart) / 7) % interval == 0;
    }
    case TriggerKind::MonthlyDate: {
      std::int64_t y = 0;
      unsigned m = 0, d = 0;
      CivilFromDays(day, y, m, d);
      return (t.months & (1u << (m - 1))) && (t.days & (1u << (d - 1)));
    }
    case TriggerKind::Logon: return false;
  }
  return false;
}

std::optional<SYSTEMTIME> NextTriggerRun(const StoredTrigger& t, const SYSTEMTIME& now) {
  if (t.kind == TriggerKind::Logon || !t.enabled || t.start.wYear == 0) return std::nullopt;
  std::int64_t day = std::max(DaysOf(t.start), DaysOf(now));
  for (int i = 0; i < 5 * 366 + 31; ++i, ++day) {
    if (!TriggerRunsOnDay(t, day)) continue;
    const SYSTEMTIME candidate = AtDay(day, t.start);
    if (CompareTimes(candidate, now) > 0) return candidate;
  }
  return std::nullopt;
}

std::optional<SYSTEMTIME> NextRunTime(const StoredTask& task, const SYSTEMTIME& now) {
  std::optional<SYSTEMTIME> best;
  for (const auto& t : task.triggers)
    if (auto next = NextTriggerRun(t, now); next && (!best || CompareTimes(*next, *best) < 0)) best = next;
  return best;
}

std::wstring TaskToXml(const StoredTask& task) {
  XmlOut x;
  x.text_ = L"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n";
  x.Open(L"Task", L" version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\"");
  x.Open(L"RegistrationInfo");
  if (!task.author.empty()) x.Leaf(L"Author", task.author);
  if (!task.description.empty()) x.Leaf(L"Description", task.description);
  x.Leaf(L"URI", L"\\" + task.name);
  x.Close(L"RegistrationInfo");
  x.Open(L"Triggers");
  for (const auto& t : task.triggers) WriteTrigger(x, t);
  x.Close(L"Triggers");
  x.Open(L"Principals");
  x.Open(L"Principal", L" id=\"Author\"");
  if (!task.groupId.empty()) x.Leaf(L"GroupId", task.groupId);
  else if (!task.userId.empty()) x.Leaf(L"UserId", task.userId);
  if (task.groupId.empty() && !task.logonType.empty()) x.Leaf(L"LogonType", task.logonType);
  x.Leaf(L"RunLevel", task.highestRunLevel ? L"HighestAvailable" : L"LeastPrivilege");
  x.Close(L"Principal");
  x.Close(L"Principals");
  x.Open(L"Settings");
  x.Leaf(L"AllowStartOnDemand", Bool(task.allowStartOnDemand));
  x.Leaf(L"AllowHardTerminate", Bool(task.allowHardTerminate));
  x.Leaf(L"StartWhenAvailable", Bool(task.startWhenAvailable));
  x.Leaf(L"ExecutionTimeLimit", task.executionTimeLimit);
  x.Leaf(L"Enabled", Bool(task.enabled));
  x.Close(L"Settings");
  x.Open(L"Actions", L" Context=\"Author\"");
  x.Open(L"Exec");
  x.Leaf(L"Command", task.command);
  if (!task.arguments.empty()) x.Leaf(L"Arguments", task.arguments);
  if (!task.workingDirectory.empty()) x.Leaf(L"WorkingDirectory", task.workingDirectory);
  x.Close(L"Exec");
  x.Close(L"Actions");
  x.Close(L"Task");
  return x.text_;
}

std::optional<StoredTask> TaskFromXml(std::wstring_view xml, const std::wstring& name) {
  auto root = XmlIn(xml).Document();
  if (!root || root->name != L"Task") return std::nullopt;
  StoredTask task;
  task.name = name;
  if (const Node* info = root->Child(L"RegistrationInfo")) {
    task.author = info->ChildText(L"Author");
    task.description = info->ChildText(L"Description");
  }
  if (const Node* triggers = root->Child(L"Triggers"))
    for (const auto& n : triggers->children) {
      StoredTrigger t;
      if (ReadTrigger(*n, t)) task.triggers.push_back(t);  // kinds we do not schedule are left out
    }
  if (const Node* principals = root->Child(L"Principals"))
    if (const Node* p = principals->Child(L"Principal")) {
      task.userId = p->ChildText(L"UserId");
      task.groupId = p->ChildText(L"GroupId");
      task.logonType = p->ChildText(L"LogonType");
      task.highestRunLevel = p->ChildText(L"RunLevel") == L"HighestAvailable";
    }
  if (const Node* s = root->Child(L"Settings")) {
    task.allowStartOnDemand = ReadBool(*s, L"AllowStartOnDemand", true);
    task.allowHardTerminate = ReadBool(*s, L"AllowHardTerminate", true);
    task.startWhenAvailable = ReadBool(*s, L"StartWhenAvailable", false);
    task.enabled = ReadBool(*s, L"Enabled", true);
    const std::wstring limit = s->ChildText(L"ExecutionTimeLimit");
    if (!limit.empty()) task.executionTimeLimit = limit;
  }
  if (const Node* actions = root->Child(L"Actions"))
    if (const Node* exec = actions->Child(L"Exec")) {
      task.command = exec->ChildText(L"Command");
      task.arguments = exec->ChildText(L"Arguments");
      task.workingDirectory = exec->ChildText(L"WorkingDirectory");
    }
  return task;
}

}  // namespace mx
