#pragma once
// The schedule page of the settings window: when the scheduled scan runs (once, every day, every week on
// chosen days, or not at all). Apply stores the choices under the product key and makes or removes the
// program's scheduled task; the page shows the schedule as one line of text.
#include <array>
#include <vector>

#include "app/ScheduledTaskWriter.h"
#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"

inline constexpr UINT IDD_SCHEDULE_PAGE = 391;
inline constexpr UINT IDD_PREF_SCHEDULE = IDD_SCHEDULE_PAGE;
inline constexpr int IDC_BTN_SCHEDULE_APPLY = 209;
inline constexpr int IDC_TIME_PICKER = 309;

class CDlgPrefSchedule : public CDlgChildBase {
 public:
  enum : int { kRunOnce = 0, kEveryDay = 1, kEveryWeek = 2, kNoSchedule = 3 };
  // Weekday boxes, Monday first, and the stored value of each ("Thrusday" as it has always been stored).
  static constexpr std::array<int, 7> kWeekdayIds{245, 256, 267, 277, 278, 279, 280};
  static constexpr std::array<const wchar_t*, 7> kWeekdayValues{L"Monday", L"Tuesday", L"Wednesday", L"Thrusday",
                                                                 L"Friday", L"Saturday", L"Sunday"};

  explicit CDlgPrefSchedule(win::CWnd* parent = nullptr) : CDlgChildBase(IDD_PREF_SCHEDULE, parent) {}

  BOOL OnInitDialog() override;
  // Loads the stored choices into the page.
  void LoadSchedule();
  void OnApply();

  // The chosen type from the radio buttons (UpdateData(TRUE)), and back (UpdateData(FALSE)).
  void ReadScheduleType();
  void ShowScheduleType();
  void UpdateControlStates();

  int m_nScheduleType = 0;
  std::vector<HWND> m_arrDayBoxes;
  CDateTimeCtrl m_date;
  CDateTimeCtrl m_time;
  CKVTHoverButtonWithText m_btnApply;
  ScheduledTaskWriter m_writer;
  BYTE m_bChanged = 0;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CollectDayBoxes(DWORD style);
  void PlaceControls();
  void OnPaint();
  void OnShowWindow();
  void Changed();
  int Message(const wchar_t* key, UINT type);

  CDlgTemplateLayout m_layout;
};
