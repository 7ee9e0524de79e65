// The schedule page: control states by schedule type, the checks before a task is made, the stored choices,
// the task itself, and unscheduling.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppSettings.h"
#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "mainwnd/DlgPrefSchedule.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/base/Clock.h"
#include "platform/gdi/WindowDC.h"
#include "platform/system/Module.h"
#include "platform/system/ServiceControl.h"
#include "platform/system/Time.h"
#include "platform/taskschd/TaskStore.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "support/TestPrefix.h"

namespace {

constexpr UINT kEmptyPopup = 388;

class SchedulePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Schedule]
"Start"=dword:00000003
[HKEY_CURRENT_USER\Volatile Environment]
"USERNAME"="qzx"
)");
    mx::ResetStartedServices();
    ResetIniCache();
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::SetClock(&clock);  // Thursday 10 December 2026, noon UTC
    ScheduledTime.clear();
    g_nSettingsWidth = 700;
    g_nSettingsHeight = 380;
    ASSERT_TRUE(parent.Create(kEmptyPopup));
    parent.MoveWindow(0, 0, 740, 420);
  }
  void TearDown() override {
    mx::SetClock(nullptr);
    mx::SetTaskStoreFault(0);
    ResetLanguageReader();
    ResetIniCache();
    ScheduledTime.clear();
  }
  void Open(CDlgPrefSchedule& page) {
    ASSERT_TRUE(page.Create(IDD_PREF_SCHEDULE, &parent));
    page.MoveWindow(0, 0, 700, 380);
    page.ShowWindow(SW_SHOW);
  }
  static void Click(CDlgPrefSchedule& page, int id) {
    HWND button = page.GetDlgItem(id);
    if ((win::GetWindowLong(button, GWL_STYLE) & 0xF) == BS_AUTORADIOBUTTON)
      for (int r = 330; r <= 333; ++r) win::CheckDlgButton(page.m_hWnd, r, r == id);
    else if (id != 209)
      win::CheckDlgButton(page.m_hWnd, id, !win::IsDlgButtonChecked(page.m_hWnd, id));
    page.SendMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
  }
  static void SetPicker(CDlgPrefSchedule& page, CDateTimeCtrl& picker, WORD y, WORD m, WORD d, WORD h, WORD mi) {
    SYSTEMTIME st{};
    st.wYear = y, st.wMonth = m, st.wDay = d, st.wHour = h, st.wMinute = mi;
    picker.SetTime(&st);
    (void)page;
  }
  static bool Enabled(CDlgPrefSchedule& page, int id) { return win::IsWindowEnabled(page.GetDlgItem(id)); }
  std::vector<std::wstring> Messages() { return answers.answers.texts(); }

  mxtest::TestPrefix prefix;
  mx::FakeClock clock{134100000000000000ull + 0};
  CDialog parent;
  win::ScopedAnswers answers;
};

TEST_F(SchedulePageTest, StatesFollowTheScheduleTypeAndTheRendering) {
  CDlgPrefSchedule page;
  Open(page);
  ASSERT_EQ(page.m_arrDayBoxes.size(), 38u);
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(page.m_arrDayBoxes[i], page.GetDlgItem(CDlgPrefSchedule::kWeekdayIds[i]));
  EXPECT_EQ(page.m_nScheduleType, CDlgPrefSchedule::kNoSchedule);
  EXPECT_EQ(win::GetWindowTextString(page.GetDlgItem(352)), GetLocalizedString(L"IDS_NOSCHEDULE_YET"));
  EXPECT_EQ(win::GetWindowTextString(page.GetDlgItem(311)), L"1");
  EXPECT_FALSE(Enabled(page, 209));

  struct Case {
    int radio;
    bool interval, date, time, weekdays;
  } cases[] = {{330, false, true, true, false},
               {331, true, false, true, false},
               {332, true, false, true, true},
               {333, false, false, false, false}};
  for (const auto& c : cases) {
    Click(page, c.radio);
    EXPECT_EQ(Enabled(page, 308), c.date) << c.radio;
    EXPECT_EQ(Enabled(page, 309), c.time) << c.radio;
    for (int id : CDlgPrefSchedule::kWeekdayIds) EXPECT_EQ(Enabled(page, id), c.weekdays) << c.radio;
    EXPECT_EQ(Enabled(page, 311), c.interval) << c.radio;  // hidden: the interval is always 1
    EXPECT_FALSE(Enabled(page, 281)) << "no monthly schedule";
  }
  EXPECT_TRUE(Enabled(page, 209));

  Click(page, 332);
  Click(page, 245);
  Click(page, 277);
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  parent.ShowWindow(SW_SHOW);
  EXPECT_TRUE(gdi::SaveWindowPng(page.m_hWnd, out / "schedule-page.png"));
}

