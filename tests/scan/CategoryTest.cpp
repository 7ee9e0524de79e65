#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "app/AppSettings.h"
#include "platform/registry/RegistryControl.h"
#include "platform/shell/LinkBuilder.h"
#include "platform/system/Environment.h"
#include "scan/Category.h"
#include "scan/support/CategoryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::ScanSettings;
using mxtest::StubCategory;

const wchar_t kGuidAll[] = L"{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e41}";
const wchar_t kGuidClassOnly[] = L"{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e42}";

class EmptyKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Empty]
[HKEY_LOCAL_MACHINE\Software\QzxVendor\OnlyEmptyDefault]
@=""
[HKEY_LOCAL_MACHINE\Software\QzxVendor\OneNamedValue]
"Name"="x"
[HKEY_LOCAL_MACHINE\Software\QzxVendor\TwoValues]
@=""
"Name"="x"
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Parent\Child]
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Skipped]
[HKEY_LOCAL_MACHINE\Software\QzxVendor\AutoUpdate]
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Classes\{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e41}]
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Classes\{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e42}]
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e41}]
@="x"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e41}]
@="x"
[HKEY_LOCAL_MACHINE\Software\Classes\Interface\{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e41}]
@="x"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6a1f0c11-7e2d-4b5a-9c3e-5f0d2b7a9e42}]
@="x"
)");
    prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Empty32]
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Filled32]
"Name"="x"
"Other"="y"
)");
  }

  // Keys of the problems of a recursive walk of QzxVendor in both views.
  std::vector<std::pair<std::wstring, int>> Walk(bool recursive, const ScanSettings& settings = {}) {
    StubCategory category([&](StubCategory& self) {
      const std::vector<std::wstring> skip = {L"qzxvendor\\skipped"};
      self.CheckEmptyKey(HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", true, skip, recursive);
      self.CheckEmptyKey(HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", false, skip, recursive);
      return 1;
    });
    std::vector<std::pair<std::wstring, int>> keys;
    for (const CProblem& p : mxtest::RunCategoryScan(category, settings)) {
      EXPECT_EQ(p.EntryType, 1);
      EXPECT_EQ(p.GetDetail(1), p.Key);
      keys.emplace_back(p.Key.substr(p.Key.rfind(L'\\') + 1), p.m_n32BitEntry);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
  }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
};

TEST_F(EmptyKeys, RecursiveWalkReportsLeafKeysPerViewWithTheirView) {
  const std::vector<std::pair<std::wstring, int>> expected = {
      {L"Child", 0}, {L"Empty", 0}, {L"Empty32", 1}, {L"OneNamedValue", 0}, {L"OnlyEmptyDefault", 0},
      {kGuidAll, 0},
  };
  EXPECT_EQ(Walk(true), expected);

  ScanSettings excluding;
  excluding.excludeList = {L"qzxvendor\\parent"};
  auto withoutChild = expected;
  withoutChild.erase(withoutChild.begin());
  EXPECT_EQ(Walk(true, excluding), withoutChild);
}

// A machine with one view has no 32-bit view: its entries must not claim one.
TEST(EmptyKeysOn32BitWindows, OneNativePassIsNeverMarkedThirtyTwoBit) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win32);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Empty]
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Named]
@="  C:\\Qzx\\tool.exe "
"Other"="x"
)");
  std::wstring text;
  EXPECT_TRUE(ReadRegString(text, HKEY_LOCAL_MACHINE, L"Software\\QzxVendor\\Named", L""));
  EXPECT_EQ(text, L"C:\\Qzx\\tool.exe");
  StubCategory category([](StubCategory& self) {
    self.CheckEmptyKey(HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", false, {}, true);
    return 1;
  });
  const auto problems = mxtest::RunCategoryScan(category);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Key, L"HKEY_LOCAL_MACHINE\\Software\\QzxVendor\\Empty");
  EXPECT_EQ(problems[0].m_n32BitEntry, 0);
}

