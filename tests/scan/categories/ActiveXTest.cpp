#include "scan/categories/ActiveX.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppSettings.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/win/Sync.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

// One line per problem: type, view, Key, value name, value data and details, so a failing test shows the
// whole difference at once.
std::wstring Line(const CProblem& p) {
  std::wstring text = std::to_wstring(p.EntryType) + L" " + std::to_wstring(p.m_n32BitEntry) + L" " + p.Key + L" [" +
                      p.ValueName + L"]=" + p.ValueData;
  for (const auto& d : p.m_arrDetails) text += L" | " + d;
  return text;
}

std::vector<std::string> Lines(const std::vector<CProblem>& problems) {
  std::vector<std::string> lines;
  for (const auto& p : problems) lines.push_back(mx::WideToUtf8(Line(p)));
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

// A text as a quoted .reg string: backslashes doubled.
std::wstring RegEscape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) out += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
  return out;
}

std::vector<CProblem> Scan(bool skipEmptyKeys = false, int* result = nullptr) {
  mxtest::ScanSettings settings;
  settings.skipEmptyKeys = skipEmptyKeys;
  return mxtest::ScanCategory<CActiveX>(settings, result);
}

TEST(ActiveX, UntouchedFixtureReportsNothingThenFindsWhatIsInjected) {
  TestPrefix prefix = TestPrefix::FromFixture();
  const auto start = std::chrono::steady_clock::now();
  int result = 0;
  const auto clean = Scan(false, &result);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  std::printf("both passes over the fixture's classes, libraries and interfaces: %lld ms\n",
              static_cast<long long>(ms.count()));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(Lines(clean), std::vector<std::string>{});

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}]
@="Qzx Widget"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\InprocServer32]
@="C:\\Qzx\\qzxcom.dll"
"ThreadingModel"="Both"
[HKEY_LOCAL_MACHINE\Software\Classes\AppID\qzxsrv.exe]
"AppID"="{0B7E2D44-91C3-4F2A-8E6D-3C5B7A9F1E20}"
[HKEY_LOCAL_MACHINE\Software\Classes\AppID\qzxok.exe]
"AppID"="{1C8F3E55-A2D4-4B3B-9F7E-4D6C8BA02F31}"
[HKEY_LOCAL_MACHINE\Software\Classes\AppID\{1C8F3E55-A2D4-4B3B-9F7E-4D6C8BA02F31}]
"AppID"="{2D904F66-B3E5-4C4C-A08F-5E7D9CB13042}"
[HKEY_LOCAL_MACHINE\Software\Classes\AppID\qzxodd.exe]
"AppID"=dword:00000001
)");
  // Application identifiers are shared by both views: each pass reports an executable's dangling
  // identifier, the 32-bit one under the view's own name. Identifier-named keys are targets, not references.
  const auto injected = Scan();
  EXPECT_EQ(Lines(injected),
            Sorted({"0 0 HKEY_CLASSES_ROOT\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\\InprocServer32 []="
                    "C:\\Qzx\\qzxcom.dll | Qzx Widget | InprocServer32",
                    "6 0 HKEY_CLASSES_ROOT\\AppID\\qzxsrv.exe [AppID]={0B7E2D44-91C3-4F2A-8E6D-3C5B7A9F1E20} | qzxsrv.exe",
                    "6 1 HKEY_CLASSES_ROOT\\Wow6432Node\\AppID\\qzxsrv.exe [AppID]={0B7E2D44-91C3-4F2A-8E6D-3C5B7A9F1E20}"
                    " | qzxsrv.exe"}));
}

// Class keys below are written in the 64-bit view (import) or the 32-bit view (import32) of a 64-bit machine.
const wchar_t* const kServerClasses = LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}]
@="Qzx Widget"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\InprocServer32]
@="C:\\Qzx\\qzxcom.dll"
"ThreadingModel"="Both"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28}]
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28}\LocalServer32]
@="\"C:\\Qzx\\qzxsrv.exe\" /automation"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}]
@="Qzx Present"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}\InprocServer32]
@="C:\\Qzx\\present.dll"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}\LocalServer32]
@="\"C:\\Program Files\\Qzx\\present.exe\" -Embedding"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}\InprocHandler32]
@="%SystemRoot%\\system32\\qzxhandler.dll"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{8D6F3B54-AE77-4FC1-805D-5B9EB13F704A}]
@="Qzx Twin"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{8D6F3B54-AE77-4FC1-805D-5B9EB13F704A}\InprocServer32]
@="C:\\windows\\system32\\qzxtwin.dll"
)";

