#pragma once
// The program's one main window: a skinned dialog created hidden at start-up that creates every screen once,
// shows one at a time, carries the navigation, Help and language buttons, owns the tray icon and the splash,
// and takes the commands that move the user through scan, review and repair.
#include <atomic>
#include <functional>
#include <vector>
#include <memory>
#include <optional>
#include <string>

#include "dllfix/DlgUploadFiles.h"
#include "mainwnd/DlgAfterCleanRegVer.h"
#include "mainwnd/DlgSettings.h"
#include "mainwnd/Dlg_NewHome_Screen_HTML.h"
#include "mainwnd/Dlg_SCAN_PROGRESS_HTML.h"
#include "mainwnd/Dlg_SCAN_RESULT_HTML.h"
#include "mainwnd/Dlg_Scan_Main_Htm.h"
#include "mainwnd/ScreenHost.h"
#include "mainwnd/ScreenPlaceholders.h"
#include "tools/Dlg_Reg_Opt_HTML.h"
#include "platform/gdi/AfxControls.h"
#include "ui/DlgSplash.h"
#include "ui/DlgTemplateLayout.h"
#include "ui/HoverButton.h"
#include "ui/MainBorder.h"
#include "ui/MainWindowLinks.h"
#include "ui/MyHoverButton.h"
#include "ui/TaskbarNotifier.h"
#include "ui/TrayIcon.h"

inline constexpr UINT IDD_MAIN_WINDOW = 372;
inline constexpr UINT IDD_SPLASH = 404;
inline constexpr UINT IDR_HELP_MENU = 431;
inline constexpr UINT IDR_TRAY_MENU = 439;
inline constexpr UINT IDI_MAIN_ICON = 100;

class QRMenu;

// Main-window timers besides the screen timers (105-114) and the first show (103).
inline constexpr UINT_PTR TIMER_AUTO_UPDATE_CHECK = 102;
inline constexpr UINT_PTR TIMER_AFTER_OPTIMIZATION = 104;
inline constexpr UINT kAfterOptimizationDelayMs = 3072;
// Looks again for requests of other instances that had to wait.
inline constexpr UINT_PTR TIMER_DEFERRED_REQUESTS = 120;
inline constexpr UINT kDeferredRequestRetryMs = 500;
// On a display, a scheduled scan starts once the screens' pages have loaded (or after a limit): a scan that
// sends its progress while the browser still loads its pages holds up both.
inline constexpr UINT_PTR TIMER_SCHEDULED_SCAN_START = 121;
inline constexpr UINT kScheduledScanStartPollMs = 100;
inline constexpr DWORD kScheduledScanStartLimitMs = 20000;
// The scan-progress screen's timer that prepares and starts a scan.
inline constexpr UINT_PTR TIMER_PROGRESS_START_SCAN = 101;

// Where a relaunch in another mode is started; tests replace it. Returns the launch result (> 32: started).
using RelaunchFunction =
    std::function<std::intptr_t(HWND owner, const std::wstring& verb, const std::wstring& parameters)>;

class CZUNDlg : public CMainBorder, public IMainWindowLinks, public IScreenHost {
 public:
  CZUNDlg();
  ~CZUNDlg() override;

  // Shows the splash of an interactive start; FALSE when there is none.
  BOOL ShowSplash();
  // Creates the window from its template, hidden, without a parent.
  BOOL Create();

  // IMainWindowLinks and IScreenHost
  HWND GetMainHwnd() const override { return m_hWnd; }
  HWND GetMainWindow() const override { return m_hWnd; }
  HWND GetSettingsScreen() const override { return m_dlgSettings.GetSafeHwnd(); }
  void EnableNavigation(BOOL enable) override;
  void SwitchToScreen(win::CWnd* screen) override;
  BOOL IsHiddenInTray() const override { return m_bHiddenInTray; }
  void RestoreFromTray() override;
  void HideToTrayOrExit() override;

