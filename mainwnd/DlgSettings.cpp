#include "mainwnd/DlgSettings.h"

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/gdi/WindowDC.h"
#include "platform/system/Time.h"
#include "ui/STBitmap.h"
#include "ui/STMemDC.h"

namespace {

constexpr UINT kSeparatorBitmap = 189;
constexpr int kPageTop = 72;

void SetPickerToNow(HWND page) {
  if (HWND picker = win::GetDlgItem(page, IDC_TIME_PICKER)) {
    SYSTEMTIME now{};
    win::GetLocalTime(&now);
    win::SendMessage(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&now));
  }
}

}  // namespace

BOOL CDlgSettings::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_SETTINGS, 96.0);
  const struct {
    CKVTHoverButtonWithText* button;
    int id;
    const wchar_t* caption;
  } kButtons[] = {{&m_btnScanArea, IDC_BTN_SCAN_AREA, L"IDS_BTN_SET_SCANAREA"},
                  {&m_btnExclusionList, IDC_BTN_EXCLUSION_LIST, L"IDS_BTN_EXCLUSION_LIST"},
                  {&m_btnSchedule, IDC_BTN_SCHEDULE, L"IDS_BTN_SCHEDULE"},
                  {&m_btnGeneral, IDC_BTN_GENERAL, L"IDS_GEN_SETTINGS"}};
  int i = 0;
  for (const auto& b : kButtons) {
    b.button->SubclassDlgItem(b.id, this);
    b.button->m_bAutoSize = TRUE;
    b.button->LoadBitmaps(191, 192, 193, GetLocalizedString(b.caption).c_str(), 153, 28);
    b.button->MoveWindow(28 + 162 * i++, 21, 153, 28);
  }
  CreatePages();
  m_pCurrentPage = &m_pageScanArea;
  m_pageScanArea.ShowWindow(SW_SHOW);
  m_btnScanArea.m_bStayPressed = 1;
  // Handled once the window is made: the general page is the one the screen opens on.
  PostMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_GENERAL, BN_CLICKED), 0);
  return TRUE;
}

void CDlgSettings::CreatePages() {
  g_nSettingsHeight -= kPageTop;  // from here on the page height
  const int width = g_nSettingsWidth, height = g_nSettingsHeight;
  CDialog* pages[] = {&m_pageScanArea, &m_pageExcludeList, &m_pageSchedule, &m_pageGeneral};
  for (CDialog* page : pages) {
    page->Create(page->m_nIDTemplate, this);
    page->MoveWindow(0, kPageTop, width, height);
  }
  for (CDialog* page : {static_cast<CDialog*>(&m_pageExcludeList), static_cast<CDialog*>(&m_pageSchedule),
                        static_cast<CDialog*>(&m_pageGeneral)}) {
    page->ShowWindow(SW_HIDE);
    page->EnableWindow(FALSE);
  }
}

void CDlgSettings::PrepareForSettingsButton() {
  m_pageScanArea.LoadSelection();
  SetPickerToNow(m_pageSchedule.m_hWnd);
  m_pageScanArea.m_btnSave.EnableWindow(FALSE);
  if (HWND apply = m_pageSchedule.GetDlgItem(IDC_BTN_SCHEDULE_APPLY)) win::EnableWindow(apply, FALSE);
}

void CDlgSettings::ShowPage(CDialog& page) {
  if (m_pCurrentPage == &page) return;
  if (m_pCurrentPage) {
    m_pCurrentPage->ShowWindow(SW_HIDE);
    m_pCurrentPage->EnableWindow(FALSE);
  }
  m_pCurrentPage = &page;
  page.ShowWindow(SW_SHOW);
  page.EnableWindow(TRUE);
}

void CDlgSettings::PressOnly(CKVTHoverButtonWithText& pressed) {
  for (CKVTHoverButtonWithText* button : {&m_btnScanArea, &m_btnExclusionList, &m_btnSchedule, &m_btnGeneral}) {
    button->m_bStayPressed = 0;
    button->Invalidate(TRUE);
  }
  pressed.m_bStayPressed = 1;
}

void CDlgSettings::OnBtnScanArea() {
  PressOnly(m_btnScanArea);
  m_pageScanArea.LoadSelection();  // unsaved ticks are dropped
  m_pageScanArea.m_btnSave.EnableWindow(FALSE);
  ShowPage(m_pageScanArea);
}

void CDlgSettings::OnBtnExclusionList() {
  PressOnly(m_btnExclusionList);
  ShowPage(m_pageExcludeList);
}

void CDlgSettings::OnBtnSchedule() {
  PressOnly(m_btnSchedule);
  m_pageSchedule.LoadSchedule();
  CZUNApp* app = AfxGetZunApp();
  if (app && app->m_bElevatedSchedule)
    m_pageSchedule.PostMessage(WM_COMMAND, MAKEWPARAM(IDC_BTN_SCHEDULE_APPLY, BN_CLICKED), 0);
  else
    SetPickerToNow(m_pageSchedule.m_hWnd);
  ShowPage(m_pageSchedule);
}

void CDlgSettings::OnBtnGeneral() {
  PressOnly(m_btnGeneral);
  ShowPage(m_pageGeneral);
}

BOOL CDlgSettings::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_BTN_SCAN_AREA: OnBtnScanArea(); return TRUE;
    case IDC_BTN_EXCLUSION_LIST: OnBtnExclusionList(); return TRUE;
    case IDC_BTN_SCHEDULE: OnBtnSchedule(); return TRUE;
    case IDC_BTN_GENERAL: OnBtnGeneral(); return TRUE;
    default: return FALSE;
  }
}

void CDlgSettings::OnPaint() {
  static const CSTBitmap separator(kSeparatorBitmap);  // kept for the life of the process
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  const int w = separator.Width();
  if (w <= 0) return;
  CDC source;
  source.CreateCompatibleDC(&dc);
  HGDIOBJ old = source.SelectObject(static_cast<HGDIOBJ>(static_cast<HBITMAP>(separator)));
  for (int x = 18; x < client.right - 18; x += w) dc.BitBlt(x, 48, w, separator.Height(), &source, 0, 0, SRCCOPY);
  source.SelectObject(old);
}

LRESULT CDlgSettings::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    OnPaint();
    return 0;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