TEST(ActiveX, ServersAreJudgedInEachViewWithThatViewsFolders) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\present.dll");
  prefix.createFile(L"C:\\Program Files\\Qzx\\present.exe");
  prefix.createFile(L"C:\\windows\\system32\\qzxhandler.dll");
  prefix.createFile(L"C:\\windows\\syswow64\\qzxtwin.dll");  // only the 32-bit folder has it
  prefix.import(kServerClasses);
  // The same classes in the 32-bit view; there the twin server is found through syswow64.
  prefix.import32(kServerClasses);
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{9E704C65-BF88-40D2-916E-6CAFC240815B}]
@="Qzx Only32"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{9E704C65-BF88-40D2-916E-6CAFC240815B}\InprocServer32]
@="C:\\Qzx\\only32.dll"
)");

  int result = 0;
  const auto problems = Scan(false, &result);
  EXPECT_EQ(result, 1);
  const std::string widget = " HKEY_CLASSES_ROOT\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\\InprocServer32 []="
                             "C:\\Qzx\\qzxcom.dll | Qzx Widget | InprocServer32";
  // a class without a name is described by its key; a quoted command with a switch is still checked
  const std::string quoted = " HKEY_CLASSES_ROOT\\CLSID\\{6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28}\\LocalServer32 []="
                             "\"C:\\Qzx\\qzxsrv.exe\" /automation | {6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28} | LocalServer32";
  EXPECT_EQ(Lines(problems),
            Sorted({
                "0 0" + widget,
                "0 1" + widget,
                "0 0" + quoted,
                "0 1" + quoted,
                "0 0 HKEY_CLASSES_ROOT\\CLSID\\{8D6F3B54-AE77-4FC1-805D-5B9EB13F704A}\\InprocServer32 []="
                "C:\\windows\\system32\\qzxtwin.dll | Qzx Twin | InprocServer32",
                "0 1 HKEY_CLASSES_ROOT\\CLSID\\{9E704C65-BF88-40D2-916E-6CAFC240815B}\\InprocServer32 []="
                "C:\\Qzx\\only32.dll | Qzx Only32 | InprocServer32",
            }));
}

TEST(ActiveX, OnA32BitMachineOnePassReportsEverythingAsNative) {
  TestPrefix prefix(Arch::Win32);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}]
@="Qzx Widget"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\InprocServer32]
@="C:\\Qzx\\qzxcom.dll"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\DefaultIcon]
@="C:\\Qzx\\qzxcom.ico"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\1.0]
@="Qzx Types"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\1.0\0\win64]
@="C:\\Qzx\\qzx64.tlb"
)");
  const std::string cls = " HKEY_CLASSES_ROOT\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}";
  // the icon file is tested here only; win64 entries are not
  EXPECT_EQ(Lines(Scan()), Sorted({
                               "0 0" + cls + "\\InprocServer32 []=C:\\Qzx\\qzxcom.dll | Qzx Widget | InprocServer32",
                               "0 0" + cls + "\\DefaultIcon []=C:\\Qzx\\qzxcom.ico | Qzx Widget | DefaultIcon",
                           }));
}

