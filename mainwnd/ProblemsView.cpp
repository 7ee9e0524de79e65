#include "mainwnd/ProblemsView.h"

#include <string>

#include "app/DrawingUtils.h"
#include "app/ExclusionLists.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "mainwnd/ScanLogExport.h"
#include "platform/base/Text.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/WindowDC.h"
#include "platform/shell/ShellExecute.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "scan/Problem.h"
#include "scan/ProblemTexts.h"
#include "scan/ScanManager.h"
#include "ui/CopyTextToClipboard.h"
#include "ui/InputApi.h"
#include "ui/KeyGuardedClose.h"
#include "ui/MainWindowLinks.h"
#include "ui/STMemDC.h"

namespace {

constexpr UINT kIconsBitmap = 151;
constexpr UINT kChecksBitmap = 152;
constexpr UINT kBitnessBitmap = 120;
constexpr UINT kViewIcon = 100;
constexpr WPARAM kIconBig = 1;
constexpr WPARAM kIconSmall = 0;
constexpr DWORD kListExtendedStyle = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP;  // 0x424

CScanManager* Manager() {
  CZUNApp* app = AfxGetZunApp();
  return app ? app->m_pScanManager : nullptr;
}

std::wstring Text(const wchar_t* key) { return GetLocalizedString(key); }

bool IsRegistryPath(const std::wstring& key) { return key.rfind(L"HKEY_", 0) == 0; }

// Counts the view as a modal window of the program for as long as it runs, whatever ends it.
class ModalCount {
 public:
  ModalCount() { ++g_nModalCount; }
  ~ModalCount() { --g_nModalCount; }
  ModalCount(const ModalCount&) = delete;
  ModalCount& operator=(const ModalCount&) = delete;
};

void SetMenuText(HMENU menu, UINT position, const std::wstring& text) {
  MENUITEMINFOW info;
  info.fMask = MIIM_STRING;
  std::wstring copy = text;
  info.dwTypeData = copy.data();
  info.cch = static_cast<UINT>(copy.size());
  win::SetMenuItemInfo(menu, position, TRUE, &info);
}

}  // namespace

CProblemsView::CProblemsView(const std::wstring& title, win::CWnd* parent) : CMainBorder(IDD_PROBLEMS_VIEW, parent) {
  m_bTitledFrame = 1;
  m_strTitle = title;
}

void CProblemsView::Run(win::CWnd* parent, HWND mainWindow, const std::wstring& title,
                        std::function<void()> onExclusionListChanged) {
  CProblemsView view(title, parent);
  view.m_bMaximizable = 1;
  view.m_hMainWindow = mainWindow;
  view.m_onExclusionListChanged = std::move(onExclusionListChanged);
  ModalCount modal;
  view.DoModal();
}

