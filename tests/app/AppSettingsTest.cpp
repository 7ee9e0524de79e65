#include "app/AppSettings.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <vector>

#include "app/AppLog.h"
#include "app/RegistryKey.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Time.h"
#include "AppTestPrefix.h"
#include "support/FakeWineServer.h"

namespace {

struct Stored {
  DWORD type = 0;
  std::vector<BYTE> bytes;
  bool found = false;
};

Stored Query(HKEY root, const std::wstring& key, const wchar_t* value) {
  Stored s;
  HKEY h = nullptr;
  if (win::RegOpenKeyEx(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return s;
  DWORD cb = 0;
  if (win::RegQueryValueEx(h, value, nullptr, &s.type, nullptr, &cb) == ERROR_SUCCESS) {
    s.bytes.resize(cb);
    s.found = win::RegQueryValueEx(h, value, nullptr, &s.type, s.bytes.data(), &cb) == ERROR_SUCCESS;
  }
  win::RegCloseKey(h);
  return s;
}

using apptest::KeyExists;

class AppSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { ApplyDefaultSettings(); }
  mxtest::TestPrefix prefix;
};

TEST_F(AppSettingsTest, FirstStartCreatesTheEmptyKeyAndSaveWritesEveryValueWithItsType) {
  LoadSettings();
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kProductKey));
  EXPECT_EQ(StartWhenWinBoots, 1u);
  EXPECT_EQ(ChkAgreeToUploadDLLs, 1u);

  StrLastScan = L"abc";
  StrLastScanResults = L"12";
  SaveSettings();
  const wchar_t* kDwords[] = {L"SetChkREmovableMedia", L"SetChkSkipEmptyKeys", L"ImprovementProgram",
                              L"StartWhenWinBoots",    L"GoToSystemTrayOnClose", L"ConfirmBkUps",
                              L"StartScan",            L"StartMinimized",        L"AutoRepair",
                              L"RegErrFoundTillDate",  L"RegErrsFixedTillDate",  L"RegErrsFixedLast",
                              L"NumTimesKVTRunned",    L"ChkAgreeToUploadDLLs"};
  for (const wchar_t* name : kDwords) {
    const Stored s = Query(HKEY_CURRENT_USER, kProductKey, name);
    EXPECT_TRUE(s.found) << name;
    EXPECT_EQ(s.type, REG_DWORD) << name;
    EXPECT_EQ(s.bytes.size(), 4u) << name;
  }
  const wchar_t* kStrings[] = {L"StrLastOptimizeTime", L"StrLatestRegDefrag", L"StrLatestRestorePoint",
                               L"StrLastStartupOpt", L"ScheduledTime"};
  for (const wchar_t* name : kStrings) {
    const Stored s = Query(HKEY_CURRENT_USER, kProductKey, name);
    EXPECT_EQ(s.type, REG_SZ) << name;
    EXPECT_EQ(s.bytes.size(), 2u) << name << ": an empty text keeps its terminating null";
  }
  const Stored last = Query(HKEY_CURRENT_USER, kProductKey, L"StrLastScan");
  EXPECT_EQ(last.bytes, (std::vector<BYTE>{'a', 0, 'b', 0, 'c', 0, 0, 0}));
  const Stored count = Query(HKEY_CURRENT_USER, kProductKey, L"StrLastScanResults");
  EXPECT_EQ(count.type, REG_SZ);
  EXPECT_EQ(count.bytes, (std::vector<BYTE>{'1', 0, '2', 0, 0, 0}));

  // And back: what was saved is what loads, over the defaults.
  GoToSystemTrayOnClose = 1;
  RegErrsFixedTillDate = 77;
  ScheduledTime = L"Monthly";
  SaveSettings();
  ApplyDefaultSettings();
  StrLastScan.clear();
  ScheduledTime.clear();
  LoadSettings();
  EXPECT_EQ(GoToSystemTrayOnClose, 1u);
  EXPECT_EQ(RegErrsFixedTillDate, 77u);
  EXPECT_EQ(ScheduledTime, L"Monthly");
  EXPECT_EQ(StrLastScan, L"abc");
  EXPECT_EQ(StrLastScanResults, L"12");
}

TEST_F(AppSettingsTest, LoadReadsStoredValuesWhateverTheirType) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0]
"StartWhenWinBoots"="1"
"GoToSystemTrayOnClose"=dword:00000001
"ConfirmBkUps"=hex:00,00,00,00,00,00,00,00
"StrLastScan"="Mon"
"StrLastScanResults"="12abc"
"NumTimesKVTRunned"=dword:00000029
)");
  LoadSettings();
  EXPECT_EQ(StartWhenWinBoots, 0x31u) << "a REG_SZ one is read as its first four bytes";
  EXPECT_EQ(GoToSystemTrayOnClose, 1u);
  EXPECT_EQ(ConfirmBkUps, 1u) << "a value longer than four bytes leaves the default";
  EXPECT_EQ(StrLastScan, L"Mon");
  EXPECT_EQ(StrLastScanResults, L"12");
  EXPECT_EQ(NumTimesKVTRunned, 41u);
}

