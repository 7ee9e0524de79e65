#include "scan/categories/HelpFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "platform/fs/WinPath.h"
#include "platform/registry/RegistryControl.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/ProblemLookup.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kHelpKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\Help";
const std::wstring kHtmlHelpKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\HTML Help";

std::map<std::wstring, CProblem> ScanByValueAndView() {
  return mxtest::ScanIndexed<CHelpFiles>(mxtest::ValueNameAndView);
}

TEST(HelpFiles, ReportsHelpFilesMissingFromTheirFolderOrFromTheHelpFolders) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\QzxHelp2\\qzxok.hlp");
  prefix.createFile(L"C:\\windows\\help\\qzxhelpdir.hlp");
  prefix.createFile(L"C:\\windows\\qzxwindir.hlp");
  prefix.createFile(L"C:\\windows\\system32\\qzxsys.chm");
  prefix.createFile(L"C:\\QzxCwd\\qzxcwd.hlp");
  ASSERT_TRUE(win::SetCurrentDirectory(L"C:\\QzxCwd"));
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\Help]
"qzxguide.hlp"="C:\\QzxHelp"
"qzxok.hlp"="C:\\QzxHelp2\\"
"qzxhelpdir.hlp"=""
"qzxwindir.hlp"=""
"qzxcwd.hlp"=""
"qzxnumber.hlp"=dword:00000001
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\HTML Help]
"qzxbook.chm"="C:\\QzxHelp"
"qzxsys.chm"=""
)");

  const auto problems = ScanByValueAndView();
  struct Expected {
    const wchar_t* name;
    int type;
    const std::wstring& key;
    const wchar_t* data;
    const wchar_t* detail;
  };
  // a registration without a folder is never judged by the folder the program happens to run in
  const Expected kExpected[] = {
      {L"qzxguide.hlp", 24, kHelpKey, L"C:\\QzxHelp\\", L"Missing help file qzxguide.hlp"},
      {L"qzxcwd.hlp", 24, kHelpKey, L"", L"Missing help file qzxcwd.hlp"},
      {L"qzxnumber.hlp", 24, kHelpKey, L"", L"Missing help file qzxnumber.hlp"},
      {L"qzxbook.chm", 25, kHtmlHelpKey, L"C:\\QzxHelp\\", L"Missing HTML help file qzxbook.chm"},
  };
  // each missing file once per view: the two views are separate keys in this registry
  ASSERT_EQ(problems.size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    const std::wstring id = std::wstring(e.name) + L"/0";
    ASSERT_TRUE(problems.count(id)) << mx::WideToUtf8(id);
    const CProblem& problem = problems.at(id);
    EXPECT_EQ(problem.EntryType, e.type);
    EXPECT_EQ(problem.Key, e.key);
    EXPECT_EQ(problem.ValueData, e.data);
    EXPECT_EQ(problem.m_arrDetails, std::vector<std::wstring>{e.detail});
  }
}

TEST(HelpFiles, EachViewIsJudgedOnItsOwn) {
  TestPrefix prefix(Arch::Win64);
  const wchar_t* kBoth = LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\Help]
"qzxboth.hlp"="C:\\QzxHelp"
)";
  prefix.import(kBoth);
  prefix.import32(kBoth);
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\HTML Help]
"qzx32.chm"="C:\\QzxHelp"
)");
  const auto problems = ScanByValueAndView();
  EXPECT_EQ(problems.size(), 3u);
  EXPECT_TRUE(problems.count(L"qzxboth.hlp/0"));
  EXPECT_TRUE(problems.count(L"qzxboth.hlp/1"));
  EXPECT_TRUE(problems.count(L"qzx32.chm/1"));
}

TEST(HelpFiles, ThirtyTwoBitWindowsHasOneNativePass) {
  TestPrefix prefix(Arch::Win32);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\HTML Help]
"qzxbook.chm"="C:\\QzxHelp\\"
)");
  const auto problems = ScanByValueAndView();
  ASSERT_EQ(problems.size(), 1u);
  ASSERT_TRUE(problems.count(L"qzxbook.chm/0"));
  EXPECT_EQ(problems.at(L"qzxbook.chm/0").EntryType, 25);
  EXPECT_EQ(problems.at(L"qzxbook.chm/0").ValueData, L"C:\\QzxHelp\\");
}

TEST(HelpFiles, KeysThatCannotBeOpenedForWritingAreNotExamined) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\Help]
"qzxguide.hlp"="C:\\QzxHelp"
)");
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\Help", KEY_WOW64_64KEY,
                                  mx::reg::KeyAccess::ReadOnly),
            ERROR_SUCCESS);
  EXPECT_TRUE(ScanByValueAndView().empty());
}

TEST(HelpFiles, SampleRegistryHasNoHelpListsAndAnInjectedOneIsReported) {
  TestPrefix prefix = TestPrefix::FromFixture();
  EXPECT_TRUE(ScanByValueAndView().empty());

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\Help]
"qzxguide.hlp"="C:\\QzxHelp"
)");
  // the 32-bit view has no help list of its own in this registry
  const auto problems = ScanByValueAndView();
  ASSERT_EQ(problems.size(), 1u);
  const CProblem& problem = problems.begin()->second;
  EXPECT_EQ(problem.EntryType, 24);
  EXPECT_EQ(problem.Key, kHelpKey);
  EXPECT_EQ(problem.ValueName, L"qzxguide.hlp");
  EXPECT_EQ(problem.ValueData, L"C:\\QzxHelp\\");
  EXPECT_EQ(problem.m_n32BitEntry, 0);
}

}  // namespace