BOOL CProblemsView::OnInitDialog() {
  CMainBorder::OnInitDialog();
  m_layout.Apply(nullptr, m_hWnd, IDD_PROBLEMS_VIEW, 96.0);
  MoveWindow(0, 0, 700, 550);
  CenterWindow();
  m_hIcon = win::LoadIcon(nullptr, kViewIcon);
  SendMessage(WM_SETICON, kIconBig, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, kIconSmall, reinterpret_cast<LPARAM>(m_hIcon));
  SetWindowText(L"");

  m_list.SubclassWindow(GetDlgItem(IDC_LIST_PROBLEMS));
  m_btnSelectAll.SubclassWindow(GetDlgItem(IDC_CHK_SELECT_ALL));
  m_lnkClose.SubclassDlgItem(IDC_LNK_CLOSE_VIEW, this);
  m_lnkExportLog.SubclassDlgItem(IDC_LNK_EXPORT_LOG, this);

  CBitmap icons, checks, bitness;
  icons.LoadBitmap(kIconsBitmap);
  checks.LoadBitmap(kChecksBitmap);
  m_imlIcons.Create(32, 32, ILC_COLOR32 | ILC_MASK, 14, 1);
  m_imlIcons.Add(&icons, RGB(255, 255, 255));
  m_imlChecks.Create(15, 15, ILC_COLOR32 | ILC_MASK, 2, 1);
  m_imlChecks.Add(&checks, RGB(255, 0, 255));
  m_list.SetImageList(&m_imlIcons, LVSIL_SMALL);
  if (IsWow64()) {
    bitness.LoadBitmap(kBitnessBitmap);
    m_imlBitness.Create(32, 32, ILC_COLOR32 | ILC_MASK, 2, 1);
    m_imlBitness.Add(&bitness, RGB(255, 255, 255));
    m_list.SetImageList(&m_imlBitness, LVSIL_NORMAL);
  }
  m_list.InsertColumn(0, L"Type and Description", LVCFMT_LEFT, 665);
  m_list.SetExtendedStyle(kListExtendedStyle);
  m_list.SetImageList(&m_imlChecks, LVSIL_STATE);

  MoveDlgItemScaled(m_hWnd, IDC_ST_PROBLEMS_HEADING, 38, 16, 300, 14);
  if (HWND heading = GetDlgItem(IDC_ST_PROBLEMS_HEADING)) {
    win::SetWindowText(heading, L"");
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfWeight = 700;
    lf.lfQuality = PROOF_QUALITY;
    std::wstring(L"Tahoma").copy(lf.lfFaceName, LF_FACESIZE - 1);
    m_fontHeading.CreateFontIndirect(&lf);
    win::SendMessage(heading, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_fontHeading)), TRUE);
  }

  FillList();

  m_btnSelectAll.SetWindowText(Text(L"IDS_SELECT_ALL").c_str());
  const int state = GetSelectAllState();
  m_btnSelectAll.SetCheck(state == 1 ? BST_CHECKED : state == 0 ? BST_UNCHECKED : BST_INDETERMINATE);
  m_bAllSelected = state == 1 ? 1 : 0;

  for (ChyperlinkBtn* link : {&m_lnkClose, &m_lnkExportLog}) {
    link->m_crBack = RGB(255, 255, 255);
    link->m_crText = RGB(0, 0, 255);
    link->m_crHover = RGB(55, 85, 200);
  }
  m_lnkClose.m_strText = Text(L"IDS_BTN_CLOSE");
  m_lnkClose.SetWindowText(m_lnkClose.m_strText.c_str());
  m_lnkExportLog.m_strText = Text(L"IDS_BTN_EXPORT_LOG");
  m_lnkExportLog.SetWindowText(m_lnkExportLog.m_strText.c_str());
  m_lnkExportLog.m_nFormat = DT_SINGLELINE | DT_VCENTER | DT_RIGHT;  // 38

  RECT client{};
  GetClientRect(&client);
  OnSize(0, client.right, client.bottom);
  return TRUE;
}

void CProblemsView::FillList() {
  m_list.DeleteAllItems();
  CScanManager* manager = Manager();
  if (!manager) return;
  for (DWORD bit = 0x1; bit <= 0x2000; bit <<= 1) {
    CCategory* category = manager->GetCategory(bit);
    if (!category) continue;
    // each category's rows go in from the top, so later categories come first
    for (size_t i = 0; i < category->m_arrProblems.size(); ++i) {
      CProblem* problem = category->m_arrProblems[i].get();
      LVITEMW item;
      item.mask = LVIF_TEXT | LVIF_IMAGE;
      item.iItem = static_cast<int>(i);
      item.pszText = const_cast<LPWSTR>(L"");
      item.iImage = static_cast<int>(bit);
      const int row = m_list.InsertItem(&item);
      m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(problem));
      if (problem->m_nSelected) m_list.SetCheck(row, TRUE);
    }
  }
}

int CProblemsView::GetSelectAllState() const {
  const int count = m_list.GetItemCount();
  int unchecked = 0;
  for (int row = 0; row < count; ++row)
    if (!m_list.GetCheck(row)) ++unchecked;
  if (count == 0 || unchecked == 0) return 1;
  return unchecked == count ? 0 : 2;
}

int CProblemsView::SelectedRow() const { return m_list.GetSafeHwnd() ? m_list.GetNextItem(-1, LVNI_SELECTED) : -1; }

