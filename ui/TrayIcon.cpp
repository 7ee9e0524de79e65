#include "ui/TrayIcon.h"

#include <algorithm>

#include "app/LocalizedStrings.h"
#include "app/ZUNApp.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/RegisteredMessage.h"
#include "platform/win/Window.h"
#include "ui/MainWindowLinks.h"

namespace {

constexpr UINT kWmContextMenu = 0x007B;
constexpr UINT kSpiSetWorkArea = 47;
constexpr UINT kTrayMenuTextLength = 260;

void SetItemText(HMENU menu, UINT position, const std::wstring& text) {
  wchar_t buffer[kTrayMenuTextLength] = {};
  text.copy(buffer, std::min<size_t>(text.size(), kTrayMenuTextLength - 1));
  MENUITEMINFOW info{};
  info.fMask = MIIM_STRING;
  info.dwTypeData = buffer;
  win::SetMenuItemInfo(menu, position, TRUE, &info);
}

constexpr LPCWSTR kTrayWindowClass = L"XTTrayIconWnd";

void RegisterTrayWindowClass() {
  static const bool registered = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = kTrayWindowClass;
    win::RegisterClass(&wc);
    return true;
  }();
  (void)registered;
}

}  // namespace

UINT TaskbarCreatedMessage() {
  static const UINT id = win::RegisterWindowMessage(L"TaskbarCreated");
  return id;
}

bool IsProgramBusy() {
  if (g_nModalCount > 0) return true;
  CZUNApp* app = AfxGetZunApp();
  return app && (app->m_bScanRunning || app->m_bCleanRunning || app->m_bRestoreRunning || app->m_bDefragRunning);
}

CXTTrayIcon::CXTTrayIcon() { m_nid.uCallbackMessage = WM_TRAYICON_NOTIFY; }

CXTTrayIcon::~CXTTrayIcon() {
  if (!m_bRemoved && m_nid.hWnd) {
    NOTIFYICONDATAW data = m_nid;
    data.uFlags = 0;
    if (win::Shell_NotifyIcon(NIM_DELETE, &data)) m_bHidden = m_bRemoved = 1;
  }
  if (GetSafeHwnd()) DestroyWindow();
  if (m_hIcon) win::DestroyIcon(m_hIcon);
}

BOOL CXTTrayIcon::Create(const std::wstring& tooltip, win::CWnd* owner, UINT iconResourceId, UINT iconId,
                         UINT defaultItem, BOOL defaultByPosition) {
  if (!owner) return FALSE;
  m_nIconResourceId = iconResourceId;
  m_strTooltip = tooltip;
  m_hOwner = owner->GetSafeHwnd();
  m_nTooltipLimit = 127;
  SetIconFromResource(iconResourceId);
  UpdateTooltipText(tooltip);
  RegisterTrayWindowClass();
  if (!CreateEx(0, kTrayWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr)) return FALSE;
  m_nid.hWnd = m_hWnd;
  m_nid.uID = iconId;
  m_nDefaultItem = defaultItem;
  m_bDefaultByPosition = defaultByPosition ? 1 : 0;
  m_nReaddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  return AddIcon();
}

BOOL CXTTrayIcon::AddIcon() {
  if (!m_bRemoved) {
    NOTIFYICONDATAW data = m_nid;
    data.uFlags = 0;
    if (win::Shell_NotifyIcon(NIM_DELETE, &data)) m_bHidden = m_bRemoved = 1;
  }
  NOTIFYICONDATAW data = m_nid;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  if (win::Shell_NotifyIcon(NIM_ADD, &data)) {
    m_bHidden = m_bRemoved = 0;
    return TRUE;
  }
  m_bAddFailed = 1;
  return FALSE;
}

BOOL CXTTrayIcon::RemoveIcon() {
  m_bAddFailed = 0;
  if (m_bRemoved) return TRUE;
  NOTIFYICONDATAW data = m_nid;
  data.uFlags = 0;
  if (!win::Shell_NotifyIcon(NIM_DELETE, &data)) return FALSE;
  m_bHidden = m_bRemoved = 1;
  return TRUE;
}

