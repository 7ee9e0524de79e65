#include "scan/categories/FileTypes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/LocalizedStrings.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/SystemInfo.h"
#include "scan/BackupSession.h"
#include "scan/Problem.h"
#include "scan/categories/DanglingProgIdRepair.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/ProgressStop.h"
#include "scan/support/RegistryProbe.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

// One line per problem: type, view, Key, value data and details, so a failing test shows the whole
// difference at once. Value names are always empty in this category and left out.
std::string Line(const CProblem& p) {
  std::wstring text = std::to_wstring(p.EntryType) + L" " + std::to_wstring(p.m_n32BitEntry) + L" " + p.Key;
  if (!p.ValueName.empty()) text += L" [" + p.ValueName + L"]";
  text += L" =" + p.ValueData;
  for (const auto& d : p.m_arrDetails) text += L" | " + d;
  return mx::WideToUtf8(text);
}

std::vector<std::string> Lines(const std::vector<CProblem>& problems) {
  std::vector<std::string> lines;
  for (const auto& p : problems) lines.push_back(Line(p));
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<CProblem> Scan(bool skipEmptyKeys = false, int* result = nullptr) {
  mxtest::ScanSettings settings;
  settings.skipEmptyKeys = skipEmptyKeys;
  return mxtest::ScanCategory<CFileTypes>(settings, result);
}

// A document type whose program, icon library and class are all gone.
constexpr const wchar_t* kBrokenDocumentType = LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxfile]
@="QzxDoc.File"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxDoc.File]
@="Qzx Document"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxDoc.File\shell\open\command]
@="C:\\Qzx\\qzxedit.exe \"%1\""
[HKEY_LOCAL_MACHINE\Software\Classes\QzxDoc.File\DefaultIcon]
@="C:\\Qzx\\qzxicons.dll,3"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxDoc.File\CLSID]
@="{2B9C4D61-0E7A-4F35-8C12-6A3D5E7F9B04}"
)";

TEST(FileTypes, UntouchedFixtureReportsNothingThenFindsWhatIsInjected) {
  TestPrefix prefix = TestPrefix::FromFixture();
  int result = 0;
  const auto start = std::chrono::steady_clock::now();
  const auto clean = Scan(false, &result);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  std::printf("both passes over the fixture's 416 class names: %lld ms\n", static_cast<long long>(ms.count()));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Lines(clean), std::vector<std::string>{});

  prefix.import(kBrokenDocumentType);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Classes\.qzxdoc]
@="QzxDoc.Missing"
)");
  const auto problems = Scan(false, &result);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Lines(problems),
            Sorted({
                "15 0 HKEY_CLASSES_ROOT\\.qzxdoc =QzxDoc.Missing | .QZXDOC file (*.qzxdoc) | .qzxdoc | "
                "HKEY_CLASSES_ROOT\\QzxDoc.Missing",
                "15 1 HKEY_CLASSES_ROOT\\.qzxdoc =QzxDoc.Missing | .QZXDOC file (*.qzxdoc) | .qzxdoc | "
                "HKEY_CLASSES_ROOT\\QzxDoc.Missing",
                "21 0 HKEY_CLASSES_ROOT\\QzxDoc.File\\shell\\open\\command =C:\\Qzx\\qzxedit.exe \"%1\" | Qzx Document | Open",
                "21 1 HKEY_CLASSES_ROOT\\QzxDoc.File\\shell\\open\\command =C:\\Qzx\\qzxedit.exe \"%1\" | Qzx Document | Open",
                "17 0 HKEY_CLASSES_ROOT\\QzxDoc.File\\DefaultIcon =C:\\Qzx\\qzxicons.dll,3 | Qzx Document",
                "19 0 HKEY_CLASSES_ROOT\\QzxDoc.File\\CLSID ={2B9C4D61-0E7A-4F35-8C12-6A3D5E7F9B04} | Qzx Document | "
                "HKEY_CLASSES_ROOT\\CLSID\\{2B9C4D61-0E7A-4F35-8C12-6A3D5E7F9B04}",
                "19 1 HKEY_CLASSES_ROOT\\QzxDoc.File\\CLSID ={2B9C4D61-0E7A-4F35-8C12-6A3D5E7F9B04} | Qzx Document | "
                "HKEY_CLASSES_ROOT\\CLSID\\{2B9C4D61-0E7A-4F35-8C12-6A3D5E7F9B04}",
            }));

  // The extension's own walk goes on to the class it names: nothing more is reported for .qzxfile itself, and
  // the problems come sorted by their first detail.
  ASSERT_FALSE(problems.empty());
  EXPECT_EQ(problems.front().GetDetail(0), L".QZXDOC file (*.qzxdoc)");
}