CProblem* CProblemsView::SelectedProblem() const {
  const int row = SelectedRow();
  return row < 0 ? nullptr : reinterpret_cast<CProblem*>(m_list.GetItemData(row));
}

int CProblemsView::GetProblemKind() const {
  const CProblem* problem = SelectedProblem();
  if (!problem) return 0;
  if (IsRegistryPath(problem->Key)) return 1;
  const std::wstring file = problem->GetDetail(1);
  return file.size() >= 3 && file.compare(1, 2, L":\\") == 0 ? 2 : 0;
}

std::wstring CProblemsView::BuildCopyText() const {
  const CProblem* problem = SelectedProblem();
  const std::wstring first = problem ? problem->GetDetail(0) : std::wstring();
  const std::wstring second = problem ? GetProblemDescription(problem) : std::wstring();
  return first + L"\n----------------------------\n" + second;
}

void CProblemsView::OnItemChanged(const NMLISTVIEW& change) {
  if (change.uNewState == (LVIS_SELECTED | LVIS_FOCUSED)) return;
  if (change.uNewState == 0 && change.uOldState == 0) return;
  const UINT oldImage = (change.uOldState & LVIS_STATEIMAGEMASK) >> 12;
  const UINT newImage = (change.uNewState & LVIS_STATEIMAGEMASK) >> 12;
  if (oldImage == 0 || newImage == 0 || oldImage == newImage) return;
  if (auto* problem = reinterpret_cast<CProblem*>(m_list.GetItemData(change.iItem)))
    problem->m_nSelected = static_cast<int>(newImage) - 1;
  if (m_btnSelectAll.GetSafeHwnd()) m_btnSelectAll.SetCheck(GetSelectAllState());
}

HMENU CProblemsView::BuildContextMenu() const {
  const int row = SelectedRow();
  if (row < 0) return nullptr;
  HMENU menu = win::LoadMenu(nullptr, IDR_PROBLEM_MENU);
  if (!menu) return nullptr;
  HMENU popup = win::GetSubMenu(menu, 0);
  if (!popup || !win::RemoveMenu(menu, 0, MF_BYPOSITION)) {
    win::DestroyMenu(menu);
    return nullptr;
  }
  win::DestroyMenu(menu);
  SetMenuText(popup, 0, Text(m_list.GetCheck(row) ? L"IDS_UNSELECT_THIS" : L"IDS_SELECT_THIS"));
  SetMenuText(popup, 1, Text(L"ID_SELECTION_SELECT_ALL"));
  SetMenuText(popup, 2, Text(L"ID_SELECTION_DESELECT_ALL"));
  SetMenuText(popup, 3, Text(L"ID_SELECTION_INVERT_SELECTION"));
  SetMenuText(popup, 6, Text(L"ID_PROBLEM_DETAILS_COPY"));
  SetMenuText(popup, 7, Text(L"ID_PROBLEM_ADD_TO_IGNORE"));
  switch (GetProblemKind()) {
    case 1:
      SetMenuText(popup, 5, Text(L"ID_PROBLEM_DETAILS_GO_TO_KEY"));
      win::EnableMenuItem(popup, 7, MF_BYPOSITION | MF_ENABLED);
      break;
    case 2:
      SetMenuText(popup, 5, Text(L"IDS_FILE_PROP"));
      win::EnableMenuItem(popup, 7, MF_BYPOSITION | MF_DISABLED | MF_GRAYED);
      break;
    default: break;
  }
  return popup;
}

void CProblemsView::OnRightClick() {
  HMENU menu = BuildContextMenu();
  if (!menu) return;
  POINT at{};
  win::GetCursorPos(&at);
  win::TrackPopupMenu(menu, TPM_LEFTBUTTON, at.x, at.y, 0, m_hWnd, nullptr);
  win::DestroyMenu(menu);
}

void CProblemsView::SetAllChecks(int mode) {
  for (int row = 0; row < m_list.GetItemCount(); ++row) {
    const BOOL check = mode < 0 ? !m_list.GetCheck(row) : mode;
    m_list.SetCheck(row, check);
    if (mode == 1 && row != 0 && row % 1000 == 0) PumpMessages();
  }
}

