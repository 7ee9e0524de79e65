#pragma once
// The problems view: the framed modal window over the results screen that lists every problem of the last
// scan, one row each with the check box that marks it for repair. The user checks and unchecks rows, copies
// a problem's text, opens its key or its file's properties, adds its key to the exclusion list and exports
// the scan log. Closing drops the problems whose keys are now excluded and sends the main window on to the
// results or the home screen.
#include <functional>
#include <string>

#include "platform/gdi/AfxControls.h"
#include "platform/gdi/GdiObject.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/HyperlinkBtn.h"
#include "ui/ListCtrlEx.h"
#include "ui/MainBorder.h"

class CProblem;

inline constexpr UINT IDD_PROBLEMS_VIEW = 406;
inline constexpr int IDC_LIST_PROBLEMS = 318;
inline constexpr int IDC_CHK_SELECT_ALL = 296;
inline constexpr int IDC_ST_PROBLEMS_HEADING = 349;
inline constexpr int IDC_LNK_CLOSE_VIEW = 213;
inline constexpr int IDC_LNK_EXPORT_LOG = 1011;
inline constexpr UINT IDR_PROBLEM_MENU = 432;
inline constexpr UINT ID_PROBLEM_TOGGLE = 101;
inline constexpr UINT ID_PROBLEM_SELECT_ALL = 114;
inline constexpr UINT ID_PROBLEM_UNSELECT_ALL = 112;
inline constexpr UINT ID_PROBLEM_INVERT = 113;
inline constexpr UINT ID_PROBLEM_GO_TO_KEY = 110;
inline constexpr UINT ID_PROBLEM_COPY = 109;
inline constexpr UINT ID_PROBLEM_ADD_TO_IGNORE = 108;

class CProblemsView : public CMainBorder {
 public:
  CProblemsView(const std::wstring& title, win::CWnd* parent);

  // Runs the view modally over parent. While it runs it counts as a modal window of the program, so no
  // scan, repair or other request replaces the problems it shows; mainWindow gets the closing command.
  static void Run(win::CWnd* parent, HWND mainWindow, const std::wstring& title,
                  std::function<void()> onExclusionListChanged = {});

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;

  void FillList();
  // 1 when no row is unchecked (also with no rows), 0 when every row is unchecked, 2 otherwise.
  int GetSelectAllState() const;
  // For the selected row: 1 a registry key, 2 a file (detail 1 a drive path), 0 otherwise or no selection.
  int GetProblemKind() const;
  // "detail 0", 28 dashes, and the description, each on its own line; empty text parts without a selection.
  std::wstring BuildCopyText() const;
  // The selected row's problem; null without one.
  CProblem* SelectedProblem() const;
  // The context menu as it is shown for the selected row (texts and greyed items set); nullptr without a
  // selected row. The caller destroys it.
  HMENU BuildContextMenu() const;

  void OnItemChanged(const NMLISTVIEW& change);
  void OnRightClick();
  void OnToggleSelected();
  void OnSelectAll();
  void OnUnselectAll();
  void OnInvertSelection();
  void OnSelectAllBox();
  void OnGoToKey();
  void OnCopyDescription();
  void OnAddToIgnoreList();
  void OnCloseView();
  void OnExportLog();

  CListCtrlEx m_list;
  CImageList m_imlIcons;
  CImageList m_imlChecks;
  CImageList m_imlBitness;
  CDlgTemplateLayout m_layout;
  HICON m_hIcon = nullptr;
  CButton m_btnSelectAll;
  ChyperlinkBtn m_lnkClose;
  ChyperlinkBtn m_lnkExportLog;
  CFont m_fontHeading;
  BYTE m_bIgnoreListChanged = 0;
  BYTE m_bAllSelected = 1;
  // The window that gets the closing command (the results or home screen); the owner's main window when
  // not set.
  HWND m_hMainWindow = nullptr;
  // The settings window's exclusion page refills its list when a key was added here.
  std::function<void()> m_onExclusionListChanged;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  void OnSize(UINT type, int cx, int cy) override;

 private:
  void SetAllChecks(int mode);  // 1 check, 0 uncheck, -1 flip
  int SelectedRow() const;
};
