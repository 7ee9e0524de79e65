#include "tools/PartialBackupDlg.h"

#include <ctime>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/fs/FileApi.h"
#include "platform/system/Time.h"
#include "platform/win/MessageBox.h"
#include "tools/BackupPage.h"
#include "tools/FullBackups.h"

namespace {

int Ask(HWND owner, const wchar_t* key, UINT type) {
  const std::wstring text = GetLocalizedString(key);
  return win::MessageBox(owner, text.c_str(), GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), type);
}

// The run's archive beside its record: the same number with the extension "rxb".
std::wstring ArchiveOf(const std::wstring& recordPath) {
  return recordPath.substr(0, recordPath.size() - 3) + L"rxb";
}

}  // namespace

CPartialBackupDlg::CPartialBackupDlg() : CDlgChildBase(IDD_PARTIAL_BACKUPS) {
  m_strBackupFolder = GetAppDataFolderPath();
  if (!m_strBackupFolder.empty()) AppendPath(m_strBackupFolder, kPartialBackupFolder);
}

BOOL CPartialBackupDlg::OnInitDialog() {
  CDlgChildBase::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_PARTIAL_BACKUPS, 96.0);
  m_btnDelete.SubclassWindow(GetDlgItem(IDC_BTN_DELETE_BACKUP));
  m_btnRestore.SubclassWindow(GetDlgItem(IDC_BTN_RESTORE_BACKUP));
  m_listBackups.Attach(GetDlgItem(IDC_LIST_PARTIAL_BACKUPS));
  SetUpBackupList(m_listBackups, m_imgList, ILC_COLOR32, GetLocalizedString(L"IDS_CHANGE_DATE_TIME"),
                  GetLocalizedString(L"IDS_UNDO_FILE"));
  LayoutBackupPage(m_listBackups, m_btnDelete, m_btnRestore, GetLocalizedString(L"IDS_BTN_DELETE"),
                   GetLocalizedString(L"IDS_BTN_RESTORE"), m_nWidth, m_nHeight);
  LoadBackups();
  return TRUE;
}

void CPartialBackupDlg::LoadBackups() {
  m_arrBackups.clear();
  if (!m_strBackupFolder.empty()) {
    WIN32_FIND_DATAW data;
    const std::wstring pattern = m_strBackupFolder + L"*.*";
    mx::FindPtr find(win::FindFirstFile(pattern.c_str(), &data));
    if (find) {
      do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        const size_t at = name.find(L"rmx");
        if (at == std::wstring::npos || at + 3 != name.size()) continue;
        auto run = std::make_unique<CBackup>();
        run->m_strRecordPath = m_strBackupFolder + name;
        if (GetPathType(run->m_strRecordPath) == 1 && run->Archive(FALSE)) m_arrBackups.push_back(std::move(run));
      } while (win::FindNextFile(find.get(), &data));
    }
  }
  FillList();
  const BOOL any = !m_arrBackups.empty();
  m_btnDelete.EnableWindow(any);
  m_btnRestore.EnableWindow(any);
  WriteLogLine(L"LoadBackups completed");
}

void CPartialBackupDlg::FillList() {
  m_listBackups.DeleteAllItems();
  if (m_arrBackups.empty()) {
    m_listBackups.InsertItem(0, GetLocalizedString(L"IDS_NO_ITEM_TO_SHOW").c_str());
    m_btnDelete.EnableWindow(FALSE);
    m_btnRestore.EnableWindow(FALSE);
    return;
  }
  m_listBackups.SetImageList(&m_imgList, LVSIL_SMALL);
  const std::wstring label = GetLocalizedString(L"IDS_PARTIAL_BACKUP");
  int row = 0;
  for (size_t i = m_arrBackups.size(); i-- > 0;) {
    std::tm tm{};
    if (!mx::LocalTimeFromUnix(m_arrBackups[i]->m_tTime, tm)) continue;
    const std::wstring text = label + mx::FormatTime(L"%a. %b %d, %Y. %I:%M %p", tm);
    const int at = m_listBackups.InsertItem(row++, text.c_str());
    m_listBackups.SetItemText(at, 1, m_arrBackups[i]->m_strRecordPath.c_str());
    m_listBackups.SetItemData(at, static_cast<DWORD_PTR>(i));
  }
  m_listBackups.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  const BOOL any = m_listBackups.GetItemCount() > 0;
  m_btnDelete.EnableWindow(any);
  m_btnRestore.EnableWindow(any);
  m_listBackups.EnsureVisible(0, FALSE);
}

void CPartialBackupDlg::OnDelete() {
  const int row = LastSelectedRow(m_listBackups);
  if (row < 0) {
    Ask(m_hWnd, L"IDS_SELECT_DELETE_ITEM", MB_OK);
    return;
  }
  if (row >= m_listBackups.GetItemCount() || m_arrBackups.empty()) return;
  if (Ask(m_hWnd, L"IDS_CONFIRM_DELETE", MB_YESNO) != IDYES) return;
  const std::wstring record = m_listBackups.GetItemText(row, 1);
  m_listBackups.DeleteItem(row);
  // The archive goes with its record: alone it could never be restored, only take space.
  if (record.size() > 3) {
    win::DeleteFile(record.c_str());
    win::DeleteFile(ArchiveOf(record).c_str());
  }
  LoadBackups();
  m_listBackups.SetFocus();
}

void CPartialBackupDlg::OnRestore() {
  const int row = LastSelectedRow(m_listBackups);
  if (row < 0) {
    Ask(m_hWnd, L"IDS_SELECT_RESTORE_ITEM", MB_OK);
    return;
  }
  if (!MayRunWithoutElevation()) {
    RelaunchElevated(L"zunvistapartialbackuprestore");
    return;
  }
  const size_t index = static_cast<size_t>(m_listBackups.GetItemData(row));
  if (m_arrBackups.empty() || index >= m_arrBackups.size()) return;
  CBackup* run = m_arrBackups[index].get();

  CZUNApp* app = AfxGetZunApp();
  if (m_enableNavigation) m_enableNavigation(FALSE);
  m_btnDelete.EnableWindow(FALSE);
  m_btnRestore.EnableWindow(FALSE);
  if (app) app->m_bRestoreRunning = true;
  // The undo keeps the window answering while the registry editor imports, however long that takes.
  if (run->UndoAll()) Ask(m_hWnd, L"IDS_SUCCESSFULL_RESTORE", MB_OK);
  if (m_enableNavigation) m_enableNavigation(TRUE);
  m_btnDelete.EnableWindow(TRUE);
  m_btnRestore.EnableWindow(TRUE);
  if (app) app->m_bRestoreRunning = false;
  m_listBackups.SetFocus();
}

BOOL CPartialBackupDlg::OnCommand(WPARAM wParam, LPARAM) {
  if (HIWORD(wParam) != BN_CLICKED) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_BTN_DELETE_BACKUP: OnDelete(); return TRUE;
    case IDC_BTN_RESTORE_BACKUP: OnRestore(); return TRUE;
    default: return FALSE;
  }
}

LRESULT CPartialBackupDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    PaintBackupPageBand(m_hWnd);
    return 0;
  }
  return CDlgChildBase::WindowProc(msg, wParam, lParam);
}
