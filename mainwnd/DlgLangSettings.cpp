#include "mainwnd/DlgLangSettings.h"

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LanguageTable.h"
#include "app/LogonStart.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "mainwnd/ProgramRelaunch.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/gdi/Geometry.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/MessageBox.h"
#include "ui/STMemDC.h"

namespace {

constexpr UINT kSectionIcons[] = {213, 214, 212};
constexpr POINT kSectionIconPlaces[] = {{35, 41}, {35, 153}, {35, 256}};

int Say(HWND owner, const wchar_t* key, UINT type) {
  return win::MessageBox(owner, GetLocalizedString(key).c_str(), GetAppTitle().c_str(), type);
}

// Stores the language row for one hive; a hive we may not write (the machine without administrator rights) is
// skipped.
void StoreLanguage(HKEY root, int language) {
  CRegistryKey key(root);
  if (!key.Open(root, TRUE, kLangSubKey)) return;
  key.WriteDWORD(L"LangID", static_cast<DWORD>(language));
  key.WriteString(L"LangCode", LanguageTable[language].code);
}

void DrawLabel(CDC& dc, HWND combo, HWND page, const std::wstring& text) {
  RECT box{};
  win::GetWindowRect(combo, &box);
  win::MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&box), 2);
  win::OffsetRect(&box, 0, -24);
  dc.DrawText(text, &box, DT_SINGLELINE | DT_VCENTER);
}

}  // namespace

bool LanguageChoiceLocked() {
  CRegistryKey key(HKEY_LOCAL_MACHINE);
  key.m_access = KEY_READ;
  DWORD locked = 0;
  return key.Open(HKEY_LOCAL_MACHINE, FALSE, kProductKey) && key.ReadDWORD(L"DontShowLangButton", locked) &&
         locked != 0;
}

CDlgLangSettings::CDlgLangSettings() : CDlgChildBase(IDD_GENERAL_PAGE) {}

BOOL CDlgLangSettings::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_GENERAL_PAGE, 96.0);
  CenterWindow();
  m_btnApply.SubclassDlgItem(IDC_BTN_APPLY, this);
  m_chkStartWithWindows.SubclassWindow(GetDlgItem(IDC_CHK_START_WITH_WINDOWS));
  m_comboLanguage.SubclassWindow(GetDlgItem(IDC_COMBO_LANGUAGE));
  m_comboCloseAction.SubclassWindow(GetDlgItem(IDC_COMBO_CLOSE_ACTION));

  const std::wstring applyCaption = GetLocalizedString(L"IDS_BTN_APPLY");
  m_btnApply.EnableWindow(FALSE);
  m_btnApply.SetWindowText(applyCaption.c_str());
  SetWindowText(GetLocalizedString(L"IDS_LANG_DLG_SETTING").c_str());

  for (const LanguageInfo& row : LanguageTable) m_comboLanguage.AddString(row.displayName);
  m_comboLanguage.SetCurSel(GetLangID());
  if (LanguageChoiceLocked()) m_comboLanguage.EnableWindow(FALSE);

  m_comboCloseAction.AddString(GetLocalizedString(L"IDS_CLOSE_ACT_1").c_str());
  m_comboCloseAction.AddString(GetLocalizedString(L"IDS_CLOSE_ACT_2").c_str());
  m_comboCloseAction.SetCurSel(GoToSystemTrayOnClose != 0 ? 0 : 1);

  const int width = g_nSettingsWidth - 198;
  m_comboLanguage.MoveWindow(126, 60, width, 22);
  m_comboCloseAction.MoveWindow(126, 172, width, 22);
  m_chkStartWithWindows.MoveWindow(126, 271, width, 22);

  m_chkStartWithWindows.SetWindowText(GetLocalizedString(L"IDS_START_UP_SCAN").c_str());
  m_chkStartWithWindows.SetCheck(StartWhenWinBoots != 0 ? BST_CHECKED : BST_UNCHECKED);
  // The entry is made again (or removed) at every start; a start, often an unattended one, only logs a failure.
  if (!SetStartWithWindows(StartWhenWinBoots != 0))
    WriteLogLine(StartWhenWinBoots != 0 ? L"The start with Windows could not be set up"
                                        : L"The start with Windows could not be removed");

  const int w = GetTextFitWidth(nullptr, m_btnApply.m_hWnd, applyCaption, 108);
  m_btnApply.MoveWindow(g_nSettingsWidth - w - 18, PageButtonTop(g_nSettingsHeight), w, 28);
  m_btnApply.m_bHasDisabledFrame = 1;
  m_btnApply.LoadBitmaps(154, 155, 156, applyCaption.c_str(), w, 28);
  m_btnApply.m_crText = m_btnApply.m_crHover = m_btnApply.m_crThird = RGB(255, 255, 255);
  m_btnApply.m_bBold = 1;
  m_btnApply.EnableWindow(FALSE);

  for (size_t i = 0; i < m_sectionIcons.size(); ++i) m_sectionIcons[i] = std::make_unique<CSTBitmap>(kSectionIcons[i]);
  return TRUE;
}

