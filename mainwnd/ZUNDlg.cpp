#include "mainwnd/ZUNDlg.h"

#include "mainwnd/ProblemsView.h"

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/DrawingUtils.h"
#include "app/ExclusionLists.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/ResourceTable.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Window.h"
#include "mainwnd/UpdateCheck.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"
#include "ui/DLGPopupControl.h"
#include "ui/InputApi.h"
#include "ui/QRMenu.h"
#include "ui/STMemDC.h"

namespace {

constexpr UINT kWmQueryDragIcon = 0x0037;
constexpr WPARAM kIconSmall = 0, kIconBig = 1;
constexpr int kWindowWidth = 770, kWindowHeight = 593;

std::function<void(CZUNDlg&)>& InitHook() {
  static std::function<void(CZUNDlg&)> hook;
  return hook;
}

std::function<BOOL()>& FinishAfterOptimizationHook() {
  static std::function<BOOL()> hook;
  return hook;
}

std::function<void(bool, int)>& UnattendedEndHook() {
  static std::function<void(bool, int)> hook;
  return hook;
}

CZUNApp* App() { return AfxGetZunApp(); }

bool AnyOperationRunning() {
  CZUNApp* app = App();
  return app && (app->m_bScanRunning || app->m_bCleanRunning || app->m_bRestoreRunning || app->m_bDefragRunning);
}

// The machine's product key, opened for reading and writing and created when missing; nullopt without rights.
bool OpenMachineProductKey(CRegistryKey& key) { return key.Open(HKEY_LOCAL_MACHINE, TRUE, kProductKey); }

}  // namespace

CZUNDlg::CZUNDlg() : CMainBorder(IDD_MAIN_WINDOW, nullptr) {
  m_bNoDrag = 0;
  m_hIcon = win::LoadIcon(nullptr, IDI_MAIN_ICON);
  SetMainWindowLinks(this);
}

CZUNDlg::~CZUNDlg() {
  if (MainWindowLinks() == this) SetMainWindowLinks(nullptr);
  if (GetSafeHwnd()) DestroyWindow();
  if (m_hIcon) win::DestroyIcon(m_hIcon);
}

void CZUNDlg::SetInitHook(std::function<void(CZUNDlg&)> hook) { InitHook() = std::move(hook); }

void CZUNDlg::SetFinishAfterOptimizationHook(std::function<BOOL()> hook) {
  FinishAfterOptimizationHook() = std::move(hook);
}

void CZUNDlg::SetUnattendedEndHook(std::function<void(bool, int)> hook) { UnattendedEndHook() = std::move(hook); }

BOOL CZUNDlg::ShowSplash() {
  CZUNApp* app = App();
  m_pSplash = nullptr;
  if (!app || !app->m_bShowSplash) return FALSE;
  m_pSplash = CDlgSplash::CreateAndShow();
  return m_pSplash != nullptr;
}

BOOL CZUNDlg::Create() { return CDialog::Create(IDD_MAIN_WINDOW, nullptr); }

