#include "mainwnd/DlgPrefExcludeList.h"

#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/ExclusionLists.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "mainwnd/DlgAddEntry.h"
#include "mainwnd/SettingsPageParts.h"
#include "platform/base/Text.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/MessageBox.h"
#include "ui/STMemDC.h"

namespace {

constexpr int kLanguageGerman = 5;

std::vector<std::wstring>* ExcludeList() {
  CZUNApp* app = AfxGetZunApp();
  return app ? &app->m_arrExcludeList : nullptr;
}

int Ask(HWND owner, const wchar_t* key, UINT type) {
  return win::MessageBox(owner, GetLocalizedString(key).c_str(), GetAppTitle().c_str(), type);
}

}  // namespace

CDlgPrefExcludeList::CDlgPrefExcludeList() : CDlgChildBase(IDD_EXCLUDE_LIST_PAGE) {}

BOOL CDlgPrefExcludeList::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_EXCLUDE_LIST_PAGE, 96.0);
  m_list.SubclassWindow(GetDlgItem(IDC_LIST_EXCLUDE));
  m_btnAddEntry.SubclassDlgItem(IDC_BTN_ADD_ENTRY, this);
  m_btnDeleteEntry.SubclassDlgItem(IDC_BTN_DELETE_ENTRY, this);
  m_chkRemovableMedia.SubclassWindow(GetDlgItem(IDC_CHK_SKIP_REMOVABLE));
  m_chkSkipEmptyKeys.SubclassWindow(GetDlgItem(IDC_CHK_SKIP_EMPTY_KEYS));

  m_list.MoveWindow(28, 63, 620, 162);
  RECT listClient{};
  m_list.GetClientRect(&listClient);
  m_list.InsertColumn(0, L"Exclude these items from being removed", LVCFMT_LEFT, listClient.right - 18);
  m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_INFOTIP);

  const std::wstring addCaption = GetLocalizedString(L"IDS_BTN_ADDENTRY");
  const std::wstring deleteCaption = GetLocalizedString(L"IDS_BTN_DELETE_ENTRY");
  const int wAdd = GetTextFitWidth(nullptr, m_btnAddEntry.m_hWnd, addCaption, 108);
  const int wDelete = GetTextFitWidth(nullptr, m_btnDeleteEntry.m_hWnd, deleteCaption, 108);
  const int y = PageButtonTop(g_nSettingsHeight);
  const int x = g_nSettingsWidth - wAdd - wDelete - 36;
  m_btnAddEntry.MoveWindow(x, y, wAdd, 28);
  m_btnDeleteEntry.MoveWindow(x + wAdd + 18, y, wDelete, 28);
  m_btnAddEntry.m_bHasDisabledFrame = m_btnDeleteEntry.m_bHasDisabledFrame = 1;
  m_btnAddEntry.LoadBitmaps(157, 158, 159, addCaption.c_str(), wAdd, 28);
  m_btnDeleteEntry.LoadBitmaps(157, 158, 159, deleteCaption.c_str(), wDelete, 28);

  FillList();
  m_list.SetFocus();

  m_chkRemovableMedia.SetWindowText(GetLocalizedString(L"IDS_CHK_SKIP_ERR_MEDIA").c_str());
  m_chkRemovableMedia.SetCheck(SetChkREmovableMedia != 0 ? BST_CHECKED : BST_UNCHECKED);
  m_chkSkipEmptyKeys.SetWindowText(GetLocalizedString(L"IDS_CHK_SKIP_EMPTY_KEYS").c_str());
  m_chkSkipEmptyKeys.SetCheck(SetChkSkipEmptyKeys != 0 ? BST_CHECKED : BST_UNCHECKED);
  MoveDlgItemScaledToText(m_hWnd, IDC_CHK_SKIP_REMOVABLE, 18, 157, 14);
  MoveDlgItemScaledToText(m_hWnd, IDC_CHK_SKIP_EMPTY_KEYS, 18, 173, 14);
  m_chkRemovableMedia.MoveWindow(28, 243, g_nSettingsWidth - 82, 24);
  m_chkSkipEmptyKeys.MoveWindow(28, 272, g_nSettingsWidth - 82, 24);
  // The engine's built-in skip lists are always in force; there is no switch for this page to turn on.
  return TRUE;
}

