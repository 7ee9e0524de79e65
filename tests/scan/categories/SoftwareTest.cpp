#include "scan/categories/Software.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "platform/win/Sync.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EnglishTexts.h"
#include "scan/support/ProblemLookup.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kUninstall = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::wstring kFolders = L"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\Folders";

// "<type> <key after the Uninstall key or the whole key> | <value name> /<32BitEntry>"
std::wstring Id(const CProblem& p) {
  std::wstring key = p.Key;
  if (key.rfind(kUninstall, 0) == 0) key = key.substr(kUninstall.size());
  return std::to_wstring(p.EntryType) + L" " + key + L" | " + p.ValueName + L" /" + std::to_wstring(p.m_n32BitEntry);
}

mxtest::ScanSettings SkipEmptyKeys(bool skip) {
  mxtest::ScanSettings settings;
  settings.skipEmptyKeys = skip;
  return settings;
}

std::vector<std::wstring> Ids(const std::map<std::wstring, CProblem>& problems) {
  std::vector<std::wstring> ids;
  for (const auto& [id, problem] : problems) ids.push_back(id);
  return ids;
}

}  // namespace

TEST(Software, UninstallEntriesInBothViewsAndTheCacheOfRemovedOnes) {
  TestPrefix prefix(Arch::Win64);
  mxtest::EnglishTextsScope texts;
  prefix.createFile(L"C:\\Qzx\\present.exe");
  prefix.createFile(L"C:\\windows\\system32\\qzxsysremove.exe");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxTool]
"DisplayName"="Qzx Tool"
"UninstallString"="C:\\Qzx\\qzxremove.exe /S"
"DisplayIcon"="C:\\Qzx\\qzxtool.exe,0"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxHidden]
"SystemComponent"=dword:00000000
"UninstallString"="C:\\Qzx\\qzxremove.exe"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxNoCommand]
"DisplayName"="Qzx No Command"
"InstallSource"="C:\\Qzx\\source\\"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxQuiet]
"QuietUninstallString"="\"C:\\Qzx\\present.exe\" /quiet"
"DisplayIcon"="C:\\Qzx\\present.exe,3"
"readme"="C:\\Qzx\\readme.txt"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxSysFolder]
"UninstallString"="qzxsysremove.exe /x"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxEmpty]
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxParent\Child]
"UninstallString"="C:\\Qzx\\present.exe"
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\QzxGone]
"SlowInfoCache"=hex:00
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\App Management\ARPCache\QzxTool]
"SlowInfoCache"=hex:00
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxTool]
"DisplayName"="Qzx Tool 32"
"UninstallString"="C:\\Qzx\\qzxremove.exe /S"
)");

  int result = 0;
  const auto problems = mxtest::ScanIndexed<CSoftware>(Id, SkipEmptyKeys(false), &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Ids(problems), (std::vector<std::wstring>{
                               L"35 HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                               L"Management\\ARPCache\\QzxGone |  /0",
                               L"35 QzxEmpty | UninstallString /0",
                               L"36 QzxNoCommand | UninstallString /0",
                               L"36 QzxTool | UninstallString /0",
                               L"36 QzxTool | UninstallString /1",
                               L"42 QzxQuiet | readme /0",
                               L"42 QzxTool | DisplayIcon /0",
                           }));
  const std::wstring incomplete = mxtest::EnglishText(L"IDS_INCOMPLETE_ENTRY");
  ASSERT_FALSE(incomplete.empty());
  const CProblem& tool = problems.at(L"36 QzxTool | UninstallString /0");
  EXPECT_EQ(tool.ValueData, L"C:\\Qzx\\qzxremove.exe /S");
  EXPECT_EQ(tool.m_arrDetails, std::vector<std::wstring>{L"Qzx Tool"});
  EXPECT_EQ(problems.at(L"36 QzxTool | UninstallString /1").m_arrDetails, std::vector<std::wstring>{L"Qzx Tool 32"});
  EXPECT_EQ(problems.at(L"42 QzxTool | DisplayIcon /0").ValueData, L"C:\\Qzx\\qzxtool.exe,0");
  EXPECT_EQ(problems.at(L"36 QzxNoCommand | UninstallString /0").ValueData, L"");
  EXPECT_EQ(problems.at(L"42 QzxQuiet | readme /0").m_arrDetails, std::vector<std::wstring>{L"QzxQuiet"})
      << "without a DisplayName the entry's name describes it";
  EXPECT_EQ(problems.at(L"35 QzxEmpty | UninstallString /0").m_arrDetails,
            std::vector<std::wstring>{incomplete + L"QzxEmpty"});
  EXPECT_EQ(problems.begin()->second.m_arrDetails, std::vector<std::wstring>{incomplete + L"QzxGone"});

  // With the empty-key setting on, the empty entry is left alone.
  EXPECT_EQ(mxtest::ScanIndexed<CSoftware>(Id, SkipEmptyKeys(true)).count(L"35 QzxEmpty | UninstallString /0"), 0u);
}