BOOL CZUNDlg::OnInitDialog() {
  CMainBorder::OnInitDialog();
  g_bShowBitnessIcons = IsWow64() ? 1 : 0;
  ModifyStyle(0, WS_MINIMIZEBOX);
  m_layout.Apply(nullptr, m_hWnd, IDD_MAIN_WINDOW, 96.0);

  const std::wstring about = GetLocalizedString(L"IDS_ABOUTBOX");
  if (HMENU system = win::GetSystemMenu(m_hWnd, FALSE); system && !about.empty()) {
    win::AppendMenu(system, MF_SEPARATOR, 0, nullptr);
    win::AppendMenu(system, MF_STRING, IDM_ABOUTBOX, about.c_str());
  }

  SendMessage(WM_SETICON, kIconBig, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessage(WM_SETICON, kIconSmall, reinterpret_cast<LPARAM>(m_hIcon));
  MoveWindow(0, 0, kWindowWidth, kWindowHeight);
  CenterWindow();
  SetWindowText(GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str());

  LayoutButtons();
  CreateScreens();

  m_trayIcon.Create(GetLocalizedString(L"AFX_IDS_APP_TITLE"), this, IDI_MAIN_ICON, IDR_TRAY_MENU, 0, FALSE);
  m_trayIcon.HideIcon();

  // One copy of the shared UI font for every control of the window and its screens.
  static HFONT dialogFont = [] {
    LOGFONTW lf{};
    GetUILogFont(lf);
    return win::CreateFontIndirect(&lf);
  }();
  win::EnumChildWindows(m_hWnd, [](HWND child) {
    win::SendMessage(child, WM_SETFONT, reinterpret_cast<WPARAM>(dialogFont), TRUE);
    return TRUE;
  });

  RunElevatedRelaunchDispatch();

  // A scheduled scan runs hidden and reports when it ends; the program hooks it in here.
  CZUNApp* app = App();
  if (app && !app->m_bStartedAfterOptimization && app->m_bScheduledScanMode) {
    if (win::HasWindowObserver() && !HtmlScreensLoaded()) {
      m_dwScheduledScanWaitStart = win::GetTickCount();
      SetTimer(TIMER_SCHEDULED_SCAN_START, kScheduledScanStartPollMs);
    } else {
      StartScheduledScan();
    }
  }
  if (app && app->m_bStartedAfterOptimization &&
      (FinishAfterOptimizationHook() ? FinishAfterOptimizationHook()() : app->FinishAfterOptimization()))
    SetTimer(TIMER_AFTER_OPTIMIZATION, kAfterOptimizationDelayMs);

  AddButtonTooltips();
  return TRUE;
}

void CZUNDlg::RunElevatedRelaunchDispatch() {
  CZUNApp* app = App();
  if (!app) return;
  if (app->m_bElevatedScan) {
    if (app->m_nSavedProblemCount != app->m_nLoadedProblemCount)
      win::MessageBox(m_hWnd, GetLocalizedString(L"IDS_STR_ERROR_RIGHTS_ALERT").c_str(),
                      GetLocalizedString(L"AFX_IDS_APP_TITLE").c_str(), MB_OK);
    if (app->m_pScanManager && app->m_pScanManager->GetProblemCount() != 0)
      PostMessage(WM_COMMAND, ID_CMD_START_CLEAN, 0);
  } else if (app->m_bElevatedFullBackup) {
    PostMessage(WM_COMMAND, IDC_BTN_BACKUP_REG, 0);
    m_dlgBackup.PostMessage(WM_COMMAND, IDC_BTN_TAKE_FULL_BACKUP, 0);
  } else if (app->m_bElevatedFullBackupRestore) {
    PostMessage(WM_COMMAND, IDC_BTN_BACKUP_REG, 0);
  } else if (app->m_bElevatedPartialBackupRestore) {
    PostMessage(WM_COMMAND, IDC_BTN_BACKUP_REG, 0);
    m_dlgBackup.PostMessage(WM_COMMAND, IDC_BTN_PARTIAL_BACKUPS, 0);
  } else if (app->m_bElevatedSchedule) {
    PostMessage(WM_COMMAND, IDC_BTN_SETTINGS, 0);
    m_dlgSettings.PostMessage(WM_COMMAND, IDC_BTN_SCHEDULE, 0);
  }
}

void CZUNDlg::LayoutButtons() {
  const auto text = [](const wchar_t* key) { return GetLocalizedString(key); };
  m_btnHome.SubclassDlgItem(IDC_BTN_HOME, this);
  m_btnScanReg.SubclassDlgItem(IDC_BTN_SCAN_REG, this);
  m_btnOptimize.SubclassDlgItem(IDC_BTN_OPTIMIZE_REG, this);
  m_btnInstallDlls.SubclassDlgItem(IDC_BTN_INSTALL_DLL_FILES, this);
  m_btnBackup.SubclassDlgItem(IDC_BTN_BACKUP_REG, this);
  m_btnSettings.SubclassDlgItem(IDC_BTN_SETTINGS, this);
  m_btnHelp.SubclassDlgItem(IDC_BTN_HELP, this);
  m_btnFeedback.SubclassDlgItem(IDC_BTN_SUBMIT_FEEDBACK, this);
  m_btnUpload.SubclassDlgItem(IDC_BTN_UPLOAD_DLLS, this);
  m_btnLanguage.SubclassDlgItem(IDC_BTN_LANGUAGE, this);

  RECT client{};
  GetClientRect(&client);
  const int w = client.right, h = client.bottom;

  m_btnHelp.MoveWindow(691, 27, 65, 17);
  m_btnHelp.m_bRightLink = 1;
  m_btnHelp.SetBitmapsAndText(142, 0, text(L"IDS_BTN_HELP"));

  struct Nav {
    CMyHoverButton& button;
    UINT icon;
    const wchar_t* caption;
  };
  const Nav navs[] = {{m_btnSettings, 148, L"IDS_BTN_SETTINGS"},
                      {m_btnBackup, 137, L"IDS_BTN_BACKUP_REG"},
                      {m_btnOptimize, 146, L"IDS_BTN_OPTIMIZE_REG"},
                      {m_btnInstallDlls, 1054, L"IDS_BTN_INSTALL_DLL_FILES"},
                      {m_btnScanReg, 147, L"IDS_BTN_SCAN_REG"},
                      {m_btnHome, 143, L"IDS_BTN_HOME"}};
  for (const Nav& nav : navs) {
    nav.button.m_bNavButton = 1;
    nav.button.m_bDrawText = 1;
    nav.button.m_bSmallRussian = 1;
    nav.button.SetNavButton(nav.icon, text(nav.caption), L"");
  }
  m_btnHome.m_bStayPressed = 1;

  m_btnUpload.m_bBlackSubText = 1;
  m_btnUpload.m_bNavButton = 1;
  m_btnUpload.m_bSmallRussian = 1;
  m_btnUpload.m_bDrawText = 1;
  m_btnUpload.SetNavButton(1045, text(L"IDS_UPLOAD_DLLS"), L"");
  m_btnUpload.MoveWindow(711, 28, 50, 20);
  m_btnUpload.EnableWindow(FALSE);
  m_btnUpload.ShowWindow(SW_HIDE);

  // The optimisation screen has no other way in from the window: its button takes the place after Scan.
  m_btnHome.MoveWindow(11, 60, 123, 68);
  m_btnInstallDlls.MoveWindow(137, 60, 123, 68);
  m_btnScanReg.MoveWindow(263, 60, 123, 68);
  m_btnOptimize.MoveWindow(389, 60, 123, 68);
  m_btnOptimize.EnableWindow(TRUE);
  m_btnOptimize.ShowWindow(SW_SHOW);
  m_btnBackup.MoveWindow(515, 60, 123, 68);
  m_btnSettings.MoveWindow(641, 60, 123, 68);

  m_btnLanguage.LoadStripBitmap(1015);
  m_btnLanguage.m_bLanguageFlag = 1;
  m_btnLanguage.MoveWindow(w - 97, 6, 28, 15);
  {
    CRegistryKey key(HKEY_LOCAL_MACHINE);
    key.m_access = KEY_READ;
    DWORD value = 0;
    if (key.Open(HKEY_LOCAL_MACHINE, FALSE, kProductKey) && key.ReadDWORD(L"DontShowLangButton", value))
      m_dwDontShowLangButton = value;
  }
  if (m_dwDontShowLangButton != 0) {
    m_btnLanguage.EnableWindow(FALSE);
    m_btnLanguage.ShowWindow(SW_HIDE);
  }

  // The feedback button sits in the bottom right corner, as wide as its caption or a third of its strip.
  const std::wstring feedback = text(L"IDS_SUBMIT_FEEEDBACK");
  BITMAP strip{};
  if (HBITMAP bitmap = gdi::LoadBitmapResource(206)) {
    win::GetObject(bitmap, sizeof strip, &strip);
    win::DeleteObject(bitmap);
  }
  const int fw = std::max(GetTextFitWidth(nullptr, m_btnFeedback.GetSafeHwnd(), feedback, 0), strip.bmWidth / 3);
  const int lang = App() ? App()->m_nLangID : 0;
  const int margin = fw >= 100 && lang != 0 && lang != 19 ? 11 : 0;
  m_btnFeedback.MoveWindow(w - fw - margin, h - strip.bmHeight, fw + margin, strip.bmHeight);
  m_btnFeedback.m_bAutoSize = 1;
  m_btnFeedback.m_bLinkText = 1;
  m_btnFeedback.SetBitmapsAndText(206, 0, feedback);
  m_btnFeedback.EnableWindow(FALSE);
  m_btnFeedback.ShowWindow(SW_HIDE);

  for (win::CWnd* button : std::initializer_list<win::CWnd*>{&m_btnClose, &m_btnMinimize, &m_btnHelp, &m_btnHome,
                                                              &m_btnScanReg, &m_btnOptimize, &m_btnInstallDlls,
                                                              &m_btnBackup, &m_btnSettings})
    if (button->GetSafeHwnd()) SizeWindowToClientArea(button->GetSafeHwnd());
  m_btnHelp.Invalidate();
}

void CZUNDlg::CreateHtmlScreen(CChildHtmlDialog& screen, const RECT& area) { screen.Create(m_hWnd, area); }

void CZUNDlg::CreateScreens() {
  RECT client{};
  GetClientRect(&client);
  const int x = 6, y = 128, w = client.right - 12, h = client.bottom - 157;
  const RECT area{x, y, x + w, y + h};
  const auto place = [&](win::CWnd& screen) {
    if (screen.GetSafeHwnd()) screen.MoveWindow(x, y, w, h);
  };
  m_dlgHome.SetHost(this);
  m_dlgScanMain.SetHost(this);
  m_dlgScanProgress.SetHost(this);
  m_dlgScanResults.SetHost(this);
  m_dlgScanResults.m_runProblemsView = [this](CDlg_SCAN_RESULT_HTML& screen, const std::wstring& title) {
    CProblemsView::Run(&screen, m_hWnd, title, [this] {
      if (m_dlgSettings.m_pageExcludeList.GetSafeHwnd()) m_dlgSettings.m_pageExcludeList.FillList();
    });
  };
  m_dlgUpload.m_enableNavigation = [this](BOOL enable) { EnableNavigation(enable); };

  // Every screen is made here, once, in this order; each stays hidden until a switch shows it.
  CreateHtmlScreen(m_dlgHome, area);
  CreateHtmlScreen(m_dlgScanMain, area);
  CreateHtmlScreen(m_dlgOptimizeRegistry, area);
  WriteLogLine(L"m_dlgOptimizeRegistry Created");
  CreateHtmlScreen(m_dlgInstallDlls, area);
  g_nScreenWidth = w;
  g_nScreenHeight = h;
  m_dlgBackup.m_enableNavigation = [this](BOOL enable) { EnableNavigation(enable); };
  m_dlgBackup.m_repaintHome = [this] {
    if (m_dlgHome.GetSafeHwnd()) m_dlgHome.Invalidate(FALSE);
  };
  m_dlgBackup.Create(378, this);
  place(m_dlgBackup);
  m_dlgBackup.CreatePages();
  m_dlgBackup.OnPartialBackups();
  g_nSettingsWidth = w;
  g_nSettingsHeight = h;
  m_dlgSettings.Create(IDD_SETTINGS, this);
  place(m_dlgSettings);
  m_dlgSettings.m_pageScanArea.m_onStartScan = [this] { StartRegistryScan(); };
  CreateHtmlScreen(m_dlgScanProgress, area);
  CreateHtmlScreen(m_dlgScanResults, area);
  CreateHtmlScreen(m_dlgAfterClean, area);
  m_dlgCleanWizard.SetHost(this);
  m_dlgCleanWizard.m_onUndoRunRecorded = [this] {
    if (m_dlgBackup.m_dlgPartialBackups.GetSafeHwnd()) m_dlgBackup.m_dlgPartialBackups.LoadBackups();
  };
  m_dlgCleanWizard.Create(IDD_REPAIR_PAGE, this);
  place(m_dlgCleanWizard);
  m_dlgUpload.Create(IDD_UPLOAD_FILES, this);
  place(m_dlgUpload);
  for (win::CWnd* screen : std::initializer_list<win::CWnd*>{
           &m_dlgHome, &m_dlgScanMain, &m_dlgOptimizeRegistry, &m_dlgInstallDlls, &m_dlgBackup, &m_dlgSettings,
           &m_dlgScanProgress, &m_dlgScanResults, &m_dlgAfterClean, &m_dlgCleanWizard, &m_dlgUpload})
    if (screen->GetSafeHwnd()) screen->ShowWindow(SW_HIDE);
}

LRESULT CZUNDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == ShowChildScreenMessage()) return OnShowChildScreen(wParam);
  if (msg == PostMainUIContinueMessage()) return OnPostMainUIContinue();
  switch (msg) {
    case WM_SYSCOMMAND:
      OnSysCommand(static_cast<UINT>(wParam), lParam);
      return 0;
    case WM_TIMER: {
      const LRESULT result = CMainBorder::WindowProc(msg, wParam, lParam);
      OnTimer(wParam);
      return result;
    }
    case WM_WINDOWPOSCHANGING:
      OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
      break;
    case kWmQueryDragIcon:
      return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_QUERYENDSESSION:
      SaveSettings();
      SaveExclusionList();
      SaveTemporaryList();
      CMainBorder::WindowProc(msg, wParam, lParam);
      return TRUE;
    case WM_ENDSESSION:
      if (CZUNApp* app = App(); app && app->m_pScanManager) SaveProblemsToDisk(*app->m_pScanManager);
      break;
    case WM_START_SCHEDULED_SCAN:
      return OnScheduledScanRequest(wParam, lParam);
    case WM_ASK_DLL_FIXED:
      return OnDllFixQuestion(wParam, lParam);
    case WM_BRING_TO_FRONT:
      return OnBringToFront();
    case WM_POPUP_NOTIFY:
      return OnPopupNotify(wParam, lParam);
    case WM_MEASUREITEM:
      if (m_pLanguageMenu) {
        m_pLanguageMenu->MeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_DRAWITEM:
      if (m_pLanguageMenu && reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType == ODT_MENU) {
        m_pLanguageMenu->DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return TRUE;
      }
      break;
    case WM_TRAYICON_NOTIFY:
      return 0;  // the tray icon's own handling applies
    default:
      break;
  }
  return CMainBorder::WindowProc(msg, wParam, lParam);
}

