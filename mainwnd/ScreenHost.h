#pragma once
// What the screens of the scan flow ask of the window that holds them: where its commands go, the settings
// screen, the navigation lock while a scan runs, and the start of a scan. The main window answers for the
// program; tests answer with recorders.
#include "platform/win/WinDefs.h"

// Commands screens post to the main window (WM_COMMAND, lParam 0).
inline constexpr UINT IDC_BTN_BACKUP_REG = 210;
inline constexpr UINT IDC_BTN_HOME = 223;
inline constexpr UINT IDC_BTN_SCAN_REG = 234;
inline constexpr UINT IDC_BTN_SETTINGS = 237;
inline constexpr UINT IDC_BTN_INSTALL_DLL_FILES = 1010;
inline constexpr UINT ID_CMD_START_SCAN = 1124;
inline constexpr UINT ID_CMD_SCAN_DONE = 1134;
inline constexpr UINT ID_CMD_START_CLEAN = 1154;

// Pages of the settings screen a command opens.
inline constexpr UINT IDC_SETTINGS_PAGE_SCAN_AREA = 228;
inline constexpr UINT IDC_SETTINGS_PAGE_SCHEDULE = 235;

// Screen ids: the main window's timer of the same id shows the screen.
inline constexpr UINT SCREEN_SCAN_MAIN = 105;
inline constexpr UINT SCREEN_SCAN_PROGRESS = 106;
inline constexpr UINT SCREEN_HOME = 107;
inline constexpr UINT SCREEN_SCAN_RESULTS = 109;
inline constexpr UINT SCREEN_AFTER_CLEAN = 111;

// The main window's timer after whose 2048 ms the window first shows.
inline constexpr UINT_PTR kTimerFirstShow = 103;

class IScreenHost {
 public:
  virtual ~IScreenHost() = default;
  virtual HWND GetMainWindow() const = 0;
  // The settings screen's window, which takes the page commands; null while it does not exist.
  virtual HWND GetSettingsScreen() const = 0;
  // Locks or frees the navigation while a scan runs.
  virtual void EnableNavigation(BOOL enable) = 0;
  // Starts a scan of the categories chosen on the scan-area page.
  virtual void StartRegistryScan() = 0;
};

// Posts a command to the host's main window.
void PostMainCommand(IScreenHost* host, UINT command);
// Has the main window show the screen of that id after its usual 90 ms.
void ShowScreenSoon(IScreenHost* host, UINT screenId);
// Opens the settings screen on one of its pages.
void OpenSettingsPage(IScreenHost* host, UINT pageCommand);
