#include "scan/categories/Fonts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/ProblemLookup.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kFontsKey = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

std::map<std::wstring, CProblem> ByValueName(const std::vector<CProblem>& problems) {
  return mxtest::IndexProblems(problems, [](const CProblem& problem) { return problem.ValueName; });
}

TEST(Fonts, FileNamesAreLookedUpInTheFontsFolderOtherFormsAsTheyStand) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\windows\\Fonts\\qzxmono.ttf");
  prefix.createFile(L"C:\\windows\\Fonts\\qzxsub\\qzxin.ttf");
  prefix.createFile(L"C:\\windows\\Fonts\\qzxenv.ttf");
  prefix.createFile(L"C:\\QzxFonts\\qzxfull.ttf");
  prefix.import(LR"reg(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]
"Qzx Sans (TrueType)"="qzxsans.ttf"
"Qzx Mono (TrueType)"="qzxmono.ttf"
"Qzx In (TrueType)"="qzxsub\\qzxin.ttf"
"Qzx Full (TrueType)"="C:\\QzxFonts\\qzxfull.ttf"
"Qzx Full Gone (TrueType)"="C:\\QzxFonts\\qzxgone.ttf"
"Qzx Env (TrueType)"="%SystemRoot%\\Fonts\\qzxenv.ttf"
"Qzx Env Gone (TrueType)"="%SystemRoot%\\Fonts\\qzxenvgone.ttf"
"Qzx Share (TrueType)"="\\\\qzxserver\\fonts\\qzx.ttf"
"Qzx Empty"=""
"Qzx Number"=dword:00000001
)reg");

  CFonts category;
  int result = 0;
  const auto problems = ByValueName(mxtest::RunCategoryScan(category, {}, &result));
  EXPECT_EQ(result, 1);
  EXPECT_EQ(category.m_strFontsFolder, L"C:\\windows\\Fonts\\");
  const std::map<std::wstring, const wchar_t*> kReported = {
      {L"Qzx Sans (TrueType)", L"qzxsans.ttf"},
      {L"Qzx Full Gone (TrueType)", L"C:\\QzxFonts\\qzxgone.ttf"},
      {L"Qzx Env Gone (TrueType)", L"%SystemRoot%\\Fonts\\qzxenvgone.ttf"},
      {L"Qzx Empty", L""},
  };
  ASSERT_EQ(problems.size(), kReported.size());
  for (const auto& [name, data] : kReported) {
    ASSERT_TRUE(problems.count(name)) << mx::WideToUtf8(name);
    const CProblem& problem = problems.at(name);
    EXPECT_EQ(problem.EntryType, 23);
    EXPECT_EQ(problem.Key, kFontsKey);
    EXPECT_EQ(problem.ValueData, data);
    EXPECT_EQ(problem.m_n32BitEntry, 0);
    EXPECT_EQ(problem.m_arrDetails, std::vector<std::wstring>{L"Missing font " + name});
  }
}

TEST(Fonts, OnlyTheSixtyFourBitViewIsRead) {
  TestPrefix prefix(Arch::Win64);
  prefix.import32(LR"reg(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]
"Qzx Only32 (TrueType)"="qzxonly32.ttf"
)reg");
  EXPECT_TRUE(mxtest::ScanCategory<CFonts>().empty());
}

TEST(Fonts, SampleRegistryReportsTheFontsMissingFromItsFontsFolder) {
  TestPrefix prefix = TestPrefix::FromFixture();
  prefix.import(LR"reg(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\Fonts]
"Qzx Sans (TrueType)"="qzxsans.ttf"
)reg");
  const auto problems = ByValueName(mxtest::ScanCategory<CFonts>());

  // the four bitmap fonts Wine registers without installing them, the injected one, and any host font that
  // the Z: drive does not hold on this machine
  std::map<std::wstring, std::wstring> expected = {
      {L"Courier", L"coure.fon"},
      {L"MS Sans Serif", L"sserife.fon"},
      {L"MS Serif", L"serife.fon"},
      {L"Small Fonts", L"smalle.fon"},
      {L"Qzx Sans (TrueType)", L"qzxsans.ttf"},
  };
  HKEY key = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0,
                              KEY_READ | KEY_WOW64_64KEY, &key),
            ERROR_SUCCESS);
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD nameChars = 256;
    BYTE data[1024];
    DWORD size = sizeof data;
    DWORD type = 0;
    if (win::RegEnumValue(key, i, name, &nameChars, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
    const std::wstring text = mx::Utf16LeToWide(std::string(reinterpret_cast<char*>(data), size)).c_str();
    if (text.rfind(L"Z:\\", 0) != 0) continue;
    std::wstring host = text.substr(2);
    for (auto& c : host)
      if (c == L'\\') c = L'/';
    if (!std::filesystem::exists(mx::WideToUtf8(host))) expected[name] = text;
  }
  win::RegCloseKey(key);

  ASSERT_EQ(problems.size(), expected.size());
  for (const auto& [name, data] : expected) {
    ASSERT_TRUE(problems.count(name)) << mx::WideToUtf8(name);
    EXPECT_EQ(problems.at(name).ValueData, data);
  }
}

}  // namespace