BOOL CZUNDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  const UINT id = LOWORD(wParam);
  if (id >= ID_LANGUAGE_FIRST && id <= ID_LANGUAGE_LAST) {
    OnLanguageSelected(id);
    return TRUE;
  }
  switch (id) {
    case IDC_BTN_HOME: OnBtnHome(); return TRUE;
    case IDC_BTN_SCAN_REG: OnBtnScanRegistry(); return TRUE;
    case IDC_BTN_OPTIMIZE_REG: OnBtnOptimize(); return TRUE;
    case IDC_BTN_INSTALL_DLL_FILES: OnBtnInstallDlls(); return TRUE;
    case IDC_BTN_BACKUP_REG: OnBtnBackup(); return TRUE;
    case IDC_BTN_SETTINGS: OnBtnSettings(); return TRUE;
    case IDC_BTN_HELP: OnBtnHelp(); return TRUE;
    case IDC_BTN_LANGUAGE: OnBtnLanguage(); return TRUE;
    case ID_HELP_SUPPORT_PAGE: OnHelpSupportPage(); return TRUE;
    case ID_HELP_SELECT_LANGUAGE: OnSelectLanguage(); return TRUE;
    case ID_HELP_CHECK_UPDATES: OnCheckForUpdates(); return TRUE;
    case ID_HELP_ABOUT:
    case ID_SYSMENU_ABOUT: OnAbout(); return TRUE;
    case ID_HELP_EMPTY: return TRUE;
    case IDC_BTN_SUBMIT_FEEDBACK: OnBtnFeedback(); return TRUE;
    case ID_CMD_FEEDBACK: OnCmdFeedback(); return TRUE;
    case IDC_BTN_UPLOAD_DLLS: OnBtnUpload(); return TRUE;
    case ID_CMD_START_SCAN: OnCmdStartScan(); return TRUE;
    case ID_CMD_SCAN_DONE: OnCmdScanDone(); return TRUE;
    case ID_CMD_START_CLEAN: OnCmdStartClean(); return TRUE;
    case ID_CMD_SHOW_POPUP: OnCmdShowPopup(); return TRUE;
    case ID_CMD_CLEAN_DONE: OnCmdCleanDone(); return TRUE;
    case ID_TRAY_ABOUT: OnTrayAbout(); return TRUE;
    case ID_TRAY_QUIT: OnTrayQuit(); return TRUE;
    default: break;
  }
  return CMainBorder::OnCommand(wParam, lParam);
}