TEST(FileTypes, DanglingProgIdRepairKeepsWhatElseTheExtensionHolds) {
  TestPrefix prefix(Arch::Win64);
  enginetest::AddDataFolder(prefix);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Classes\.qzxdoc]
@="QzxDoc.Missing"
"Content Type"="application/x-qzx"
[HKEY_CURRENT_USER\Software\Classes\.qzxdoc\OpenWithProgids]
"QzxDoc.Other"=""
[HKEY_CURRENT_USER\Software\Classes\.qzxold]
@="QzxOld.Missing"
)");
  auto problems = Scan();
  ASSERT_EQ(Lines(problems),
            Sorted({
                "15 0 HKEY_CLASSES_ROOT\\.qzxdoc =QzxDoc.Missing | .QZXDOC file (*.qzxdoc) | .qzxdoc | "
                "HKEY_CLASSES_ROOT\\QzxDoc.Missing",
                "15 1 HKEY_CLASSES_ROOT\\.qzxdoc =QzxDoc.Missing | .QZXDOC file (*.qzxdoc) | .qzxdoc | "
                "HKEY_CLASSES_ROOT\\QzxDoc.Missing",
                "15 0 HKEY_CLASSES_ROOT\\.qzxold =QzxOld.Missing | .QZXOLD file (*.qzxold) | .qzxold | "
                "HKEY_CLASSES_ROOT\\QzxOld.Missing",
                "15 1 HKEY_CLASSES_ROOT\\.qzxold =QzxOld.Missing | .QZXOLD file (*.qzxold) | .qzxold | "
                "HKEY_CLASSES_ROOT\\QzxOld.Missing",
            }));

  BackupHolder holder;
  ASSERT_TRUE(BeginBackupSession(&holder));
  for (CProblem& problem : problems) {
    problem.m_pBackupHolder = &holder;
    EXPECT_TRUE(RepairDanglingProgId(problem)) << Line(problem);  // the second view finds its work done
  }
  EndBackupSession(&holder);

  using enginetest::KeyExists;
  using enginetest::StringValue;
  const wchar_t* doc = L"Software\\Classes\\.qzxdoc";
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, doc, L"", KEY_WOW64_64KEY), "<no value>");
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, doc, L"Content Type", KEY_WOW64_64KEY), "application/x-qzx");
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\.qzxdoc\\OpenWithProgids", KEY_WOW64_64KEY));
  // a key that held nothing but the ProgID goes
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\.qzxold", KEY_WOW64_64KEY));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L".qzxold", KEY_WOW64_32KEY));
  EXPECT_EQ(Lines(Scan()), std::vector<std::string>{});
}

TEST(FileTypes, VerbCommands) {
  TestPrefix prefix(Arch::Win64);
  mx::PinOsVersion(6, 1);
  prefix.createFile(L"C:\\Qzx\\present.exe");
  prefix.createFile(L"C:\\Qzx\\res.dll");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs]
@="Qzx Verbs"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\open\command]
@="C:\\Qzx\\gone.exe %1"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\edit\command]
@="\"C:\\Qzx\\present.exe\" \"%1\""
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\selfrun\command]
@="\"%1\" /run"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\delegate\command]
@="C:\\Qzx\\gone.exe"
"DelegateExecute"="{A3B4C5D6-E7F8-4A9B-8C0D-1E2F3A4B5C6D}"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\nodefault\command]
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\advertised\command]
"command"=hex(7):71,00,7a,00,78,00,21,00,00,00,00,00
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\print]
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\dropper\DropTarget]
"Clsid"="{A3B4C5D6-E7F8-4A9B-8C0D-1E2F3A4B5C6D}"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\named]
"MUIVerb"="@C:\\Qzx\\res.dll,-101"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxVerbs\shell\namedGone]
"MUIVerb"="@C:\\Qzx\\gone.dll,-101"
[HKEY_LOCAL_MACHINE\Software\Classes\qzxnodesc\shell\print]
)");
  const std::vector<std::string> commands = {
      "21 0 HKEY_CLASSES_ROOT\\QzxVerbs\\shell\\open\\command =C:\\Qzx\\gone.exe %1 | Qzx Verbs | Open",
      "21 1 HKEY_CLASSES_ROOT\\QzxVerbs\\shell\\open\\command =C:\\Qzx\\gone.exe %1 | Qzx Verbs | Open",
      "21 0 HKEY_CLASSES_ROOT\\QzxVerbs\\shell\\nodefault\\command = | Qzx Verbs | Nodefault",
      "21 1 HKEY_CLASSES_ROOT\\QzxVerbs\\shell\\nodefault\\command = | Qzx Verbs | Nodefault",
  };
  std::vector<std::string> all = commands;
  for (const char* view : {"0", "1"}) {
    all.push_back(std::string("22 ") + view + " HKEY_CLASSES_ROOT\\QzxVerbs\\shell\\print = | Qzx Verbs | Print | Command");
    all.push_back(std::string("22 ") + view +
                  " HKEY_CLASSES_ROOT\\QzxVerbs\\shell\\namedGone = | Qzx Verbs | NamedGone | Command");
    all.push_back(std::string("22 ") + view + " HKEY_CLASSES_ROOT\\qzxnodesc\\shell\\print = | qzxnodesc | Print | Command");
  }
  EXPECT_EQ(Lines(Scan()), Sorted(all));
  // verbs without a command are empty keys to the user's setting
  EXPECT_EQ(Lines(Scan(true)), Sorted(commands));

  // Before Windows Vista a delegate is no command at all.
  mx::PinOsVersion(5, 1);
  const auto xp = Lines(Scan(true));
  mx::PinOsVersion(0, 0);
  EXPECT_EQ(std::count_if(xp.begin(), xp.end(), [](const std::string& l) { return l.find("delegate") != l.npos; }), 2);
}