TEST(ActiveX, ReferencesToUnregisteredIdentifiersLibrariesAndHandlerClasses) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}]
@="Qzx Widget"
"AppID"="{0B7E2D44-91C3-4F2A-8E6D-3C5B7A9F1E20}"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\TypeLib]
@="{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ShellEx\ContextMenuHandlers\{E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B}]
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ShellEx\ContextMenuHandlers\QzxMenu]
@="{F2A3B4C5-D6E7-4F80-9BAC-1D2E3F4A5B6C}"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ShellEx\ContextMenuHandlers\QzxText]
@="not a class"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ShellEx\ContextMenuHandlers\{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}]
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28}]
@="Qzx Known"
"AppID"="{1C8F3E55-A2D4-4B3B-9F7E-4D6C8BA02F31}"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28}\TypeLib]
@="qzx.types"
[HKEY_LOCAL_MACHINE\Software\Classes\AppID\{1C8F3E55-A2D4-4B3B-9F7E-4D6C8BA02F31}]
@="Qzx Known"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{A0815D76-C099-41E3-A2C5-7DB0D351926C}]
@="Qzx Guarded"
"AppID"="{B1926E87-D1AA-42F4-B3D6-8EC1E462A37D}"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{A0815D76-C099-41E3-A2C5-7DB0D351926C}\TypeLib]
@="{C2A37F98-E2BB-4305-84E7-9FD2F573B48E}"
[HKEY_LOCAL_MACHINE\Software\Classes\AppID\{B1926E87-D1AA-42F4-B3D6-8EC1E462A37D}]
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{C2A37F98-E2BB-4305-84E7-9FD2F573B48E}]
)");
  // targets the user may not open exist as far as we can tell: never reported
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_CLASSES_ROOT, L"AppID\\{B1926E87-D1AA-42F4-B3D6-8EC1E462A37D}", KEY_WOW64_64KEY,
                                  mx::reg::KeyAccess::Denied),
            ERROR_SUCCESS);
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_CLASSES_ROOT, L"TypeLib\\{C2A37F98-E2BB-4305-84E7-9FD2F573B48E}", KEY_WOW64_64KEY,
                                  mx::reg::KeyAccess::Denied),
            ERROR_SUCCESS);
  // a handler class registered only in the 32-bit view still counts as registered
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}]
@="Qzx Handler"
)");

  const std::string cls = " HKEY_CLASSES_ROOT\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}";
  EXPECT_EQ(Lines(Scan()),
            Sorted({
                "2 0" + cls + " [AppID]={0B7E2D44-91C3-4F2A-8E6D-3C5B7A9F1E20} | Qzx Widget",
                "3 0" + cls + "\\TypeLib []={8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33} | Qzx Widget",
                "5 0" + cls + "\\ShellEx\\ContextMenuHandlers\\{E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B} []= | Qzx Widget"
                              " | HKEY_CLASSES_ROOT\\CLSID\\{E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B}"
                              " | {E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B}",
                "5 0" + cls + "\\ShellEx\\ContextMenuHandlers\\QzxMenu []= | Qzx Widget"
                              " | HKEY_CLASSES_ROOT\\CLSID\\{F2A3B4C5-D6E7-4F80-9BAC-1D2E3F4A5B6C}"
                              " | {F2A3B4C5-D6E7-4F80-9BAC-1D2E3F4A5B6C}",
            }));
}

TEST(ActiveX, HandlerReportsOfThe32BitPassNameTheirView) {
  TestPrefix prefix(Arch::Win64);
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}]
@="Qzx Widget"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ShellEx\ContextMenuHandlers\{E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B}]
)");
  EXPECT_EQ(Lines(Scan()),
            std::vector<std::string>{
                "5 1 HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\\ShellEx\\"
                "ContextMenuHandlers\\{E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B} []= | Qzx Widget"
                " | HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B}"
                " | {E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B}"});
}

// Keys that are empty, or whose only value is a named one, in both views.
const wchar_t* const kEmptyKeyClass = LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}]
@="Qzx Widget"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\InprocServer32]
"ThreadingModel"="Apartment"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\LocalServer32]
@=""
"Other"="x"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ProgID]
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ToolboxBitmap32]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\DefaultIcon]
"Other"="x"
)";

TEST(ActiveX, EmptyClassKeysFollowTheSkipSettingInBothViews) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(kEmptyKeyClass);
  prefix.import32(kEmptyKeyClass);
  const std::string cls = " HKEY_CLASSES_ROOT\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}";
  std::vector<std::string> expected;
  for (const char* view : {"0", "1"}) {
    expected.push_back(std::string("1 ") + view + cls + "\\InprocServer32 []= | Qzx Widget | InprocServer32");
    expected.push_back(std::string("1 ") + view + cls + "\\ProgID []= | Qzx Widget | ProgID");
    expected.push_back(std::string("1 ") + view + cls + "\\ToolboxBitmap32 []= | Qzx Widget | ToolboxBitmap32");
    // a DefaultIcon key without its default value is not an empty key: it is reported whatever the setting
    expected.push_back(std::string("4 ") + view + cls + "\\DefaultIcon []= | Qzx Widget");
  }
  EXPECT_EQ(Lines(Scan(false)), Sorted(expected));

  std::vector<std::string> iconsOnly;
  for (const char* view : {"0", "1"})
    iconsOnly.push_back(std::string("4 ") + view + cls + "\\DefaultIcon []= | Qzx Widget");
  EXPECT_EQ(Lines(Scan(true)), Sorted(iconsOnly));
}

