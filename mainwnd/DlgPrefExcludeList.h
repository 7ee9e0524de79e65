#pragma once
// The exclusion-list page of the settings window: the keys scans never report (the application's exclusion
// list), Add Entry and Delete Entry, and the two scan options that skip errors on removable media and empty
// keys. Every change of the list is written to its file at once.
#include "platform/gdi/AfxControls.h"
#include "ui/DlgChildBase.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/KVTHoverButtonWithText.h"

inline constexpr UINT IDD_EXCLUDE_LIST_PAGE = 390;
inline constexpr int IDC_LIST_EXCLUDE = 322;
inline constexpr int IDC_BTN_ADD_ENTRY = 208;
inline constexpr int IDC_BTN_DELETE_ENTRY = 216;
inline constexpr int IDC_CHK_SKIP_REMOVABLE = 300;
inline constexpr int IDC_CHK_SKIP_EMPTY_KEYS = 299;

class CDlgPrefExcludeList : public CDlgChildBase {
 public:
  CDlgPrefExcludeList();

  BOOL OnInitDialog() override;
  // One row per entry of the exclusion list, in its order; Delete Entry only with at least one entry.
  void FillList();

  CListCtrl m_list;
  CKVTHoverButtonWithText m_btnAddEntry;
  CKVTHoverButtonWithText m_btnDeleteEntry;
  CDlgTemplateLayout m_layout;
  CButton m_chkRemovableMedia;
  CButton m_chkSkipEmptyKeys;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  void OnAddEntry();
  void OnDeleteEntry();
  void OnSkipRemovableMedia();
  void OnSkipEmptyKeys();
  void OnPaint();
};
