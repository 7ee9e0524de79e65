#include "scan/categories/AppPaths.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/ProblemLookup.h"
#include "scan/support/ProgressStop.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kUserAppPaths = L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::wstring kMachineAppPaths = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::wstring kApplications = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Applications\\";

using mxtest::KeyAndView;
using mxtest::WithView;

std::map<std::wstring, CProblem> ScanByKeyAndView(bool skipEmptyKeys = false) {
  mxtest::ScanSettings settings;
  settings.skipEmptyKeys = skipEmptyKeys;
  return mxtest::ScanIndexed<CAppPaths>(KeyAndView, settings);
}

TEST(AppPaths, JudgesEachKindOfEntryByItsDefaultValueFirst) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\qzxok.exe");
  prefix.createFile(L"C:\\Qzx\\bin\\other.exe");
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxview.exe]
@="C:\\Qzx\\qzxview.exe"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxok.exe]
@="\"C:\\Qzx\\qzxok.exe\" /tray"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxnone.exe]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxnone.exe\Sub]
"X"="y"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxblank.exe]
@=""
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxblanksub.exe]
@=""
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxblanksub.exe\Sub]
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxdir.exe]
@=""
"PATH"="C:\\Qzx\\bin"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxdirok.exe]
@="C:\\Qzx\\qzxok.exe"
"Path"="C:\\Gone"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxodd.exe]
@=dword:00000001
)");
  // the view walks of 64-bit Windows report empty entries whatever the setting
  const auto problems = ScanByKeyAndView(true);

  struct Expected {
    const wchar_t* entry;
    int type;
    const wchar_t* data;
    size_t details;
  };
  const Expected kExpected[] = {
      {L"qzxview.exe", 13, L"C:\\Qzx\\qzxview.exe", 1},
      {L"qzxnone.exe", 14, L"", 1},
      {L"qzxblank.exe", 1, L"", 2},
      {L"qzxdir.exe", 13, L"C:\\Qzx\\bin\\qzxdir.exe", 1},
  };
  ASSERT_EQ(problems.size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    const std::wstring id = WithView(kUserAppPaths + e.entry, 0);
    ASSERT_TRUE(problems.count(id)) << mx::WideToUtf8(e.entry);
    const CProblem& problem = problems.at(id);
    EXPECT_EQ(problem.EntryType, e.type) << mx::WideToUtf8(e.entry);
    EXPECT_EQ(problem.ValueData, e.data);
    EXPECT_EQ(problem.ValueName, L"");
    EXPECT_EQ(problem.AlternateKey, L"");
    ASSERT_EQ(problem.m_arrDetails.size(), e.details);
    for (const std::wstring& detail : problem.m_arrDetails) EXPECT_EQ(detail, e.entry);
  }
}

TEST(AppPaths, MachineEntriesAreJudgedInBothViewsUserEntriesOnce) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzx64.exe]
@="C:\\Qzx\\qzx64.exe"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxuser.exe]
@="C:\\Qzx\\qzxuser.exe"
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzx32.exe]
@="C:\\Qzx\\qzx32.exe"
)");

  // App Paths is one key that both views share: whichever view wrote an entry, each view reports it
  const auto problems = ScanByKeyAndView();
  EXPECT_EQ(problems.size(), 5u);
  for (int is32Bit : {0, 1}) {
    EXPECT_TRUE(problems.count(WithView(kMachineAppPaths + L"qzx64.exe", is32Bit))) << is32Bit;
    EXPECT_TRUE(problems.count(WithView(kMachineAppPaths + L"qzx32.exe", is32Bit))) << is32Bit;
  }
  EXPECT_TRUE(problems.count(WithView(kUserAppPaths + L"qzxuser.exe", 0)));
}

TEST(AppPaths, OnWin32EmptyEntriesFollowTheSkipSetting) {
  TestPrefix prefix(Arch::Win32);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxnone.exe]
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxblank.exe]
@=""
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxview.exe]
@="C:\\Qzx\\qzxview.exe"
)");
  for (bool skip : {true, false}) {
    const auto problems = ScanByKeyAndView(skip);
    EXPECT_TRUE(problems.count(WithView(kMachineAppPaths + L"qzxview.exe", 0)));
    EXPECT_EQ(problems.count(WithView(kMachineAppPaths + L"qzxnone.exe", 0)), skip ? 0u : 1u);
    EXPECT_EQ(problems.count(WithView(kMachineAppPaths + L"qzxblank.exe", 0)), skip ? 0u : 1u);
  }
}

