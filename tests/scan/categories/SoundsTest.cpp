#include "scan/categories/Sounds.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "scan/Problem.h"
#include "scan/SkipLists.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kApps = L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\";

// The built-in key skip list decides before the category does; a scheme key it hides cannot be reported.
bool SkipListHides(const std::wstring& key) { return !IsReportableKey(mx::ToLower(key)); }

std::map<std::wstring, const CProblem*> ByKey(const CCategory& category) {
  std::map<std::wstring, const CProblem*> out;
  for (const auto& problem : category.m_arrProblems) out[problem->Key] = problem.get();
  return out;
}

TEST(Sounds, ReportsEachSchemeWhoseSoundFileIsMissing) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\windows\\media\\qzxding.wav");
  prefix.createFile(L"C:\\Qzx\\here.wav");
  prefix.import(LR"(
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp\QzxEvent\.Current]
@="qzxchime.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp\QzxEvent\.Default]
@="\"qzxding.wav\""
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp\QzxEvent\.None]
@=""
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp\QzxQuiet\.Current]
@="C:\\Qzx\\here.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp\QzxQuiet\.Default]
@=dword:00000001
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp2]
@="Qzx Second App"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp2\QzxEvent2\.Current]
@="C:\\Qzx\\gone.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp2\QzxEvent2\.Default]
@="C:\\Qzx\\gone.wav"
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp2\QzxEvent2\.None]
@="C:\\Qzx\\gone.wav"
[HKEY_CURRENT_USER\AppEvents\EventLabels\QzxEvent2]
@="Qzx Label"
)");

  CSounds category;
  EXPECT_EQ(category.Scan(), 1);
  struct Expected {
    const wchar_t* scheme;
    const wchar_t* data;
    const wchar_t* event;
    const wchar_t* label;
  };
  const Expected kExpected[] = {
      {L"QzxApp\\QzxEvent\\.Current", L"qzxchime.wav", L"Event QzxEvent for the program QzxApp", L"Current"},
      {L"QzxApp2\\QzxEvent2\\.Current", L"C:\\Qzx\\gone.wav", L"Event Qzx Label for the program Qzx Second App",
       L"Current"},
      {L"QzxApp2\\QzxEvent2\\.Default", L"C:\\Qzx\\gone.wav", L"Event Qzx Label for the program Qzx Second App",
       L"Windows Default"},
      {L"QzxApp2\\QzxEvent2\\.None", L"C:\\Qzx\\gone.wav", L"Event Qzx Label for the program Qzx Second App",
       L"No Sounds"},
  };
  const auto problems = ByKey(category);
  size_t reportable = 0;
  for (const Expected& e : kExpected) reportable += !SkipListHides(kApps + e.scheme);
  EXPECT_EQ(problems.size(), reportable);
  for (const Expected& e : kExpected) {
    const std::wstring key = kApps + e.scheme;
    if (SkipListHides(key)) continue;
    ASSERT_TRUE(problems.count(key)) << mx::WideToUtf8(key);
    const CProblem& problem = *problems.at(key);
    EXPECT_EQ(problem.EntryType, 37);
    EXPECT_EQ(problem.ValueName, L"");
    EXPECT_EQ(problem.ValueData, e.data);
    EXPECT_EQ(problem.m_n32BitEntry, 0);
    EXPECT_EQ(problem.m_arrDetails, (std::vector<std::wstring>{e.event, e.label}));
  }
}

TEST(Sounds, SampleRegistryAssignsNoMissingSoundAndAnInjectedOneIsReported) {
  TestPrefix prefix = TestPrefix::FromFixture();
  CSounds clean;
  EXPECT_EQ(clean.Scan(), 1);
  EXPECT_TRUE(clean.m_arrProblems.empty());

  prefix.import(LR"(
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp\QzxEvent\.Current]
@="qzxchime.wav"
)");
  if (SkipListHides(kApps + L"QzxApp\\QzxEvent\\.Current"))
    GTEST_SKIP() << "the key skip list hides every .Current scheme (its entry for .cur keys matches them)";
  CSounds category;
  EXPECT_EQ(category.Scan(), 1);
  ASSERT_EQ(category.m_arrProblems.size(), 1u);
  const CProblem& problem = *category.m_arrProblems.front();
  EXPECT_EQ(problem.EntryType, 37);
  EXPECT_EQ(problem.Key, kApps + L"QzxApp\\QzxEvent\\.Current");
  EXPECT_EQ(problem.ValueData, L"qzxchime.wav");
}

}  // namespace