void CZUNDlg::OnSysCommand(UINT id, LPARAM lParam) {
  if (g_nModalCount > 0) return;
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    if (!AnyOperationRunning()) PostMessage(WM_COMMAND, ID_SYSMENU_ABOUT, 0);
    return;
  }
  if ((id & 0xFFF0) == SC_CLOSE) {
    if (AnyOperationRunning()) return;
    SaveSettings();
    SaveExclusionList();
    SaveTemporaryList();
    win::PostQuitMessage(0);
    return;
  }
  CMainBorder::WindowProc(WM_SYSCOMMAND, id, lParam);
}

void CZUNDlg::OnTimer(UINT_PTR id) {
  switch (id) {
    case TIMER_AUTO_UPDATE_CHECK:
      KillTimer(id);
      if (m_onCheckForUpdates)
        m_onCheckForUpdates(*this, true);
      else
        StartUpdateCheck(true);
      return;
    case TIMER_FIRST_SHOW: {
      KillTimer(id);
      PostMessage(ShowChildScreenMessage(), SCREEN_HOME, 0);
      CZUNApp* app = App();
      if (m_pSplash && app && app->m_bShowSplash) {
        if (HWND splash = m_pSplash->GetSafeHwnd(); win::IsWindow(splash)) win::DestroyWindow(splash);
        m_pSplash = nullptr;
      }
      if (app && app->m_bDefaultMode) {
        m_bAllowShow = 0;
        ShowDefaultRunNotifier();
        return;
      }
      if (app && app->m_bAskUserMode) {
        m_bAllowShow = 0;
        CRegistryKey key(HKEY_LOCAL_MACHINE);
        DWORD asked = 0;
        const bool open = OpenMachineProductKey(key);
        if (open && key.ReadDWORD(L"ASKEDUSER", asked)) return FinishUnattendedRun();  // asked once already
        if (open) key.WriteDWORD(L"ASKEDUSER", 1);
        ShowDllFixQuestionNotifier();
        return;
      }
      m_bAllowShow = 1;
      ShowWindow(SW_SHOW);
      PostMessage(PostMainUIContinueMessage(), 0, 0);
      return;
    }
    case TIMER_DEFERRED_REQUESTS:
      RunDeferredRequests();
      return;
    case TIMER_SCHEDULED_SCAN_START:
      if (!HtmlScreensLoaded() && win::GetTickCount() - m_dwScheduledScanWaitStart < kScheduledScanStartLimitMs)
        return;
      KillTimer(id);
      StartScheduledScan();
      return;
    case TIMER_AFTER_OPTIMIZATION:
      KillTimer(id);
      if (m_onAfterOptimization) m_onAfterOptimization(*this);
      if (CZUNApp* app = App()) {
        if (app->m_pScanManager && app->m_pScanManager->GetProblemCount() > 0)
          PostMessage(WM_COMMAND, ID_CMD_SCAN_DONE, 0);
        app->m_bStartedAfterOptimization = FALSE;
      }
      return;
    case SCREEN_SCAN_MAIN:
    case SCREEN_SCAN_PROGRESS:
    case SCREEN_HOME:
    case SCREEN_OPTIMIZE:
    case SCREEN_SCAN_RESULTS:
    case SCREEN_NONE:
    case SCREEN_AFTER_CLEAN:
    case SCREEN_INSTALL_DLL:
      KillTimer(id);
      PostMessage(ShowChildScreenMessage(), id, 0);
      return;
    default:
      return;
  }
}

