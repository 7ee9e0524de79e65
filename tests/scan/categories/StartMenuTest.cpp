#include "scan/categories/StartMenu.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "app/LocalizedStrings.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/system/SystemInfo.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/ProblemLookup.h"
#include "scan/support/ShortcutFiles.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::TestPrefix;
using mxtest::WriteShortcut;

const std::wstring kOrder = L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\";
const std::wstring kUserPrograms = L"C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\";
const std::wstring kCommonPrograms = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\";

// "<type> <Key>" of every problem, for the order-key walk that reports whole keys.
std::set<std::wstring> TypesAndKeys(const std::vector<CProblem>& problems) {
  std::set<std::wstring> out;
  for (const CProblem& problem : problems) out.insert(std::to_wstring(problem.EntryType) + L" " + problem.Key);
  return out;
}

class StartMenu : public ::testing::Test {
 protected:
  void SetUp() override { mx::PinOsVersion(6, 1); }
  void TearDown() override { mx::PinOsVersion(0, 0); }
};

TEST_F(StartMenu, ReportsOrderKeysOfMissingFoldersAndWritableBrokenShortcuts) {
  TestPrefix prefix = TestPrefix::FromFixture();
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\QzxGone]
"Order"=hex:08,00,00,00
)");
  prefix.createFile(L"C:\\Qzx\\qzxfine.exe");
  WriteShortcut(prefix, kUserPrograms + L"QzxSuite\\Qzx Viewer.lnk", "C:\\Qzx\\qzxview.exe");
  WriteShortcut(prefix, kUserPrograms + L"Qzx Root.lnk", "C:\\Qzx\\qzxroot.exe");
  WriteShortcut(prefix, kCommonPrograms + L"QzxTools\\Admin\\Qzx Deep.lnk", "C:\\Qzx\\qzxdeep.exe");
  WriteShortcut(prefix, kUserPrograms + L"Qzx Fine.lnk", "C:\\Qzx\\qzxfine.exe");
  prefix.createFile(kUserPrograms + L"Qzx Damaged.lnk", "not a shortcut");
  WriteShortcut(prefix, kUserPrograms + L"QzxSuite\\Qzx Locked.lnk", "C:\\Qzx\\qzxlocked.exe");
  ASSERT_TRUE(win::SetFileAttributes((kUserPrograms + L"QzxSuite\\Qzx Locked.lnk").c_str(), FILE_ATTRIBUTE_READONLY));

  int result = 0;
  const std::vector<CProblem> problems = mxtest::ScanCategory<CStartMenu>({}, &result);
  EXPECT_EQ(result, 1);
  const auto byPath = mxtest::IndexProblems(problems, [](const CProblem& p) { return p.GetDetail(1); });
  ASSERT_EQ(problems.size(), 4u);

  const CProblem& gone = byPath.at(L"QzxGone");
  EXPECT_EQ(gone.EntryType, 39);
  EXPECT_EQ(gone.Key, kOrder + L"Start Menu2\\Programs\\QzxGone");
  EXPECT_EQ(gone.GetDetail(0), GetLocalizedString(L"IDS_INVALID_REF_STARTMENU") + L"QzxGone");

  struct Expected {
    std::wstring path, name, target, topFolder;
  };
  const Expected kExpected[] = {
      {kUserPrograms + L"QzxSuite\\Qzx Viewer.lnk", L"Qzx Viewer", L"C:\\Qzx\\qzxview.exe", L"QzxSuite"},
      {kUserPrograms + L"Qzx Root.lnk", L"Qzx Root", L"C:\\Qzx\\qzxroot.exe", L"<Root folder>"},
      {kCommonPrograms + L"QzxTools\\Admin\\Qzx Deep.lnk", L"Qzx Deep", L"C:\\Qzx\\qzxdeep.exe", L"QzxTools"},
  };
  for (const Expected& e : kExpected) {
    ASSERT_TRUE(byPath.count(e.path)) << mx::WideToUtf8(e.path);
    const CProblem& problem = byPath.at(e.path);
    EXPECT_EQ(problem.EntryType, 40);
    EXPECT_EQ(problem.Key, L"");
    EXPECT_EQ(problem.ValueName + problem.ValueData + problem.AlternateKey, L"");
    EXPECT_EQ(problem.m_n32BitEntry, 0);
    EXPECT_EQ(problem.m_arrDetails, (std::vector<std::wstring>{e.name, e.path, e.target, e.topFolder}));
  }
}

