#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/ZUNApp.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Sfc.h"
#include "scan/Category.h"
#include "scan/CategoryFlags.h"
#include "scan/EngineMessages.h"
#include "scan/Problem.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "support/EngineTestSupport.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::ScanSettings;
using mxtest::ScanSettingsScope;
using mxtest::StubCategory;

const wchar_t* const kQzxKeys = LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx\App]
"Server"="C:\\Qzx\\gone.dll"
[HKEY_CURRENT_USER\Software\Qzx\App]
"Recent"="C:\\Qzx\\gone.txt"
)";

class ProblemFilter : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix.import(kQzxKeys);
    prefix.import32(kQzxKeys);
  }
  void TearDown() override { SetCategoryLookup(nullptr); }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
};

TEST_F(ProblemFilter, RecordsAcceptedProblemWithAllFieldsAndTheUndoLink) {
  ScanSettingsScope scope(ScanSettings{});
  StubCategory category;
  BackupHolder* holder = reinterpret_cast<BackupHolder*>(&category);  // any address: only copied
  category.m_pBackupHolder = holder;
  const int index =
      category.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"C:\\Qzx\\gone.dll", L"alt", 1);
  ASSERT_EQ(index, 0);
  const CProblem& p = *category.m_arrProblems[0];
  EXPECT_EQ(p.EntryType, 42);
  EXPECT_EQ(p.ValueName, L"Server");
  EXPECT_EQ(p.ValueData, L"C:\\Qzx\\gone.dll");
  EXPECT_EQ(p.AlternateKey, L"alt");
  EXPECT_EQ(p.m_n32BitEntry, 1);
  EXPECT_EQ(p.m_nSelected, 1);
  EXPECT_EQ(p.m_pBackupHolder, holder);

  category.AddProblemDetail(index, L"first");
  category.AddProblemDetail(-1, L"ignored");
  category.AddProblemDetail(5, L"ignored");
  EXPECT_EQ(p.GetDetail(0), L"first");
  EXPECT_EQ(p.GetDetail(1), L"");
  EXPECT_EQ(p.GetDetail(-1), L"");
}

TEST_F(ProblemFilter, RejectsKeysOutsideTheFiveExactRootNamesExceptFileProblems) {
  ScanSettingsScope scope(ScanSettings{});
  StubCategory category;
  EXPECT_EQ(category.AddProblem(42, L"HKEY_PERFORMANCE_DATA\\Software\\Qzx\\App", L"", L"", L"", 0), -1);
  EXPECT_EQ(category.AddProblem(42, L"hkey_local_machine\\Software\\Qzx\\App", L"", L"", L"", 0), -1);
  EXPECT_EQ(category.AddProblem(42, L"HKEY_LOCAL_MACHINE", L"", L"", L"", 0), -1);
  // shortcut problems carry file paths, not keys
  EXPECT_EQ(category.AddProblem(34, L"C:\\users\\qzx\\Desktop\\Gone.lnk", L"", L"", L"", 0), 0);
  EXPECT_EQ(category.AddProblem(40, L"C:\\Start Menu\\Gone.lnk", L"", L"", L"", 0), 1);
}

TEST_F(ProblemFilter, ExclusionListMatchesAnywhereWithoutCaseAndTempListOnlyHidesHistoryTypes) {
  ScanSettings settings;
  settings.excludeList = {L"software\\QZX"};
  settings.tempList = {L"", L"qzx\\app"};
  ScanSettingsScope scope(settings);
  StubCategory category;
  EXPECT_EQ(category.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 0), -1);
  EXPECT_EQ(category.AddProblem(43, L"HKEY_CURRENT_USER\\Software\\Qzx\\App", L"Recent", L"", L"", 0), -1);

  scope.app().m_arrExcludeList = {L""};  // an empty entry hides nothing
  EXPECT_EQ(category.AddProblem(28, L"HKEY_CURRENT_USER\\Software\\Qzx\\App", L"Recent", L"", L"", 0), -1);
  // the empty temporary entry hides nothing, and only types 26 to 32 consult the list
  EXPECT_EQ(category.AddProblem(43, L"HKEY_CURRENT_USER\\Software\\Qzx\\App", L"Recent", L"", L"", 0), 0);
}

