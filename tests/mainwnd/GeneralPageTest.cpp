// The general settings page, headless: the stored values and their types, the start with Windows that could
// not be set, and the language change with its relaunch.
#include "mainwnd/DlgLangSettings.h"
#include "mainwnd/ProgramRelaunch.h"
#include "app/AppPaths.h"
#include "app/LanguageTable.h"
#include "app/LogonStart.h"
#include "app/RegistryKey.h"
#include "platform/base/FileIO.h"
#include "platform/system/LaunchRecord.h"
#include "platform/system/Module.h"
#include "platform/system/SystemInfo.h"
#include "platform/taskschd/TaskStore.h"
#include "SettingsTestSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "support/TestPaths.h"

using namespace settingstest;

namespace {

constexpr const wchar_t* kProduct = L"Software\\Tarvolen\\Mendrix\\Version 1.0";
constexpr const wchar_t* kLang = L"Software\\Tarvolen\\Mendrix\\Version 1.0\\LANG";

class GeneralPageTest : public SettingsTest {
 protected:
  GeneralPageTest() {
    mx::ClearRecordedLaunches();
    mx::PinOsVersion(6, 1);
    // The program started again is a stand-in that writes down its word.
    seen = program.path() / "seen";
    std::ofstream(program.path() / "mendrix") << "#!/bin/sh\necho \"$@\" > '" << seen.string() << "'\n";
    std::filesystem::permissions(program.path() / "mendrix", std::filesystem::perms::owner_all);
    mx::SetProgramHostDir(program.path());
  }
  ~GeneralPageTest() override {
    SetRelaunchExitHook(nullptr);
    mx::SetProgramHostDir({});
    mx::PinOsVersion(0, 0);
  }
  void Open() {
    ASSERT_TRUE(page.Create(IDD_GENERAL_PAGE, &frame));
    Pump();
  }
  void Select(CComboBox& combo, int row) {
    combo.SetCurSel(row);
    win::SendMessage(page.m_hWnd, WM_COMMAND, MAKEWPARAM(combo.GetDlgCtrlID(), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo.m_hWnd));
  }
  std::wstring LangCode(HKEY root) {
    CRegistryKey key(root);
    key.m_access = KEY_READ;
    std::wstring code;
    if (!key.Open(root, FALSE, kLang) || !key.ReadString(L"LangCode", code)) return L"(none)";
    return code;
  }

  mxtest::TempDir program;
  std::filesystem::path seen;
  CDlgLangSettings page;
};

}  // namespace

