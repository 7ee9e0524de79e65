// The Help menu and the program commands behind it and behind the tray menu. The about box, the update check
// are their own parts; the feedback form is run through the hook its part fills in.
#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/ServiceAddress.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "dllfix/DlgNagDriverFeedback.h"
#include "mainwnd/DlgAbout.h"
#include "mainwnd/UpdateCheck.h"
#include "mainwnd/ZUNDlg.h"
#include "platform/gdi/Menu.h"
#include "platform/shell/ShellExecute.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

void CZUNDlg::OnBtnHelp() {
  CMenu menu;
  if (!menu.LoadMenu(IDR_HELP_MENU)) return;
  HMENU popup = win::GetSubMenu(menu.m_hMenu, 0);
  if (!popup) return;
  const std::pair<UINT, const wchar_t*> texts[] = {
      {0, L"IDS_BTN_HELP"}, {2, L"IDS_SEL_LANG"}, {3, L"IDS_CHK_FOR_UPDATES"}, {5, L"IDS_BTN_ABOUT"}};
  for (const auto& [position, key] : texts) {
    std::wstring text = GetLocalizedString(key);
    MENUITEMINFOW info{};
    info.fMask = MIIM_STRING;
    info.dwTypeData = text.data();
    win::SetMenuItemInfo(popup, position, TRUE, &info);
  }
  RECT rect{};
  m_btnHelp.GetWindowRect(&rect);
  win::TrackPopupMenu(popup, TPM_LEFTBUTTON, rect.left + 5, rect.top + 17, 0, m_hWnd, nullptr);
}

void CZUNDlg::OnHelpSupportPage() {
  std::wstring version;
  GetExeFileVersion(version);
  const std::wstring url = MakeServiceUrl(version.empty() ? L"/support/" : L"/support/?build=" + version);
  if (url.empty()) {
    WriteLogLine(L"No web address of the maker is configured: the support page was not opened");
    return;
  }
  win::ShellExecute(m_hWnd, L"Open", url.c_str(), L"", L"", SW_SHOWMAXIMIZED);
}

void CZUNDlg::OnSelectLanguage() {
  PostMessage(WM_COMMAND, IDC_BTN_SETTINGS, 0);
  m_dlgSettings.PostMessage(WM_COMMAND, IDC_BTN_GENERAL, 0);
}

void CZUNDlg::OnCheckForUpdates() {
  if (CZUNApp* app = AfxGetZunApp()) app->m_bUpdateCheckMode = FALSE;
  if (m_onCheckForUpdates)
    m_onCheckForUpdates(*this, false);
  else
    StartUpdateCheck(false);
}

void CZUNDlg::OnAbout() {
  if (m_onAbout)
    m_onAbout(*this);
  else
    ShowAboutBox(this);
}

void CZUNDlg::OnBtnFeedback() {
  PumpMessages();
  OnCmdFeedback();
}

void CZUNDlg::OnCmdFeedback() {
  if (m_onFeedback)
    m_onFeedback(*this);
  else
    ShowFeedbackForm(this);
}

void CZUNDlg::OnTrayAbout() {
  RestoreFromTray();
  OnAbout();
}

void CZUNDlg::OnTrayQuit() {
  RestoreFromTray();
  ExitProgram();
}
