#include "ui/ListCtrlEx.h"

#include <string>

#include "app/LocalizedStrings.h"
#include "platform/gdi/Gdi.h"
#include "platform/win/Message.h"
#include "scan/Problem.h"
#include "scan/ProblemTexts.h"

BYTE g_bShowBitnessIcons = 0;

namespace {

constexpr UINT kTextFormat = DT_SINGLELINE | DT_EXTERNALLEADING | DT_NOPREFIX;  // 0xA20
constexpr COLORREF kEvenRow = RGB(230, 244, 255);
constexpr COLORREF kSecondLine = RGB(63, 72, 81);
constexpr COLORREF kSecondLineSelected = RGB(216, 225, 252);

HIMAGELIST ImageListOf(HWND list, int which) {
  return reinterpret_cast<HIMAGELIST>(win::SendMessage(list, LVM_GETIMAGELIST, static_cast<WPARAM>(which), 0));
}

}  // namespace

std::wstring CListCtrlEx::SecondLine(const CProblem& problem) {
  std::wstring text = GetProblemDescription(&problem);
  if (problem.m_nRepairFailed) text = GetLocalizedString(L"IDS_STR_NOT_REPAIRED") + L" - " + text;
  return text;
}

void CListCtrlEx::DrawItem(const DRAWITEMSTRUCT* item) {
  if (!item || item->CtlType != ODT_LISTVIEW || item->itemAction != ODA_DRAWENTIRE) return;
  wchar_t text[520] = {};
  LVITEMW row;
  row.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_INDENT;
  row.iItem = static_cast<int>(item->itemID);
  row.stateMask = 0xFFFF;
  row.pszText = text;
  row.cchTextMax = 520;
  GetItem(&row);
  const auto* problem = reinterpret_cast<const CProblem*>(item->itemData);

  const bool selected = (item->itemState & ODS_SELECTED) != 0;
  const COLORREF background = selected                  ? win::GetSysColor(COLOR_HIGHLIGHT)
                              : (item->itemID % 2 == 0) ? kEvenRow
                                                        : win::GetSysColor(COLOR_WINDOW);
  const COLORREF foreground = win::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
  const COLORREF secondLine = selected ? kSecondLineSelected : kSecondLine;

  HDC dc = item->hDC;
  RECT rc = item->rcItem;
  HBRUSH fill = win::CreateSolidBrush(background);
  win::FillRect(dc, &rc, fill);
  win::DeleteObject(fill);
  if (selected) {
    win::FillRect(dc, &rc, win::GetSysColorBrush(COLOR_HIGHLIGHT));
    win::DrawFocusRect(dc, &rc);
  }

  const int width = GetColumnWidth(0);
  const UINT stateImage = (row.state & LVIS_STATEIMAGEMASK) >> 12;
  if (stateImage != 0 && width > 20)
    win::ImageList_Draw(ImageListOf(m_hWnd, LVSIL_STATE), static_cast<int>(stateImage) - 1, dc, rc.left + 5, rc.top + 9,
                        ILD_TRANSPARENT);
  if (width > 59) win::ImageList_Draw(ImageListOf(m_hWnd, LVSIL_SMALL), 0, dc, 27, rc.top, ILD_TRANSPARENT);
  if (g_bShowBitnessIcons && width > 59 && problem)
    win::ImageList_Draw(ImageListOf(m_hWnd, LVSIL_NORMAL), problem->m_n32BitEntry, dc, 55, rc.top, ILD_TRANSPARENT);
  if (!problem) return;

  RECT box = rc;
  box.left = g_bShowBitnessIcons ? 90 : 65;
  box.top += 3;
  win::SetBkColor(dc, background);
  win::SetTextColor(dc, foreground);
  std::wstring first = problem->GetDetail(0);
  if (first.empty()) first = problem->Key;
  win::DrawText(dc, first.c_str(), -1, &box, kTextFormat);
  box.top += 14;
  win::SetTextColor(dc, secondLine);
  const std::wstring second = SecondLine(*problem);
  win::DrawText(dc, second.c_str(), -1, &box, kTextFormat);
}

void CListCtrlEx::OnLButtonDown(UINT, POINT point) {
  LVHITTESTINFO hit;
  hit.pt = point;
  const int index = HitTest(&hit);
  if (index < 0) return;
  RECT bounds{};
  GetItemRect(index, &bounds, LVIR_BOUNDS);
  if ((hit.flags & LVHT_ONITEMSTATEICON) && point.x > 4 && point.x <= 20 && point.y >= bounds.top + 9 &&
      point.y <= bounds.top + 24) {
    const UINT image = GetItemState(index, LVIS_STATEIMAGEMASK) >> 12;
    SetItemState(index, INDEXTOSTATEIMAGEMASK(image == 1 ? 2 : 1), LVIS_STATEIMAGEMASK);
  }
}

LRESULT CListCtrlEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_LBUTTONDOWN) OnLButtonDown(static_cast<UINT>(wParam), POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
  return CListCtrl::WindowProc(msg, wParam, lParam);
}