void CProblemsView::OnToggleSelected() {
  const int row = SelectedRow();
  if (row >= 0) m_list.SetCheck(row, !m_list.GetCheck(row));
}

void CProblemsView::OnSelectAll() {
  SetAllChecks(1);
  m_bAllSelected = 1;
}

void CProblemsView::OnUnselectAll() {
  SetAllChecks(0);
  m_bAllSelected = 0;
}

void CProblemsView::OnInvertSelection() { SetAllChecks(-1); }

void CProblemsView::OnSelectAllBox() {
  const bool wasAll = m_bAllSelected == 1;
  m_bAllSelected = wasAll ? 0 : 1;
  SetAllChecks(wasAll ? 0 : 1);
  // the box shows what the rows now are, not the step its own click took
  m_btnSelectAll.SetCheck(GetSelectAllState());
}

void CProblemsView::OnGoToKey() {
  const CProblem* problem = SelectedProblem();
  if (!problem) return;
  if (IsRegistryPath(problem->Key)) {
    if (GetOSMajorVersion() < 6 || IsUserAdmin())
      OpenKeyInRegedit(problem->Key, problem->ValueName, problem->m_n32BitEntry == 0);
    else
      win::MessageBox(m_hWnd, Text(L"IDS_STR_LACK_OF_PERMISSION").c_str(), Text(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
    return;
  }
  if (!problem->Key.empty()) return;
  std::wstring file = problem->GetDetail(1);
  if (file.empty()) return;
  if (file.front() != L'"') file = L"\"" + file + L"\"";
  SHELLEXECUTEINFOW info;
  info.hwnd = m_hWnd;
  info.lpVerb = L"properties";
  info.lpFile = file.c_str();
  info.nShow = SW_SHOW;
  win::ShellExecuteEx(&info);  // a sheet that cannot be shown is not worth a message
}

void CProblemsView::OnCopyDescription() { CopyTextToClipboard(BuildCopyText(), m_hWnd); }

void CProblemsView::OnAddToIgnoreList() {
  const int row = SelectedRow();
  if (row < 0) return;
  auto* problem = reinterpret_cast<CProblem*>(m_list.GetItemData(row));
  if (!problem || !IsRegistryPath(problem->Key)) return;
  if (CZUNApp* app = AfxGetZunApp()) AddToExclusionList(app, problem->Key);
  // written at once, as the exclusion page does: a crash or relaunch must not lose the entry
  SaveExclusionList();
  m_bIgnoreListChanged = 1;
  m_list.DeleteItem(row);
  problem->m_nSelected = 0;
  if (m_onExclusionListChanged) m_onExclusionListChanged();
  if (m_list.GetItemCount() == 0) PostMessage(WM_COMMAND, IDC_LNK_CLOSE_VIEW, 0);
}

void CProblemsView::OnCloseView() {
  if (win::GetAsyncKeyState(VK_ESCAPE) != 0) return;
  CScanManager* manager = Manager();
  CZUNApp* app = AfxGetZunApp();
  if (m_bIgnoreListChanged && manager && app) {
    // the rows point at the problems about to go
    if (m_list.GetSafeHwnd()) m_list.DeleteAllItems();
    for (DWORD bit = 0x1; bit <= 0x2000; bit <<= 1) {
      CCategory* category = manager->GetCategory(bit);
      if (!category) continue;
      auto& problems = category->m_arrProblems;
      for (size_t i = 0; i < problems.size();) {
        const std::wstring key = mx::ToUpper(problems[i]->Key);
        bool excluded = false;
        for (const std::wstring& entry : app->m_arrExcludeList) excluded = excluded || key == mx::ToUpper(entry);
        if (excluded)
          problems.erase(problems.begin() + static_cast<std::ptrdiff_t>(i));
        else
          ++i;
      }
    }
  }
  HWND main = m_hMainWindow ? m_hMainWindow : (win::AfxGetMainWnd() ? win::AfxGetMainWnd()->m_hWnd : nullptr);
  const int left = manager ? manager->GetProblemCount() : 0;
  if (main) win::PostMessage(main, WM_COMMAND, left >= 1 ? ID_CMD_SCAN_DONE : IDC_BTN_HOME, 0);
  EndDialog(IDOK);
}

void CProblemsView::OnExportLog() { ExportScanLogXml(m_hWnd); }

void CProblemsView::OnOK() { KeyGuardedOnOK(*this); }
void CProblemsView::OnCancel() { OnCloseView(); }

BOOL CProblemsView::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  switch (id) {
    case ID_PROBLEM_TOGGLE: OnToggleSelected(); return TRUE;
    case ID_PROBLEM_SELECT_ALL: OnSelectAll(); return TRUE;
    case ID_PROBLEM_UNSELECT_ALL: OnUnselectAll(); return TRUE;
    case ID_PROBLEM_INVERT: OnInvertSelection(); return TRUE;
    case ID_PROBLEM_GO_TO_KEY: OnGoToKey(); return TRUE;
    case ID_PROBLEM_COPY: OnCopyDescription(); return TRUE;
    case ID_PROBLEM_ADD_TO_IGNORE: OnAddToIgnoreList(); return TRUE;
    case IDC_LNK_CLOSE_VIEW: OnCloseView(); return TRUE;
    case IDC_LNK_EXPORT_LOG: OnExportLog(); return TRUE;
    case IDC_CHK_SELECT_ALL:
      if (HIWORD(wParam) == BN_CLICKED) OnSelectAllBox();
      return TRUE;
    default: return CMainBorder::OnCommand(wParam, lParam);
  }
}

LRESULT CProblemsView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header && header->idFrom == IDC_LIST_PROBLEMS) {
        if (header->code == LVN_ITEMCHANGED) OnItemChanged(*reinterpret_cast<const NMLISTVIEW*>(lParam));
        if (header->code == NM_RCLICK) OnRightClick();
        return 0;
      }
      break;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item && item->CtlType == ODT_LISTVIEW && item->CtlID == IDC_LIST_PROBLEMS) {
        m_list.DrawItem(item);
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDBLCLK:
      if (GET_Y_LPARAM(lParam) < 27) PostMessage(WM_COMMAND, IDC_BTN_MAXIMIZE, 0);
      return 0;
    default: break;
  }
  return CMainBorder::WindowProc(msg, wParam, lParam);
}

