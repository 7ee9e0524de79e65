#include "mainwnd/DlgAddEntry.h"

#include "app/AppPaths.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/base/Text.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/MessageBox.h"
#include "ui/STMemDC.h"

namespace {

constexpr const wchar_t* kRootKeys[] = {L"HKEY_LOCAL_MACHINE", L"HKEY_CURRENT_USER", L"HKEY_CLASSES_ROOT",
                                        L"HKEY_USERS"};

}  // namespace

std::wstring ExclusionKey(const std::wstring& root, const std::wstring& path) {
  std::wstring key = root;
  if (!path.empty()) AppendPath(key, path);
  return key;
}

CDlgAddEntry::CDlgAddEntry(win::CWnd* parent) : CMainBorder(IDD_ADD_ENTRY, parent) {
  m_bShowMinimize = 0;
  m_bAddEntryCaption = 1;
}

BOOL CDlgAddEntry::OnInitDialog() {
  CMainBorder::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_ADD_ENTRY, 96.0);
  MoveWindow(0, 0, 401, 251);
  CenterWindow();
  m_editKey.SubclassWindow(GetDlgItem(IDC_EDIT_KEY));
  m_comboRoot.SubclassWindow(GetDlgItem(IDC_COMBO_ROOT));
  for (const wchar_t* root : kRootKeys) m_comboRoot.AddString(root);
  m_comboRoot.SetCurSel(0);
  m_editKey.SetFocus();
  PlaceControls();
  const struct {
    int id;
    const wchar_t* key;
  } kTexts[] = {{353, L"IDS_ST_SEL_SECTION"}, {354, L"IDS_ST_SPECIFY_ENTRY"}, {345, L"IDS_ST_EXAMPLE"},
                {IDOK, L"IDS_BTN_OK"},        {IDCANCEL, L"IDS_BTN_CANCEL"}};
  for (const auto& t : kTexts) win::SetWindowText(GetDlgItem(t.id), GetLocalizedString(t.key).c_str());
  return FALSE;  // the focus stays on the edit
}

void CDlgAddEntry::PlaceControls() {
  MoveDlgItemScaled(m_hWnd, IDOK, 146, 120, 50, 14);
  MoveDlgItemScaled(m_hWnd, IDCANCEL, 201, 120, 50, 14);
  MoveDlgItemScaled(m_hWnd, IDC_COMBO_ROOT, 18, 49, 226, 34);
  MoveDlgItemScaled(m_hWnd, 353, 18, 37, 210, 8);
  MoveDlgItemScaled(m_hWnd, 354, 18, 78, 223, 8);
  MoveDlgItemScaled(m_hWnd, IDC_EDIT_KEY, 18, 90, 226, 12);
  MoveDlgItemScaled(m_hWnd, 345, 18, 103, 226, 12);
}

void CDlgAddEntry::OnBtnOK() {
  m_strPath = mx::Trim(win::GetWindowTextString(m_editKey.m_hWnd));
  if (m_strPath.empty()) {
    win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_NOEMPTY_KEY").c_str(), GetAppTitle().c_str(), MB_ICONWARNING);
    m_editKey.SetFocus();
    return;
  }
  m_strRoot = mx::ToUpper(win::GetWindowTextString(m_comboRoot.m_hWnd));
  m_strPath = mx::ToUpper(m_strPath);
  const std::wstring candidate = ExclusionKey(m_strRoot, m_strPath);
  if (CZUNApp* app = AfxGetZunApp()) {
    for (const std::wstring& entry : app->m_arrExcludeList) {
      if (mx::CompareNoCase(entry, candidate) == 0) {
        win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_ITEM_ALREADY_EXIST").c_str(), GetAppTitle().c_str(), MB_OK);
        return;
      }
    }
  }
  EndDialog(IDOK);
}

BOOL CDlgAddEntry::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
    OnBtnOK();
    return TRUE;
  }
  return CMainBorder::OnCommand(wParam, lParam);
}

void CDlgAddEntry::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  DrawFrame(&buffer, &client);
}
