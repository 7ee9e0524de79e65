#pragma once
#include <functional>
// The notification-area icon of the main window. CXTTrayIcon owns the icon's data and a hidden window that
// receives its callback messages, keeps the icon and tooltip, shows and hides the icon, puts it back when the
// desktop's tray comes back ("TaskbarCreated"), and hides the window to the tray and back. CXTTrayIconYK is
// the program's: a left click restores or hides the main window, a right click opens the tray menu, and
// nothing happens while an operation or a modal prompt runs.
#include <string>

#include "platform/gdi/NotifyIcon.h"
#include "platform/win/Wnd.h"

inline constexpr UINT WM_TRAYICON_NOTIFY = 0xDD1;

// The "TaskbarCreated" message the shell broadcasts when its tray is made again.
UINT TaskbarCreatedMessage();

class CXTTrayIcon : public win::CWnd {
 public:
  CXTTrayIcon();
  ~CXTTrayIcon() override;

  // FALSE for a null owner. The icon id is also the menu resource id.
  BOOL Create(const std::wstring& tooltip, win::CWnd* owner, UINT iconResourceId, UINT iconId, UINT defaultItem,
              BOOL defaultByPosition);
  BOOL HideIcon();
  BOOL ShowIcon();
  BOOL AddIcon();
  BOOL RemoveIcon();
  virtual void RecreateIcon();
  virtual BOOL SetIconFromResource(UINT iconResourceId);
  virtual BOOL UpdateTooltipText(const std::wstring& text);
  void MinimizeToTray(win::CWnd* window);
  void RestoreFromTray(win::CWnd* window);
  virtual BOOL AttachToHiddenParent(win::CWnd* window);
  virtual LRESULT OnTrayNotification(WPARAM iconId, LPARAM mouseMessage);

  BOOL IsHidden() const { return m_bHidden; }
  BOOL IsRemoved() const { return m_bRemoved; }
  BOOL AddFailed() const { return m_bAddFailed; }
  const std::wstring& Tooltip() const { return m_strTooltip; }

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  // Sends the notification to the owner first; TRUE when the owner handled it.
  BOOL OwnerHandled(WPARAM iconId, LPARAM mouseMessage);
  // Shows the icon's menu (its resource's first submenu) at the mouse, after prepare has adjusted it; FALSE
  // when the menu could not be loaded.
  BOOL TrackIconMenu(const std::function<void(HMENU)>& prepare);

  UINT m_nReaddFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  UINT m_nIconResourceId = 0;
  UINT m_nDefaultItem = 0;
  BYTE m_bDefaultByPosition = 0;
  BYTE m_bHidden = 1;
  BYTE m_bRemoved = 1;
  BYTE m_bAddFailed = 0;
  HWND m_hOwner = nullptr;
  std::unique_ptr<win::CWnd> m_hiddenParent;
  int m_nTooltipLimit = 64;
  std::wstring m_strTooltip;
  HICON m_hIcon = nullptr;
  NOTIFYICONDATAW m_nid;
};

class CXTTrayIconYK : public CXTTrayIcon {
 public:
  // The main window stays a top-level window; only its visibility changes.
  BOOL AttachToHiddenParent(win::CWnd*) override { return TRUE; }
  LRESULT OnTrayNotification(WPARAM iconId, LPARAM mouseMessage) override;
};

// A scan, repair, partial-backup restore or registry analysis runs, or a modal prompt is open.
bool IsProgramBusy();
