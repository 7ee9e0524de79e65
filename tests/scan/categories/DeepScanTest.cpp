#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/win/Sync.h"
#include "scan/categories/DeepScanCU.h"
#include "scan/categories/DeepScanLM.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EnglishTexts.h"
#include "scan/support/ProblemLookup.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

mxtest::ScanSettings SkipEmptyKeys(bool skip) {
  mxtest::ScanSettings settings;
  settings.skipEmptyKeys = skip;
  return settings;
}

// .reg data of the given type holding the text and its terminator ("hex(2):43,00,...").
std::wstring HexText(int type, const std::wstring& text, int terminators = 1) {
  std::wstring out = type == 3 ? L"hex:" : L"hex(" + std::to_wstring(type) + L"):";
  const wchar_t* digits = L"0123456789abcdef";
  std::wstring units = text + std::wstring(terminators, L'\0');
  for (size_t i = 0; i < units.size(); ++i) {
    for (unsigned byte : {units[i] & 0xFFu, (units[i] >> 8) & 0xFFu}) {
      out += digits[byte >> 4];
      out += digits[byte & 15];
      out += L',';
    }
  }
  out.pop_back();
  return out;
}

std::wstring NameAndView(const CProblem& p) { return mxtest::WithView(p.ValueName, p.m_n32BitEntry); }

}  // namespace

TEST(DeepScan, MachineWalkReportsMissingFilesInEachViewOutsideExcludedAreas) {
  TestPrefix prefix(Arch::Win64);
  mxtest::EnglishTextsScope texts;
  prefix.createFile(L"C:\\Qzx\\present.cfg");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\QzxSoft\Prefs]
"ConfFile"="C:\\Qzx\\conf\\qzx.cfg"
"Present"="C:\\Qzx\\present.cfg"
"Site"="http://x/y"
"Expand"=)" + HexText(2, L"C:\\Qzx\\expand\\gone.cfg") + LR"(
"Binary"=)" + HexText(3, L"C:\\Qzx\\b.cfg") + LR"(
"Multi"=)" + HexText(7, L"C:\\Qzx\\m.cfg", 2) + LR"(
"Number"=dword:00000001
[HKEY_LOCAL_MACHINE\SOFTWARE\Classes\CLSID\{3B8E2A41-6C5D-4E7F-9A0B-1C2D3E4F5A6B}\QzxPrefs]
"ConfFile"="C:\\Qzx\\conf\\qzx.cfg"
[HKEY_LOCAL_MACHINE\SOFTWARE\QzxSoft\Deep\A\B\C\D\E\F\G]
"Nested"="C:\\Qzx\\nested\\gone.cfg"
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\QzxSoft\Prefs]
"ConfFile"="C:\\Qzx\\conf\\qzx.cfg"
"Only32"="C:\\Qzx\\only32.cfg"
)");
  int result = 0;
  const auto problems = mxtest::ScanIndexed<CDeepScanLM>(NameAndView, SkipEmptyKeys(true), &result);
  EXPECT_EQ(result, 1);
  std::vector<std::wstring> ids;
  for (const auto& [id, problem] : problems) ids.push_back(id);
  EXPECT_EQ(ids, (std::vector<std::wstring>{L"ConfFile/0", L"ConfFile/1", L"Expand/0", L"Nested/0", L"Only32/1"}));

  const CProblem& conf = problems.at(L"ConfFile/0");
  EXPECT_EQ(conf.EntryType, 42);
  EXPECT_EQ(conf.Key, L"HKEY_LOCAL_MACHINE\\software\\QzxSoft\\Prefs");
  EXPECT_EQ(conf.ValueData, L"C:\\Qzx\\conf\\qzx.cfg");
  EXPECT_EQ(conf.AlternateKey, L"");
  const std::wstring missingFile = mxtest::EnglishText(L"IDS_ENG_MISSING_FILE");
  ASSERT_FALSE(missingFile.empty());
  EXPECT_EQ(conf.m_arrDetails, std::vector<std::wstring>{missingFile + conf.ValueData});
  EXPECT_EQ(problems.at(L"ConfFile/1").Key, conf.Key) << "the 32-bit view's problem names the same key text";
  EXPECT_EQ(problems.at(L"Nested/0").Key, L"HKEY_LOCAL_MACHINE\\software\\QzxSoft\\Deep\\A\\B\\C\\D\\E\\F\\G");

  // 32-bit Windows has one view: one walk, nothing marked as a 32-bit entry.
  TestPrefix win32(Arch::Win32);
  win32.import(LR"(
[HKEY_LOCAL_MACHINE\SOFTWARE\QzxSoft\Prefs]
"ConfFile"="C:\\Qzx\\conf\\qzx.cfg"
)");
  std::vector<std::wstring> win32Ids;
  for (const auto& [id, problem] : mxtest::ScanIndexed<CDeepScanLM>(NameAndView, SkipEmptyKeys(true)))
    win32Ids.push_back(id);
  EXPECT_EQ(win32Ids, std::vector<std::wstring>{L"ConfFile/0"});
}