TEST(AppPaths, ApplicationsVerbIsReportedWithTheSmallestKeyThatHoldsOnlyIt) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\qzxgood.exe");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxpaint.exe\shell\open\command]
@="C:\\Qzx\\qzxpaint.exe \"%1\""
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxtwo.exe\shell\open\command]
@="C:\\Qzx\\qzxtwo.exe \"%1\""
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxtwo.exe\shell\edit\command]
@="C:\\Qzx\\qzxgood.exe \"%1\""
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxdde.exe\shell\open\command]
@="C:\\Qzx\\qzxdde.exe"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxdde.exe\shell\open\ddeexec]
@="[open]"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxtypes.exe\shell\open\command]
@="C:\\Qzx\\qzxtypes.exe"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxtypes.exe\SupportedTypes]
".qzx"=""
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxempty.exe\shell\open\command]
@=""
)");

  const auto problems = ScanByKeyAndView();
  struct Expected {
    std::wstring key;
    const wchar_t* data;
    const wchar_t* application;
  };
  const Expected kExpected[] = {
      {kApplications + L"qzxpaint.exe", L"C:\\Qzx\\qzxpaint.exe \"%1\"", L"qzxpaint.exe"},
      {kApplications + L"qzxtwo.exe\\shell\\open", L"C:\\Qzx\\qzxtwo.exe \"%1\"", L"qzxtwo.exe"},
      {kApplications + L"qzxdde.exe\\shell\\open\\command", L"C:\\Qzx\\qzxdde.exe", L"qzxdde.exe"},
      {kApplications + L"qzxtypes.exe\\shell\\open", L"C:\\Qzx\\qzxtypes.exe", L"qzxtypes.exe"},
  };
  // the Applications key is shared by both views, so each command is reported once per view
  EXPECT_EQ(problems.size(), 2 * std::size(kExpected));
  for (const Expected& e : kExpected) {
    for (int is32Bit : {0, 1}) {
      const std::wstring id = WithView(e.key, is32Bit);
      ASSERT_TRUE(problems.count(id)) << mx::WideToUtf8(id);
      const CProblem& problem = problems.at(id);
      EXPECT_EQ(problem.EntryType, 13);
      EXPECT_EQ(problem.ValueData, e.data);
      EXPECT_EQ(problem.m_arrDetails, std::vector<std::wstring>{e.application});
    }
  }
}

TEST(AppPaths, AStopDuringTheApplicationsChecksEndsAsStopped) {
  TestPrefix prefix(Arch::Win64);
  std::wstring reg;
  for (int i = 0; i < 27; ++i)
    reg += L"[HKEY_LOCAL_MACHINE\\Software\\Classes\\Applications\\qzx" + std::to_wstring(i) + L".exe]\n";
  prefix.import(reg);

  mxtest::StopAtShownProgress stop;  // at the last application of the 64-bit view
  CAppPaths category;
  category.m_pStopEvent = stop.event();
  int result = 0;
  mxtest::RunCategoryScan(category, {}, &result);
  EXPECT_EQ(result, 2);
}

TEST(AppPaths, FixtureWithInjectedEntriesReportsThemInBothViews) {
  TestPrefix prefix = TestPrefix::FromFixture();
  // its one App Paths entry and its one Applications command name programs that exist
  EXPECT_TRUE(ScanByKeyAndView().empty());

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxview.exe]
@="C:\\Qzx\\qzxview.exe"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxpaint.exe\shell\open\command]
@="C:\\Qzx\\qzxpaint.exe \"%1\""
)");
  int result = 0;
  const auto problems = mxtest::ScanIndexed<CAppPaths>(KeyAndView, {}, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(problems.size(), 4u);
  for (int is32Bit : {0, 1}) {
    const std::wstring view = WithView(kMachineAppPaths + L"qzxview.exe", is32Bit);
    ASSERT_TRUE(problems.count(view)) << is32Bit;
    EXPECT_EQ(problems.at(view).EntryType, 13);
    EXPECT_EQ(problems.at(view).ValueData, L"C:\\Qzx\\qzxview.exe");
    EXPECT_EQ(problems.at(view).GetDetail(0), L"qzxview.exe");
    const std::wstring paint = WithView(kApplications + L"qzxpaint.exe", is32Bit);
    ASSERT_TRUE(problems.count(paint)) << is32Bit;
    EXPECT_EQ(problems.at(paint).EntryType, 13);
  }
}

}  // namespace