void CXTTrayIcon::RecreateIcon() {
  if (m_bHidden || m_bRemoved) return;
  NOTIFYICONDATAW data = m_nid;
  data.uFlags = m_nReaddFlags;
  m_bAddFailed = win::Shell_NotifyIcon(NIM_ADD, &data) ? 0 : 1;
}

// The shell here always hides icons by their state, as every shell since version 5 does.
BOOL CXTTrayIcon::HideIcon() {
  if (m_bHidden || m_bRemoved) return TRUE;
  NOTIFYICONDATAW data = m_nid;
  data.uFlags = NIF_STATE;
  data.dwState = data.dwStateMask = NIS_HIDDEN;
  m_bHidden = win::Shell_NotifyIcon(NIM_MODIFY, &data) ? 1 : 0;
  return m_bHidden;
}

BOOL CXTTrayIcon::ShowIcon() {
  if (!m_bRemoved && !m_bHidden) return TRUE;
  if (m_bRemoved) return AddIcon();
  NOTIFYICONDATAW data = m_nid;
  data.uFlags = NIF_STATE;
  data.dwState = 0;
  data.dwStateMask = NIS_HIDDEN;
  if (!win::Shell_NotifyIcon(NIM_MODIFY, &data)) return FALSE;
  m_bHidden = m_bRemoved = 0;
  return TRUE;
}

BOOL CXTTrayIcon::SetIconFromResource(UINT iconResourceId) {
  HICON icon = static_cast<HICON>(win::LoadImage(nullptr, iconResourceId, IMAGE_ICON, 16, 16, 0));
  if (m_hIcon) win::DestroyIcon(m_hIcon);
  m_hIcon = icon;
  if (icon == m_nid.hIcon) return TRUE;
  m_nid.hIcon = icon;
  if (m_bHidden || m_bRemoved) return TRUE;
  NOTIFYICONDATAW data = m_nid;
  data.uFlags = NIF_ICON;
  return win::Shell_NotifyIcon(NIM_MODIFY, &data);
}

BOOL CXTTrayIcon::UpdateTooltipText(const std::wstring& text) {
  m_strTooltip = text;
  const size_t limit = static_cast<size_t>(m_nTooltipLimit - 1);
  if (m_strTooltip.size() > limit) m_strTooltip.resize(limit);
  std::fill(std::begin(m_nid.szTip), std::end(m_nid.szTip), L'\0');
  m_strTooltip.copy(m_nid.szTip, limit);
  if (m_bHidden || m_bRemoved) return TRUE;
  NOTIFYICONDATAW data = m_nid;
  data.uFlags = NIF_TIP;
  return win::Shell_NotifyIcon(NIM_MODIFY, &data);
}

void CXTTrayIcon::MinimizeToTray(win::CWnd* window) {
  if (!window) return;
  AttachToHiddenParent(window);
  window->ShowWindow(SW_HIDE);
}

