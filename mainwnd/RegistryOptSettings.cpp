#include "mainwnd/RegistryOptSettings.h"

#include <bit>

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/gdi/AfxControls.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/MessageBox.h"
#include "scan/CategoryFlags.h"
#include "scan/CategorySelection.h"
#include "ui/STMemDC.h"

namespace {

constexpr UINT_PTR kFontTimer = 101;
constexpr int kLanguageGreek = 15;

constexpr int kGroupA[] = {289, 284, 288, 293, 297, 285};
constexpr int kGroupB[] = {290, 283, 287};
constexpr int kGroupC[] = {291, 294, 298, 301, 286};
constexpr int kGroupD[] = {292, 302, 303, 304};

constexpr UINT kGroupIcons[] = {216, 215, 218, 217};
constexpr const wchar_t* kGroupCaptions[] = {L"string24", L"string26", L"string28", L"string30"};

constexpr const wchar_t* kBoxCaptions[] = {
    L"IDS_ACTIVEX_COM", L"IDS_APPLICATION", L"IDS_FILE_TYPE",  L"IDS_FONTS",    L"IDS_HELP_FILES",
    L"IDS_HISTORYLIST", L"IDS_SHAREDFILES", L"IDS_SHORTCUTS_NAME", L"IDS_SOFTWARE", L"IDS_SOUNDS",
    L"IDS_STARTMENU",   L"IDS_STARTUP",     L"IDS_DEEP_SCAN",  L"IDS_CURRENTUSER"};


void WriteStoredSelection(DWORD mask) {
  if (CZUNApp* app = AfxGetZunApp()) app->WriteProfileInt(kSelectionSection, kSelectionValue, static_cast<int>(mask));
}

void MessageBoxText(HWND owner, const wchar_t* key, UINT type) {
  win::MessageBox(owner, GetLocalizedString(key).c_str(), GetAppTitle().c_str(), type);
}

}  // namespace

const std::array<CategoryCheckBox, 14> CategoryCheckBoxes = {{
    {283, 0x1}, {284, 0x2}, {287, 0x4}, {288, 0x8}, {293, 0x10}, {294, 0x20}, {297, 0x40},
    {298, 0x80}, {304, 0x100}, {301, 0x200}, {302, 0x400}, {303, 0x800}, {285, 0x1000}, {286, 0x2000},
}};

const std::array<CategoryGroup, 4> CategoryGroups = {{
    {kGroupA, 6}, {kGroupB, 3}, {kGroupC, 5}, {kGroupD, 4},
}};

int GetGroupCheckState(const int* group, HWND page, int length) {
  if (length <= 1) return BST_INDETERMINATE;
  int checked = 0, unchecked = 0;
  for (int i = 1; i < length; ++i) {
    if (win::IsDlgButtonChecked(page, group[i]) == BST_CHECKED)
      ++checked;
    else
      ++unchecked;
  }
  if (checked > 0 && unchecked > 0) return BST_INDETERMINATE;
  return checked > 0 ? BST_CHECKED : BST_UNCHECKED;
}

void SetGroupChecks(int length, int state, HWND page, const int* group) {
  win::SendMessage(win::GetDlgItem(page, group[0]), BM_SETCHECK, static_cast<WPARAM>(state), 0);
  for (int i = 1; i < length; ++i) win::CheckDlgButton(page, group[i], static_cast<UINT>(state));
}

bool ReadCategoryBoxes(HWND page, DWORD& mask, int& count) {
  if (!win::IsWindow(page)) return false;
  DWORD selected = 0;
  for (const CategoryCheckBox& box : CategoryCheckBoxes) {
    HWND control = win::GetDlgItem(page, box.controlId);
    if (!control) return false;  // the page went away while we asked
    if (win::SendMessage(control, BM_GETCHECK, 0, 0) != BST_UNCHECKED) selected |= box.flag;
  }
  mask = selected;
  count = std::popcount(selected);
  return true;
}

CRegistryOptSettings::CRegistryOptSettings() : CDlgChildBase(IDD_SCAN_AREA_PAGE) {}

CRegistryOptSettings::~CRegistryOptSettings() {
  if (m_hWnd) {
    SetCategorySelectionSource({});
    DestroyWindow();
  }
}

