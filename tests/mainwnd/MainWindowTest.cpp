// The main window's switching, first show, closing, commands, Help menu and language change.
#include <gtest/gtest.h>

#include <filesystem>

#include "MainWindowFixture.h"
#include "app/LanguageTable.h"
#include "app/RegistryKey.h"
#include "platform/gdi/Menu.h"
#include "platform/gdi/WindowDC.h"
#include "platform/registry/Registry.h"
#include "scan/Category.h"
#include "scan/ScanManager.h"

using mainwndtest::MainWindowTest;

namespace {

constexpr UINT kHomeTemplate = 386, kScanTemplate = 402, kResultsTemplate = 401, kBackupTemplate = 378;

bool UserValueExists(const wchar_t* name) {
  CRegistryKey key(HKEY_CURRENT_USER);
  key.m_access = KEY_READ;
  DWORD value = 0;
  return key.Open(HKEY_CURRENT_USER, FALSE, kProductKey) && key.ReadDWORD(name, value);
}

std::vector<BYTE> RawValue(HKEY root, const std::wstring& key, const wchar_t* name, DWORD* type) {
  HKEY h = nullptr;
  std::vector<BYTE> data(64);
  DWORD cb = static_cast<DWORD>(data.size());
  if (win::RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return {};
  const LONG rc = win::RegQueryValueEx(h, name, nullptr, type, data.data(), &cb);
  win::RegCloseKey(h);
  if (rc != ERROR_SUCCESS) return {};
  data.resize(cb);
  return data;
}

}  // namespace

TEST_F(MainWindowTest, StaysInvisibleUntilTheHomePageLoadedAndTheFirstShowTimeRan) {
  Start();
  dlg->ShowWindow(SW_SHOW);  // another part asks too early
  Pump();
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
  LoadPage("424.htm");
  Step(2047);
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
  Step(1);
  Pump();
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_EQ(CurrentScreenId(), kHomeTemplate);
  EXPECT_EQ(win::GetWindowTextString(dlg->m_hWnd), L"Tarvolen Mendrix");

  // The first run marks itself, makes the default tasks and checks for no update.
  EXPECT_TRUE(UserValueExists(L"FirstRun"));
  EXPECT_EQ(defaultTasksCreated, 1);
  Step(5000);
  EXPECT_TRUE(updateChecks.empty());
}

TEST_F(MainWindowTest, LaterRunsCheckForUpdates2048MsAfterTheFirstShow) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0]
"FirstRun"=dword:00000001
)");
  Start();
  FirstShow();
  EXPECT_EQ(defaultTasksCreated, 0);
  Step(2047);
  EXPECT_TRUE(updateChecks.empty());
  Step(1);
  EXPECT_EQ(updateChecks, std::vector<bool>{true});
}

TEST_F(MainWindowTest, UnattendedRunsStayHiddenHoweverTheWindowIsAskedToShow) {
  app->m_bScheduledScanMode = TRUE;
  app->m_pScanManager = nullptr;
  Start();
  FirstShow();
  dlg->ShowWindow(SW_SHOW);
  Pump();
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
}

