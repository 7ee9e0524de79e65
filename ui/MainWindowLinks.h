#pragma once
// How the screens, pages, notifiers and tools meet the main window: the command and screen ids they post to
// it, the screen area it publishes before it creates the screens that size themselves from it, and the few
// calls the layers below the main window may make on it directly. Everything else is a WM_COMMAND posted to
// the main window's handle.
#include "platform/win/WinDefs.h"

namespace win {
class CWnd;
}

// Navigation buttons; posting the id to the main window is the same as pressing the button.
inline constexpr UINT IDC_BTN_BACKUP_REG = 210;
inline constexpr UINT IDC_BTN_UPLOAD_DLLS = 212;
inline constexpr UINT IDC_BTN_HELP = 222;
inline constexpr UINT IDC_BTN_HOME = 223;
inline constexpr UINT IDC_BTN_OPTIMIZE_REG = 225;
inline constexpr UINT IDC_BTN_SCAN_REG = 234;
inline constexpr UINT IDC_BTN_SETTINGS = 237;
inline constexpr UINT IDC_BTN_SUBMIT_FEEDBACK = 240;
inline constexpr UINT IDC_BTN_INSTALL_DLL_FILES = 1010;
inline constexpr UINT IDC_BTN_LANGUAGE = 1012;

// Commands of the scan and repair flow.
inline constexpr UINT ID_CMD_START_SCAN = 1124;
inline constexpr UINT ID_CMD_SCAN_DONE = 1134;
inline constexpr UINT ID_CMD_START_CLEAN = 1154;
inline constexpr UINT ID_CMD_RUN_REPAIR = 1164;  // to the repair page
inline constexpr UINT ID_CMD_SHOW_POPUP = 1174;
inline constexpr UINT ID_CMD_CLEAN_DONE = 1184;
inline constexpr UINT ID_CMD_FEEDBACK = 1204;

// Help menu (menu 431), system menu and tray menu (439) commands.
inline constexpr UINT ID_HELP_ABOUT = 102;
inline constexpr UINT ID_HELP_CHECK_UPDATES = 103;
inline constexpr UINT ID_HELP_SUPPORT_PAGE = 104;
inline constexpr UINT ID_HELP_EMPTY = 105;
inline constexpr UINT ID_HELP_SELECT_LANGUAGE = 111;
inline constexpr UINT IDM_ABOUTBOX = 16;  // the system menu's About item
inline constexpr UINT ID_SYSMENU_ABOUT = 207;
inline constexpr UINT ID_TRAY_ABOUT = 1013;
inline constexpr UINT ID_TRAY_QUIT = 1014;
inline constexpr UINT ID_LANGUAGE_FIRST = 1021;  // 1021 + language index, through 1040
inline constexpr UINT ID_LANGUAGE_LAST = 1040;

// Commands the main window posts to its screens.
inline constexpr UINT IDC_BTN_PARTIAL_BACKUPS = 226;    // backup screen: partial backups page
inline constexpr UINT IDC_BTN_TAKE_FULL_BACKUP = 241;   // backup screen: take a full backup

// Screens shown through the main window's 90 ms timer of the same id and the registered message.
inline constexpr UINT SCREEN_SCAN_MAIN = 105;
inline constexpr UINT SCREEN_SCAN_PROGRESS = 106;
inline constexpr UINT SCREEN_HOME = 107;
inline constexpr UINT SCREEN_OPTIMIZE = 108;
inline constexpr UINT SCREEN_SCAN_RESULTS = 109;
inline constexpr UINT SCREEN_NONE = 110;
inline constexpr UINT SCREEN_AFTER_CLEAN = 111;
inline constexpr UINT SCREEN_INSTALL_DLL = 114;
inline constexpr UINT kScreenSwitchDelayMs = 90;

// Main-window timers other screens arm.
inline constexpr UINT_PTR TIMER_FIRST_SHOW = 103;  // armed by the home screen 2048 ms after its page loaded
inline constexpr UINT kFirstShowDelayMs = 2048;

// The screen area, published before the backup screen (g_nScreenWidth/Height) and the settings window
// (g_nSettingsWidth/Height) are created; they size their pages from it.
extern int g_nScreenWidth;
extern int g_nScreenHeight;
extern int g_nSettingsWidth;
extern int g_nSettingsHeight;

// The calls a screen below the main window makes on it (the main window registers itself while it lives).
class IMainWindowLinks {
 public:
  virtual ~IMainWindowLinks() = default;
  virtual HWND GetMainHwnd() const = 0;
  // Locks or unlocks the navigation, Help, language and close buttons while an operation runs.
  virtual void EnableNavigation(BOOL enable) = 0;
  // Makes a classic page the one shown.
  virtual void SwitchToScreen(win::CWnd* screen) = 0;
  virtual BOOL IsHiddenInTray() const = 0;
  virtual void RestoreFromTray() = 0;
  virtual void HideToTrayOrExit() = 0;
};

// The main window while it exists, else nullptr.
IMainWindowLinks* MainWindowLinks();
void SetMainWindowLinks(IMainWindowLinks* links);
