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
)");
  const auto injected = Scan();
  EXPECT_EQ(Lines(injected),
            std::vector<std::string>{"0 0 HKEY_CLASSES_ROOT\\CLSID\\{5A3C0E21-7B44-4C9E-9D1A-2F6B8E0C4D17}\\InprocServer32 []=C:\\Qzx\\qzxcom.dll"
            " | Qzx Widget | InprocServer32"});
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

}  // namespace