TEST_F(ProblemFilter, DuplicatesAreRecordedOnceAcrossCategoriesAndClassesRootButPerView) {
  ScanSettingsScope scope(ScanSettings{});
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\QzxFile\shell\open\command]
@="C:\\Qzx\\gone.exe"
)");
  StubCategory first, second;
  SetCategoryLookup([&](DWORD flag) -> CCategory* {
    if (flag == CATEGORY_FILETYPES) return &first;
    if (flag == CATEGORY_DEEPSCAN_LM) return &second;
    return nullptr;
  });
  EXPECT_EQ(first.AddProblem(21, L"HKEY_CLASSES_ROOT\\QzxFile\\shell\\open\\command", L"", L"C:\\Qzx\\gone.exe", L"", 0),
            0);
  // the same entry seen through the machine's classes, in other letter case, by another category
  EXPECT_EQ(second.AddProblem(42, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\QzxFile\\shell\\open\\command", L"",
                              L"c:\\qzx\\GONE.exe", L"", 0),
            -1);
  // another view is another entry
  EXPECT_EQ(second.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 0), 0);
  EXPECT_EQ(second.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 1), 1);
  EXPECT_EQ(first.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 1), -1);

  // The test follows the lists when they are sorted or a repair takes problems out of them.
  second.SortProblems();
  EXPECT_EQ(first.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 1), -1);
  second.m_arrProblems.clear();
  EXPECT_EQ(first.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 1), 1);
  second.m_arrProblems.push_back(std::move(first.m_arrProblems[0]));
  first.m_arrProblems.erase(first.m_arrProblems.begin());
  EXPECT_EQ(first.AddProblem(21, L"HKEY_CLASSES_ROOT\\QzxFile\\shell\\open\\command", L"", L"C:\\Qzx\\gone.exe", L"", 0),
            -1);
  EXPECT_EQ(first.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 1), -1);
}

TEST_F(ProblemFilter, AdministratorGetsOnlyWritableExistingKeysAndTheScanCreatesNothing) {
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_CURRENT_USER, L"Software\\Qzx\\App", KEY_WOW64_64KEY,
                                  mx::reg::KeyAccess::ReadOnly),
            ERROR_SUCCESS);
  const wchar_t* missing = L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\Missing";
  const wchar_t* readOnly = L"HKEY_CURRENT_USER\\Software\\Qzx\\App";
  {
    ScanSettingsScope scope(ScanSettings{});
    StubCategory category;
    EXPECT_EQ(category.AddProblem(42, missing, L"", L"", L"", 0), -1);
    EXPECT_EQ(category.AddProblem(43, readOnly, L"Recent", L"", L"", 0), -1);
    EXPECT_EQ(category.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 0), 0);
  }
  HKEY key = nullptr;
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Qzx\\Missing", 0, KEY_READ | KEY_WOW64_64KEY, &key),
            ERROR_FILE_NOT_FOUND);

  ScanSettings user;
  user.admin = false;
  ScanSettingsScope scope(user);
  StubCategory category;
  EXPECT_EQ(category.AddProblem(42, missing, L"", L"", L"", 0), 0);
  EXPECT_EQ(category.AddProblem(43, readOnly, L"Recent", L"", L"", 0), 1);
}

