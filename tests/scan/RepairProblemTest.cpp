#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/ZUNApp.h"
#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/win/Sync.h"
#include "scan/BackupSession.h"
#include "scan/Problem.h"
#include "scan/RepairProblem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/RegistryProbe.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

constexpr REGSAM v64 = KEY_WOW64_64KEY;

bool KeyExists(const wchar_t* path) { return enginetest::KeyExists(HKEY_CURRENT_USER, path, v64); }
std::string Value(const wchar_t* path, const wchar_t* name) {
  return enginetest::StringValue(HKEY_CURRENT_USER, path, name, v64);
}

class RepairTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enginetest::AddDataFolder(prefix);
    prefix.import(LR"(
[HKEY_CURRENT_USER\Software\QzxLast\Only]
[HKEY_CURRENT_USER\Software\QzxTwo\One]
[HKEY_CURRENT_USER\Software\QzxTwo\Other]
[HKEY_CURRENT_USER\Software\QzxValued]
"keep"="me"
[HKEY_CURRENT_USER\Software\QzxValued\Only]
[HKEY_CURRENT_USER\Software\QzxAlt\Shown]
[HKEY_CURRENT_USER\Software\QzxAlt\Real]
[HKEY_CURRENT_USER\Software\QzxMru]
"MRUList"="cab"
"c"="C:\\gone.txt"
[HKEY_CURRENT_USER\Software\QzxE]
"Blank"="old"
[HKEY_CURRENT_USER\Software\QzxDenied]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzx\OpenWithList]
"a"="gone.exe"
[HKEY_CURRENT_USER\Software\QzxExt\.qzy]
[HKEY_CURRENT_CONFIG\Software\Qzx]
)");
    ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_CURRENT_USER, L"Software\\QzxDenied", 0, mx::reg::KeyAccess::ReadOnly), 0);
    prefix.createFile(L"C:\\Qzx\\there.lnk", "L");
    ASSERT_TRUE(BeginBackupSession(&holder));
  }
  void TearDown() override { EndBackupSession(&holder); }

  bool Repair(int type, const std::wstring& key, const std::wstring& valueName = L"",
              const std::wstring& alternate = L"", const std::wstring& detail1 = L"") {
    CProblem problem;
    problem.EntryType = type;
    problem.Key = key;
    problem.ValueName = valueName;
    problem.AlternateKey = alternate;
    problem.m_arrDetails = {L"", detail1};
    problem.m_pBackupHolder = &holder;
    return RepairProblem(problem);
  }

  TestPrefix prefix{Arch::Win64};
  BackupHolder holder;
  mxtest::ScanSettingsScope scope{mxtest::ScanSettings{}};
};

TEST_F(RepairTest, KeyActions) {
  EXPECT_TRUE(Repair(0, L"HKEY_CURRENT_USER\\Software\\QzxLast\\Only"));
  EXPECT_FALSE(KeyExists(L"Software\\QzxLast")) << "the emptied parent goes too";
  EXPECT_TRUE(Repair(0, L"HKEY_CURRENT_USER\\Software\\QzxTwo\\One"));
  EXPECT_TRUE(KeyExists(L"Software\\QzxTwo")) << "a parent with another subkey stays";
  EXPECT_TRUE(Repair(19, L"HKEY_CURRENT_USER\\Software\\QzxValued\\Only"));
  EXPECT_EQ(Value(L"Software\\QzxValued", L"keep"), "me") << "a parent with values stays";

  EXPECT_TRUE(Repair(1, L"HKEY_CURRENT_USER\\Software\\QzxAlt\\Shown", L"", L"HKEY_CURRENT_USER\\Software\\QzxAlt\\Real"));
  EXPECT_FALSE(KeyExists(L"Software\\QzxAlt\\Real"));
  EXPECT_TRUE(KeyExists(L"Software\\QzxAlt\\Shown"));

  EXPECT_TRUE(Repair(3, L"HKEY_CURRENT_USER\\Software\\NeverThere")) << "a missing key is what the repair wanted";
  EXPECT_TRUE(Repair(3, L"HKEY_LOCAL_MACHINE\\wow6432node"));
}

TEST_F(RepairTest, ValueActions) {
  EXPECT_TRUE(Repair(27, L"HKEY_CURRENT_USER\\Software\\QzxMru", L"c"));
  EXPECT_EQ(Value(L"Software\\QzxMru", L"MRUList"), "ab");
  EXPECT_EQ(Value(L"Software\\QzxMru", L"c"), "<no value>");
  EXPECT_TRUE(Repair(37, L"HKEY_CURRENT_USER\\Software\\QzxE", L"Blank"));
  EXPECT_EQ(Value(L"Software\\QzxE", L"Blank"), "");
  EXPECT_TRUE(Repair(2, L"HKEY_CURRENT_USER\\Software\\QzxE", L"Blank"));
  EXPECT_FALSE(Repair(2, L"HKEY_CURRENT_USER\\Software\\QzxE", L"Blank")) << "already gone: the delete fails";
}