void CRegistryOptSettings::GetSelectedCategories(DWORD& mask, int& count) const {
  mask = 0;
  count = 0;
  ReadCategoryBoxes(m_hWnd, mask, count);
}

BOOL CRegistryOptSettings::IsAnyCategoryChecked() const {
  for (const CategoryCheckBox& box : CategoryCheckBoxes)
    if (win::IsDlgButtonChecked(m_hWnd, box.controlId) != BST_UNCHECKED) return TRUE;
  return FALSE;
}

BOOL CRegistryOptSettings::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  for (size_t i = 0; i < m_groupIcons.size(); ++i) m_groupIcons[i] = std::make_unique<CSTBitmap>(kGroupIcons[i]);
  m_layout.Apply(nullptr, m_hWnd, IDD_SCAN_AREA_PAGE, 96.0);
  m_btnRestoreDefaults.SubclassDlgItem(IDC_BTN_RESTORE_DEFAULTS, this);
  m_btnSave.SubclassDlgItem(IDC_BTN_SAVE, this);
  m_btnStartScan.SubclassDlgItem(IDC_BTN_START_SCAN, this);

  const std::wstring startCaption = GetLocalizedString(L"IDS_SET_SAVE_START_SCAN");
  const std::wstring saveCaption = GetLocalizedString(L"IDS_BTN_APPLY");
  const std::wstring restoreCaption = GetLocalizedString(L"IDS_BTN_RESTORE_DEFAULTS");
  const int wStart = GetTextFitWidth(nullptr, m_btnStartScan.m_hWnd, startCaption, 108);
  // Save is as wide as Start Scan, whatever its own caption needs.
  const int wSave = GetTextFitWidth(nullptr, m_btnSave.m_hWnd, startCaption, 108);
  const int wRestore = GetTextFitWidth(nullptr, m_btnRestoreDefaults.m_hWnd, restoreCaption, 108);
  const int y = PageButtonTop(g_nSettingsHeight);

  for (CKVTHoverButtonWithText* button : {&m_btnRestoreDefaults, &m_btnSave, &m_btnStartScan})
    button->m_bHasDisabledFrame = 1;
  m_btnRestoreDefaults.MoveWindow(21, y, wRestore, 28);
  m_btnRestoreDefaults.LoadBitmaps(157, 158, 159, restoreCaption.c_str(), wRestore, 28);
  m_btnSave.MoveWindow(wRestore + 39, y, wSave, 28);
  m_btnSave.LoadBitmaps(154, 155, 156, saveCaption.c_str(), wSave, 28);
  m_btnStartScan.MoveWindow(g_nSettingsWidth - wStart - 18, y, wStart, 28);
  m_btnStartScan.LoadBitmaps(154, 155, 156, startCaption.c_str(), wStart, 28);
  for (CKVTHoverButtonWithText* button : {&m_btnSave, &m_btnStartScan}) {
    button->m_crText = button->m_crHover = button->m_crThird = RGB(255, 255, 255);
    button->m_bBold = 1;
  }
  m_btnSave.EnableWindow(FALSE);
  m_btnStartScan.EnableWindow(TRUE);

  for (size_t i = 0; i < CategoryCheckBoxes.size(); ++i)
    win::SetWindowText(GetDlgItem(CategoryCheckBoxes[i].controlId), GetLocalizedString(kBoxCaptions[i]).c_str());
  for (size_t i = 0; i < CategoryGroups.size(); ++i)
    win::SetWindowText(GetDlgItem(CategoryGroups[i].ids[0]), GetLocalizedString(kGroupCaptions[i]).c_str());

  LoadSelection();
  const HWND page = m_hWnd;
  SetCategorySelectionSource([page](DWORD& mask, int& count) { return ReadCategoryBoxes(page, mask, count); });
  SetTimer(kFontTimer, 101);
  return TRUE;
}

void CRegistryOptSettings::LoadSelection() {
  const DWORD stored = StoredCategorySelection();
  for (const CategoryCheckBox& box : CategoryCheckBoxes)
    win::CheckDlgButton(m_hWnd, box.controlId, (stored & box.flag) ? BST_CHECKED : BST_UNCHECKED);
  for (const CategoryGroup& group : CategoryGroups)
    win::SendMessage(GetDlgItem(group.ids[0]), BM_SETCHECK,
                     static_cast<WPARAM>(GetGroupCheckState(group.ids, m_hWnd, group.length)), 0);
  m_btnSave.EnableWindow(TRUE);
}

