#include "ui/AfxDialog.h"

#include "platform/gdi/DialogTemplate.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/WinApp.h"
#include "platform/win/Window.h"
#include "ui/OwnerDrawButton.h"

bool IsCtlColorMessage(UINT msg) { return msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC; }

CDialog::CDialog(UINT templateId, win::CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

CDialog::~CDialog() {
  if (m_hWnd) DestroyWindow();
}

BOOL CDialog::Create(UINT templateId, win::CWnd* parent) {
  m_nIDTemplate = templateId;
  if (parent) m_pParentWnd = parent;
  HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
  return gdi::CreateDialogFromTemplate(templateId, owner, this) != nullptr;
}

std::intptr_t CDialog::DoModal() {
  win::CWnd* parent = m_pParentWnd ? m_pParentWnd : win::AfxGetMainWnd();
  HWND owner = parent ? parent->m_hWnd : nullptr;
  if (!gdi::CreateDialogFromTemplate(m_nIDTemplate, owner, this)) return -1;
  // the owner is only re-enabled when this loop disabled it: a caller that disabled it keeps that
  const bool disabledOwner = owner && win::IsWindowEnabled(owner);
  if (disabledOwner) win::EnableWindow(owner, FALSE);
  ShowWindow(SW_SHOW);
  const int result = RunModalLoop();
  if (disabledOwner && win::IsWindow(owner)) win::EnableWindow(owner, TRUE);
  if (m_hWnd) {
    ShowWindow(SW_HIDE);
    DestroyWindow();
  }
  return result;
}

void CDialog::EndDialog(int result) {
  if (ContinueModal()) EndModalLoop(result);
}

void CDialog::CenterWindow(HWND alternate) {
  if (m_hWnd) CenterWindowOver(m_hWnd, alternate ? alternate : win::GetParent(m_hWnd));
}

RECT DesktopRect() {
  RECT area{};
  if (win::GetWindowRect(win::GetDesktopWindow(), &area) && area.right > area.left) return area;
  return RECT{0, 0, win::GetSystemMetrics(SM_CXSCREEN), win::GetSystemMetrics(SM_CYSCREEN)};
}

void CenterWindowOver(HWND hwnd, HWND over) {
  RECT area = DesktopRect();
  if (over && win::IsWindowVisible(over) && !win::IsIconic(over)) win::GetWindowRect(over, &area);
  RECT me{};
  win::GetWindowRect(hwnd, &me);
  const int w = me.right - me.left, h = me.bottom - me.top;
  POINT pt{area.left + (area.right - area.left - w) / 2, area.top + (area.bottom - area.top - h) / 2};
  HWND parent = win::GetParent(hwnd);
  if ((win::GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD) && parent) win::ScreenToClient(parent, &pt);
  win::SetWindowPos(hwnd, nullptr, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

LRESULT CDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_SETFONT:
      m_hFont = reinterpret_cast<HFONT>(wParam);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(m_hFont);
    case WM_COMMAND:
      if (OnCommand(wParam, lParam)) return 0;
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDOK) {
        OnOK();
        return 0;
      }
      if (HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) == IDCANCEL) {
        OnCancel();
        return 0;
      }
      break;
    case WM_DRAWITEM: {
      auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
      if (item && item->CtlType == ODT_BUTTON) {
        if (auto* button = dynamic_cast<COwnerDrawButton*>(win::CWnd::FromHandle(item->hwndItem))) {
          button->DrawItem(item);
          return TRUE;
        }
      }
      break;
    }
    case WM_ERASEBKGND: {
      // the dialog's colour answer, else the button face, so that no dialog shows stale pixels
      HDC hdc = reinterpret_cast<HDC>(wParam);
      auto brush = reinterpret_cast<HBRUSH>(win::SendMessage(m_hWnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(m_hWnd)));
      RECT rc{};
      GetClientRect(&rc);
      win::FillRect(hdc, &rc, brush ? brush : win::GetSysColorBrush(COLOR_BTNFACE));
      return TRUE;
    }
    default:
      if (IsCtlColorMessage(msg)) {
        if (HBRUSH brush = OnCtlColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam), msg))
          return reinterpret_cast<LRESULT>(brush);
      }
      break;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}
