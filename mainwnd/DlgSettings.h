#pragma once
// The settings screen of the main window: four page buttons and, below them, one of the four pages (scan
// area, exclusion list, schedule, general settings). It owns the pages and switches between them; every page
// saves its own values. Created once by the main window after it set g_nSettingsWidth/Height to its screen
// area; opens on the general page.
#include "mainwnd/DlgLangSettings.h"
#include "mainwnd/DlgPrefExcludeList.h"
#include "mainwnd/DlgPrefSchedule.h"
#include "mainwnd/RegistryOptSettings.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"

inline constexpr UINT IDD_SETTINGS = 403;
inline constexpr int IDC_BTN_SCAN_AREA = 228;
inline constexpr int IDC_BTN_EXCLUSION_LIST = 218;
inline constexpr int IDC_BTN_SCHEDULE = 235;
inline constexpr int IDC_BTN_GENERAL = 236;

class CDlgSettings : public CDlgChildBase {
 public:
  CDlgSettings() : CDlgChildBase(IDD_SETTINGS) {}

  BOOL OnInitDialog() override;
  // What the main window's settings button does before it shows this screen: the scan-area boxes reloaded
  // from the stored selection, the schedule's time picker at now, Save and Apply of those two pages disabled.
  // The page shown stays.
  void PrepareForSettingsButton();

  CKVTHoverButtonWithText m_btnScanArea;
  CKVTHoverButtonWithText m_btnExclusionList;
  CKVTHoverButtonWithText m_btnSchedule;
  CKVTHoverButtonWithText m_btnGeneral;
  CRegistryOptSettings m_pageScanArea;
  CDlgPrefExcludeList m_pageExcludeList;
  CDlgPrefSchedule m_pageSchedule;
  CDlgLangSettings m_pageGeneral;
  CDlgTemplateLayout m_layout;
  CDialog* m_pCurrentPage = nullptr;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void CreatePages();
  void ShowPage(CDialog& page);
  void PressOnly(CKVTHoverButtonWithText& button);
  void OnBtnScanArea();
  void OnBtnExclusionList();
  void OnBtnSchedule();
  void OnBtnGeneral();
  void OnPaint();
};
