#include "mainwnd/DlgPrefSchedule.h"

#include <algorithm>

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/ZUNApp.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/gdi/WindowDC.h"
#include "platform/taskschd/HostScheduler.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "ui/STMemDC.h"

namespace {

constexpr int kApplyId = 209;
constexpr int kTextId = 352;
constexpr int kIntervalId = 311;
constexpr int kDateId = 308;
constexpr int kTimeId = 309;
// The 31 day-of-month boxes, days 1 to 31.
constexpr int kMonthDayIds[31] = {281, 282, 246, 247, 248, 249, 250, 251, 252, 253, 254, 255, 257, 258, 259, 260,
                                  261, 262, 263, 264, 265, 266, 268, 269, 270, 271, 272, 273, 274, 275, 276};

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key); }

void Enable(HWND page, int id, bool on) { win::EnableWindow(win::GetDlgItem(page, id), on ? TRUE : FALSE); }

COleDateTime PickerValue(const CDateTimeCtrl& picker) {
  SYSTEMTIME st{};
  picker.GetTime(&st);
  return COleDateTime(st);
}

void SetPicker(CDateTimeCtrl& picker, const COleDateTime& value) {
  SYSTEMTIME st{};
  if (value.GetAsSystemTime(st)) picker.SetTime(&st);
}

}  // namespace

BOOL CDlgPrefSchedule::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  ModifyStyle(0, WS_TABSTOP);
  m_layout.Apply(nullptr, m_hWnd, IDD_PREF_SCHEDULE, 96.0);
  m_date.SubclassWindow(GetDlgItem(kDateId));
  m_time.SubclassWindow(GetDlgItem(kTimeId));
  CollectDayBoxes(win::GetWindowLong(GetDlgItem(282), GWL_STYLE) & 0xFFFF);
  UpdateControlStates();
  win::SetWindowText(GetDlgItem(kIntervalId), L"1");
  if (!ScheduledTime.empty()) {
    win::SetWindowText(GetDlgItem(kTextId), ScheduledTime.c_str());
  } else {
    win::SetWindowText(GetDlgItem(kTextId), Text(L"IDS_NOSCHEDULE_YET").c_str());
    m_nScheduleType = kNoSchedule;
    ShowScheduleType();
    UpdateControlStates();
  }

  const std::wstring caption = Text(L"IDS_BTN_APPLY");
  m_btnApply.SubclassDlgItem(kApplyId, this);
  const int width = GetTextFitWidth(GetAppFont(kFontRegular13), m_btnApply.m_hWnd, caption, 108);
  m_btnApply.MoveWindow(g_nSettingsWidth - width - 18, PageButtonTop(g_nSettingsHeight), width, 28);
  m_btnApply.m_crText = m_btnApply.m_crHover = m_btnApply.m_crThird = RGB(255, 255, 255);
  m_btnApply.m_bHasDisabledFrame = 1;
  m_btnApply.LoadBitmaps(154, 155, 156, caption.c_str(), width, 28);
  m_btnApply.m_bBold = 1;
  m_btnApply.EnableWindow(FALSE);

  const std::pair<int, const wchar_t*> texts[] = {
      {355, L"IDS_ST_START_DAY_GROUP"}, {330, L"IDS_RAD_RUN_ONCE"},   {331, L"IDS_RAD_EVERY_DAY"},
      {332, L"IDS_RAD_EVERY_WEEK"},     {333, L"IDS_RAD_DO_NO_SCHEDULE"}, {340, L"IDS_ST_DATE_TIME_RUN"},
      {342, L"IDS_ST_DAY_OF_WEEK"},     {245, L"IDS_CHK_MON"},        {256, L"IDS_CHK_TUE"},
      {267, L"IDS_CHK_WED"},            {277, L"IDS_CHK_THR"},        {278, L"IDS_CHK_FRI"},
      {279, L"IDS_CHK_SAT"},            {280, L"IDS_CHK_SUN"},        {351, L"IDS_ST_SCHEDULED_AT"}};
  for (const auto& [id, key] : texts) win::SetWindowText(GetDlgItem(id), Text(key).c_str());
  PlaceControls();
  return TRUE;
}

void CDlgPrefSchedule::CollectDayBoxes(DWORD style) {
  m_arrDayBoxes.clear();
  // Check boxes only: radio buttons, group boxes and the owner-drawn Apply button are of other button types.
  for (HWND child = win::GetWindow(m_hWnd, GW_CHILD); child; child = win::GetWindow(child, GW_HWNDNEXT)) {
    const DWORD childStyle = win::GetWindowLong(child, GWL_STYLE) & 0xFFFF;
    if (win::GetClassNameString(child) == WC_BUTTON && (childStyle & 0xF) == (style & 0xF))
      m_arrDayBoxes.push_back(child);
  }
}