TEST_F(StartMenu, OrderKeysAreJudgedByTheirFolderInEitherProgramsFolder) {
  TestPrefix prefix(mxtest::Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Common Programs"="C:\\Qzx\\Common\\Programs"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Programs"="C:\\Qzx\\User\\Programs\\"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxShared]
"Order"=hex:01
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxGone\QzxChild]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxSuite\QzxInner]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxSuite\QzxKept]
"Order"=hex:01
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxSuite\QzxInnerGone]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxEmpty]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu2\Programs\QzxGone2]
"Order"=hex:01
)");
  for (const wchar_t* folder : {L"C:\\Qzx\\Common\\Programs\\QzxShared\\x", L"C:\\Qzx\\User\\Programs\\QzxSuite\\QzxInner\\x",
                                L"C:\\Qzx\\User\\Programs\\QzxSuite\\QzxKept\\x", L"C:\\Qzx\\User\\Programs\\QzxEmpty\\x"})
    prefix.createFile(folder);

  const std::wstring menu = kOrder + L"Start Menu\\Programs\\";
  // QzxSuite holds no value but the order records of its subfolders: deleting it would lose them
  std::set<std::wstring> expected = {
      L"39 " + menu + L"QzxGone",
      L"38 " + menu + L"QzxSuite\\QzxInner",
      L"39 " + menu + L"QzxSuite\\QzxInnerGone",
      L"38 " + menu + L"QzxEmpty",
  };
  mx::PinOsVersion(5, 1);
  EXPECT_EQ(TypesAndKeys(mxtest::ScanCategory<CStartMenu>()), expected);

  mx::PinOsVersion(6, 1);
  expected.insert(L"39 " + kOrder + L"Start Menu2\\Programs\\QzxGone2");
  const std::vector<CProblem> problems = mxtest::ScanCategory<CStartMenu>();
  EXPECT_EQ(TypesAndKeys(problems), expected);
  const auto byKey = mxtest::IndexProblems(problems, [](const CProblem& p) { return p.Key; });
  EXPECT_EQ(byKey.at(menu + L"QzxEmpty").m_arrDetails,
            (std::vector<std::wstring>{GetLocalizedString(L"IDS_EMPTY_KEY_STARTMENU") + L"QzxEmpty", L"QzxEmpty"}));
}

TEST_F(StartMenu, AnUnknownProgramsFolderLeavesOrderKeysUnjudged) {
  TestPrefix prefix(mxtest::Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"Common Programs"="C:\\Qzx\\Common\\Programs"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxMine]
"Order"=hex:01
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\MenuOrder\Start Menu\Programs\QzxMine\QzxSub]
"Order"=hex:01
)");
  WriteShortcut(prefix, L"C:\\Qzx\\Common\\Programs\\Qzx Broken.lnk", "C:\\Qzx\\gone.exe");

  const std::vector<CProblem> problems = mxtest::ScanCategory<CStartMenu>();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].EntryType, 40);
  EXPECT_EQ(problems[0].GetDetail(1), L"C:\\Qzx\\Common\\Programs\\Qzx Broken.lnk");
}

TEST_F(StartMenu, TheUntouchedSamplePrefixHasNothingToReport) {
  TestPrefix prefix = TestPrefix::FromFixture();
  EXPECT_TRUE(mxtest::ScanCategory<CStartMenu>().empty());
}

}  // namespace