TEST(DeepScan, UserWalkAlsoReadsBinaryTextAndReportsTypeFortyThree) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\QzxSoft]
"LastOpened"="C:\\Qzx\\docs\\gone.qzx"
"LastBinary"=)" + HexText(3, L"C:\\Qzx\\docs\\g.q") + LR"(
"Short"=hex:43,00
"Web"="https://x.example/y.qzx"
)");
  const auto problems = mxtest::ScanIndexed<CDeepScanCU>(NameAndView, SkipEmptyKeys(true));
  ASSERT_EQ(problems.size(), 2u);
  for (const auto& [id, problem] : problems) {
    EXPECT_EQ(problem.EntryType, 43) << mx::WideToUtf8(id);
    EXPECT_EQ(problem.Key, L"HKEY_CURRENT_USER\\Software\\QzxSoft");
    EXPECT_EQ(problem.m_n32BitEntry, 0);
  }
  EXPECT_EQ(problems.at(L"LastBinary/0").ValueData, L"C:\\Qzx\\docs\\g.q");
}

TEST(DeepScan, LooksLikePath) {
  struct Case {
    const wchar_t* text;
    bool path;
    const char* why;
  };
  const Case kCases[] = {
      {L"C:\\Qzx\\a.cfg", true, "drive path"},
      {L"http://x/y.exe", false, "web scheme"},
      {L"https://x/y", false, "six-letter scheme"},
      {L"res://qzx.dll/1", true, "res scheme goes to the file check"},
      {L"FILE://C:/qzx.txt", true, "file scheme, any case"},
      {L"ab://x", true, "a two-letter scheme is no scheme: it holds a colon"},
      {L"a\\b", true, "four characters with a backslash"},
      {L"a:b", true, "short text with a colon"},
      {L"abcd", false, "no separator"},
      {L"12 C:\\Qzx\\a.exe", false, "digit first and a drive later"},
      {L"x1 C:\\Qzx\\a.exe", false, "digit second and a drive later"},
      {L"xy C:\\Qzx\\a.exe", true, "letters before the drive"},
      {L"plain words", false, "no separator at all"},
  };
  CDeepScanLM category;
  for (const Case& c : kCases) EXPECT_EQ(category.LooksLikePath(c.text, false), c.path) << c.why;
  EXPECT_FALSE(category.LooksLikePath(L"C:\\Qzx\\a.cfg", true)) << "the skip flag wins";
}

TEST(DeepScan, EmptyKeysFollowTheSettingAndExcludedSubtreesAreNeverTested) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\QzxSoft\Empty\Leaf]
[HKEY_CURRENT_USER\Software\QzxSoft\Full]
"Name"="Qzx"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\FileExts\.qzxempty]
)");
  std::vector<std::wstring> keys;
  for (const CProblem& p : mxtest::ScanCategory<CDeepScanCU>(SkipEmptyKeys(false))) {
    EXPECT_EQ(p.EntryType, 1);
    keys.push_back(p.Key);
  }
  EXPECT_EQ(keys, std::vector<std::wstring>{L"HKEY_CURRENT_USER\\Software\\QzxSoft\\Empty\\Leaf"});
  EXPECT_TRUE(mxtest::ScanCategory<CDeepScanCU>(SkipEmptyKeys(true)).empty());
}