TEST_F(SchedulePageTest, RunOnceMustLieAheadAndWeeklyNeedsADay) {
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  CDlgPrefSchedule page;
  Open(page);
  Click(page, 330);
  struct Case {
    int dayOffset;        // of the date picker
    int timeDayOffset;    // of the time picker's own date
    int minuteOffset;     // of the time picker's time
    const wchar_t* key;   // nullptr: the task is made
  } cases[] = {
      {-1, 0, 60, L"IDS_DATE_ALREADY_ELAPSED"},
      {0, 0, -10, L"IDS_TIME_ALREADY_ELAPSED"},
      // The time picker may hold another day; the chosen day with the chosen time is what counts.
      {0, 1, -10, L"IDS_TIME_ALREADY_ELAPSED"},
      {0, -1, 10, nullptr},
  };
  for (const auto& c : cases) {
    answers.answers.clear();
    const std::int64_t day = mx::DaysFromCivil(now.wYear, now.wMonth, now.wDay);
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    mx::CivilFromDays(day + c.dayOffset, y, m, d);
    SetPicker(page, page.m_date, static_cast<WORD>(y), static_cast<WORD>(m), static_cast<WORD>(d), 0, 0);
    mx::CivilFromDays(day + c.timeDayOffset, y, m, d);
    const int minutes = now.wHour * 60 + now.wMinute + c.minuteOffset;
    SetPicker(page, page.m_time, static_cast<WORD>(y), static_cast<WORD>(m), static_cast<WORD>(d),
              static_cast<WORD>(minutes / 60), static_cast<WORD>(minutes % 60));
    Click(page, 209);
    const auto texts = Messages();
    ASSERT_FALSE(texts.empty());
    if (c.key) {
      EXPECT_EQ(texts, std::vector<std::wstring>{GetLocalizedString(c.key)}) << c.dayOffset << "/" << c.minuteOffset;
      EXPECT_FALSE(mx::TaskExists(kScheduleTaskName));
    } else {
      EXPECT_EQ(texts.back().rfind(GetLocalizedString(L"IDS_TASKCREATED"), 0), 0u) << texts.back();
      EXPECT_TRUE(mx::TaskExists(kScheduleTaskName));
    }
  }
  answers.answers.clear();
  Click(page, 332);
  Click(page, 209);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{GetLocalizedString(L"IDS_NODAY")});
}

