#include "platform/taskschd/StoredTask.h"

#include <gtest/gtest.h>

namespace {

SYSTEMTIME At(WORD y, WORD m, WORD d, WORD h = 0, WORD mi = 0) {
  SYSTEMTIME t{};
  t.wYear = y, t.wMonth = m, t.wDay = d, t.wHour = h, t.wMinute = mi;
  return t;
}

mx::StoredTrigger Trigger(mx::TriggerKind kind, SYSTEMTIME start, WORD interval = 1) {
  mx::StoredTrigger t;
  t.kind = kind;
  t.start = start;
  t.interval = interval;
  return t;
}

TEST(StoredTask, XmlKeepsEveryTriggerKindAndTheAction) {
  mx::StoredTask task;
  task.name = L"Q & A <task>";
  task.author = L"Tarvolen";
  task.command = L"C:\\Program Files (x86)\\Tarvolen\\Mendrix\\mendrix.exe";
  task.arguments = L"scan \"a&b\"";
  task.groupId = L"S-1-5-32-545";
  task.highestRunLevel = true;
  task.executionTimeLimit = L"PT0S";
  task.triggers.push_back(Trigger(mx::TriggerKind::Once, At(2026, 12, 24, 18, 5)));
  task.triggers.back().end = At(2027, 1, 2);
  task.triggers.push_back(Trigger(mx::TriggerKind::Daily, At(2026, 1, 1, 7, 0), 3));
  auto weekly = Trigger(mx::TriggerKind::Weekly, At(2026, 1, 1, 7, 0), 2);
  weekly.weekdays = 0x8 | 0x40;
  task.triggers.push_back(weekly);
  auto monthly = Trigger(mx::TriggerKind::MonthlyDate, At(2026, 1, 1, 7, 0));
  monthly.days = (1u << 2) | (1u << 30);
  monthly.months = 0x5;
  task.triggers.push_back(monthly);
  mx::StoredTrigger logon;
  logon.kind = mx::TriggerKind::Logon;
  logon.id = L"VERevizera";
  logon.delay = L"PT5S";
  task.triggers.push_back(logon);

  const std::wstring xml = mx::TaskToXml(task);
  EXPECT_NE(xml.find(L"<DaysOfWeek>\r\n"), std::wstring::npos);
  EXPECT_NE(xml.find(L"<LogonTrigger id=\"VERevizera\">"), std::wstring::npos);
  auto back = mx::TaskFromXml(xml, task.name);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->command, task.command);
  EXPECT_EQ(back->arguments, task.arguments);
  EXPECT_EQ(back->groupId, task.groupId);
  EXPECT_TRUE(back->highestRunLevel);
  EXPECT_EQ(back->executionTimeLimit, L"PT0S");
  ASSERT_EQ(back->triggers.size(), 5u);
  EXPECT_EQ(back->triggers[0].kind, mx::TriggerKind::Once);
  ASSERT_TRUE(back->triggers[0].end);
  EXPECT_EQ(back->triggers[0].end->wDay, 2);
  EXPECT_EQ(back->triggers[0].start.wMinute, 5);
  EXPECT_EQ(back->triggers[1].interval, 3);
  EXPECT_EQ(back->triggers[2].weekdays, 0x48);
  EXPECT_EQ(back->triggers[2].interval, 2);
  EXPECT_EQ(back->triggers[3].days, (1u << 2) | (1u << 30));
  EXPECT_EQ(back->triggers[3].months, 0x5);
  EXPECT_EQ(back->triggers[4].kind, mx::TriggerKind::Logon);
  EXPECT_EQ(back->triggers[4].delay, L"PT5S");
}

TEST(StoredTask, TextThatIsNoTaskIsRefused) {
  for (const wchar_t* text : {L"", L"<Task>", L"<NotATask/>", L"<Task><Actions></Task>", L"garbage"})
    EXPECT_FALSE(mx::TaskFromXml(text, L"x")) << text;
  // A foreign task with a comment, a namespace prefix and entities still reads.
  auto t = mx::TaskFromXml(
      L"<?xml version='1.0'?><!-- by hand --><t:Task xmlns:t='x'><t:Actions><t:Exec>"
      L"<t:Command>a&amp;b&#46;exe</t:Command></t:Exec></t:Actions></t:Task>",
      L"x");
  ASSERT_TRUE(t);
  EXPECT_EQ(t->command, L"a&b.exe");
}

TEST(StoredTask, NextRunFollowsEachKindsCalendar) {
  const SYSTEMTIME now = At(2026, 12, 10, 12, 0);  // a Thursday
  auto weekly2 = Trigger(mx::TriggerKind::Weekly, At(2026, 12, 1, 9, 30), 2);  // from the week of Tue 1 Dec
  weekly2.weekdays = 0x8;                                                      // Wednesdays
  auto monthly = Trigger(mx::TriggerKind::MonthlyDate, At(2026, 1, 1, 6, 0));
  monthly.days = (1u << 2) | (1u << 16) | (1u << 30);  // 3, 17, 31
  struct Case {
    mx::StoredTrigger trigger;
    std::optional<SYSTEMTIME> expected;
    const char* why;
  } cases[] = {
      {Trigger(mx::TriggerKind::Once, At(2026, 12, 10, 12, 1)), At(2026, 12, 10, 12, 1), "later today"},
      {Trigger(mx::TriggerKind::Once, At(2026, 12, 10, 11, 59)), std::nullopt, "already past"},
      {Trigger(mx::TriggerKind::Daily, At(2026, 12, 1, 8, 0), 4), At(2026, 12, 13, 8, 0), "every fourth day"},
      {weekly2, At(2026, 12, 16, 9, 30), "the second week after the first"},
      {monthly, At(2026, 12, 17, 6, 0), "the next chosen day of the month"},
  };
  for (const auto& c : cases) {
    auto next = mx::NextTriggerRun(c.trigger, now);
    ASSERT_EQ(next.has_value(), c.expected.has_value()) << c.why;
    if (!next) continue;
    EXPECT_EQ(next->wYear, c.expected->wYear) << c.why;
    EXPECT_EQ(next->wMonth, c.expected->wMonth) << c.why;
    EXPECT_EQ(next->wDay, c.expected->wDay) << c.why;
    EXPECT_EQ(next->wHour, c.expected->wHour) << c.why;
  }
}

}  // namespace
