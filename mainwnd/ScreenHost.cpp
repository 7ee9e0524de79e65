#include "mainwnd/ScreenHost.h"

#include "platform/win/Message.h"
#include "platform/win/Timer.h"

void PostMainCommand(IScreenHost* host, UINT command) {
  if (HWND main = host ? host->GetMainWindow() : nullptr) win::PostMessage(main, WM_COMMAND, command, 0);
}

void ShowScreenSoon(IScreenHost* host, UINT screenId) {
  if (HWND main = host ? host->GetMainWindow() : nullptr) win::SetTimer(main, screenId, kScreenSwitchDelayMs, nullptr);
}

void OpenSettingsPage(IScreenHost* host, UINT pageCommand) {
  PostMainCommand(host, IDC_BTN_SETTINGS);
  if (HWND settings = host ? host->GetSettingsScreen() : nullptr)
    win::PostMessage(settings, WM_COMMAND, pageCommand, 0);
}