void CDlgPrefSchedule::PlaceControls() {
  struct Place {
    int id;
    double x, y, w, h;
  };
  static const Place kPlaces[] = {
      {355, 28, 49, 416, 25},  {330, 36, 59, 97, 10},   {331, 136, 59, 95, 10},  {332, 235, 59, 93, 10},
      {333, 331, 59, 107, 10}, {340, 27, 82, 150, 10},  {311, 414, 99, 31, 14},  {338, 445, 99, 11, 14},
      {342, 195, 84, 249, 51}, {341, 28, 129, 307, 47}, {245, 200, 93, 85, 10},  {256, 200, 106, 85, 10},
      {267, 200, 119, 85, 10}, {277, 287, 93, 82, 10},  {278, 287, 106, 82, 10}, {279, 287, 119, 82, 10},
      {280, 369, 93, 73, 10},  {308, 28, 94, 154, 14},  {309, 28, 120, 154, 15}, {351, 28, 150, 100, 18},
      {352, 132, 150, 241, 18}};
  for (const auto& p : kPlaces) MoveDlgItemScaled(m_hWnd, p.id, p.x, p.y, p.w, p.h);
  static const int kDayPlaces[31][2] = {
      {34, 140},  {34, 150},  {34, 160},  {57, 140},  {57, 150},  {57, 160},  {81, 140},  {81, 150},
      {81, 160},  {104, 140}, {104, 150}, {104, 160}, {132, 140}, {132, 150}, {133, 160}, {163, 140},
      {163, 150}, {163, 160}, {195, 140}, {195, 150}, {195, 161}, {223, 140}, {223, 150}, {223, 161},
      {250, 140}, {250, 150}, {250, 161}, {277, 140}, {277, 150}, {277, 161}, {304, 140}};
  for (int d = 0; d < 31; ++d) MoveDlgItemScaledToText(m_hWnd, kMonthDayIds[d], kDayPlaces[d][0], kDayPlaces[d][1], 10);
}

void CDlgPrefSchedule::ReadScheduleType() {
  for (int i = 0; i < 4; ++i)
    if (win::IsDlgButtonChecked(m_hWnd, 330 + i) == BST_CHECKED) m_nScheduleType = i;
}

void CDlgPrefSchedule::ShowScheduleType() {
  for (int i = 0; i < 4; ++i) win::CheckDlgButton(m_hWnd, 330 + i, i == m_nScheduleType ? BST_CHECKED : BST_UNCHECKED);
}

void CDlgPrefSchedule::UpdateControlStates() {
  ReadScheduleType();
  struct States {
    bool interval, date, time;
  };
  static const States kStates[4] = {{false, true, true}, {true, false, true}, {true, false, true}, {false, false, false}};
  if (m_nScheduleType >= 0 && m_nScheduleType < 4) {
    const States& s = kStates[m_nScheduleType];
    Enable(m_hWnd, kIntervalId, s.interval);
    Enable(m_hWnd, kDateId, s.date);
    Enable(m_hWnd, kTimeId, s.time);
  }
  const bool weekdays = m_nScheduleType == kEveryWeek;
  for (size_t i = 0; i < m_arrDayBoxes.size(); ++i) win::EnableWindow(m_arrDayBoxes[i], i < 7 && weekdays);
}

void CDlgPrefSchedule::LoadSchedule() {
  CRegistryKey key;
  if (key.Open(HKEY_CURRENT_USER, TRUE, kProductKey)) {
    DWORD type = 0;
    if (key.ReadDWORD(L"m_rBtnEvery", type)) m_nScheduleType = static_cast<int>(type);
    for (size_t i = 0; i < 7; ++i) {
      DWORD checked = 0;
      key.ReadDWORD(kWeekdayValues[i], checked);
      win::CheckDlgButton(m_hWnd, kWeekdayIds[i], checked);
    }
    std::wstring text;
    COleDateTime value;
    if (key.ReadString(L"Date", text) && value.ParseDateTime(text.c_str())) SetPicker(m_date, value);
    if (key.ReadString(L"Time", text) && value.ParseDateTime(text.c_str())) SetPicker(m_time, value);
    key.Close();
  }
  ShowScheduleType();
  UpdateControlStates();
}

int CDlgPrefSchedule::Message(const wchar_t* key, UINT type) {
  const std::wstring title = Text(L"AFX_IDS_APP_TITLE");
  return win::MessageBox(m_hWnd, Text(key).c_str(), title.c_str(), type);
}