TEST_F(MainWindowTest, HtmlScreensSwitchThroughTheTimerAndTheMessageClassicPagesAtOnce) {
  Start();
  FirstShow();
  struct Case {
    UINT command;
    win::CWnd* screen;
    bool html;
  };
  for (const Case& c : {Case{IDC_BTN_SCAN_REG, &dlg->m_dlgScanMain, true},
                        Case{IDC_BTN_BACKUP_REG, &dlg->m_dlgBackup, false},
                        Case{IDC_BTN_INSTALL_DLL_FILES, &dlg->m_dlgInstallDlls, true},
                        Case{IDC_BTN_SETTINGS, &dlg->m_dlgSettings, false},
                        Case{IDC_BTN_OPTIMIZE_REG, &dlg->m_dlgOptimizeRegistry, true},
                        Case{IDC_BTN_HOME, &dlg->m_dlgHome, true}}) {
    SCOPED_TRACE(c.command);
    win::CWnd* before = dlg->m_pCurrentScreen;
    Command(c.command);
    Pump();
    EXPECT_EQ(dlg->m_pCurrentScreen, c.html ? before : c.screen);
    Step(89);
    EXPECT_EQ(dlg->m_pCurrentScreen, c.html ? before : c.screen);
    Step(1);
    EXPECT_EQ(dlg->m_pCurrentScreen, c.screen);
    EXPECT_TRUE(dlg->m_pCurrentScreen->IsWindowVisible());
    int pressed = 0;
    for (int i = 0; i < 6; ++i) pressed += dlg->NavButtons()[i].m_bStayPressed;
    EXPECT_EQ(pressed, 1) << "one navigation button looks pressed";
  }
  EXPECT_FALSE(dlg->m_dlgScanMain.IsWindowVisible()) << "the screen left is hidden";
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(dlg->NavButtons()[i].IsWindowVisible()) << "navigation button " << i << " can be clicked";
    EXPECT_TRUE(dlg->NavButtons()[i].IsWindowEnabled()) << "navigation button " << i;
  }
  const auto out = std::filesystem::path(MX_BINARY_DIR) / "ui-renderings";
  std::filesystem::create_directories(out);
  EXPECT_TRUE(gdi::SaveWindowPng(dlg->m_hWnd, out / "main-window-navigation.png"));
}

TEST_F(MainWindowTest, TheScreenMessageAcceptsOnlyItsIds) {
  Start();
  FirstShow();
  const UINT message = ShowChildScreenMessage();
  for (WPARAM id : {112, 113, 104, 115}) EXPECT_EQ(dlg->SendMessage(message, id, 0), 0) << id;
  EXPECT_EQ(dlg->SendMessage(message, SCREEN_NONE, 0), 1);
  EXPECT_EQ(CurrentScreenId(), kHomeTemplate);
  EXPECT_EQ(dlg->SendMessage(message, SCREEN_SCAN_RESULTS, 0), 1);
  EXPECT_EQ(CurrentScreenId(), kResultsTemplate);
}

TEST_F(MainWindowTest, CloseExitsOrGoesToTheTrayAsTheSettingSays) {
  Start();
  FirstShow();
  GoToSystemTrayOnClose = 1;
  Command(IDCANCEL);
  EXPECT_FALSE(Pump());
  EXPECT_TRUE(dlg->m_bHiddenInTray);
  EXPECT_FALSE(win::IsWindowVisible(dlg->m_hWnd));
  ASSERT_EQ(gdi::NotifyIcons().size(), 1u);
  EXPECT_FALSE(gdi::NotifyIcons()[0].hidden);

  dlg->RestoreFromTray();
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
  EXPECT_TRUE(gdi::NotifyIcons()[0].hidden);

  GoToSystemTrayOnClose = 0;
  Command(IDCANCEL);
  EXPECT_TRUE(Pump());
  EXPECT_EQ(quitCode, 0);
  EXPECT_FALSE(win::IsWindow(dlg->m_hWnd));
}

TEST_F(MainWindowTest, WithoutATrayClosingToTheTrayMinimisesInstead) {
  struct NoTray : gdi::NotifyAreaBackend {
    bool Show(const gdi::NotifyIconView&) override { return false; }
    void Remove(HWND, UINT) override {}
  } noTray;
  gdi::SetNotifyAreaBackend(&noTray);
  Start();
  FirstShow();
  GoToSystemTrayOnClose = 1;
  Command(IDCANCEL);
  EXPECT_FALSE(Pump());
  gdi::SetNotifyAreaBackend(nullptr);
  EXPECT_FALSE(dlg->m_bHiddenInTray);
  EXPECT_TRUE(win::IsIconic(dlg->m_hWnd));
}

