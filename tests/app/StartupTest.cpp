// The start-up of the first instance in this process: waits on the fake clock, command words, modes.
#include <gtest/gtest.h>

#include "AppTestPrefix.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/WindowUtils.h"
#include "app/ZUNApp.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/gdi/Gdi.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/win/Message.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"
#include "support/FakeHostEnvironment.h"

namespace {

std::string Flags(const CZUNApp& app) {
  std::string s;
  auto add = [&](bool on, const char* name) {
    if (on) s += std::string(s.empty() ? "" : " ") + name;
  };
  add(app.m_bShowSplash, "splash");
  add(app.m_bAskUserMode, "askuser");
  add(app.m_bStartedAfterOptimization, "afteropt");
  add(app.m_bUpdateCheckMode, "updatecheck");
  add(app.m_bScheduledScanMode, "scan");
  add(app.m_bElevatedScan, "e-scan");
  add(app.m_bElevatedDefrag, "e-defrag");
  add(app.m_bElevatedFullBackup, "e-full");
  add(app.m_bElevatedFullBackupRestore, "e-fullrestore");
  add(app.m_bElevatedPartialBackupRestore, "e-partialrestore");
  add(app.m_bElevatedSchedule, "e-schedule");
  add(app.m_bStartedByLogon, "logon");
  add(app.m_bDefaultMode, "default");
  add(app.m_bDllFileMode, "dllfile");
  return s;
}

class StartupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Instances of other test processes must not count as a first instance of ours.
    setenv("MX_RUNTIME_DIR", runtime.path().c_str(), 1);
    mx::SetClock(&clock);
  }
  void TearDown() override {
    win::SetCommandLineArgs({});
    mx::SetClock(nullptr);
  }
  // Runs InitInstance with the arguments and returns its result; the app stays for inspection.
  BOOL Start(std::vector<std::wstring> args) {
    args.insert(args.begin(), mx::ProgramWinPath());
    win::SetCommandLineArgs(args);
    app = std::make_unique<CZUNApp>();
    return app->InitInstance();
  }
  mxtest::TempDir runtime;
  mx::FakeClock clock;
  apptest::AppPrefix prefix;
  std::unique_ptr<CZUNApp> app;
};

TEST_F(StartupTest, WaitsOnTheClockBeforeTheInstanceTest) {
  ASSERT_TRUE(Start({}));
  EXPECT_EQ(clock.sleeps(), (std::vector<std::uint32_t>{1024}));
  EXPECT_EQ(Flags(*app), "splash");
  EXPECT_TRUE(win::IsWindow(app->m_pMainWnd->m_hWnd));
  EXPECT_FALSE(win::IsWindowVisible(app->m_pMainWnd->m_hWnd));
  EXPECT_EQ(win::GetWindowTextString(app->m_pMainWnd->m_hWnd), L"Tarvolen Mendrix");
  EXPECT_EQ(win::FindWindow(L"#32770", L"Tarvolen Mendrix"), app->m_pMainWnd->m_hWnd);
  EXPECT_EQ(NumTimesKVTRunned, 1u);
  app->ExitInstance();
  std::string bytes;
  ASSERT_EQ(mx::ReadWinFile(std::wstring(apptest::kDataFolder) + L"\\ExcludeList.kvt", bytes), ERROR_SUCCESS);
  EXPECT_EQ(bytes, std::string(6, '\0'));
  ASSERT_EQ(mx::ReadWinFile(std::wstring(apptest::kDataFolder) + L"\\TempHLList.kvt", bytes), ERROR_SUCCESS);
}

TEST_F(StartupTest, ExitStopsTheScanWorkerBeforeTheManagerGoes) {
  std::vector<std::string> calls;
  auto* fake = reinterpret_cast<CScanManager*>(&calls);
  SetScanManagerHooks({[&] {
                         calls.push_back("create");
                         return fake;
                       },
                       [&](CScanManager* m) { calls.push_back(m == fake ? "save" : "save?"); },
                       [&](CScanManager*) { calls.push_back("stop and wait"); },
                       [&](CScanManager*) { calls.push_back("delete"); }});
  ASSERT_TRUE(Start({}));
  EXPECT_EQ(app->m_pScanManager, fake);
  app->ExitInstance();
  SetScanManagerHooks({});
  EXPECT_EQ(calls, (std::vector<std::string>{"create", "save", "stop and wait", "delete"}));
  EXPECT_EQ(app->m_pScanManager, nullptr);
}

TEST_F(StartupTest, ProfileIntegersAreDwordsUnderTheProductKey) {
  CZUNApp local;
  EXPECT_EQ(local.GetProfileInt(L"Settings", L"SelectedCategories", 0x3FFF), 0x3FFFu);
  EXPECT_FALSE(apptest::KeyExists(HKEY_CURRENT_USER, std::wstring(kProductKey) + L"\\Settings"));
  ASSERT_TRUE(local.WriteProfileInt(L"Settings", L"SelectedCategories", 0x105A));
  EXPECT_EQ(local.GetProfileInt(L"Settings", L"SelectedCategories", 0x3FFF), 0x105Au);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\Settings]
"Text"="5"
)");
  EXPECT_EQ(local.GetProfileInt(L"Settings", L"Text", 7), 7u) << "only a REG_DWORD counts";
}

TEST_F(StartupTest, ChangeLangOnlyLengthensTheWait) {
  ASSERT_TRUE(Start({L"-changelang"}));
  EXPECT_EQ(clock.sleeps(), (std::vector<std::uint32_t>{4096, 2048}));
  EXPECT_EQ(Flags(*app), "");
}