void CDlgPrefExcludeList::FillList() {
  m_list.DeleteAllItems();
  const std::vector<std::wstring>* list = ExcludeList();
  const int count = list ? static_cast<int>(list->size()) : 0;
  for (int i = 0; i < count; ++i) m_list.InsertItem(i, (*list)[static_cast<size_t>(i)].c_str());
  m_btnDeleteEntry.EnableWindow(count > 0);
}

void CDlgPrefExcludeList::OnAddEntry() {
  CDlgAddEntry dialog(this);
  if (dialog.DoModal() != IDOK) return;
  const std::wstring key = ExclusionKey(dialog.m_strRoot, mx::Trim(dialog.m_strPath));
  CZUNApp* app = AfxGetZunApp();
  if (!app) return;
  AddToExclusionList(app, key);
  SaveExclusionList();  // a crash or a relaunch must not lose the entry
  m_list.InsertItem(m_list.GetItemCount(), key.c_str());
  m_btnDeleteEntry.EnableWindow(m_list.GetItemCount() > 0);
}

void CDlgPrefExcludeList::OnDeleteEntry() {
  int selected = -1;
  for (int i = m_list.GetNextItem(-1, LVNI_SELECTED); i != -1; i = m_list.GetNextItem(i, LVNI_SELECTED)) selected = i;
  if (selected < 0) {
    Ask(m_hWnd, L"IDS_SELECT_DELETE_ITEM", MB_OK);
    return;
  }
  if (Ask(m_hWnd, L"IDS_SELECT_DELETE_ENTRY", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  const std::wstring text = m_list.GetItemText(selected, 0);
  m_list.DeleteItem(selected);
  std::vector<std::wstring>* list = ExcludeList();
  if (list) {
    for (auto it = list->begin(); it != list->end(); ++it) {
      if (mx::CompareNoCase(*it, text) == 0) {
        list->erase(it);
        SaveExclusionList();
        break;
      }
    }
  }
  m_btnDeleteEntry.EnableWindow(list && !list->empty());
  m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  m_list.SetFocus();
}

void CDlgPrefExcludeList::OnSkipRemovableMedia() {
  SetChkREmovableMedia = SetChkREmovableMedia == 0 ? 1 : 0;
  m_chkRemovableMedia.SetCheck(static_cast<int>(SetChkREmovableMedia));
}

void CDlgPrefExcludeList::OnSkipEmptyKeys() {
  SetChkSkipEmptyKeys = SetChkSkipEmptyKeys == 0 ? 1 : 0;
  m_chkSkipEmptyKeys.SetCheck(static_cast<int>(SetChkSkipEmptyKeys));
}

BOOL CDlgPrefExcludeList::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_BTN_ADD_ENTRY: OnAddEntry(); return TRUE;
    case IDC_BTN_DELETE_ENTRY: OnDeleteEntry(); return TRUE;
    case IDC_CHK_SKIP_REMOVABLE: OnSkipRemovableMedia(); return TRUE;
    case IDC_CHK_SKIP_EMPTY_KEYS: OnSkipEmptyKeys(); return TRUE;
    default: return FALSE;
  }
}

void CDlgPrefExcludeList::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  DrawHeaderBand(dc, 18, 0, 740, 25);
  DrawBottomBand(dc, client);
  int font = kFontRegular13;
  CZUNApp* app = AfxGetZunApp();
  if (app && app->m_nLangID == kLanguageGerman) font = GetOSMajorVersion() < 6 ? kFontRegular11 : kFontRegular12;
  DrawPageHeading(dc, client, GetLocalizedString(L"IDS_ST_EXCLUDE_LST_HEAD"), GetAppFont(font));
}

LRESULT CDlgPrefExcludeList::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    OnPaint();
    return 0;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