TEST_F(MainWindowTest, SystemCloseAndAboutAreRefusedWhileBusy) {
  Start();
  FirstShow();
  app->m_bScanRunning = true;
  dlg->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  EXPECT_FALSE(Pump());
  EXPECT_EQ(aboutShown, 0);
  app->m_bScanRunning = false;

  g_nModalCount = 1;
  dlg->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  EXPECT_FALSE(Pump());
  EXPECT_EQ(aboutShown, 0);
  g_nModalCount = 0;

  dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  Pump();
  EXPECT_EQ(aboutShown, 1);
  dlg->SendMessage(WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(Pump());
  EXPECT_TRUE(DataFileExists(L"ExcludeList.kvt")) << "the lists are saved on the way out";
}

TEST_F(MainWindowTest, TheFeedbackCommandsOpenTheFeedbackForm) {
  Start();
  FirstShow();
  for (UINT command : {ID_CMD_FEEDBACK, IDC_BTN_SUBMIT_FEEDBACK}) {
    answers.answers.clear();
    answers.answers.Expect(L"Send feedback", IDCANCEL);
    dlg->SendMessage(WM_COMMAND, command, 0);
    const auto records = answers.answers.records();
    ASSERT_EQ(records.size(), 1u) << command;
    EXPECT_EQ(records[0].prompt.kind, win::PromptKind::Dialog);
    EXPECT_EQ(records[0].prompt.caption, L"Tarvolen Mendrix - Send feedback");
  }
}

class ScanDoneTest : public MainWindowTest {
 protected:
  void WithProblems(int n) {
    manager = std::make_unique<CScanManager>();
    manager->CreateCategories(0x1, 1);
    for (int i = 0; i < n; ++i)
      manager->GetCategory(0x1)->AddProblem(34, L"C:\\users\\qzx\\Desktop\\Gone" + std::to_wstring(i) + L".lnk",
                                            L"", L"", L"", 0);  // a missing shortcut: no key needs to exist
    ASSERT_EQ(manager->GetProblemCount(), n);
    app->m_pScanManager = manager.get();
  }
  void TearDown() override {
    app->m_pScanManager = nullptr;
    MainWindowTest::TearDown();
  }
  std::unique_ptr<CScanManager> manager;
};

TEST_F(ScanDoneTest, InteractiveWithoutProblemsShowsTheScanScreenAndTheMessage) {
  WithProblems(0);
  Start();
  FirstShow();
  Command(ID_CMD_SCAN_DONE);
  Step(90);
  Pump();
  EXPECT_EQ(CurrentScreenId(), kScanTemplate);
  ASSERT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_NE(answers.answers.texts()[0].find(L"No errors were found"), std::wstring::npos);
  EXPECT_EQ(StrLastScanResults, L"0");
}

TEST_F(ScanDoneTest, InteractiveWithProblemsShowsTheResults) {
  WithProblems(3);
  Start();
  FirstShow();
  Command(ID_CMD_SCAN_DONE);
  Step(27);
  Step(90);  // the results screen fills its page, then the main window shows it
  Pump();
  EXPECT_EQ(CurrentScreenId(), kResultsTemplate);
  EXPECT_TRUE(dlg->m_btnScanReg.m_bStayPressed);
  EXPECT_TRUE(answers.answers.texts().empty());
  EXPECT_EQ(StrLastScanResults, L"3");
}

TEST_F(ScanDoneTest, ScheduledRunsEndWithTheirReportWhateverTheCount) {
  for (int n : {0, 2}) {
    SCOPED_TRACE(n);
    WithProblems(n);
    app->m_bScheduledScanMode = TRUE;
    Start();
    unattendedEnds.clear();
    Command(ID_CMD_SCAN_DONE);
    EXPECT_TRUE(Pump());
    EXPECT_EQ(unattendedEnds, (std::vector<std::pair<bool, int>>{{true, n}}));
    EXPECT_TRUE(answers.answers.texts().empty());
    dlg.reset();
  }
}

TEST_F(MainWindowTest, StartRegistryScanOnlyPostsAndIsRefusedWhileAWindowOrOperationRuns) {
  Start();
  FirstShow();
  Command(IDC_BTN_BACKUP_REG);
  dlg->StartRegistryScan();
  EXPECT_NE(CurrentScreenId(), kBackupTemplate) << "nothing waiting was dispatched";
  Pump();
  EXPECT_EQ(CurrentScreenId(), kBackupTemplate);
  EXPECT_TRUE(dlg->m_btnScanReg.m_bStayPressed) << "the start-scan command was posted and handled";

  // An open modal window (its owner disabled) or a running repair refuses both requests.
  for (int busy : {0, 1}) {
    dlg->m_btnScanReg.m_bStayPressed = 0;
    if (busy == 0) dlg->EnableWindow(FALSE);
    if (busy == 1) app->m_bCleanRunning = true;
    dlg->StartRegistryScan();
    Command(ID_CMD_START_CLEAN);
    Pump();
    EXPECT_FALSE(dlg->m_btnScanReg.m_bStayPressed) << busy;
    dlg->EnableWindow(TRUE);
    app->m_bCleanRunning = false;
  }
}

TEST_F(MainWindowTest, HelpMenuTextsByPosition) {
  Start();
  FirstShow();
  std::vector<gdi::MenuPrompt> shown;
  auto previous = gdi::SetMenuChooser(gdi::ChooseById(ID_HELP_ABOUT, &shown));
  Command(IDC_BTN_HELP);
  Pump();
  gdi::SetMenuChooser(previous);
  ASSERT_EQ(shown.size(), 1u);
  const auto& items = shown[0].items;
  ASSERT_EQ(items.size(), 6u);
  EXPECT_EQ(items[0].text, L"Help");
  EXPECT_EQ(items[0].id, ID_HELP_SUPPORT_PAGE);
  EXPECT_TRUE(items[1].flags & MF_SEPARATOR);
  EXPECT_EQ(items[2].text, L"Select language");
  EXPECT_EQ(items[3].text, L"Check for updates");
  EXPECT_EQ(items[5].text, L"About");
  EXPECT_EQ(aboutShown, 1) << "the chosen item reaches its command";
}

TEST_F(MainWindowTest, LanguageChangeStoresTheCodeSavesAndRelaunches) {
  app->m_nLangID = 2;
  Start();
  FirstShow();

  // The current language asks nothing; No changes nothing.
  Command(ID_LANGUAGE_FIRST + 2);
  answers.answers.Expect(L"restart", IDNO);
  Command(ID_LANGUAGE_FIRST + 7);
  Pump();
  EXPECT_EQ(answers.answers.texts().size(), 1u);
  EXPECT_TRUE(relaunches.empty());

  answers.answers.Expect(L"restart", IDYES);
  Command(ID_LANGUAGE_FIRST + 0);
  EXPECT_TRUE(Pump()) << "the program ends once the new one started";
  ASSERT_EQ(relaunches.size(), 1u);
  EXPECT_EQ(relaunches[0].verb, L"open");
  EXPECT_EQ(relaunches[0].parameters, L"-changelang");
  EXPECT_TRUE(relaunches[0].settingsSaved) << "settings and lists are saved before the relaunch";
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    DWORD type = 0;
    const auto code = RawValue(root, std::wstring(kProductKey) + L"\\LANG", L"LangCode", &type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(code, (std::vector<BYTE>{'e', 0, 'n', 0, 0, 0}));
    EXPECT_EQ(RawValue(root, std::wstring(kProductKey) + L"\\LANG", L"LangID", &type),
              (std::vector<BYTE>{0, 0, 0, 0}));
  }
}

TEST_F(MainWindowTest, AFailedRelaunchTellsTheUserAndTheProgramCarriesOn) {
  app->m_nLangID = 2;
  relaunchResult = 2;
  Start();
  FirstShow();
  answers.answers.Expect(L"restart", IDYES);
  Command(ID_LANGUAGE_FIRST + 5);
  EXPECT_FALSE(Pump());
  EXPECT_EQ(relaunches.size(), 1u);
  EXPECT_EQ(answers.answers.texts().size(), 2u) << "the question, then why nothing happened";
  EXPECT_TRUE(win::IsWindowVisible(dlg->m_hWnd));
}

TEST_F(MainWindowTest, TooltipsOnlyInTheLanguagesWhoseCaptionsAreCut) {
  struct Case {
    int language;
    bool control;
  };
  for (const Case& c : {Case{0, false}, Case{7, false}, Case{3, true}, Case{6, true}, Case{11, true}}) {
    app->m_nLangID = c.language;
    Start();
    EXPECT_EQ(dlg->m_bTooltipsActive != 0, c.control) << c.language;
    EXPECT_EQ(dlg->m_tooltip.GetSafeHwnd() != nullptr, c.control) << c.language;
    dlg.reset();
  }
}