TEST(ActiveX, ToolboxBitmapAndIconFilesOfThe64BitView) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\present.dll");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}]
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\ToolboxBitmap32]
@="C:\\Qzx\\gone.dll, 1"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\DefaultIcon]
@="C:\\Qzx\\gone.ico"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28}]
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{6B4D1F32-8C55-4DAF-AE2B-3F7C9F1D5E28}\ToolboxBitmap32]
@="C:\\Qzx\\present.dll,2"
)");
  // icons name files of either view, so the view passes leave them alone
  EXPECT_EQ(Lines(Scan()), std::vector<std::string>{
                               "42 0 HKEY_CLASSES_ROOT\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\\ToolboxBitmap32 []="
                               "C:\\Qzx\\gone.dll, 1 | {5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17} | ToolboxBitmap32"});
}

TEST(ActiveX, TypeLibraryFilesAndHelpFoldersOfEveryLocale) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\qzx.tlb");
  prefix.createFile(L"C:\\Qzx\\Help\\readme.txt");
  const std::wstring longPath = L"C:\\Qzx\\" + std::wstring(300, L'a') + L".tlb";
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\1.0]
@="Qzx Types"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\1.0\0\win32]
@="C:\\Qzx\\gone.tlb"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\1.0\0\win64]
@="C:\\Qzx\\qzx.tlb"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\1.0\409\win32]
@=""
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\1.0\HELPDIR]
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\2.0]
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\2.0\0\win64]
@="C:\\Qzx\\gone64.tlb"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\2.0\HELPDIR]
@="C:\\Qzx\\NoHelp"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\3.0]
@="Qzx Types 3"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\3.0\0\win32]
@="C:\\Qzx\\qzx.tlb"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\3.0\HELPDIR]
@="C:\\Qzx\\Help"
[HKEY_LOCAL_MACHINE\Software\Classes\TypeLib\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\4.0\HELPDIR]
@=""
"Other"="x"
)");
  // a file entry too long for the search buffer is neither searched nor reported
  prefix.import(L"[HKEY_LOCAL_MACHINE\\Software\\Classes\\TypeLib\\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}\\5.0\\0\\win32]\n@=\"" +
                RegEscape(longPath) + L"\"\n");

  // Type libraries are shared by both views, so each view's pass reports them once.
  const std::string lib = " HKEY_CLASSES_ROOT\\TypeLib\\{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}";
  std::vector<std::string> expected;
  for (const char* view : {"0 ", "1 "}) {
    expected.push_back("7 " + std::string(view) + lib.substr(1) + "\\1.0\\0\\win32 []=C:\\Qzx\\gone.tlb | Qzx Types | 1.0\\0\\win32");
    expected.push_back("9 " + std::string(view) + lib.substr(1) + "\\1.0\\409\\win32 []= | Qzx Types | 1.0\\409\\win32");
    expected.push_back("8 " + std::string(view) + lib.substr(1) + "\\1.0\\HELPDIR []= | Qzx Types | 1.0\\HELPDIR");
    expected.push_back("7 " + std::string(view) + lib.substr(1) + "\\2.0\\0\\win64 []=C:\\Qzx\\gone64.tlb |  | 2.0\\0\\win64");
    // an unnamed version is described by the library's key name
    expected.push_back("10 " + std::string(view) + lib.substr(1) + "\\2.0\\HELPDIR []=C:\\Qzx\\NoHelp"
                       " | {8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33} | 2.0\\HELPDIR");
  }
  EXPECT_EQ(Lines(Scan()), Sorted(expected));
}