TEST(DeepScan, AKeyNestedFarDeeperThanTheStackWouldAllowIsWalked) {
  TestPrefix prefix(Arch::Win64);
  std::wstring path = L"Software\\QzxDeep";
  for (int level = 0; level < 400; ++level) path += L"\\k";
  prefix.import(L"[HKEY_CURRENT_USER\\" + path + L"]\n\"Gone\"=\"C:\\\\Qzx\\\\deep.cfg\"\n");
  const auto problems = mxtest::ScanCategory<CDeepScanCU>(SkipEmptyKeys(true));
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].Key, L"HKEY_CURRENT_USER\\" + path);
}

TEST(DeepScan, AStopRequestEndsBothWalksWithTwo) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\QzxSoft]
"LastOpened"="C:\\Qzx\\docs\\gone.qzx"
)");
  win::UniqueHandle stop(win::CreateEvent(nullptr, TRUE, TRUE, nullptr));
  HANDLE stopHandle = stop.get();
  CDeepScanLM machine;
  CDeepScanCU user;
  for (CDeepScan* category : {static_cast<CDeepScan*>(&machine), static_cast<CDeepScan*>(&user)}) {
    category->m_pStopEvent = &stopHandle;
    int result = 0;
    EXPECT_TRUE(mxtest::RunCategoryScan(*category, {}, &result).empty());
    EXPECT_EQ(result, 2);
  }
}

// Wine's own registry holds no dangling reference in the walked areas: its missing files (the font cache and
// server services, the paging file) lie under SYSTEM, and the bare font names under the excluded fonts key.
// Its empty keys are reported only while the empty-key setting is off.
TEST(DeepScan, TheUntouchedSamplePrefixGivesOnlyItsEmptyKeys) {
  TestPrefix prefix = TestPrefix::FromFixture();
  EXPECT_TRUE(mxtest::ScanCategory<CDeepScanLM>(SkipEmptyKeys(true)).empty());
  EXPECT_TRUE(mxtest::ScanCategory<CDeepScanCU>(SkipEmptyKeys(true)).empty());
  std::map<int, int> perView;
  for (const CProblem& p : mxtest::ScanCategory<CDeepScanLM>(SkipEmptyKeys(false))) {
    EXPECT_EQ(p.EntryType, 1) << mx::WideToUtf8(p.Key);
    ++perView[p.m_n32BitEntry];
  }
  EXPECT_EQ(perView, (std::map<int, int>{{0, 14}, {1, 14}}));
  EXPECT_TRUE(mxtest::ScanCategory<CDeepScanCU>(SkipEmptyKeys(false)).empty());
}

// A link key that leads back above itself: the walk leaves it out, ends, and reports what it reports
// without the link.
TEST(DeepScan, LinkLoopsAreSkippedAndTheScanEnds) {
  auto linkTo = [](const std::string& target) {
    std::string hex;
    for (char c : target) {
      char byte[8];
      std::snprintf(byte, sizeof byte, "%s%02x,00", hex.empty() ? "" : ",", static_cast<unsigned char>(c));
      hex += byte;
    }
    return "\n[Software\\\\QzxLoop\\\\A\\\\L] 1796903972\n#time=1dd889deac71146\n#link\n"
           "\"SymbolicLinkValue\"=hex(6):" + hex + "\n";
  };
  const std::string machine =
      "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n"
      "[Software\\\\QzxLoop\\\\A] 1796903972\n#time=1dd889deac71146\n\"v\"=\"C:\\\\Qzx\\\\gone.cfg\"\n";
  for (const char* target : {"", "\\Registry\\Machine\\Software\\QzxLoop\\A", "\\Registry\\Machine\\Software\\QzxLoop",
                             "\\Registry\\Machine\\Software", "\\Registry\\Machine"}) {
    SCOPED_TRACE(target);
    TestPrefix prefix(Arch::Win64);
    mxtest::EnglishTextsScope texts;
    ASSERT_TRUE(mx::WriteFileAtomic(prefix.root() / "system.reg", machine + (*target ? linkTo(target) : "")));
    mx::reg::ResetRegistry();
    int result = 0;
    const auto problems = mxtest::ScanIndexed<CDeepScanLM>(NameAndView, SkipEmptyKeys(true), &result);
    EXPECT_EQ(result, 1);
    std::vector<std::wstring> keys;
    for (const auto& [id, problem] : problems) keys.push_back(problem.Key + L" " + id);
    EXPECT_EQ(keys, std::vector<std::wstring>{L"HKEY_LOCAL_MACHINE\\software\\QzxLoop\\A v/0"});
  }
}