void CProblemsView::OnSize(UINT type, int cx, int cy) {
  CMainBorder::OnSize(type, cx, cy);
  if (m_list.GetSafeHwnd()) {
    m_list.MoveWindow(8, 90, cx - 16, cy - 150);
    m_list.SetColumnWidth(0, cx - win::GetSystemMetrics(SM_CXVSCROLL) - 45);
  }
  if (m_btnSelectAll.GetSafeHwnd()) m_btnSelectAll.MoveWindow(15, cy - 55, 200, 20);
  int a = 55;
  if (m_lnkClose.GetSafeHwnd()) {
    a = GetTextFitWidth(nullptr, m_lnkClose.m_hWnd, m_lnkClose.m_strText, 58);
    m_lnkClose.MoveWindow(cx - a - 18, cy - 52, a, 18);
  }
  if (m_lnkExportLog.GetSafeHwnd()) m_lnkExportLog.MoveWindow(cx - a - 178, cy - 52, 150, 18);
  Invalidate(TRUE);
}

void CProblemsView::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC dc(&paint, &client);
  DrawFrame(&dc, &client);
  CPen rule(PS_SOLID, 1, RGB(160, 200, 240));
  HGDIOBJ old = dc.SelectObject(static_cast<HGDIOBJ>(static_cast<HPEN>(rule)));
  dc.MoveTo(7, 85);
  dc.LineTo(client.right - 7, 85);
  dc.MoveTo(7, client.bottom - 57);
  dc.LineTo(client.right - 7, client.bottom - 57);
  dc.SelectObject(old);
  for (win::CWnd* button : {static_cast<win::CWnd*>(&m_btnClose), static_cast<win::CWnd*>(&m_btnMinimize),
                            static_cast<win::CWnd*>(&m_btnMaximize)})
    if (button->GetSafeHwnd()) button->Invalidate(FALSE);
}