TEST(ActiveX, InterfacesNamingUnregisteredClassesOrLibraries) {
  TestPrefix prefix(Arch::Win64);
  const std::wstring tooLong = L"{" + std::wstring(300, L'A') + L"}";
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Classes\Interface\{C4E9A2B7-5D13-4F86-B2A0-9E7D1C3F6B48}]
@="IQzxWidget"
[HKEY_LOCAL_MACHINE\Software\Classes\Interface\{C4E9A2B7-5D13-4F86-B2A0-9E7D1C3F6B48}\ProxyStubClsid32]
@="{E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B}"
[HKEY_LOCAL_MACHINE\Software\Classes\Interface\{C4E9A2B7-5D13-4F86-B2A0-9E7D1C3F6B48}\ProxyStubClsid]
@="{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}"
[HKEY_LOCAL_MACHINE\Software\Classes\Interface\{C4E9A2B7-5D13-4F86-B2A0-9E7D1C3F6B48}\TypeLib]
@="{8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33}"
"Version"="1.0"
[HKEY_LOCAL_MACHINE\Software\Classes\Interface\{D5FAB3C8-6E24-4097-83B1-AF8E2D4071C9}\OLEViewerIViewerCLSID]
@="{F2A3B4C5-D6E7-4F80-9BAC-1D2E3F4A5B6C}"
[HKEY_LOCAL_MACHINE\Software\Classes\CLSID\{7C5E2A43-9D66-4EB0-BF3C-4A8DA02E6F39}]
@="Qzx Proxy"
)");
  // a value too long for the query buffer counts as unreadable
  prefix.import(L"[HKEY_LOCAL_MACHINE\\Software\\Classes\\Interface\\{E60BC4D9-7F35-41A8-94C2-B09F3E5182DA}\\TypeLib]\n@=\"" +
                tooLong + L"\"\n");
  const std::string iface = "HKEY_CLASSES_ROOT\\Interface\\{C4E9A2B7-5D13-4F86-B2A0-9E7D1C3F6B48}";
  EXPECT_EQ(Lines(Scan()),
            Sorted({"11 0 " + iface + "\\ProxyStubClsid32 []={E1F2A3B4-C5D6-4E7F-8A9B-0C1D2E3F4A5B} | IQzxWidget",
                    "12 0 " + iface + "\\TypeLib []={8D2F6A10-3E5B-4C71-A9D4-6E0F2B8C5A33} | IQzxWidget",
                    // no default value on the interface key: an empty detail
                    "11 0 HKEY_CLASSES_ROOT\\Interface\\{D5FAB3C8-6E24-4097-83B1-AF8E2D4071C9}\\OLEViewerIViewerCLSID []="
                    "{F2A3B4C5-D6E7-4F80-9BAC-1D2E3F4A5B6C} | "}));
}

TEST(ActiveX, AStopDuringThe64BitPassEndsBeforeThe32BitPassAndLeavesTheOrder) {
  TestPrefix prefix(Arch::Win64);
  // 30 classes with missing servers whose names sort the other way round from their keys
  std::wstring reg;
  for (int i = 0; i < 30; ++i) {
    wchar_t guid[64];
    std::swprintf(guid, 64, L"{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D%02d}", i + 10);
    const std::wstring key = L"[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\" + std::wstring(guid);
    reg += key + L"]\n@=\"Qzx " + std::to_wstring(99 - i) + L"\"\n" + key + L"\\InprocServer32]\n@=\"C:\\\\Qzx\\\\gone.dll\"\n";
  }
  prefix.import(reg);
  prefix.import32(reg);

  win::UniqueHandle stop(win::CreateEvent(nullptr, TRUE, FALSE, nullptr));
  HANDLE stopHandle = stop.get();
  // the 27th progress report (the 27th class of the 64-bit pass) signals the stop
  ResetScanProgressCounter();
  SetScanProgressWindowProvider([stopHandle]() -> HWND {
    win::SetEvent(stopHandle);
    return nullptr;
  });
  CActiveX category;
  category.m_pStopEvent = &stopHandle;
  int result = 0;
  const auto problems = mxtest::RunCategoryScan(category, {}, &result);
  SetScanProgressWindowProvider(nullptr);

  EXPECT_EQ(result, 2);
  ASSERT_EQ(problems.size(), 26u);
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_EQ(problems[i].m_n32BitEntry, 0);
    EXPECT_EQ(problems[i].GetDetail(0), L"Qzx " + std::to_wstring(99 - static_cast<int>(i)));
  }
}

}  // namespace