void CDlgLangSettings::OnLanguageChanged() {
  if (m_comboLanguage.GetCurSel() != GetLangID()) m_btnApply.EnableWindow(TRUE);
}

void CDlgLangSettings::OnOptionChanged() { m_btnApply.EnableWindow(TRUE); }

void CDlgLangSettings::OnApply() {
  const int language = m_comboLanguage.GetCurSel();
  m_btnApply.EnableWindow(FALSE);
  GoToSystemTrayOnClose = m_comboCloseAction.GetCurSel() == 0 ? 1 : 0;
  const DWORD wanted = m_chkStartWithWindows.GetCheck() == BST_CHECKED ? 1 : 0;
  if (SetStartWithWindows(wanted != 0)) {
    StartWhenWinBoots = wanted;
  } else if (wanted != StartWhenWinBoots) {
    // the box goes back to the setting in force rather than show a change that did not happen
    Say(m_hWnd, L"IDS_STARTUP_ENTRY_FAILED", MB_OK | MB_ICONWARNING);
    m_chkStartWithWindows.SetCheck(StartWhenWinBoots != 0 ? BST_CHECKED : BST_UNCHECKED);
  } else {
    WriteLogLine(L"The start with Windows could not be renewed");
  }
  SaveSettings();

  if (language < 0 || language >= kLanguageCount || language == GetLangID()) {
    Say(m_hWnd, L"IDS_SETTINGS_SAVED", MB_OK);
    return;
  }
  if (Say(m_hWnd, L"IDS_LANG_CHANGE_PROMPT", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  StoreLanguage(HKEY_LOCAL_MACHINE, language);
  StoreLanguage(HKEY_CURRENT_USER, language);
  if (!RelaunchProgram(m_hWnd, L"-changelang")) Say(m_hWnd, L"IDS_RESTART_FAILED", MB_OK | MB_ICONWARNING);
}

BOOL CDlgLangSettings::OnCommand(WPARAM wParam, LPARAM) {
  const int id = LOWORD(wParam), code = HIWORD(wParam);
  if (id == IDC_BTN_APPLY && code == BN_CLICKED) {
    OnApply();
    return TRUE;
  }
  if (id == IDC_COMBO_LANGUAGE && code == CBN_SELCHANGE) {
    OnLanguageChanged();
    return TRUE;
  }
  if ((id == IDC_COMBO_CLOSE_ACTION && code == CBN_SELCHANGE) || (id == IDC_CHK_START_WITH_WINDOWS && code == BN_CLICKED)) {
    OnOptionChanged();
    return TRUE;
  }
  return FALSE;
}

void CDlgLangSettings::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  const int bands[] = {0, 112, 224};
  for (int top : bands) DrawHeaderBand(dc, 18, top, client.right - 18, top + 25);
  DrawBottomBand(dc, client);

  dc.SetBkMode(TRANSPARENT);
  dc.SetTextColor(RGB(0, 0, 0));
  HGDIOBJ old = dc.SelectObject(GetAppFont(kFontRegular13));
  const wchar_t* titles[] = {L"IDS_SET_TITLE1", L"IDS_SET_TITLE2", L"IDS_SET_TITLE3"};
  for (int i = 0; i < 3; ++i) {
    RECT band{27, bands[i] + 1, client.right - 19, bands[i] + 24};
    dc.DrawText(GetLocalizedString(titles[i]), &band, DT_SINGLELINE | DT_VCENTER);
  }
  dc.SelectObject(GetAppFont(kFontRegular12));
  DrawLabel(dc, m_comboLanguage.m_hWnd, m_hWnd, GetLocalizedString(L"IDS_SEL_LANG_HEAD"));
  DrawLabel(dc, m_comboCloseAction.m_hWnd, m_hWnd, GetLocalizedString(L"IDS_SET_TITLE2_DESC"));
  dc.SelectObject(old);

  for (size_t i = 0; i < m_sectionIcons.size(); ++i) {
    const CSTBitmap* icon = m_sectionIcons[i].get();
    if (!icon) continue;
    DrawBitmap(*icon, dc.m_hDC, kSectionIconPlaces[i].x, kSectionIconPlaces[i].y, icon->Width(), icon->Height(),
               SRCAND);
  }
}

LRESULT CDlgLangSettings::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    OnPaint();
    return 0;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
