#pragma once
// What the screens of the scan flow ask of the window that holds them: where its commands go, the settings
// screen, the navigation lock while a scan runs, and the start of a scan. The main window answers for the
// program; tests answer with recorders.
#include "platform/win/WinDefs.h"
#include "ui/MainWindowLinks.h"

// Pages of the settings screen a command opens.
inline constexpr UINT IDC_SETTINGS_PAGE_SCAN_AREA = 228;
inline constexpr UINT IDC_SETTINGS_PAGE_SCHEDULE = 235;

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
