#include "tools/DlgFullBackups.h"

#include <vector>

#include "app/LocalizedStrings.h"
#include "platform/fs/FileApi.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "tools/BackupPage.h"
#include "tools/DlgRegBackupShow.h"
#include "tools/FullBackups.h"
#include "ui/ModalOverlay.h"

namespace {

int Ask(HWND owner, const wchar_t* key, UINT type) {
  const std::wstring text = GetLocalizedString(key);
  return win::MessageBox(owner, text.c_str(), GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), type);
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

BOOL CDlgFullBackups::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_FULL_BACKUPS, 96.0);
  m_btnDelete.SubclassWindow(GetDlgItem(IDC_BTN_DELETE_BACKUP));
  m_btnRestore.SubclassWindow(GetDlgItem(IDC_BTN_RESTORE_BACKUP));
  m_listBackups.Attach(GetDlgItem(IDC_LIST_FULL_BACKUPS));
  // These two headers are fixed texts in every language.
  SetUpBackupList(m_listBackups, m_imgList, ILC_COLOR24, L"Date and Time of changes made to registry...", L"Undo File");
  LayoutBackupPage(m_listBackups, m_btnDelete, m_btnRestore, GetLocalizedString(L"IDS_BTN_DELETE"),
                   GetLocalizedString(L"IDS_BTN_RESTORE"), m_nWidth, m_nHeight);
  FillList();
  return TRUE;
}

void CDlgFullBackups::FillList() {
  m_listBackups.DeleteAllItems();
  std::vector<std::wstring> backups;
  ListFullBackups(backups);
  if (!backups.empty()) {
    m_listBackups.SetImageList(&m_imgList, LVSIL_SMALL);
    for (const auto& path : backups) {
      std::wstring text;
      FullBackupNameToText(FileNameOf(path), text);
      const int row = m_listBackups.InsertItem(m_listBackups.GetItemCount(), text.c_str());
      m_listBackups.SetItemText(row, 1, path.c_str());
    }
    const BOOL any = m_listBackups.GetItemCount() > 0;
    m_btnDelete.EnableWindow(any);
    m_btnRestore.EnableWindow(any);
    m_listBackups.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return;
  }
  m_listBackups.InsertItem(0, GetLocalizedString(L"IDS_NO_ITEM_TO_SHOW").c_str());
  m_btnDelete.EnableWindow(FALSE);
  m_btnRestore.EnableWindow(FALSE);
}

void CDlgFullBackups::OnDelete() {
  const int row = LastSelectedRow(m_listBackups);
  if (row < 0) {
    Ask(m_hWnd, L"IDS_SELECT_DELETE_ITEM", MB_OK);
    return;
  }
  if (row >= m_listBackups.GetItemCount()) return;
  if (Ask(m_hWnd, L"IDS_CONFIRM_DELETE", MB_YESNO | MB_ICONQUESTION) != IDYES) return;
  const std::wstring path = m_listBackups.GetItemText(row, 1);
  m_listBackups.DeleteItem(row);
  // A file that cannot go stays on disk; the refill shows what is really there.
  if (!path.empty()) win::DeleteFile(path.c_str());
  FillList();
  m_listBackups.SetFocus();
}

void CDlgFullBackups::OnRestore() {
  const int row = LastSelectedRow(m_listBackups);
  if (row < 0) {
    Ask(m_hWnd, L"IDS_SELECT_RESTORE_ITEM", MB_OK);
    return;
  }
  if (!MayRunWithoutElevation()) {
    RelaunchElevated(L"zunvistafullbackuprestore");
    return;
  }
  win::CWnd* main = win::AfxGetMainWnd();
  CDlgRegBackupShow dialog(main);
  dialog.m_bRestore = TRUE;
  dialog.m_strFile = m_listBackups.GetItemText(row, 1);
  RunModalWithOverlay(main, &dialog, IDD_REG_BACKUP_SHOW);
  m_listBackups.SetFocus();
}

BOOL CDlgFullBackups::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_BTN_DELETE_BACKUP: OnDelete(); return TRUE;
    case IDC_BTN_RESTORE_BACKUP: OnRestore(); return TRUE;
    default: return FALSE;
  }
}

LRESULT CDlgFullBackups::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PaintBackupPageBand(m_hWnd);
    return 0;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
