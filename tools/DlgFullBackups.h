#pragma once
// The full-backups page of the backup screen: the whole-registry exports in the data folder, with Delete and
// Restore.
#include <string>

#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"

inline constexpr UINT IDD_FULL_BACKUPS = 382;
inline constexpr int IDC_LIST_FULL_BACKUPS = 321;

class CDlgFullBackups : public CDlgChildBase {
 public:
  CDlgFullBackups() : CDlgChildBase(IDD_FULL_BACKUPS) {}

  BOOL OnInitDialog() override;
  void FillList();
  void OnDelete();
  void OnRestore();

  CKVTHoverButtonWithText m_btnDelete;
  CKVTHoverButtonWithText m_btnRestore;
  CListCtrl m_listBackups;
  CImageList m_imgList;
  CDlgTemplateLayout m_layout;
  // The page's size, set by the screen before it creates the page.
  int m_nWidth = 0;
  int m_nHeight = 0;

 protected:
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
