#pragma once
// The partial-backups page of the backup screen: the undo runs the repairs recorded, newest first, each to
// undo or delete.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/AfxControls.h"
#include "scan/Backup.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"

inline constexpr UINT IDD_PARTIAL_BACKUPS = 407;
inline constexpr int IDC_LIST_PARTIAL_BACKUPS = 317;

class CPartialBackupDlg : public CDlgChildBase {
 public:
  CPartialBackupDlg();

  BOOL OnInitDialog() override;
  // Reads the undo runs of the folder again and rebuilds the list.
  void LoadBackups();
  void FillList();
  void OnDelete();
  void OnRestore();

  CKVTHoverButtonWithText m_btnDelete;
  CKVTHoverButtonWithText m_btnRestore;
  CDlgTemplateLayout m_layout;
  CListCtrl m_listBackups;
  CImageList m_imgList;
  std::wstring m_strBackupFolder;
  // Owned, in the order of the folder's listing. A run read back is never written again.
  std::vector<std::unique_ptr<CBackup>> m_arrBackups;
  int m_nWidth = 0;
  int m_nHeight = 0;
  // The main window's navigation switch, turned off around an undo (set by whoever hosts the screen).
  std::function<void(BOOL)> m_enableNavigation;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