LRESULT CZUNDlg::OnShowChildScreen(WPARAM screenId) {
  win::CWnd* screen = nullptr;
  switch (screenId) {
    case SCREEN_SCAN_MAIN: screen = &m_dlgScanMain; break;
    case SCREEN_SCAN_PROGRESS: screen = &m_dlgScanProgress; break;
    case SCREEN_HOME: screen = &m_dlgHome; break;
    case SCREEN_OPTIMIZE: screen = &m_dlgOptimizeRegistry; break;
    case SCREEN_SCAN_RESULTS: screen = &m_dlgScanResults; break;
    case SCREEN_AFTER_CLEAN: screen = &m_dlgAfterClean; break;
    case SCREEN_INSTALL_DLL: screen = &m_dlgInstallDlls; break;
    case SCREEN_NONE: return 1;
    default: return 0;
  }
  SwitchToScreen(screen);
  return 1;
}

void CZUNDlg::SwitchToScreen(win::CWnd* screen) {
  if (!screen) return;
  if (screen == m_pCurrentScreen) {
    screen->UpdateWindow();
    return;
  }
  if (m_pCurrentScreen) {
    m_pCurrentScreen->EnableWindow(FALSE);
    m_pCurrentScreen->ShowWindow(SW_HIDE);
  }
  m_pCurrentScreen = screen;
  screen->EnableWindow(TRUE);
  screen->ShowWindow(SW_SHOW);
}