TEST(Software, AMissingInstallerFolderIsOneValueOfItsKey) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\kept\\a.txt");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Installer\Folders]
"C:\\Qzx\\kept\\"=""
"C:\\Qzx\\GoneFolder\\"=""
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxNoCommand]
"DisplayName"="Qzx No Command"
)");
  const auto problems = mxtest::ScanCategory<CSoftware>();
  ASSERT_EQ(problems.size(), 2u);
  const CProblem& folder = problems[0].ValueName == L"C:\\Qzx\\GoneFolder\\" ? problems[0] : problems[1];
  const CProblem& entry = &folder == &problems[0] ? problems[1] : problems[0];
  EXPECT_EQ(folder.EntryType, 36);
  EXPECT_EQ(folder.Key, kFolders);
  EXPECT_EQ(folder.ValueName, L"C:\\Qzx\\GoneFolder\\");
  EXPECT_EQ(folder.m_arrDetails, std::vector<std::wstring>{L"C:\\Qzx\\GoneFolder\\"});
  EXPECT_TRUE(IsInstallerFolderProblem(folder));
  EXPECT_FALSE(IsInstallerFolderProblem(entry)) << "an uninstall entry without a command is a whole key";
}

TEST(Software, InstallerRegistrationsByNameAndByDataInTheViewTheyWereRead) {
  for (Arch arch : {Arch::Win64, Arch::Win32}) {
    TestPrefix prefix(arch);
    mxtest::EnglishTextsScope texts;
    prefix.createFile(L"C:\\Qzx\\present.msi");
    prefix.import(LR"(
[HKEY_CLASSES_ROOT\Installer\Products\QZX0001\SourceList]
"C:\\Qzx\\gonedir\\gone.msi"="C:\\Qzx\\present.msi"
"\"C:\\Qzx\\quoted\\gone.msi\""=""
"PackageName"="C:\\Qzx\\pkg\\gone.msi"
"Present"="C:\\Qzx\\present.msi"
"Number"=dword:00000001
)");
    auto problems = mxtest::ScanIndexed<CSoftware>([](const CProblem& p) { return p.ValueData; });
    ASSERT_EQ(problems.size(), 3u) << (arch == Arch::Win64 ? "win64" : "win32");
    const std::wstring key = L"HKEY_CLASSES_ROOT\\Installer\\Products\\QZX0001\\SourceList";
    for (const auto& [data, problem] : problems) {
      EXPECT_EQ(problem.EntryType, 42);
      EXPECT_EQ(problem.Key, key);
      EXPECT_EQ(problem.m_n32BitEntry, 0) << "read in the 64-bit or the only view";
      EXPECT_EQ(problem.m_arrDetails, std::vector<std::wstring>{mxtest::EnglishText(L"IDS_ENG_MISSING_FILE") + data});
    }
    EXPECT_EQ(problems.at(L"C:\\Qzx\\gonedir\\gone.msi").ValueName, L"C:\\Qzx\\gonedir\\gone.msi");
    EXPECT_EQ(problems.at(L"\"C:\\Qzx\\quoted\\gone.msi\"").ValueName, L"\"C:\\Qzx\\quoted\\gone.msi\"");
    EXPECT_EQ(problems.at(L"C:\\Qzx\\pkg\\gone.msi").ValueName, L"PackageName");
  }
}

TEST(Software, AStopRequestEndsTheScanWithTwo) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\QzxNoCommand]
"DisplayName"="Qzx No Command"
)");
  win::UniqueHandle stop(win::CreateEvent(nullptr, TRUE, TRUE, nullptr));
  HANDLE stopHandle = stop.get();
  CSoftware category;
  category.m_pStopEvent = &stopHandle;
  int result = 0;
  EXPECT_TRUE(mxtest::RunCategoryScan(category, {}, &result).empty());
  EXPECT_EQ(result, 2);
}

TEST(Software, TheUntouchedSamplePrefixHasNothingToReport) {
  TestPrefix prefix = TestPrefix::FromFixture();
  const auto problems = mxtest::ScanIndexed<CSoftware>(Id, SkipEmptyKeys(false));
  EXPECT_TRUE(problems.empty()) << mx::WideToUtf8(problems.empty() ? L"" : problems.begin()->first);
}