TEST_F(RepairTest, NarrowRepairsLeaveTheRestOfTheKey) {
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\Folders]
"C:\\QzxGone\\"=""
"C:\\windows\\"=""
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxdoc]
@="QzxDoc.Nowhere"
"Content Type"="text/x-qzx"
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxdoc\OpenWithProgids]
)");
  const wchar_t* folders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";
  EXPECT_TRUE(Repair(36, std::wstring(L"HKEY_LOCAL_MACHINE\\") + folders, L"C:\\QzxGone\\"));
  EXPECT_EQ(enginetest::StringValue(HKEY_LOCAL_MACHINE, folders, L"C:\\QzxGone\\", v64), "<no value>");
  EXPECT_EQ(enginetest::StringValue(HKEY_LOCAL_MACHINE, folders, L"C:\\windows\\", v64), "")
      << "the other registered folders stay";

  CProblem progId;
  progId.EntryType = 15;
  progId.Key = L"HKEY_CLASSES_ROOT\\.qzxdoc";
  progId.ValueData = L"QzxDoc.Nowhere";
  progId.m_pBackupHolder = &holder;
  EXPECT_TRUE(RepairProblem(progId));
  EXPECT_TRUE(enginetest::KeyExists(HKEY_CLASSES_ROOT, L".qzxdoc\\OpenWithProgids", v64));
  EXPECT_EQ(enginetest::StringValue(HKEY_CLASSES_ROOT, L".qzxdoc", L"Content Type", v64), "text/x-qzx");
  EXPECT_EQ(enginetest::StringValue(HKEY_CLASSES_ROOT, L".qzxdoc", L"", v64), "<no value>");
}

TEST_F(RepairTest, WhatCannotBeFixed) {
  struct Case {
    int type;
    const wchar_t* key;
    const char* why;
  };
  const Case kCases[] = {
      {3, L"HKEY_CURRENT_USER", "no backslash"},
      {2, L"", "empty key"},
      {3, L"HKEY_BOGUS\\Software\\QzxTwo", "no such root"},
      {3, L"hkey_current_user\\Software\\QzxTwo", "root names compare exactly"},
      {3, L"HKEY_CURRENT_USER\\Software\\QzxDenied", "no right to change it"},
      {3, L"HKEY_CURRENT_CONFIG\\Software\\Qzx", "a key that cannot be captured"},
      {44, L"HKEY_CURRENT_USER\\Software\\QzxTwo", "type out of range"},
      {-1, L"HKEY_CURRENT_USER\\Software\\QzxTwo", "negative type"},
      {32, L"HKEY_CURRENT_USER\\Software\\QzxTwo", "no history store here"},
  };
  for (const auto& c : kCases) EXPECT_FALSE(Repair(c.type, c.key)) << c.why;
  EXPECT_TRUE(KeyExists(L"Software\\QzxDenied"));
  EXPECT_TRUE(KeyExists(L"Software\\QzxTwo"));

  EXPECT_FALSE(Repair(34, L"C:\\Qzx\\missing.lnk", L"", L"", L"C:\\Qzx\\missing.lnk")) << "shortcut already gone";
  EXPECT_TRUE(Repair(34, L"C:\\Qzx\\there.lnk", L"", L"", L"C:\\Qzx\\there.lnk"));
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(L"C:\\Qzx\\there.lnk")));
}