TEST_F(GeneralPageTest, ApplyStoresTheCloseActionAndReportsAStartWithWindowsThatCouldNotBeSet) {
  GoToSystemTrayOnClose = 1;
  StartWhenWinBoots = 0;
  Open();
  EXPECT_EQ(page.m_comboLanguage.GetCount(), kLanguageCount);
  EXPECT_EQ(page.m_comboLanguage.GetCurSel(), 0);
  EXPECT_EQ(page.m_comboCloseAction.GetCurSel(), 0);
  EXPECT_EQ(page.m_chkStartWithWindows.GetCheck(), BST_UNCHECKED);
  EXPECT_FALSE(page.m_btnApply.IsWindowEnabled());

  Select(page.m_comboLanguage, 0);
  EXPECT_FALSE(page.m_btnApply.IsWindowEnabled()) << "the language in use is no change";
  Select(page.m_comboCloseAction, 1);
  EXPECT_TRUE(page.m_btnApply.IsWindowEnabled());
  // A task folder that cannot be written: the logon entry cannot be made.
  const auto blocker = prefix.createFile(L"C:\\windows\\system32\\Tasks");
  Click(page.m_chkStartWithWindows.m_hWnd);
  Click(page.GetDlgItem(IDC_BTN_APPLY));

  DWORD tray = 7, boots = 7;
  ASSERT_TRUE(ReadDword(HKEY_CURRENT_USER, kProduct, L"GoToSystemTrayOnClose", tray));
  ASSERT_TRUE(ReadDword(HKEY_CURRENT_USER, kProduct, L"StartWhenWinBoots", boots));
  EXPECT_EQ(tray, 0u);
  // The user hears so, and the box shows what is in force.
  EXPECT_EQ(boots, 0u);
  EXPECT_EQ(page.m_chkStartWithWindows.GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(Shown(), (std::vector<std::wstring>{Text(L"IDS_STARTUP_ENTRY_FAILED"), Text(L"IDS_SETTINGS_SAVED")}));
  EXPECT_FALSE(page.m_btnApply.IsWindowEnabled());

  std::filesystem::remove(blocker);
  answers.answers.clear();
  Click(page.m_chkStartWithWindows.m_hWnd);
  Click(page.GetDlgItem(IDC_BTN_APPLY));
  ASSERT_TRUE(ReadDword(HKEY_CURRENT_USER, kProduct, L"StartWhenWinBoots", boots));
  EXPECT_EQ(boots, 1u);
  EXPECT_EQ(mx::TaskNames(), std::vector<std::wstring>{kReminderEntryName});
  EXPECT_EQ(Shown(), std::vector<std::wstring>{Text(L"IDS_SETTINGS_SAVED")});

  // the next start shows what was stored
  page.DestroyWindow();
  ApplyDefaultSettings();
  LoadSettings();
  Open();
  EXPECT_EQ(page.m_comboCloseAction.GetCurSel(), 1);
  EXPECT_EQ(page.m_chkStartWithWindows.GetCheck(), BST_CHECKED);

  // Enter and Esc never end the page
  page.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  page.SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  Pump();
  EXPECT_TRUE(win::IsWindow(page.m_hWnd));
}

TEST_F(GeneralPageTest, LanguageChangeStoresTheRowForBothHivesSavesAndRelaunches) {
  Open();
  Select(page.m_comboLanguage, 5);
  answers.answers.Expect(Text(L"IDS_LANG_CHANGE_PROMPT"), IDNO);
  Click(page.GetDlgItem(IDC_BTN_APPLY));
  EXPECT_EQ(LangCode(HKEY_CURRENT_USER), L"(none)") << "No leaves the language alone";
  EXPECT_EQ(page.m_comboLanguage.GetCurSel(), 5);
  EXPECT_TRUE(mx::RecordedLaunches().empty());

  // Yes: stored for the machine and the user; the lists are saved before the launch is tried.
  app->m_arrExcludeList = {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\QZX"};
  bool ended = false;
  SetRelaunchExitHook([&] { ended = true; });
  page.m_btnApply.EnableWindow(TRUE);
  answers.answers.Expect(Text(L"IDS_LANG_CHANGE_PROMPT"), IDYES);
  Click(page.GetDlgItem(IDC_BTN_APPLY));
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    DWORD id = 0;
    ASSERT_TRUE(ReadDword(root, kLang, L"LangID", id));
    EXPECT_EQ(id, 5u);
    EXPECT_EQ(LangCode(root), L"de");
  }
  std::vector<std::wstring> saved;
  std::wstring list = GetAppDataFolderPath();
  AppendPath(list, kExcludeListFile);
  ASSERT_TRUE(LoadKeyListFile(list, saved));
  EXPECT_EQ(saved, app->m_arrExcludeList);

  // The program beside this one is started again with the word, and only then does this one end.
  const auto launches = mx::RecordedLaunches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].file, mx::ProgramWinPath());
  EXPECT_EQ(launches[0].parameters, L"-changelang");
  EXPECT_TRUE(launches[0].started);
  EXPECT_TRUE(ended);
  std::string words;
  // The stand-in runs on its own: give it a moment to write.
  for (int i = 0; i < 500 && !(mx::ReadWholeFile(seen, words) && !words.empty()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(words, "-changelang\n");
}

TEST_F(GeneralPageTest, ARelaunchThatCannotStartIsReportedAndTheProgramGoesOn) {
  mx::SetProgramHostDir(program.path() / "nothing-here");
  Open();
  Select(page.m_comboLanguage, 5);
  bool ended = false;
  SetRelaunchExitHook([&] { ended = true; });
  answers.answers.Expect(Text(L"IDS_LANG_CHANGE_PROMPT"), IDYES);
  Click(page.GetDlgItem(IDC_BTN_APPLY));
  EXPECT_EQ(LangCode(HKEY_CURRENT_USER), L"de") << "the choice is kept for the next start";
  EXPECT_FALSE(ended);
  EXPECT_EQ(Shown().back(), Text(L"IDS_RESTART_FAILED"));
  EXPECT_TRUE(win::IsWindow(page.m_hWnd));
}

TEST_F(GeneralPageTest, TheMachinesSwitchLocksTheLanguage) {
  prefix.import32(LR"([HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DontShowLangButton"=dword:00000001
)");
  Open();
  EXPECT_FALSE(page.m_comboLanguage.IsWindowEnabled());
}