void CXTTrayIcon::RestoreFromTray(win::CWnd* window) {
  if (!window) return;
  win::SetParent(window->GetSafeHwnd(), nullptr);
  window->SetWindowPos(nullptr, 0, 0, 0, 0,
                       SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  if (GetSafeHwnd()) win::SetActiveWindow(m_hWnd);
  win::SetActiveWindow(window->GetSafeHwnd());
  win::SetForegroundWindow(window->GetSafeHwnd());
}

BOOL CXTTrayIcon::AttachToHiddenParent(win::CWnd* window) {
  if (!m_hiddenParent) {
    m_hiddenParent = std::make_unique<win::CWnd>();
    RegisterTrayWindowClass();
    if (!m_hiddenParent->CreateEx(0, kTrayWindowClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr)) {
      m_hiddenParent.reset();
      return FALSE;
    }
  }
  win::SetParent(window->GetSafeHwnd(), m_hiddenParent->GetSafeHwnd());
  return TRUE;
}

BOOL CXTTrayIcon::OwnerHandled(WPARAM iconId, LPARAM mouseMessage) {
  return win::SendMessage(m_hOwner, WM_TRAYICON_NOTIFY, iconId, mouseMessage) != 0;
}

BOOL CXTTrayIcon::TrackIconMenu(const std::function<void(HMENU)>& prepare) {
  HMENU menu = win::LoadMenu(nullptr, m_nid.uID);
  if (!menu) return FALSE;
  HMENU popup = win::GetSubMenu(menu, 0);
  if (!popup) {
    win::DestroyMenu(menu);
    return FALSE;
  }
  win::SetMenuDefaultItem(popup, m_nDefaultItem, m_bDefaultByPosition);
  POINT pt{};
  win::GetCursorPos(&pt);
  win::SetForegroundWindow(m_hOwner);
  if (prepare) prepare(popup);
  win::TrackPopupMenu(popup, TPM_LEFTBUTTON, pt.x, pt.y, 0, m_hOwner, nullptr);
  win::PostMessage(m_hOwner, WM_NULL, 0, 0);
  win::DestroyMenu(menu);
  NOTIFYICONDATAW data = m_nid;
  win::Shell_NotifyIcon(NIM_SETFOCUS, &data);
  return TRUE;
}

LRESULT CXTTrayIcon::OnTrayNotification(WPARAM iconId, LPARAM mouseMessage) {
  if (iconId != m_nid.uID || !m_hOwner) return 0;
  if (OwnerHandled(iconId, mouseMessage)) return 1;
  const UINT mouse = static_cast<UINT>(mouseMessage);
  if (mouse == kWmContextMenu || mouse == WM_RBUTTONUP || mouse == NIN_SELECT || mouse == NIN_KEYSELECT) {
    if (!TrackIconMenu(nullptr)) return 0;
  } else if (mouse == WM_LBUTTONDBLCLK) {
    win::SetForegroundWindow(m_hOwner);
    UINT command = m_nDefaultItem;
    if (m_bDefaultByPosition) {
      HMENU menu = win::LoadMenu(nullptr, m_nid.uID);
      command = menu ? win::GetMenuItemID(win::GetSubMenu(menu, 0), static_cast<int>(m_nDefaultItem)) : 0;
      if (menu) win::DestroyMenu(menu);
    }
    win::SendMessage(m_hOwner, WM_COMMAND, command, 0);
  }
  return 1;
}

LRESULT CXTTrayIcon::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == m_nid.uCallbackMessage) return OnTrayNotification(wParam, lParam);
  if (msg == TaskbarCreatedMessage()) {
    RecreateIcon();
    return 0;
  }
  if (msg == WM_SETTINGCHANGE) {
    const LRESULT result = CWnd::WindowProc(msg, wParam, lParam);
    if (wParam == kSpiSetWorkArea && m_bAddFailed) RecreateIcon();
    return result;
  }
  return CWnd::WindowProc(msg, wParam, lParam);
}

LRESULT CXTTrayIconYK::OnTrayNotification(WPARAM iconId, LPARAM mouseMessage) {
  if (iconId != m_nid.uID || !m_hOwner) return 0;
  const bool busy = IsProgramBusy();
  if (OwnerHandled(iconId, mouseMessage)) return 1;
  const UINT mouse = static_cast<UINT>(mouseMessage);
  IMainWindowLinks* main = MainWindowLinks();
  if (mouse == WM_LBUTTONUP || mouse == kWmContextMenu || mouse == NIN_SELECT || mouse == NIN_KEYSELECT) {
    if (g_nModalCount != 0 || !main) return 0;
    if (main->IsHiddenInTray())
      main->RestoreFromTray();
    else
      main->HideToTrayOrExit();
    return 1;
  }
  if (mouse == WM_RBUTTONUP) {
    if (busy) return 0;
    return TrackIconMenu([](HMENU popup) {
      SetItemText(popup, 0, GetLocalizedString(L"IDS_ABOUTBOX"));
      SetItemText(popup, 2, GetLocalizedString(L"string169"));
    });
  }
  return 1;
}