TEST_F(StartupTest, TheLogonStartWaitsLongestAndTestsSkipEveryStartWait) {
  ASSERT_TRUE(Start({L"-rem"}));
  EXPECT_EQ(clock.sleeps(), (std::vector<std::uint32_t>{4096, 2048, 64283}));
  app.reset();
  struct NoStartWait {
    NoStartWait() { setenv("MX_NO_START_WAIT", "1", 1); }
    ~NoStartWait() { unsetenv("MX_NO_START_WAIT"); }
  } noStartWait;
  for (const wchar_t* word : {L"", L"-scan", L"-rem"}) {
    const auto before = clock.sleeps().size();
    ASSERT_TRUE(Start(*word ? std::vector<std::wstring>{word} : std::vector<std::wstring>{}));
    EXPECT_EQ(clock.sleeps().size(), before) << mx::WideToUtf8(word);
    app.reset();
  }
}

TEST_F(StartupTest, EachWordSetsExactlyItsFlags) {
  struct Case {
    const wchar_t* argument;
    const char* flags;
  };
  const Case kCases[] = {
      {L"-scan", "scan"},
      {L"s-can", "scan"},
      {L"/UPDATECHECK", "updatecheck"},
      {L"-default", "default"},
      {L"-askuser", "askuser"},
      {L"-startedafteroptimization", "afteropt"},
      {L"zunvistascan", "e-scan"},
      {L"zunvistadefrag", "e-defrag"},
      {L"zunvistafullbackup", "e-full"},
      {L"zunvistafullbackuprestore", "e-fullrestore"},
      {L"zunvistapartialbackuprestore", "e-partialrestore"},
      {L"zunvistaschedule", "e-schedule"},
      {L"-rem", "splash logon"},
      {L"-dllfile", ""},
      {L"-whatever", ""},
  };
  for (const auto& c : kCases) {
    apptest::AppPrefix local;
    ASSERT_TRUE(Start({c.argument})) << mx::WideToUtf8(c.argument);
    EXPECT_EQ(Flags(*app), c.flags) << mx::WideToUtf8(c.argument);
    app.reset();
  }
}

TEST_F(StartupTest, WordsThatDependOnTheMachine) {
  mx::reg::SetUserIsAdmin(false);
  ASSERT_TRUE(Start({L"zunvistascan"}));
  EXPECT_EQ(Flags(*app), "") << "no relaunch flag without administrator rights";
  app.reset();
  mx::reg::SetUserIsAdmin(true);

  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="  "
)");
  ASSERT_TRUE(Start({L"-dllfile"}));
  EXPECT_EQ(Flags(*app), "");
  app.reset();
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0]
"DLLFILENAME"="qzx.dll"
"ASKEDUSER"=dword:00000001
)");
  ASSERT_TRUE(Start({L"-dllfile"}));
  EXPECT_EQ(Flags(*app), "dllfile");
  app.reset();
  EXPECT_FALSE(Start({L"-askuser"})) << "the question was already asked";
  app.reset();

  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0]
"StartWhenWinBoots"=dword:00000000
)");
  ApplyDefaultSettings();
  EXPECT_FALSE(Start({L"-rem"})) << "the logon start is switched off";
}

TEST_F(StartupTest, FontsFollowTheHeadingFaceAndTheLanguage) {
  auto font = [&](int index) {
    LOGFONTW lf{};
    win::GetObject(app->m_fonts.Get(index), sizeof lf, &lf);
    return lf;
  };
  ASSERT_TRUE(Start({}));  // no segoeui.ttf: the language file's heading face
  EXPECT_EQ(font(0).lfHeight, -17);
  EXPECT_EQ(font(0).lfWeight, 600);
  EXPECT_EQ(font(3).lfWeight, 600);
  EXPECT_STREQ(font(13).lfFaceName, L"Tahoma");
  EXPECT_EQ(font(5).lfHeight, -14);
  EXPECT_EQ(font(13).lfQuality, 5);
  app.reset();

  prefix.createFile(L"C:\\windows\\Fonts\\segoeui.ttf", "font");
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\LANG]
"LangID"=dword:0000000e
)");
  ASSERT_TRUE(Start({}));
  EXPECT_TRUE(app->m_bSegoeUIAvailable);
  EXPECT_EQ(font(0).lfHeight, -19);
  EXPECT_EQ(font(0).lfWeight, 700);
  EXPECT_STREQ(font(0).lfFaceName, L"segoe UI");
  EXPECT_EQ(font(5).lfHeight, -13) << "Russian";
  EXPECT_EQ(font(5).lfWeight, 500);
  EXPECT_EQ(font(0).lfCharSet, 204);
  LOGFONTW ui;
  GetUILogFont(ui);
  EXPECT_EQ(ui.lfHeight, -11);
  EXPECT_EQ(ui.lfCharSet, 204);
  EXPECT_STREQ(ui.lfFaceName, L"Arial");
  EXPECT_EQ(ui.lfWeight, 400);
}

TEST_F(StartupTest, WithoutATitleASecondInstanceFindsNoFirstOne) {
  HANDLE mutex = win::CreateMutex(nullptr, TRUE, kMutexName);
  win::CWnd untitled;
  ASSERT_TRUE(untitled.CreateEx(0, L"#32770", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
  prefix.createFile(L"C:\\lang\\untitled.ini", "[RESOURCESTRING]\nIDS_FONTS=Fonts\n");
  InitLanguageReader(L"C:\\lang\\untitled.ini");
  EXPECT_FALSE(Start({L"-scan"}));
  EXPECT_TRUE(app->m_bOtherInstanceFound);
  MSG msg;
  EXPECT_FALSE(win::PeekMessage(&msg, untitled.m_hWnd, 0, 0, PM_REMOVE)) << "nothing posted to a stranger";
  ResetLanguageReader();
  win::CloseHandle(mutex);
}

}  // namespace