  void ResetNavButtons();
  void ExitProgram();
  // Starts a scan of the categories ticked on the scan-area settings page.
  void StartRegistryScan() override;

  BOOL OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  BOOL PreTranslateMessage(MSG* msg) override;

  // --- the unattended runs' end and the hooks other parts of the program fill in ----------------------------
  // An unattended scan ends: the program is told how (completed, problems held) and the run ends.
  void EndUnattendedRun(bool completed);
  static void SetUnattendedEndHook(std::function<void(bool completed, int problems)> hook);
  // The answer to "did the installed DLL fix the problem" (the taskbar notifier's links and the question of a
  // second "askuser" start); without one the answer is only logged.
  static void SetDllFixFeedbackHook(std::function<void(bool fixed)> hook);
  // Whether an unattended run shows its notifiers: by default when a display shows the windows; without, a
  // scheduled scan reports only to the one who started it and ends. Tests decide it (nullopt: the default).
  static void SetNotifiersEnabled(std::optional<bool> enabled);
  static bool NotifiersEnabled();
  // The about box, the update check and the feedback form: each runs over this window when set.
  std::function<void(CZUNDlg&)> m_onAbout;
  std::function<void(CZUNDlg&, bool automatic)> m_onCheckForUpdates;
  std::function<void(CZUNDlg&)> m_onFeedback;
  // Default tasks of the first run (the monthly scan and the update check).
  std::function<void()> m_onCreateDefaultTasks;
  // The "dllfile" run's named-DLL fix, and the summary after the optimisation's reboot.
  std::function<void(CZUNDlg&)> m_onDllFileRun;
  std::function<void(CZUNDlg&)> m_onAfterOptimization;
  // The after-reboot completion of an optimisation ("startedafteroptimization"): TRUE when its summary is to
  // be shown, which m_onAfterOptimization then does over this window 3072 ms after the start.
  static void SetFinishAfterOptimizationHook(std::function<BOOL()> hook);
  // Where an elevated relaunch is started; tests replace it.
  static void SetRelaunchFunction(RelaunchFunction relaunch);
  // Runs once the window is initialised in the "scan" run: the hidden scheduled scan hooks in here.
  static void SetInitHook(std::function<void(CZUNDlg&)> hook);
  std::unique_ptr<win::CWnd> m_hiddenScheduledScan;

  // --- members, in the order of the window's data -----------------------------------------------------------
  CToolTipCtrl m_tooltip;
  BYTE m_bTooltipsActive = 0;
  CXTTrayIconYK m_trayIcon;
  BYTE m_bHiddenInTray = 0;
  CDlgSplash* m_pSplash = nullptr;  // owns itself once its window exists
  HICON m_hIcon = nullptr;
  // Set from the start of a popup's thread until its final state arrives here: the popup belongs to its thread.
  std::atomic<bool> m_bPopupAlive{false};
  int m_nPopupAnimTime = 1024;
  int m_nPopupStayTime = 7002;
  BYTE m_bAllowShow = 0;
  win::CWnd* m_pCurrentScreen = nullptr;
  // The six navigation buttons, adjacent and in this order: the handlers walk them as a run of six.
  CMyHoverButton m_btnHome, m_btnScanReg, m_btnOptimize, m_btnInstallDlls, m_btnBackup, m_btnSettings;
  CMyHoverButton m_btnHelp;
  CMyHoverButton m_btnFeedback;
  CDlg_NewHome_Screen_HTML m_dlgHome;
  CDlg_Scan_Main_Htm m_dlgScanMain;
  CDlg_Reg_Opt_HTML m_dlgOptimizeRegistry;
  CDlgBackupRegistry m_dlgBackup;
  CDlgSettings m_dlgSettings;
  CDlg_SCAN_PROGRESS_HTML m_dlgScanProgress;
  CCleanWizard1Dlg m_dlgCleanWizard;
  CDlgInstallDlls m_dlgInstallDlls;
  CDlg_SCAN_RESULT_HTML m_dlgScanResults;
  CDlgUploadFiles m_dlgUpload;
  CDlgAfterCleanRegVer m_dlgAfterClean;
  CDlgTemplateLayout m_layout;
  CTaskbarNotifier m_taskbarNotifier;
  CHoverButton m_btnLanguage;
  CMyHoverButton m_btnUpload;
  DWORD m_dwDontShowLangButton = 0;

