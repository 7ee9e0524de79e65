#include "scan/categories/AppPaths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "platform/base/Text.h"
#include "platform/win/Sync.h"
#include "scan/Problem.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kUserAppPaths = L"HKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::wstring kMachineAppPaths = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const std::wstring kApplications = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Applications\\";

const CProblem* Find(const CCategory& category, const std::wstring& key, int is32Bit = 0) {
  for (const auto& problem : category.m_arrProblems)
    if (problem->Key == key && problem->m_n32BitEntry == is32Bit) return problem.get();
  return nullptr;
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
  SetChkSkipEmptyKeys = 1;  // the view walks of 64-bit Windows report empty entries whatever the setting

  CAppPaths category;
  EXPECT_EQ(category.Scan(), 1);

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
  ASSERT_EQ(category.m_arrProblems.size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    const CProblem* problem = Find(category, kUserAppPaths + e.entry);
    ASSERT_NE(problem, nullptr) << mx::WideToUtf8(e.entry);
    EXPECT_EQ(problem->EntryType, e.type) << mx::WideToUtf8(e.entry);
    EXPECT_EQ(problem->ValueData, e.data);
    EXPECT_EQ(problem->ValueName, L"");
    EXPECT_EQ(problem->AlternateKey, L"");
    ASSERT_EQ(problem->m_arrDetails.size(), e.details);
    for (const std::wstring& detail : problem->m_arrDetails) EXPECT_EQ(detail, e.entry);
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

  CAppPaths category;
  EXPECT_EQ(category.Scan(), 1);
  EXPECT_NE(Find(category, kMachineAppPaths + L"qzx64.exe", 0), nullptr);
  EXPECT_NE(Find(category, kMachineAppPaths + L"qzx32.exe", 1), nullptr);
  EXPECT_NE(Find(category, kUserAppPaths + L"qzxuser.exe", 0), nullptr);
  EXPECT_EQ(Find(category, kUserAppPaths + L"qzxuser.exe", 1), nullptr);
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
  for (DWORD skip : {1u, 0u}) {
    SetChkSkipEmptyKeys = skip;
    CAppPaths category;
    EXPECT_EQ(category.Scan(), 1);
    EXPECT_NE(Find(category, kMachineAppPaths + L"qzxview.exe"), nullptr);
    EXPECT_EQ(Find(category, kMachineAppPaths + L"qzxnone.exe") != nullptr, skip == 0);
    EXPECT_EQ(Find(category, kMachineAppPaths + L"qzxblank.exe") != nullptr, skip == 0);
  }
  SetChkSkipEmptyKeys = 1;
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

  CAppPaths category;
  EXPECT_EQ(category.Scan(), 1);
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
  size_t native = 0;
  for (const auto& problem : category.m_arrProblems) native += problem->m_n32BitEntry == 0;
  EXPECT_EQ(native, std::size(kExpected));
  for (const Expected& e : kExpected) {
    const CProblem* problem = Find(category, e.key);
    ASSERT_NE(problem, nullptr) << mx::WideToUtf8(e.key);
    EXPECT_EQ(problem->EntryType, 13);
    EXPECT_EQ(problem->ValueData, e.data);
    EXPECT_EQ(problem->GetDetail(0), e.application);
  }
}

TEST(AppPaths, AStopDuringTheApplicationsChecksEndsAsStopped) {
  TestPrefix prefix(Arch::Win64);
  std::wstring reg;
  for (int i = 0; i < 27; ++i)
    reg += L"[HKEY_LOCAL_MACHINE\\Software\\Classes\\Applications\\qzx" + std::to_wstring(i) + L".exe]\n";
  prefix.import(reg);

  win::UniqueHandle stop(win::CreateEvent(nullptr, TRUE, FALSE, nullptr));
  HANDLE stopHandle = stop.get();
  // the 27th progress report is the first that reaches the window provider: the last 64-bit application
  ResetScanProgressCounter();
  SetScanProgressWindowProvider([stopHandle]() -> HWND {
    win::SetEvent(stopHandle);
    return nullptr;
  });
  CAppPaths category;
  category.m_pStopEvent = &stopHandle;
  EXPECT_EQ(category.Scan(), 2);
  SetScanProgressWindowProvider(nullptr);
}

TEST(AppPaths, FixtureWithInjectedEntriesReportsThemInBothViews) {
  TestPrefix prefix = TestPrefix::FromFixture();
  CAppPaths clean;
  EXPECT_EQ(clean.Scan(), 1);
  EXPECT_TRUE(clean.m_arrProblems.empty()) << mx::WideToUtf8(clean.m_arrProblems.front()->Key);

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\App Paths\qzxview.exe]
@="C:\\Qzx\\qzxview.exe"
[HKEY_LOCAL_MACHINE\Software\Classes\Applications\qzxpaint.exe\shell\open\command]
@="C:\\Qzx\\qzxpaint.exe \"%1\""
)");
  CAppPaths category;
  EXPECT_EQ(category.Scan(), 1);
  EXPECT_EQ(category.m_arrProblems.size(), 4u);
  for (int is32Bit : {0, 1}) {
    const CProblem* view = Find(category, kMachineAppPaths + L"qzxview.exe", is32Bit);
    ASSERT_NE(view, nullptr) << is32Bit;
    EXPECT_EQ(view->EntryType, 13);
    EXPECT_EQ(view->ValueData, L"C:\\Qzx\\qzxview.exe");
    EXPECT_EQ(view->GetDetail(0), L"qzxview.exe");
    const CProblem* paint = Find(category, kApplications + L"qzxpaint.exe", is32Bit);
    ASSERT_NE(paint, nullptr) << is32Bit;
    EXPECT_EQ(paint->EntryType, 13);
  }
}

}  // namespace
