#include "scan/categories/SharedFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "scan/Problem.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/ProblemLookup.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

const std::wstring kSharedDlls = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring kApproved =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const std::wstring kGoneClass = L"{6F1D2C3B-5A49-4E87-B0C2-7D8E9F0A1B2C}";
const std::wstring kClass32 = L"{7A2E3D4C-6B5A-4F98-C1D3-8E9FA0B1C2D3}";

class SharedFilesTest : public ::testing::Test {
 protected:
  void UseLanguageFile(const std::wstring& path) {
    ResetIniCache();
    InitLanguageReader(path);
  }
  void TearDown() override {
    ResetIniCache();
    ResetLanguageReader();
  }
};

std::map<std::wstring, CProblem> ScanByValueAndView() {
  return mxtest::ScanIndexed<CSharedFiles>(mxtest::ValueNameAndView);
}

TEST_F(SharedFilesTest, ReportsMissingSharedFilesAndUnregisteredApprovedExtensionsInEachView) {
  TestPrefix prefix(Arch::Win64);
  UseLanguageFile(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  prefix.createFile(L"C:\\Qzx\\qzxhere.dll");
  // value names of 225 (examined) and 226 characters (skipped), written the .reg way with doubled backslashes
  const std::wstring longest = std::wstring(214, L'q') + L".dll";
  const std::wstring tooLong = std::wstring(215, L'q') + L".dll";
  const std::wstring shared = LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs]
"C:\\Qzx\\qzxcore.dll"=dword:00000001
"C:\\Qzx\\qzxhere.dll"=dword:00000001
"C:\\Qzx\\)" + longest + LR"("=dword:00000001
"C:\\Qzx\\)" + tooLong + LR"("=dword:00000001
)";
  prefix.import(shared);
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs]
"C:\\Qzx\\qzxcore.dll"=dword:00000001
[HKEY_CLASSES_ROOT\CLSID\{7A2E3D4C-6B5A-4F98-C1D3-8E9FA0B1C2D3}]
@="Qzx 32-bit class"
)");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved]
"{6F1D2C3B-5A49-4E87-B0C2-7D8E9F0A1B2C}"="Qzx Ext"
"{7A2E3D4C-6B5A-4F98-C1D3-8E9FA0B1C2D3}"="Qzx Ext 32"
"QzxNoBrace"="Qzx Other"
)");

  const auto problems = ScanByValueAndView();
  for (const auto& [id, problem] : problems) EXPECT_EQ(problem.EntryType, 33) << mx::WideToUtf8(id);
  ASSERT_EQ(problems.size(), 4u);

  for (const wchar_t* id : {L"C:\\Qzx\\qzxcore.dll/0", L"C:\\Qzx\\qzxcore.dll/1"}) {
    ASSERT_TRUE(problems.count(id)) << mx::WideToUtf8(id);
    const CProblem& problem = problems.at(id);
    EXPECT_EQ(problem.Key, kSharedDlls);
    EXPECT_EQ(problem.ValueData, L"");
    EXPECT_EQ(problem.m_arrDetails, (std::vector<std::wstring>{L"Missing shared file qzxcore.dll", L"C:\\Qzx"}));
  }
  ASSERT_EQ((L"C:\\Qzx\\" + longest).size(), 225u);
  EXPECT_TRUE(problems.count(L"C:\\Qzx\\" + longest + L"/0"));

  const std::wstring extension = kGoneClass + L"/0";
  ASSERT_TRUE(problems.count(extension));
  EXPECT_EQ(problems.at(extension).Key, kApproved);
  EXPECT_EQ(problems.at(extension).m_arrDetails,
            (std::vector<std::wstring>{L"Missing shared file Qzx Ext", L"Qzx Ext"}));
}

TEST_F(SharedFilesTest, ATranslationWithOtherPlaceholdersIsFormattedSafely) {
  TestPrefix prefix(Arch::Win32);
  prefix.createFile(L"C:\\lang\\odd.ini", "[RESOURCESTRING]\nIDS_MISSING_SHARED_FILE=%d%n%s%s%p missing\n");
  UseLanguageFile(L"C:\\lang\\odd.ini");
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs]
"C:\\Qzx\\qzxcore.dll"=dword:00000001
)");
  const auto problems = ScanByValueAndView();
  ASSERT_EQ(problems.size(), 1u);
  const std::wstring detail = problems.begin()->second.GetDetail(0);
  EXPECT_NE(detail.find(L"qzxcore.dll"), std::wstring::npos) << mx::WideToUtf8(detail);
  EXPECT_NE(detail.find(L"missing"), std::wstring::npos) << mx::WideToUtf8(detail);
}

TEST_F(SharedFilesTest, SampleRegistryHasNothingToReportAndAnInjectedSharedFileIsReported) {
  TestPrefix prefix = TestPrefix::FromFixture();
  // no shared-DLL list, and an empty list of approved extensions
  EXPECT_TRUE(ScanByValueAndView().empty());

  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\SharedDLLs]
"C:\\Qzx\\qzxcore.dll"=dword:00000001
)");
  const auto problems = ScanByValueAndView();
  ASSERT_EQ(problems.size(), 1u);
  const CProblem& problem = problems.begin()->second;
  EXPECT_EQ(problem.EntryType, 33);
  EXPECT_EQ(problem.Key, kSharedDlls);
  EXPECT_EQ(problem.ValueName, L"C:\\Qzx\\qzxcore.dll");
  EXPECT_EQ(problem.m_n32BitEntry, 0);
}

}  // namespace
