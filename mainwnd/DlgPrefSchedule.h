#pragma once
// The schedule page of the settings window. It shows nothing yet: the scheduled scan's settings fill it.
#include "ui/DlgChildBase.h"

inline constexpr UINT IDD_SCHEDULE_PAGE = 391;
inline constexpr int IDC_BTN_SCHEDULE_APPLY = 209;
inline constexpr int IDC_TIME_PICKER = 309;

class CDlgPrefSchedule : public CDlgChildBase {
 public:
  CDlgPrefSchedule() : CDlgChildBase(IDD_SCHEDULE_PAGE) {}

  // The stored schedule into the page; the settings window calls it each time the page is opened.
  void LoadSchedule() {}
};