TEST_F(SchedulePageTest, ApplyStoresTheChoicesMakesTheTaskAndLoadScheduleReadsThemBack) {
  {
    CDlgPrefSchedule page;
    Open(page);
    Click(page, 332);
    Click(page, 245);  // Monday
    Click(page, 277);  // Thursday
    SetPicker(page, page.m_time, 2026, 12, 10, 22, 15);
    Click(page, 209);
    const std::wstring shown = win::GetWindowTextString(page.GetDlgItem(352));
    EXPECT_EQ(shown, L"Every week; 10:15 PM; Monday, Thursday");
    EXPECT_EQ(ScheduledTime, shown);
    ASSERT_FALSE(Messages().empty());
    // Nothing on this test machine starts tasks, and the message says so.
    EXPECT_EQ(Messages().back(), GetLocalizedString(L"IDS_TASKCREATED") + L"\n\n" +
                                     GetLocalizedString(L"IDS_SCHEDULE_NOT_RUN_HERE"));
  }
  CRegistryKey key;
  ASSERT_TRUE(key.Open(HKEY_CURRENT_USER, FALSE, kProductKey));
  DWORD value = 9;
  EXPECT_TRUE(key.ReadDWORD(L"m_rBtnEvery", value));
  EXPECT_EQ(value, 2u);
  const std::pair<const wchar_t*, DWORD> days[] = {{L"Monday", 1}, {L"Tuesday", 0}, {L"Thrusday", 1}, {L"Sunday", 0}};
  for (const auto& [name, expected] : days) {
    EXPECT_TRUE(key.ReadDWORD(name, value)) << name;
    EXPECT_EQ(value, expected) << name;
  }
  std::wstring time;
  EXPECT_TRUE(key.ReadString(L"Time", time));
  EXPECT_EQ(time, L"12/10/2026 10:15:00 PM");
  mx::StoredTask task;
  ASSERT_EQ(mx::LoadTask(kScheduleTaskName, task), ERROR_SUCCESS);
  EXPECT_EQ(task.arguments, L"scan");
  ASSERT_EQ(task.triggers.size(), 1u);
  EXPECT_EQ(task.triggers[0].weekdays, 0x2 | 0x10);

  CDlgPrefSchedule again;
  Open(again);
  again.LoadSchedule();
  EXPECT_EQ(again.m_nScheduleType, CDlgPrefSchedule::kEveryWeek);
  EXPECT_TRUE(win::IsDlgButtonChecked(again.m_hWnd, 245));
  EXPECT_TRUE(win::IsDlgButtonChecked(again.m_hWnd, 277));
  EXPECT_FALSE(win::IsDlgButtonChecked(again.m_hWnd, 256));
  SYSTEMTIME st{};
  again.m_time.GetTime(&st);
  EXPECT_EQ(st.wHour, 22);
  EXPECT_EQ(st.wMinute, 15);
  EXPECT_TRUE(Enabled(again, 245));
}

TEST_F(SchedulePageTest, UnschedulingKeepsTheScheduleWhileTheTaskRemains) {
  CDlgPrefSchedule page;
  Open(page);
  Click(page, 331);
  Click(page, 209);
  ASSERT_TRUE(mx::TaskExists(kScheduleTaskName));
  const std::wstring scheduled = ScheduledTime;
  ASSERT_FALSE(scheduled.empty());

  answers.answers.clear();
  mx::SetTaskStoreFault(ERROR_ACCESS_DENIED);
  Click(page, 333);
  Click(page, 209);
  mx::SetTaskStoreFault(0);
  EXPECT_EQ(Messages(), std::vector<std::wstring>{GetLocalizedString(L"IDS_TASK_NOT_REMOVED")});
  EXPECT_EQ(ScheduledTime, scheduled);
  EXPECT_EQ(win::GetWindowTextString(page.GetDlgItem(352)), scheduled);
  EXPECT_TRUE(mx::TaskExists(kScheduleTaskName));

  answers.answers.clear();
  Click(page, 209);
  EXPECT_TRUE(Messages().empty());
  EXPECT_TRUE(ScheduledTime.empty());
  EXPECT_FALSE(mx::TaskExists(kScheduleTaskName));
  EXPECT_EQ(win::GetWindowTextString(page.GetDlgItem(352)), GetLocalizedString(L"IDS_NOSCHEDULE_YET"));

  // A task that is already gone counts as removed.
  ScheduledTime = scheduled;
  Click(page, 209);
  EXPECT_TRUE(ScheduledTime.empty());
}

}  // namespace