TEST_F(EmptyKeys, NonRecursiveTestLooksOnlyAtTheKeyAndCountsAnEmptyDefaultAsAValue) {
  // The 32-bit mirror below a key is no child of it on 64-bit Windows: the key holds nothing.
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor\OnlyMirror\Wow6432Node]
"Name"="x"
)");
  StubCategory category([](StubCategory& self) {
    for (const wchar_t* name : {L"Empty", L"OnlyEmptyDefault", L"OneNamedValue", L"Parent", L"OnlyMirror"})
      EXPECT_FALSE(self.CheckEmptyKey(HKEY_LOCAL_MACHINE, std::wstring(L"Software\\QzxVendor\\") + name, true, {},
                                      false));
    EXPECT_TRUE(self.CheckEmptyKey(HKEY_LOCAL_MACHINE, L"Software\\QzxVendor\\Missing", true, {}, false));
    return 1;
  });
  const auto problems = mxtest::RunCategoryScan(category);
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0].Key, L"HKEY_LOCAL_MACHINE\\Software\\QzxVendor\\Empty");
  EXPECT_EQ(problems[0].ValueData, L"");
  EXPECT_EQ(problems[1].Key, L"HKEY_LOCAL_MACHINE\\Software\\QzxVendor\\OnlyMirror");
}

TEST_F(EmptyKeys, SkipEmptyKeysSettingAndProtectedAreasReportNothing) {
  ScanSettings skipping;
  skipping.skipEmptyKeys = true;
  EXPECT_TRUE(Walk(true, skipping).empty());

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\QzxEmpty]
[HKEY_CURRENT_USER\Software\QzxVendor\Shellex\QzxEmpty]
)");
  StubCategory category([](StubCategory& self) {
    self.CheckEmptyKey(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\QzxEmpty", true, {}, true);
    self.CheckEmptyKey(HKEY_CURRENT_USER, L"Software\\QzxVendor\\Shellex\\QzxEmpty", true, {}, true);
    return 1;
  });
  EXPECT_TRUE(mxtest::RunCategoryScan(category).empty());
}

TEST(CategoryEnumeration, SixtyFourBitViewHidesTheMirrorAndValueNamesSkipTheDefault) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor\Values]
"First"="1"
@="default after a named value"
"Second"="2"
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor]
"In32"="x"
)");
  HKEY key = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ | KEY_WOW64_64KEY, &key), ERROR_SUCCESS);
  std::vector<std::wstring> names;
  EXPECT_TRUE(EnumSubKeys(key, names));
  EXPECT_NE(std::find(names.begin(), names.end(), L"QzxVendor"), names.end());
  for (const auto& name : names) EXPECT_FALSE(mx::EqualsNoCase(name, L"Wow6432Node"));
  win::RegCloseKey(key);

  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software\\QzxVendor\\Values", 0, KEY_READ | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(EnumValueNames(key, names), 3);
  EXPECT_EQ(EnumValueNamesSkipDefault(key, names), 2);
  EXPECT_EQ(names, (std::vector<std::wstring>{L"First", L"Second"}));
  std::vector<std::wstring> none;
  EXPECT_FALSE(EnumSubKeys(key, none));
  win::RegCloseKey(key);
}

