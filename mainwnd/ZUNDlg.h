#pragma once
// The main window, as far as the start-up needs it today: a dialog-class ("#32770") window whose caption is
// the localized program title, created hidden, so that a second instance finds it and posts its requests.
// The screens come with the main window's own work.
#include <functional>
#include <memory>
#include <string>

#include "platform/win/Wnd.h"

// Requests a second instance posts to the first (wParam 0, lParam 0).
inline constexpr UINT WM_START_SCHEDULED_SCAN = WM_APP + 151;
inline constexpr UINT WM_ASK_DLL_FIXED = WM_APP + 152;

class CZUNDlg : public win::CWnd {
 public:
  // No splash yet: records that there is none.
  BOOL ShowSplash() { return FALSE; }
  // Creates the window (hidden, no parent) with caption as its text.
  BOOL Create(const std::wstring& caption);

  // Called for each request another instance posts (tests and the start-up log it).
  std::function<void(UINT message)> m_onInstanceRequest;

  // The scan-progress screen the main window holds (for now the scheduled scan's hidden window).
  std::unique_ptr<win::CWnd> m_scanProgress;

  // Runs once the window exists, as the window's own initialisation step: the program hooks its
  // command-word work in here (the scheduled scan).
  static void SetInitHook(std::function<void(CZUNDlg&)> hook);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