bool CRegistryOptSettings::StoreSelection() {
  if (!IsAnyCategoryChecked()) {
    MessageBoxText(m_hWnd, L"IDS_NO_SELECTED", MB_OK);
    LoadSelection();
    return false;
  }
  DWORD mask = 0;
  int count = 0;
  GetSelectedCategories(mask, count);
  WriteStoredSelection(mask);
  SaveSettings();
  m_btnSave.EnableWindow(FALSE);
  return true;
}

void CRegistryOptSettings::OnSave() { StoreSelection(); }

void CRegistryOptSettings::OnStartScan() {
  if (StoreSelection() && IsAnyCategoryChecked() && m_onStartScan) m_onStartScan();
}

void CRegistryOptSettings::OnRestoreDefaults() {
  WriteStoredSelection(kAllCategories);
  LoadSelection();
  m_btnSave.EnableWindow(FALSE);
}

void CRegistryOptSettings::OnGroupClicked(const CategoryGroup& group) {
  // the box is not automatic: it shows the state we give it
  const int state = static_cast<int>(win::IsDlgButtonChecked(m_hWnd, group.ids[0]));
  SetGroupChecks(group.length, state == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, m_hWnd, group.ids);
  m_btnSave.EnableWindow(TRUE);
}

void CRegistryOptSettings::OnMemberClicked(const CategoryGroup& group) {
  win::SendMessage(GetDlgItem(group.ids[0]), BM_SETCHECK,
                   static_cast<WPARAM>(GetGroupCheckState(group.ids, m_hWnd, group.length)), 0);
  m_btnSave.EnableWindow(TRUE);
}

BOOL CRegistryOptSettings::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  const int id = LOWORD(wParam);
  switch (id) {
    case IDC_BTN_SAVE: OnSave(); return TRUE;
    case IDC_BTN_START_SCAN: OnStartScan(); return TRUE;
    case IDC_BTN_RESTORE_DEFAULTS: OnRestoreDefaults(); return TRUE;
    default: break;
  }
  for (const CategoryGroup& group : CategoryGroups) {
    if (id == group.ids[0]) {
      OnGroupClicked(group);
      return TRUE;
    }
    for (int i = 1; i < group.length; ++i) {
      if (id == group.ids[i]) {
        OnMemberClicked(group);
        return TRUE;
      }
    }
  }
  return FALSE;
}

void CRegistryOptSettings::OnTimer(UINT_PTR id) {
  if (id != kFontTimer) return;
  KillTimer(kFontTimer);
  HFONT regular = GetAppFont(kFontRegular12);
  win::EnumChildWindows(m_hWnd, [regular](HWND child) {
    win::SendMessage(child, WM_SETFONT, reinterpret_cast<WPARAM>(regular), TRUE);
    return TRUE;
  });
  CZUNApp* app = AfxGetZunApp();
  HFONT groupFont = GetAppFont(app && app->m_nLangID == kLanguageGreek ? kFontRegular11 : kFontRegular13);
  for (const CategoryGroup& group : CategoryGroups)
    win::SendMessage(GetDlgItem(group.ids[0]), WM_SETFONT, reinterpret_cast<WPARAM>(groupFont), TRUE);
}

void CRegistryOptSettings::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  DrawHeaderBand(dc, 18, 0, 740, 25);
  for (size_t i = 0; i < CategoryGroups.size(); ++i) {
    const CSTBitmap* icon = m_groupIcons[i].get();
    HWND box = GetDlgItem(CategoryGroups[i].ids[0]);
    if (!icon || !box) continue;
    RECT place{};
    win::GetWindowRect(box, &place);
    win::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    DrawBitmap(*icon, dc.m_hDC, place.left - 9 - icon->Width(), place.top, icon->Width(), icon->Height(), SRCCOPY);
  }
  DrawPageHeading(dc, client, GetLocalizedString(L"IDS_BTN_REG_OPT_SETTINGS"), GetAppFont(kFontRegular13));
  DrawBottomBand(dc, client);
}

LRESULT CRegistryOptSettings::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_TIMER:
      OnTimer(static_cast<UINT_PTR>(wParam));
      break;
    case WM_DESTROY:
      SetCategorySelectionSource({});
      break;
    default:
      break;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
