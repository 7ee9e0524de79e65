#include "scan/categories/Shortcuts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/ProblemLookup.h"
#include "scan/support/ProgressStop.h"
#include "scan/support/ShortcutFiles.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::TestPrefix;
using mxtest::WriteShortcut;

const std::wstring kDesktop = L"C:\\users\\root\\Desktop\\";
const std::wstring kRoaming = L"C:\\users\\root\\AppData\\Roaming\\";
const std::wstring kRecent = L"C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Recent\\";

std::map<std::wstring, CProblem> ScanByKey(const mxtest::ScanSettings& settings = {}) {
  return mxtest::ScanIndexed<CShortcuts>([](const CProblem& problem) { return problem.Key; }, settings);
}

TEST(Shortcuts, ReportsShortcutsWhoseTargetIsMissing) {
  TestPrefix prefix = TestPrefix::FromFixture();
  prefix.createFile(L"C:\\Qzx\\here.exe");
  prefix.createFile(L"C:\\Qzx\\docs\\readme.txt");
  WriteShortcut(prefix, kDesktop + L"Qzx Notes.lnk", "C:\\Qzx\\qzxnotes.exe");
  WriteShortcut(prefix, kDesktop + L"Qzx Here.lnk", "C:\\Qzx\\here.exe");
  WriteShortcut(prefix, kDesktop + L"Qzx Docs.lnk", "C:\\Qzx\\docs");
  WriteShortcut(prefix, kDesktop + L"Qzx Old Docs.lnk", "C:\\Qzx\\olddocs");
  WriteShortcut(prefix, kDesktop + L"QzxSub\\Deeper\\Qzx Deep.lnk", "C:\\Qzx\\deep.exe");
  prefix.createFile(kDesktop + L"Qzx Damaged.lnk", "L\0\0\0 not a shortcut at all");
  prefix.createFile(kDesktop + L"Qzx Cut.lnk", mxtest::LinkBuilder().localPath("C:\\Qzx\\cut.exe", "").build().substr(0, 90));
  // the recent items lie inside the roaming folder: only they are searched
  WriteShortcut(prefix, kRecent + L"Qzx Recent.lnk", "C:\\Qzx\\recent.qzx");
  WriteShortcut(prefix, kRoaming + L"Qzx\\Qzx Roaming.lnk", "C:\\Qzx\\roaming.exe");

  int result = 0;
  const auto problems = mxtest::ScanIndexed<CShortcuts>([](const CProblem& p) { return p.Key; }, {}, &result);
  EXPECT_EQ(result, 1);

  struct Expected {
    std::wstring key, name, target;
  };
  const Expected kExpected[] = {
      {L"c:\\users\\root\\desktop\\Qzx Notes.lnk", L"Qzx Notes", L"C:\\Qzx\\qzxnotes.exe"},
      {L"c:\\users\\root\\desktop\\Qzx Old Docs.lnk", L"Qzx Old Docs", L"C:\\Qzx\\olddocs"},
      {L"c:\\users\\root\\desktop\\QzxSub\\Deeper\\Qzx Deep.lnk", L"Qzx Deep", L"C:\\Qzx\\deep.exe"},
      {L"c:\\users\\root\\appdata\\roaming\\microsoft\\windows\\recent\\Qzx Recent.lnk", L"Qzx Recent",
       L"C:\\Qzx\\recent.qzx"},
  };
  ASSERT_EQ(problems.size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    ASSERT_TRUE(problems.count(e.key)) << mx::WideToUtf8(e.key);
    const CProblem& problem = problems.at(e.key);
    EXPECT_EQ(problem.EntryType, 34);
    EXPECT_EQ(problem.ValueName, L"");
    EXPECT_EQ(problem.ValueData, L"");
    EXPECT_EQ(problem.AlternateKey, L"");
    EXPECT_EQ(problem.m_n32BitEntry, 0);
    EXPECT_EQ(problem.m_arrDetails, (std::vector<std::wstring>{e.name, e.key, e.target}));
  }
}

TEST(Shortcuts, TargetsOfOtherKindsAreNeverReported) {
  TestPrefix prefix = TestPrefix::FromFixture();
  struct Case {
    const wchar_t* name;
    const char* target;
    bool reportedWhenMediaChecked;  // SetChkREmovableMedia off
  };
  const Case kCases[] = {
      {L"help", "hcp://services/centers/support", false},
      {L"share", "\\\\qzxserver\\tools\\qzx.exe", false},
      {L"shell object", "{20D04FE0-3AEA-1069-A2D8-08002B30309D}", false},
      {L"advertised", "C:\\Windows\\Installer\\{4F2A7C11-0B3D-4E55-9A61-2C8D7E3F1A90}\\qzx.ico", false},
      {L"unmapped drive", "Q:\\Qzx\\qzx.exe", true},
      {L"fixed drive", "C:\\Qzx\\qzx.exe", true},
  };
  for (const Case& c : kCases) WriteShortcut(prefix, kDesktop + c.name + L".lnk", c.target);

  for (const bool removableMediaValid : {true, false}) {
    mxtest::ScanSettings settings;
    settings.removableMediaValid = removableMediaValid;
    const auto problems = ScanByKey(settings);
    for (const Case& c : kCases) {
      const bool expected = c.reportedWhenMediaChecked && (!removableMediaValid || std::wstring(c.name) == L"fixed drive");
      EXPECT_EQ(problems.count(L"c:\\users\\root\\desktop\\" + std::wstring(c.name) + L".lnk"), expected ? 1u : 0u)
          << mx::WideToUtf8(c.name) << " with removable media valid=" << removableMediaValid;
    }
  }
}

TEST(Shortcuts, ShortcutPathsLongerThan225CharactersAreIgnored) {
  TestPrefix prefix = TestPrefix::FromFixture();
  const std::wstring folder = kDesktop + std::wstring(120, L'q') + L"\\";
  const std::wstring keyFolder = mx::ToLower(kDesktop) + std::wstring(120, L'q') + L"\\";
  const size_t room = 225 - keyFolder.size() - 4;  // a name that makes the path exactly 225 characters
  const std::wstring fits = std::wstring(room, L'a') + L".lnk";
  const std::wstring tooLong = std::wstring(room + 1, L'b') + L".lnk";
  WriteShortcut(prefix, folder + fits, "C:\\Qzx\\gone.exe");
  WriteShortcut(prefix, folder + tooLong, "C:\\Qzx\\gone.exe");

  const auto problems = ScanByKey();
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems.begin()->first, keyFolder + fits);
  EXPECT_EQ(problems.begin()->first.size(), 225u);
}

TEST(Shortcuts, StopBetweenShortcutsEndsTheScan) {
  TestPrefix prefix = TestPrefix::FromFixture();
  for (int i = 0; i < 30; ++i)
    WriteShortcut(prefix, kDesktop + L"Qzx " + std::to_wstring(100 + i) + L".lnk", "C:\\Qzx\\gone.exe");

  mxtest::StopAtShownProgress stop;
  CShortcuts category;
  category.m_pStopEvent = stop.event();
  int result = 0;
  const auto problems = mxtest::RunCategoryScan(category, {}, &result);
  EXPECT_EQ(result, 2);
  // the 27th progress report asks for the stop, and the reference check it precedes no longer judges
  EXPECT_EQ(problems.size(), 26u);
}

TEST(Shortcuts, TheUntouchedSamplePrefixHasNoBrokenShortcut) {
  TestPrefix prefix = TestPrefix::FromFixture();
  EXPECT_TRUE(ScanByKey().empty());
}

}  // namespace