TEST(FileTypes, IconsAreReportedOnceAcrossTheViews) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\ok.dll");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\QzxSelf\DefaultIcon]
@="%1"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxOk\DefaultIcon]
@="\"C:\\Qzx\\ok.dll\",-2"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxGone]
@="Qzx Gone"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxGone\DefaultIcon]
@="C:\\Qzx\\gone.dll,3"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxBlank\DefaultIcon]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\QzxNoValue\DefaultIcon]
"Other"="x"
)");
  EXPECT_EQ(Lines(Scan()), Sorted({
                               "17 0 HKEY_CLASSES_ROOT\\QzxGone\\DefaultIcon =C:\\Qzx\\gone.dll,3 | Qzx Gone",
                               "18 0 HKEY_CLASSES_ROOT\\QzxBlank\\DefaultIcon = | QzxBlank",
                               "18 1 HKEY_CLASSES_ROOT\\QzxBlank\\DefaultIcon = | QzxBlank",
                               "18 0 HKEY_CLASSES_ROOT\\QzxNoValue\\DefaultIcon = | QzxNoValue",
                               "18 1 HKEY_CLASSES_ROOT\\QzxNoValue\\DefaultIcon = | QzxNoValue",
                           }));
}

TEST(FileTypes, ClassesAndHandlersCountWhenRegisteredInEitherView) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Classes\.qzx32]
@="Qzx32.File"
[HKEY_CURRENT_USER\Software\Classes\.qzx32\CLSID]
@="{6C1D2E3F-4A5B-4C6D-8E7F-9A0B1C2D3E4F}"
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File]
@="Qzx 32"
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File\ShellEx\ContextMenuHandlers\{7D2E3F4A-5B6C-4D7E-8F9A-0B1C2D3E4F5A}]
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File\ShellEx\ContextMenuHandlers\QzxMenu]
@="{7D2E3F4A-5B6C-4D7E-8F9A-0B1C2D3E4F5A}"
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File\ShellEx\ContextMenuHandlers\QzxOnly32]
@="{6C1D2E3F-4A5B-4C6D-8E7F-9A0B1C2D3E4F}"
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File\ShellEx\ContextMenuHandlers\QzxHalfBrace]
@="{8E3F4A5B-6C7D-4E8F-9A0B-1C2D3E4F5A6B"
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File\ShellEx\ContextMenuHandlers\QzxNoDefault]
"x"="y"
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File\ShellEx\ContextMenuHandlers\QzxNotAClass]
@="Qzx Menu"
[HKEY_CURRENT_USER\Software\Classes\Qzx32.File\ShellEx\ContextMenuHandlers\QzxLocked]
@="{6C1D2E3F-4A5B-4C6D-8E7F-9A0B1C2D3E4F}"
)");
  // the class of .qzx32 is registered for 32-bit programs only: neither pass calls it missing
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6C1D2E3F-4A5B-4C6D-8E7F-9A0B1C2D3E4F}]
@="Qzx 32-bit class"
)");
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_CLASSES_ROOT, L"Qzx32.File\\ShellEx\\ContextMenuHandlers\\QzxLocked",
                                  KEY_WOW64_64KEY, mx::reg::KeyAccess::Denied),
            ERROR_SUCCESS);
  std::vector<std::string> expected;
  for (const char* view : {"0", "1"}) {
    for (const char* handler : {"QzxMenu ={7D2E3F4A-5B6C-4D7E-8F9A-0B1C2D3E4F5A}",
                                "QzxHalfBrace ={8E3F4A5B-6C7D-4E8F-9A0B-1C2D3E4F5A6B"}) {
      const std::string text = handler;
      const std::string clsid = text.substr(text.find('=') + 1);
      expected.push_back(std::string("19 ") + view + " HKEY_CLASSES_ROOT\\Qzx32.File\\ShellEx\\ContextMenuHandlers\\" +
                         text + " | Qzx 32 | HKEY_CLASSES_ROOT\\CLSID\\" + clsid);
    }
  }
  // An administrator is never shown a key he could not repair: the unreadable handler key is for the others.
  EXPECT_EQ(Lines(Scan()), Sorted(expected));
  for (const char* view : {"0", "1"})
    expected.push_back(std::string("20 ") + view +
                       " HKEY_CLASSES_ROOT\\Qzx32.File\\ShellEx\\ContextMenuHandlers\\QzxLocked = | Qzx 32");
  mxtest::ScanSettings user;
  user.admin = false;
  EXPECT_EQ(Lines(mxtest::ScanCategory<CFileTypes>(user)), Sorted(expected));
}