void CDlgPrefSchedule::OnApply() {
  m_btnApply.EnableWindow(FALSE);
  ReadScheduleType();
  const COleDateTime date = PickerValue(m_date);
  const COleDateTime time = PickerValue(m_time);
  {
    CRegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, TRUE, kProductKey)) {
      key.WriteDWORD(L"m_rBtnEvery", static_cast<DWORD>(m_nScheduleType));
      for (size_t i = 0; i < 7; ++i)
        key.WriteDWORD(kWeekdayValues[i], win::IsDlgButtonChecked(m_hWnd, kWeekdayIds[i]));
      key.WriteString(L"Date", date.Format());
      key.WriteString(L"Time", time.Format());
    }
  }
  COleDateTime start;
  m_writer.m_days = {};
  switch (m_nScheduleType) {
    case kRunOnce: {
      start.SetDateTime(date.GetYear(), date.GetMonth(), date.GetDay(), time.GetHour(), time.GetMinute(),
                        time.GetSecond());
      const COleDateTime now = COleDateTime::GetCurrentTime();
      const COleDateTime today(now.GetYear(), now.GetMonth(), now.GetDay(), 0, 0, 0);
      const COleDateTime chosenDay(date.GetYear(), date.GetMonth(), date.GetDay(), 0, 0, 0);
      if (chosenDay < today) {
        Message(L"IDS_DATE_ALREADY_ELAPSED", MB_OK);
        return;
      }
      // The chosen day with the chosen time, not the time picker's own date, is what must lie ahead.
      if (chosenDay == today && start < now) {
        Message(L"IDS_TIME_ALREADY_ELAPSED", MB_OK);
        return;
      }
      break;
    }
    case kEveryDay: start = time; break;
    case kEveryWeek:
      start = time;
      for (size_t i = 0; i < 7; ++i) m_writer.m_days[i] = win::IsDlgButtonChecked(m_hWnd, kWeekdayIds[i]) == BST_CHECKED;
      break;
    case kNoSchedule: {
      if (!ScheduledTime.empty()) {
        const HRESULT hr = DeleteScheduledTask(kScheduleTaskName);
        if (FAILED(hr) && hr != HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) {
          // The task still runs: the page keeps showing it and says so.
          Message(L"IDS_TASK_NOT_REMOVED", MB_ICONERROR);
          return;
        }
        ScheduledTime.clear();
      }
      win::SetWindowText(GetDlgItem(kTextId), Text(L"IDS_NOSCHEDULE_YET").c_str());
      return;
    }
    default: Message(L"IDS_DATAERROR", MB_ICONERROR); return;
  }
  std::wstring interval;
  win::CWnd* edit = win::CWnd::FromHandle(GetDlgItem(kIntervalId));
  if (edit) edit->GetWindowText(interval);
  m_writer.m_nFrequency = m_nScheduleType;
  m_writer.m_start = start;
  m_writer.m_wInterval = static_cast<WORD>(WtoL(interval.substr(0, 12)));
  const std::wstring text = ScheduledTaskWriter::DescribeSchedule(m_writer);
  if (text.empty()) {
    Message(L"IDS_NODAY", MB_ICONINFORMATION);
    return;
  }
  m_writer.m_strTaskName = kScheduleTaskName;
  if (!ScheduledTaskWriter::CreateTask(FALSE, m_writer)) return;
  win::SetWindowText(GetDlgItem(kTextId), text.c_str());
  ScheduledTime = text;
  std::wstring created = Text(L"IDS_TASKCREATED");
  if (mx::DetectHostScheduler() == mx::HostSchedulerKind::None) created += L"\n\n" + Text(L"IDS_SCHEDULE_NOT_RUN_HERE");
  win::MessageBox(m_hWnd, created.c_str(), Text(L"AFX_IDS_APP_TITLE").c_str(), MB_ICONINFORMATION);
}

void CDlgPrefSchedule::Changed() {
  m_bChanged = 1;
  m_btnApply.EnableWindow(TRUE);
}

void CDlgPrefSchedule::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  DrawHeaderBand(dc, 18, 0, 740, 25);
  DrawPageHeading(dc, client, Text(L"IDS_ST_HEAD_SCHEDULE"), GetAppFont(kFontRegular13));
  DrawBottomBand(dc, client);
}

void CDlgPrefSchedule::OnShowWindow() {
  CZUNApp* app = AfxGetZunApp();
  if (!app) return;
  const int lang = app->m_nLangID;
  auto setFont = [&](int id, int index) {
    if (HFONT font = GetAppFont(index))
      win::SendMessage(GetDlgItem(id), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  };
  if (lang != 0)
    for (int id : kWeekdayIds) setFont(id, kFontRegular9);
  if (lang == 15) setFont(333, kFontRegular10);
  if (lang == 14) setFont(330, kFontRegular11);
}

LRESULT CDlgPrefSchedule::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) {
        const int id = LOWORD(wParam);
        if (id >= 330 && id <= 333) {
          Changed();
          UpdateControlStates();
          return 0;
        }
        if (id == kApplyId) {
          OnApply();
          return 0;
        }
        if (std::find(kWeekdayIds.begin(), kWeekdayIds.end(), id) != kWeekdayIds.end()) {
          Changed();
          return 0;
        }
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->code == DTN_DATETIMECHANGE && (header->idFrom == kDateId || header->idFrom == kTimeId)) {
        Changed();
        return 0;
      }
      break;
    }
    case WM_PAINT: OnPaint(); return 0;
    case WM_SHOWWINDOW: {
      const LRESULT r = CDlgChildBase::WindowProc(msg, wParam, lParam);
      OnShowWindow();
      return r;
    }
    default: break;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