TEST_F(AppSettingsTest, LastScanResultCountReadsLeadingDigits) {
  EXPECT_EQ(LoadLastScanResultCount(), 0);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0]
"StrLastScanResults"=""
)");
  EXPECT_EQ(LoadLastScanResultCount(), 0);
  SaveLastScanResultCount(-3);
  EXPECT_EQ(LoadLastScanResultCount(), -3);
  EXPECT_EQ(WtoL(L"  +77x"), 77);
  EXPECT_EQ(WtoL(L"99999999999"), 2147483647);
}

TEST_F(AppSettingsTest, LangIdUserBeatsMachineAndOutOfRangeReadsAsZero) {
  struct Case {
    const wchar_t* machine;
    const wchar_t* user;
    int expected;
  };
  const Case kCases[] = {
      {L"dword:00000005", L"dword:00000003", 3},
      {L"dword:00000005", nullptr, 5},
      {nullptr, L"dword:00000014", 0},  // 20
      {nullptr, L"dword:000000ff", 0},
      {L"dword:00000005", L"\"3\"", 5},  // a user value of the wrong type leaves the machine's
      {L"dword:00000005", L"dword:00000014", 0},
      {nullptr, nullptr, 0},
  };
  for (const auto& c : kCases) {
    mxtest::TestPrefix local;
    // The program is a 32-bit one: its machine values live in the 32-bit view.
    if (c.machine)
      local.import32(std::wstring(L"[HKEY_LOCAL_MACHINE\\Software\\Tarvolen\\Mendrix\\Version 1.0\\LANG]\n"
                                  L"\"LangID\"=") + c.machine + L"\n");
    if (c.user)
      local.import(std::wstring(L"[HKEY_CURRENT_USER\\Software\\Tarvolen\\Mendrix\\Version 1.0\\LANG]\n"
                                L"\"LangID\"=") + c.user + L"\n");
    EXPECT_EQ(GetLangID(), c.expected) << (&c - kCases);
  }
}

TEST_F(AppSettingsTest, LangIdOfAStandardUserStillSeesTheMachineValueAndCreatesNothing) {
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Tarvolen\Mendrix\Version 1.0\LANG]
"LangID"=dword:00000005
)");
  mx::reg::SetUserIsAdmin(false);
  EXPECT_EQ(GetLangID(), 5);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, std::wstring(kProductKey) + L"\\LANG"));
  mx::reg::SetUserIsAdmin(true);
}

TEST_F(AppSettingsTest, LangCodeDefaultsToEnglishAndLeavesTheKey) {
  EXPECT_EQ(GetLangCode(), L"en");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kLangSubKey));
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Tarvolen\Mendrix\Version 1.0\LANG]
"LangCode"="de"
)");
  EXPECT_EQ(GetLangCode(), L"de");
}

TEST_F(AppSettingsTest, DaysSinceLastScan) {
  mx::FakeClock clock;
  mx::SetClock(&clock);
  EXPECT_EQ(DaysSinceLastScan(), -1);
  SYSTEMTIME now;
  win::GetLocalTime(&now);
  ASSERT_TRUE(SaveLastScanTime(now));
  clock.Advance(47ull * 3600 * 1000);
  EXPECT_EQ(DaysSinceLastScan(), 1);
  SYSTEMTIME loaded{};
  EXPECT_TRUE(LoadLastScanTime(loaded));
  EXPECT_EQ(loaded.wDay, now.wDay);

  SYSTEMTIME invalid{};  // a zeroed time is not a date
  ASSERT_TRUE(SaveLastDllInstallTime(invalid));
  EXPECT_EQ(DaysSinceLastDllInstall(), -1);
  mx::SetClock(nullptr);
}

}  // namespace

namespace {

// A save the registry refuses while Wine holds the prefix is said on the terminal and in the day's log.
TEST(AppSettingsSave, ARefusedSaveIsReportedOnTheTerminalAndInTheLog) {
  apptest::AppPrefix prefix;
  ApplyDefaultSettings();
  CloseAppLog();
  std::string log;
  {
    mxtest::FakeWineServer server(prefix.root());
    ::testing::internal::CaptureStderr();
    SaveSettings();
    const std::string terminal = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(terminal.find("mendrix: The settings could not be saved: Wine is running on the prefix"),
              std::string::npos)
        << terminal;
    SYSTEMTIME now{};
    win::GetLocalTime(&now);
    wchar_t name[32];
    std::swprintf(name, 32, L"\\log_%02d-%02d-%04d.log", now.wMonth, now.wDay, now.wYear);
    CloseAppLog();
    mx::ReadWinFile(std::wstring(apptest::kDataFolder) + name, log);
  }
  EXPECT_NE(mx::Utf16LeToWide(log).find(L"The settings could not be saved: Wine is running"), std::wstring::npos);
}

}  // namespace