LRESULT CZUNDlg::OnPostMainUIContinue() {
  ForceForegroundWindow(m_hWnd);
  win::BringWindowToTop(m_hWnd);
  EnableWindow(TRUE);
  CZUNApp* app = App();
  if (app && app->m_bDllFileMode) {
    if (m_onCreateDefaultTasks) m_onCreateDefaultTasks();
    if (m_onDllFileRun) m_onDllFileRun(*this);
  } else {
    CRegistryKey key(HKEY_CURRENT_USER);
    if (key.Open(HKEY_CURRENT_USER, TRUE, kProductKey)) {
      DWORD firstRun = 0;
      if (key.ReadDWORD(L"FirstRun", firstRun)) {
        SetTimer(TIMER_AUTO_UPDATE_CHECK, kFirstShowDelayMs);
      } else {
        key.WriteDWORD(L"FirstRun", 1);
        if (m_onCreateDefaultTasks) m_onCreateDefaultTasks();
      }
    }
  }
  if (app && app->m_bStartedByLogon)
    StartRegistryScan();
  else if (app && app->m_bDllFileMode && m_dlgHome.GetSafeHwnd())
    StartRegistryScan();
  return 0;
}

void CZUNDlg::ResetNavButtons() {
  CMyHoverButton* nav = NavButtons();
  for (int i = 0; i < 6; ++i) {
    nav[i].m_bStayPressed = 0;
    if (nav[i].GetSafeHwnd()) nav[i].Invalidate(TRUE);
  }
}