TEST_F(ProblemFilter, SystemProtectedAndSkipListedKeysAreDropped) {
  mx::SetProtectedKeys({{L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", KEY_WOW64_32KEY}});
  ScanSettingsScope scope(ScanSettings{});
  StubCategory category;
  EXPECT_EQ(category.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 1), -1);
  EXPECT_EQ(category.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"", L"", 0), 0);
  mx::SetProtectedKeys({});

  EXPECT_EQ(category.AddProblem(42, L"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Qzx", L"", L"", L"", 0),
            -1);
  // shared-file problems are also judged by their value name, the file path
  EXPECT_EQ(category.AddProblem(33, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"C:\\Qzx\\Norton\\a.dll", L"", L"", 0),
            -1);
  EXPECT_EQ(category.AddProblem(33, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"C:\\Qzx\\a.dll", L"", L"", 0), 1);
}

TEST(ProblemLog, AcceptedProblemWritesTheInvalidEntryLinesExactly) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  enginetest::AddDataFolder(prefix);
  CloseAppLog();  // an earlier test in this process may hold the day's log open in its own prefix
  prefix.import(kQzxKeys);
  ScanSettingsScope scope(ScanSettings{});
  {
    StubCategory category;
    ASSERT_EQ(category.AddProblem(42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx\\App", L"Server", L"C:\\Qzx\\%s.dll",
                                  L"", 0),
              0);
    ASSERT_EQ(category.AddProblem(34, L"C:\\Qzx\\Gone.lnk", L"", L"", L"", 0), 1);
    EXPECT_EQ(category.AddProblem(42, L"HKEY_PERFORMANCE_DATA\\Qzx", L"", L"", L"", 0), -1);
  }
  CloseAppLog();
  std::wstring log;
  const std::wstring folder = GetAppDataFolderPath();
  ASSERT_FALSE(folder.empty());
  for (const auto& entry : std::filesystem::directory_iterator(prefix.hostPath(folder)))
    if (entry.path().extension() == ".log") {
      std::ifstream in(entry.path(), std::ios::binary);
      log += mx::Utf16LeToWide(std::string(std::istreambuf_iterator<char>(in), {}));
    }
  EXPECT_NE(log.find(L"   Invalid Entry Found :\r\n EntryType:42\r\n Key:HKEY_LOCAL_MACHINE\\Software\\Qzx\\App\r\n "
                     L"ValueName:Server \r\n ValueData:C:\\Qzx\\%s.dll \r\n AlternateKey: \r\n 32BitEntry:0\r\n"),
            std::wstring::npos)
      << mx::WideToUtf8(log);
  EXPECT_NE(log.find(L"   Invalid Shortcut :\r\n EntryType:34\r\nLink:C:\\Qzx\\Gone.lnk\r\n"), std::wstring::npos);
  EXPECT_EQ(log.find(L"HKEY_PERFORMANCE_DATA"), std::wstring::npos);
}

TEST(ScanProgress, EveryTwentySeventhItemPostsOneItemText) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  enginetest::EventLog events;
  enginetest::RecordingWindow screen(L"QzxProgressScreen", &events, "screen");
  SetScanProgressWindowProvider([&] { return screen.m_hWnd; });
  ResetScanProgressCounter();

  for (int i = 1; i <= 26; ++i) ReportScanProgress(L"item " + std::to_wstring(i));
  enginetest::PumpPending();
  EXPECT_TRUE(events.Events().empty());

  ReportScanProgress(L"HKEY_LOCAL_MACHINE\\Software\\Qzx");
  enginetest::PumpPending();
  ASSERT_EQ(events.Events().size(), 1u);
  EXPECT_EQ(events.Events()[0], "screen " + enginetest::Hex(WM_SCAN_ITEM_TEXT) + " " +
                                    enginetest::Hex(reinterpret_cast<unsigned long long>(&g_strScanItem)) + " 0x0");
  EXPECT_EQ(g_strScanItem, L"HKEY_LOCAL_MACHINE\\SOFTWARE\\QZX");

  for (int i = 1; i <= 26; ++i) ReportScanProgress(L"c:\\Qzx\\Kept", TRUE);
  ReportScanProgress(L"c:\\Qzx\\Kept", TRUE);
  enginetest::PumpPending();
  EXPECT_EQ(events.Events().size(), 2u);
  EXPECT_EQ(g_strScanItem, L"c:\\Qzx\\Kept");

  // without a provider the post goes to the window the screen gave the scan manager
  SetScanProgressWindowProvider(nullptr);
  ScanSettingsScope scope(ScanSettings{});
  CScanManager manager;
  manager.m_hProgressWnd = screen.m_hWnd;
  scope.app().m_pScanManager = &manager;
  for (int i = 1; i <= 27; ++i) ReportScanProgress(L"x");
  enginetest::PumpPending();
  EXPECT_EQ(events.Events().size(), 3u);
  scope.app().m_pScanManager = nullptr;
}

}  // namespace
