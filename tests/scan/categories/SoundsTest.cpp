#include "scan/categories/Sounds.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/ProblemLookup.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kApps = L"HKEY_CURRENT_USER\\AppEvents\\Schemes\\Apps\\";

std::map<std::wstring, CProblem> ScanByKey() {
  return mxtest::ScanIndexed<CSounds>([](const CProblem& problem) { return problem.Key; });
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

  const auto problems = ScanByKey();
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
  ASSERT_EQ(problems.size(), std::size(kExpected));
  for (const Expected& e : kExpected) {
    const std::wstring key = kApps + e.scheme;
    ASSERT_TRUE(problems.count(key)) << mx::WideToUtf8(key);
    const CProblem& problem = problems.at(key);
    EXPECT_EQ(problem.EntryType, 37);
    EXPECT_EQ(problem.ValueName, L"");
    EXPECT_EQ(problem.ValueData, e.data);
    EXPECT_EQ(problem.m_n32BitEntry, 0);
    EXPECT_EQ(problem.m_arrDetails, (std::vector<std::wstring>{e.event, e.label}));
  }
}

TEST(Sounds, SampleRegistryAssignsNoMissingSoundAndAnInjectedOneIsReported) {
  TestPrefix prefix = TestPrefix::FromFixture();
  // its one assigned scheme has an empty sound
  EXPECT_TRUE(ScanByKey().empty());

  prefix.import(LR"(
[HKEY_CURRENT_USER\AppEvents\Schemes\Apps\QzxApp\QzxEvent\.Current]
@="qzxchime.wav"
)");
  const auto problems = ScanByKey();
  ASSERT_EQ(problems.size(), 1u);
  const CProblem& problem = problems.begin()->second;
  EXPECT_EQ(problem.EntryType, 37);
  EXPECT_EQ(problem.Key, kApps + L"QzxApp\\QzxEvent\\.Current");
  EXPECT_EQ(problem.ValueData, L"qzxchime.wav");
}

}  // namespace