void CZUNDlg::StartScheduledScan() {
  if (InitHook())
    InitHook()(*this);
  else
    StartRegistryScan();
}

bool CZUNDlg::HtmlScreensLoaded() const {
  for (const CChildHtmlDialog* screen : std::initializer_list<const CChildHtmlDialog*>{
           &m_dlgHome, &m_dlgScanMain, &m_dlgOptimizeRegistry, &m_dlgScanProgress, &m_dlgInstallDlls,
           &m_dlgScanResults, &m_dlgAfterClean})
    if (screen->GetPage() && !screen->GetPage()->IsLoaded()) return false;
  return true;
}

void CZUNDlg::PressNavButton(CMyHoverButton& button) {
  ResetNavButtons();
  button.m_bStayPressed = 1;
  if (button.GetSafeHwnd()) button.Invalidate(TRUE);
}

void CZUNDlg::OnBtnHome() {
  // A scheduled scan that could not run to its end comes back here: the unattended run ends with it.
  if (CZUNApp* app = App(); m_bUnattendedScanPending && app && app->m_bScheduledScanMode) {
    m_bUnattendedScanPending = false;
    return EndUnattendedRun(false);
  }
  PressNavButton(m_btnHome);
  m_dlgHome.UpdatePageTexts();
  ArmScreenTimer(SCREEN_HOME);
}

void CZUNDlg::OnBtnScanRegistry() {
  PressNavButton(m_btnScanReg);
  m_dlgScanMain.UpdatePageTexts();
  ArmScreenTimer(SCREEN_SCAN_MAIN);
}

void CZUNDlg::OnBtnOptimize() {
  PressNavButton(m_btnOptimize);
  m_dlgOptimizeRegistry.UpdateLastOptimizedText();
  ArmScreenTimer(SCREEN_OPTIMIZE);
}

void CZUNDlg::OnBtnInstallDlls() {
  PressNavButton(m_btnInstallDlls);
  ArmScreenTimer(SCREEN_INSTALL_DLL);
}

void CZUNDlg::OnBtnBackup() {
  PressNavButton(m_btnBackup);
  SwitchToScreen(&m_dlgBackup);
}

void CZUNDlg::OnBtnSettings() {
  PressNavButton(m_btnSettings);
  m_dlgSettings.PrepareForSettingsButton();
  SwitchToScreen(&m_dlgSettings);
}

void CZUNDlg::OnBtnUpload() {
  m_btnUpload.m_bStayPressed = 1;
  SwitchToScreen(&m_dlgUpload);
}

void CZUNDlg::EnableNavigation(BOOL enable) {
  CMyHoverButton* nav = NavButtons();
  for (int i = 0; i < 6; ++i)
    if (nav[i].GetSafeHwnd()) nav[i].EnableWindow(enable);
  for (win::CWnd* button : std::initializer_list<win::CWnd*>{&m_btnHelp, &m_btnLanguage, &m_btnClose})
    if (button->GetSafeHwnd()) button->EnableWindow(enable);
  // The optimisation and language buttons stay as the start-up left them when they are not in use.
  if (m_btnOptimize.GetSafeHwnd() && !m_btnOptimize.IsWindowVisible()) m_btnOptimize.EnableWindow(FALSE);
  if (m_dwDontShowLangButton != 0 && m_btnLanguage.GetSafeHwnd()) m_btnLanguage.EnableWindow(FALSE);
  if (m_dlgBackup.GetSafeHwnd())
    for (int id : {241, 220, 226})
      if (HWND button = m_dlgBackup.GetDlgItem(id)) win::EnableWindow(button, enable);
}