TEST(CategoryReaders, ViewFormsReadTheirOwnViewTrimmedAndOnlyStrings) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor]
"Path"="  C:\\Qzx\\64.exe  "
"Count"=dword:00000007
"Expand"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\QzxVendor]
"Path"="C:\\Qzx\\32.exe"
)");
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", KEY_WOW64_64KEY,
                                  mx::reg::KeyAccess::ReadOnly),
            ERROR_SUCCESS);
  std::wstring text = L"stale";
  EXPECT_TRUE(ReadRegString64(text, HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", L"Path"));
  EXPECT_EQ(text, L"C:\\Qzx\\64.exe");
  EXPECT_TRUE(ReadRegString32(text, HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", L"Path"));
  EXPECT_EQ(text, L"C:\\Qzx\\32.exe");
  EXPECT_TRUE(ReadRegString64(text, HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", L"Expand"));
  EXPECT_EQ(text, L"%TEMP%");
  EXPECT_TRUE(ReadRegString64(text, HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", L"Count"));
  EXPECT_EQ(text, L"");
  EXPECT_FALSE(ReadRegString64(text, HKEY_LOCAL_MACHINE, L"Software\\QzxMissing", L"Path"));
  // the native form belongs to 32-bit Windows
  text = L"stale";
  EXPECT_TRUE(ReadRegString(text, HKEY_LOCAL_MACHINE, L"Software\\QzxVendor", L"Path"));
  EXPECT_EQ(text, L"");
}

TEST(CommandPath, ExtractFilePathFromCommand) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  const std::wstring root = mx::ExpandEnvironment(L"%SystemRoot%");
  struct Case {
    std::wstring command, path;
  };
  const Case cases[] = {
      {L"", L""},
      {L"  \"C:\\Program Files\\Qzx\\app.exe\" /tray", L"C:\\Program Files\\Qzx\\app.exe"},
      {L"C:\\QZX\\APP.EXE /S", L"C:\\QZX\\APP.EXE"},
      {L"C:\\Qzx\\App.Exe,1", L"C:\\Qzx\\App.Exe"},
      {L"rundll32 C:\\Qzx\\a.dll,Entry", L"rundll32"},
      {L"%SystemRoot%\\system32\\qzx.dll,-3", root + L"\\system32\\qzx.dll"},
      {L"C:\\Qzx,Ltd\\app.exe", L"C:\\Qzx,Ltd\\app.exe"},
      {L"C:\\Program Files\\Qzx App\\tool.cpl", L"C:\\Program Files\\Qzx App\\tool.cpl"},
      {L"qzx.cpl some argument", L"qzx.cpl"},
      {L"\"C:\\Qzx\\b.ocx\"", L"C:\\Qzx\\b.ocx"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExtractFilePathFromCommand(c.command), c.path) << mx::WideToUtf8(c.command);
}

TEST(CategoryHelpers, SmallPathAndTextHelpers) {
  EXPECT_TRUE(IsGuidString(L"{abc"));
  EXPECT_TRUE(IsGuidString(L"abc}"));
  EXPECT_FALSE(IsGuidString(L""));
  EXPECT_FALSE(IsGuidString(L"abc"));

  std::wstring text = L"C:\\Qzx\\A.DLL,3";
  EXPECT_TRUE(CutAfterSubstring(text, L".dll"));
  EXPECT_EQ(text, L"C:\\Qzx\\A.DLL");
  EXPECT_FALSE(CutAfterSubstring(text, L".exe"));

  EXPECT_EQ(GetFileNamePart(L"C:\\Qzx\\a.exe"), L"a.exe");
  EXPECT_EQ(GetFileNamePart(L"a.exe"), L"a.exe");
  EXPECT_EQ(GetFolderPart(L"C:\\Qzx\\a.exe"), L"C:\\Qzx");
  EXPECT_EQ(GetFolderPart(L"a.exe"), L"");

  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\a.exe");
  EXPECT_EQ(GetPathKind(L"C:\\Qzx\\a.exe"), 1);
  EXPECT_EQ(GetPathKind(L"C:\\QZX"), 0);
  EXPECT_EQ(GetPathKind(L"C:\\Qzx\\gone.exe"), -1);
  EXPECT_TRUE(IsExistingFolder(L"c:\\qzx"));
}

TEST(CategoryHelpers, ShortcutTargetComesFromTheLinkFile) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\Tool.lnk", mxtest::LinkBuilder().localPath("C:\\Qzx\\", "tool.exe").build());
  prefix.createFile(L"C:\\Qzx\\Broken.lnk", "not a link");
  EXPECT_EQ(ResolveShortcutTarget(L"C:\\Qzx\\Tool.lnk"), L"C:\\Qzx\\tool.exe");
  EXPECT_EQ(ResolveShortcutTarget(L"C:\\Qzx\\Broken.lnk"), L"");
  EXPECT_EQ(ResolveShortcutTarget(L"C:\\Qzx\\Missing.lnk"), L"");
  EXPECT_EQ(ResolveShortcutTarget(L"C:\\" + std::wstring(300, L'a') + L".lnk"), L"");
}

TEST(ProblemSort, QuicksortByFirstDetailWithoutCase) {
  StubCategory category;
  category.SortProblems();  // empty: nothing to do
  auto add = [&](const wchar_t* detail) {
    auto p = std::make_unique<CProblem>();
    if (detail) p->m_arrDetails.push_back(detail);
    category.m_arrProblems.push_back(std::move(p));
  };
  add(L"b");
  category.SortProblems();
  ASSERT_EQ(category.m_arrProblems.size(), 1u);
  for (const wchar_t* detail :
       std::initializer_list<const wchar_t*>{L"\xFF41", L"C", L"a", nullptr, L"B", L"\x00C9", L"c", L"A", L"d"})
    add(detail);
  category.SortProblems();
  std::wstring order;
  for (const auto& p : category.m_arrProblems) order += p->GetDetail(0).empty() ? L"-" : mx::ToLower(p->GetDetail(0));
  EXPECT_EQ(order, L"-aabbccd\x00E9\xFF41");  // units beyond ASCII after it, by their numbers
  EXPECT_TRUE(category.FindProblem(0, L""));
  EXPECT_FALSE(category.FindProblem(1, L""));
}

// FindProblem answers from an index kept up with the list: problems added after a question are found, one
// taken out is not remembered, and the key's case counts.
// The order a sort gives equal details is Hoare's partition's own; the sort must give exactly that order, on
// lists of every shape: random details with many repeats, and two sorted runs (a category's two views), the
// shape that takes the partition the longest.
void HoareByText(std::vector<CProblem*>& list, std::vector<std::wstring>& keys, int lo, int hi) {
  const std::wstring pivot = keys[static_cast<size_t>((lo + hi) / 2)];
  int left = lo, right = hi;
  while (left <= right) {
    while (keys[static_cast<size_t>(left)] < pivot) ++left;
    while (pivot < keys[static_cast<size_t>(right)]) --right;
    if (left <= right) {
      std::swap(list[static_cast<size_t>(left)], list[static_cast<size_t>(right)]);
      std::swap(keys[static_cast<size_t>(left)], keys[static_cast<size_t>(right)]);
      ++left;
      --right;
    }
  }
  if (lo < right) HoareByText(list, keys, lo, right);
  if (left < hi) HoareByText(list, keys, left, hi);
}

TEST(ProblemSort, GivesEqualDetailsTheOrderOfHoaresPartition) {
  std::mt19937 random(11);
  for (int round = 0; round < 60; ++round) {
    const int count = 2 + static_cast<int>(random() % 400);
    std::vector<std::wstring> details;
    if (round % 3 == 0) {
      for (int view = 0; view < 2; ++view)
        for (int i = 0; i < count / 2; ++i) details.push_back(L"Missing File C:\\Vendor" + std::to_wstring(1000 + i));
    } else {
      for (int i = 0; i < count; ++i) details.push_back(L"D" + std::to_wstring(random() % (round % 3 == 1 ? 7 : 500)));
    }
    std::vector<std::unique_ptr<CProblem>> problems;
    for (const std::wstring& detail : details) {
      problems.push_back(std::make_unique<CProblem>());
      problems.back()->m_arrDetails.push_back(detail);
    }
    std::vector<CProblem*> expected;
    std::vector<std::wstring> keys;
    for (const auto& p : problems) {
      expected.push_back(p.get());
      keys.push_back(mx::ToLower(p->m_arrDetails.front()));
    }
    const int lo = round % 2, hi = static_cast<int>(problems.size()) - 1;
    if (lo < hi) HoareByText(expected, keys, lo, hi);
    SortProblemRange(problems, lo, hi);
    for (size_t i = 0; i < problems.size(); ++i) ASSERT_EQ(problems[i].get(), expected[i]) << "round " << round;
  }
}

TEST(ProblemSort, FindProblemFollowsTheListAsItChanges) {
  StubCategory category;
  auto add = [&](int type, const wchar_t* key) {
    auto p = std::make_unique<CProblem>();
    p->EntryType = type;
    p->Key = key;
    category.m_arrProblems.push_back(std::move(p));
  };
  add(3, L"HKEY_CLASSES_ROOT\\A\\DefaultIcon");
  EXPECT_TRUE(category.FindProblem(3, L"HKEY_CLASSES_ROOT\\A\\DefaultIcon"));
  EXPECT_FALSE(category.FindProblem(4, L"HKEY_CLASSES_ROOT\\A\\DefaultIcon"));
  EXPECT_FALSE(category.FindProblem(3, L"HKEY_CLASSES_ROOT\\a\\DefaultIcon"));
  add(3, L"HKEY_CLASSES_ROOT\\B\\DefaultIcon");
  EXPECT_TRUE(category.FindProblem(3, L"HKEY_CLASSES_ROOT\\B\\DefaultIcon"));
  category.m_arrProblems.erase(category.m_arrProblems.begin());
  EXPECT_FALSE(category.FindProblem(3, L"HKEY_CLASSES_ROOT\\A\\DefaultIcon"));
  EXPECT_TRUE(category.FindProblem(3, L"HKEY_CLASSES_ROOT\\B\\DefaultIcon"));
  add(5, L"K");
  EXPECT_TRUE(category.FindProblem(5, L"K"));
}

}  // namespace