// 32-bit Windows: one pass in the one view, which also looks at empty CLSID keys and at class shell keys
// without verbs.
TEST(FileTypes, NativePassEmptyKeysFollowTheSetting) {
  TestPrefix prefix(Arch::Win32);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxempty]
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxblank]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\QzxBare]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\QzxNoVerbs]
@="Qzx No Verbs"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxNoVerbs\shell]
[HKEY_LOCAL_MACHINE\Software\Classes\QzxUnnamed\shell]
[HKEY_LOCAL_MACHINE\Software\Classes\QzxEmptyClsid]
@="Qzx Empty Clsid"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxEmptyClsid\CLSID]
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxtext]
@="QzxEmptyClsid"
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxtext\CLSID]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxshell\shell]
[HKEY_LOCAL_MACHINE\Software\Classes\.qzxdenied]
@="QzxDenied"
[HKEY_LOCAL_MACHINE\Software\Classes\QzxDenied]
@="Qzx Denied"
)");
  // a ProgID the user may not open for writing still exists
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_CLASSES_ROOT, L"QzxDenied", 0, mx::reg::KeyAccess::ReadOnly), ERROR_SUCCESS);
  const std::string emptyKey = mx::WideToUtf8(GetLocalizedString(L"IDS_EMPTY_KEY"));
  EXPECT_EQ(Lines(Scan()), Sorted({
                               "1 0 HKEY_CLASSES_ROOT\\.qzxshell\\shell = | " + emptyKey +
                                   " | HKEY_CLASSES_ROOT\\.qzxshell\\shell",
                               "16 0 HKEY_CLASSES_ROOT\\.qzxempty = | .QZXEMPTY file (*.qzxempty)",
                               "16 0 HKEY_CLASSES_ROOT\\QzxBare = | QZXBARE",
                               "16 0 HKEY_CLASSES_ROOT\\QzxEmptyClsid\\CLSID = | QZXEMPTYCLSID",
                               "16 0 HKEY_CLASSES_ROOT\\.qzxtext\\CLSID = | .QZXTEXT",
                               "22 0 HKEY_CLASSES_ROOT\\QzxNoVerbs\\shell = | Qzx No Verbs | shell | shell1",
                               "22 0 HKEY_CLASSES_ROOT\\QzxUnnamed\\shell = | QzxUnnamed\\shell | shell | shell1",
                           }));
  EXPECT_EQ(Lines(Scan(true)), std::vector<std::string>{});
}

TEST(FileTypes, AStopDuringThe64BitPassEndsTheScan) {
  TestPrefix prefix(Arch::Win64);
  std::wstring reg;
  for (int i = 10; i < 40; ++i)
    reg += L"[HKEY_LOCAL_MACHINE\\Software\\Classes\\.qzx" + std::to_wstring(i) + L"]\n@=\"QzxGone" +
           std::to_wstring(i) + L"\"\n";
  prefix.import(reg);
  mxtest::StopAtShownProgress stop;
  CFileTypes category;
  category.m_pStopEvent = stop.event();
  int result = 0;
  const auto problems = mxtest::RunCategoryScan(category, {}, &result);
  EXPECT_EQ(result, 2);
  // the name whose progress report brought the stop is still examined; no 32-bit pass follows
  ASSERT_EQ(problems.size(), 27u);
  for (const CProblem& problem : problems) EXPECT_EQ(problem.m_n32BitEntry, 0);
}

}  // namespace