  // The six navigation buttons as the run the handlers walk.
  CMyHoverButton* NavButtons() { return &m_btnHome; }

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  BOOL OnLButtonDown(UINT flags, POINT point) override;

 public:
  // Handlers, public so that tests and the other parts of the program can name them.
  void OnSysCommand(UINT id, LPARAM lParam);
  void OnTimer(UINT_PTR id);
  LRESULT OnShowChildScreen(WPARAM screenId);
  LRESULT OnPostMainUIContinue();
  void OnBtnHome();
  void OnBtnScanRegistry();
  void OnBtnOptimize();
  void OnBtnInstallDlls();
  void OnBtnBackup();
  void OnBtnSettings();
  void OnBtnUpload();
  void OnBtnHelp();
  void OnHelpSupportPage();
  void OnSelectLanguage();
  void OnCheckForUpdates();
  void OnAbout();
  void OnBtnFeedback();
  void OnCmdFeedback();
  void OnTrayAbout();
  void OnTrayQuit();
  void OnCmdStartScan();
  void OnCmdScanDone();
  void OnCmdStartClean();
  void OnCmdShowPopup();
  // Requests from another instance and the notifiers of the unattended runs.
  LRESULT OnScheduledScanRequest(WPARAM, LPARAM);
  LRESULT OnDllFixQuestion(WPARAM, LPARAM);
  LRESULT OnBringToFront();
  LRESULT OnPopupNotify(WPARAM wParam, LPARAM lParam);
  // Shows the pop-up notifier on the calling thread and returns when it is gone (the pop-up thread, or the
  // update thread of an unattended update check).
  BOOL RunPopupNotifier();
  void ShowDllFixQuestionNotifier();
  void ShowDefaultRunNotifier();
  void OnNotifierAction(NotifierAction action);
  void OnCmdCleanDone();
  void OnBtnLanguage();
  void OnLanguageSelected(UINT id);
  void CreateTooltips();
  void AddButtonTooltips();
  void LayoutButtons();
  void CreateScreens();

 private:
  void PressNavButton(CMyHoverButton& button);
  void ArmScreenTimer(UINT screenId) { SetTimer(screenId, kScreenSwitchDelayMs); }
  void OnWindowPosChanging(WINDOWPOS* pos);
  void RunElevatedRelaunchDispatch();
  void CreateHtmlScreen(CChildHtmlDialog& screen, const RECT& area);
  void StartScheduledScan();
  bool HtmlScreensLoaded() const;
  DWORD m_dwScheduledScanWaitStart = 0;
  // A scan or repair may start: nothing runs and no modal window is open; else the user is told (unattended
  // runs only log it) and FALSE.
  BOOL MayStartScanOrRepair();
  // Saves the settings, lists and results, then starts the program again; FALSE (the user told) when it did
  // not start, in which case this process carries on.
  BOOL RelaunchAfterSaving(const std::wstring& verb, const std::wstring& parameters, const wchar_t* failureKey);
  void SaveStateForExit();

  // A request of another instance waits while a window or an operation must not be disturbed.
  bool RequestMustWait() const;
  void DeferRequest(UINT message);
  void RunDeferredRequests();
  void SetUpTaskbarNotifier();
  // Brings the window up for the user: the unattended run becomes an interactive one.
  void ShowForUser();
  // Saves everything and ends the program: an unattended run that nobody took over.
  void FinishUnattendedRun();

  bool m_bUnattendedScanPending = false;
  std::vector<UINT> m_deferredRequests;
  // The language menu while it is shown: its items are measured and drawn by it.
  QRMenu* m_pLanguageMenu = nullptr;
};