TEST_F(RepairTest, FileExtensionListFallbacks) {
  const std::wstring fileExts = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
  EXPECT_TRUE(Repair(26, fileExts + L"\\.qzx", L"a", fileExts + L"\\.qzx\\OpenWithList"));
  EXPECT_FALSE(KeyExists(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.qzx\\OpenWithList"));

  // The alternate key is gone: the Key's own key is taken, under the Key's own root.
  EXPECT_TRUE(Repair(26, L"HKEY_CURRENT_USER\\Software\\QzxExt\\.qzy", L"", L"HKEY_LOCAL_MACHINE\\Software\\QzxNone"));
  EXPECT_FALSE(KeyExists(L"Software\\QzxExt\\.qzy"));

  // Nothing to delete at all: kept out of later scans, and not called fixed.
  auto& excluded = scope.app().m_arrExcludeList;
  excluded.clear();
  EXPECT_FALSE(Repair(26, fileExts, L"", fileExts + L"\\.none"));
  EXPECT_EQ(excluded, (std::vector<std::wstring>{
                          L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.none"}));
}

TEST(PathToFileUrl, ReplacesInOrder) {
  struct Case {
    const wchar_t* in;
    const wchar_t* out;
  };
  const Case kCases[] = {{L"", L""},
                         {L"C:\\a b\\[x].htm", L"file:///C:/a%20b/%5Bx%5D.htm"},
                         {L"http://q z/", L"file:///http://q%20z/"}};
  for (const auto& c : kCases) {
    std::wstring text = c.in;
    PathToFileUrl(text);
    EXPECT_EQ(text, c.out);
  }
}

// The fix loop on one category: repaired problems leave the list, the rest stay, a stop is seen before the
// next problem, and both counters add what was processed.
TEST(FixProblems, RepairsSelectedProblemsAndStopsBetweenThem) {
  TestPrefix prefix(Arch::Win64);
  enginetest::AddDataFolder(prefix);
  CloseAppLog();  // an earlier test in this process may hold the day's log open in its own prefix
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx\A]
[HKEY_CURRENT_USER\Software\Qzx\B]
[HKEY_CURRENT_USER\Software\Qzx\C]
[HKEY_CURRENT_USER\Software\Qzx\D]
)");
  mxtest::ScanSettingsScope scope{mxtest::ScanSettings{}};
  BackupHolder holder;
  ASSERT_TRUE(BeginBackupSession(&holder));
  win::UniqueHandle stop(win::CreateEvent(nullptr, TRUE, FALSE, nullptr));
  HANDLE stopHandle = stop.get();

  auto fill = [&](mxtest::StubCategory& category) {
    category.m_arrProblems.clear();
    category.m_pStopEvent = &stopHandle;
    for (const wchar_t* name : {L"A", L"B", L"C", L"D"}) {
      auto problem = enginetest::MakeProblem(3, std::wstring(L"HKEY_CURRENT_USER\\Software\\Qzx\\") + name);
      problem->m_pBackupHolder = &holder;
      category.m_arrProblems.push_back(std::move(problem));
    }
    category.m_arrProblems[1]->m_nSelected = 0;
  };
  auto keys = [](const CCategory& category) {
    std::vector<std::wstring> out;
    for (const auto& p : category.m_arrProblems) out.push_back(p->Key.substr(p->Key.size() - 1));
    return out;
  };

  mx::FakeClock clock;
  mx::SetClock(&clock);
  int sleeps = 0;
  int stopAtSleep = 3;  // before the third problem (C)
  clock.AddListener([&] {
    if (++sleeps == stopAtSleep) win::SetEvent(stopHandle);
  });

  mxtest::StubCategory category;
  fill(category);
  RegErrsFixedTillDate = 10;
  RegErrsFixedLast = 0;
  EXPECT_EQ(category.FixProblems(), 2);
  EXPECT_EQ(keys(category), (std::vector<std::wstring>{L"B", L"C", L"D"}));
  EXPECT_EQ(RegErrsFixedTillDate, 11u);
  EXPECT_EQ(RegErrsFixedLast, 1u) << "both totals count the same problems";

  win::ResetEvent(stopHandle);
  stopAtSleep = -1;
  EXPECT_EQ(category.FixProblems(), 1);
  EXPECT_EQ(keys(category), (std::vector<std::wstring>{L"B"})) << "C and D, one after the other";
  EXPECT_FALSE(KeyExists(L"Software\\Qzx\\D"));
  EXPECT_EQ(RegErrsFixedTillDate, 13u);
  EXPECT_EQ(RegErrsFixedLast, 3u);

  category.m_arrProblems[0]->m_nSelected = 0;
  EXPECT_EQ(category.FixProblems(), 1) << "nothing selected";
  EXPECT_EQ(RegErrsFixedLast, 3u);
  mx::SetClock(nullptr);
  EndBackupSession(&holder);

  // Every attempt in the log is followed by exactly one outcome.
  CloseAppLog();
  std::wstring logText;
  for (const auto& entry : std::filesystem::directory_iterator(prefix.hostPath(GetAppDataFolderPath()))) {
    std::string bytes;
    if (IsOwnLogFileName(mx::Utf8ToWide(entry.path().filename().string())) && mx::ReadWholeFile(entry.path(), bytes))
      logText += mx::Utf16LeToWide(bytes);
  }
  std::vector<std::string> outcomes;
  for (size_t at = 0; (at = logText.find(L"Attempting to fix Entry:", at)) != std::wstring::npos; ++at) {
    const size_t next = logText.find(L"Attempting to fix Entry:", at + 1);
    const std::wstring block = logText.substr(at, next == std::wstring::npos ? std::wstring::npos : next - at);
    const bool fixed = block.find(L"Successfully Fixed the Above Entry") != std::wstring::npos;
    const bool failed = block.find(L"The Above Entry Could not be Fixed!") != std::wstring::npos;
    outcomes.push_back(fixed && !failed ? "fixed" : failed && !fixed ? "failed" : "?");
  }
  EXPECT_EQ(outcomes, (std::vector<std::string>{"fixed", "fixed", "fixed"}));
}

}  // namespace