void CZUNDlg::OnWindowPosChanging(WINDOWPOS* pos) {
  if (!pos) return;
  CZUNApp* app = App();
  if ((app && (app->m_bScheduledScanMode || app->m_bUpdateCheckMode)) || !m_bAllowShow)
    pos->flags &= ~SWP_SHOWWINDOW;
}

void CZUNDlg::OnCancel() {
  if (win::GetAsyncKeyState(VK_ESCAPE) != 0) return;
  HideToTrayOrExit();
}

// The window is all the program shows: Enter ends the program rather than leaving it running unseen.
void CZUNDlg::OnOK() {
  if (win::GetAsyncKeyState(VK_RETURN) != 0) return;
  ExitProgram();
}

void CZUNDlg::HideToTrayOrExit() {
  if (GoToSystemTrayOnClose == 0) return ExitProgram();
  // Without a tray on the desktop the window is minimised instead, so the user can always get it back.
  if (!m_trayIcon.ShowIcon()) {
    ShowWindow(SW_MINIMIZE);
    return;
  }
  m_bHiddenInTray = 1;
  m_trayIcon.MinimizeToTray(this);
}

void CZUNDlg::RestoreFromTray() {
  m_bHiddenInTray = 0;
  m_trayIcon.RestoreFromTray(this);
  m_trayIcon.HideIcon();
  ShowWindow(SW_RESTORE);
  ForceForegroundWindow(m_hWnd);
  win::BringWindowToTop(m_hWnd);
  win::SetForegroundWindow(m_hWnd);
}

void CZUNDlg::ExitProgram() {
  DestroyWindow();
  win::PostQuitMessage(0);
}

void CZUNDlg::EndUnattendedRun(bool completed) {
  CZUNApp* app = App();
  const int problems = app && app->m_pScanManager ? app->m_pScanManager->GetProblemCount() : 0;
  if (UnattendedEndHook()) UnattendedEndHook()(completed, problems);
  win::PostQuitMessage(completed ? 0 : 1);
}

void CZUNDlg::OnPaint() {
  CPaintDC paint(m_hWnd);
  RECT client{};
  GetClientRect(&client);
  CSTMemDC buffer(&paint, &client);
  DrawFrame(&buffer, &client);
  const int w = client.right;
  const auto blit = [&](UINT id, int x, int y, int cx, int cy) {
    if (HBITMAP bitmap = gdi::LoadBitmapResource(id)) {
      DrawBitmap(bitmap, buffer.GetSafeHdc(), x, y, cx, cy, SRCCOPY);
      win::DeleteObject(bitmap);
    }
  };
  const auto blitOwnSize = [&](UINT id, int x, int y) {
    if (HBITMAP bitmap = gdi::LoadBitmapResource(id)) {
      BITMAP info{};
      win::GetObject(bitmap, sizeof info, &info);
      DrawBitmap(bitmap, buffer.GetSafeHdc(), x, y, info.bmWidth, info.bmHeight, SRCCOPY);
      win::DeleteObject(bitmap);
    }
  };
  blit(196, 0, 56, 49, 86);
  if (HBITMAP middle = gdi::LoadBitmapResource(197)) {
    for (int x = 49; x <= w - 151; ++x) DrawBitmap(middle, buffer.GetSafeHdc(), x, 56, 1, 86, SRCCOPY);
    win::DeleteObject(middle);
  }
  blit(198, w - 150, 56, 150, 86);
  blitOwnSize(195, 10, 0);
  blitOwnSize(126, 500, 0);
}

BOOL CZUNDlg::OnLButtonDown(UINT flags, POINT point) {
  RECT client{};
  GetClientRect(&client);
  const int w = client.right, h = client.bottom;
  const RECT bands[] = {{0, 0, w, 50}, {0, h - 23, w - 2, h - 2}, {0, 0, 5, h}, {w - 5, 0, w, h}};
  for (const RECT& band : bands) {
    if (point.x >= band.left && point.x < band.right && point.y >= band.top && point.y < band.bottom) {
      PostMessage(WM_NCLBUTTONDOWN, HTCAPTION,
                  MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y)));
      break;
    }
  }
  return CMainBorder::OnLButtonDown(flags, point);
}

BOOL CZUNDlg::PreTranslateMessage(MSG* msg) {
  if (m_bTooltipsActive && m_tooltip.GetSafeHwnd()) m_tooltip.RelayEvent(msg);
  return CMainBorder::PreTranslateMessage(msg);
}
