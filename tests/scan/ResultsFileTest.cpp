#include "scan/ResultsFile.h"

#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "app/AppSettings.h"
#include "app/ZUNApp.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "support/TestPrefix.h"

using namespace enginetest;

namespace {

std::string I32(std::int32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * i)) & 0xFF));
  return out;
}

// A short text in the archive's UTF-16 form: FF, FFFE, the length byte, the units.
std::string Str(const std::string& ascii) {
  std::string out = "\xFF\xFE\xFF";
  out.push_back(static_cast<char>(ascii.size()));
  for (char c : ascii) {
    out.push_back(c);
    out.push_back('\0');
  }
  return out;
}

// One start-up problem under HKEY_CURRENT_USER\Qzx, stored in the block of flag 0x800.
std::string OneRecordFile() {
  std::string record = I32(41) + I32(1) + Str("HKEY_CURRENT_USER\\Qzx") + Str("A") + Str("") + Str("") + I32(0) +
                       std::string("\x01\x00", 2) + Str("A");
  std::string file = I32(1);
  for (int block = 0; block < kCategoryCount; ++block) file += block == 11 ? I32(1) + record : I32(0);
  return file;
}

std::string ReadFile(const std::wstring& path) {
  std::string bytes;
  EXPECT_EQ(mx::ReadWinFile(path, bytes), ERROR_SUCCESS) << mx::WideToUtf8(path);
  return bytes;
}

class ResultsFileTest : public ::testing::Test {
 protected:
  ResultsFileTest() {
    AddDataFolder(prefix);
    prefix.import(LR"(
[HKEY_CURRENT_USER\Qzx]
"A"=""
)");
  }
  std::unique_ptr<CScanManager> NewManager() {
    auto manager = std::make_unique<CScanManager>();
    manager->m_categoryFactory = StubFactory(nullptr);
    return manager;
  }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
};

}  // namespace

TEST_F(ResultsFileTest, WithoutCategoriesTheFileIsSixtyZeroBytesAndLoadsIntoFourteenEmptyCategories) {
  CScanManager empty;
  SaveProblemsToDisk(empty);
  EXPECT_EQ(ReadFile(ResultsFilePath()), std::string(60, '\0'));

  auto manager = NewManager();
  manager->LoadProblemsFromDisk();
  for (const CategoryInfo& info : kCategoryTable) {
    ASSERT_NE(manager->GetCategory(info.flag), nullptr) << Hex(info.flag);
    EXPECT_TRUE(manager->GetCategory(info.flag)->m_arrProblems.empty());
  }
}

TEST_F(ResultsFileTest, OneRecordIsWrittenByteForByteAndReadBackWithItsFields) {
  auto source = NewManager();
  source->CreateCategories(CATEGORY_STARTUP | CATEGORY_FONTS, 2);
  auto problem = MakeProblem(41, L"HKEY_CURRENT_USER\\Qzx", L"A");
  problem->m_arrDetails = {L"A"};
  source->GetCategory(CATEGORY_STARTUP)->m_arrProblems.push_back(std::move(problem));
  SaveProblemsToDisk(*source);
  EXPECT_EQ(ReadFile(ResultsFilePath()), OneRecordFile());

  auto loaded = NewManager();
  loaded->LoadProblemsFromDisk();
  ASSERT_EQ(loaded->GetProblemCount(), 1);
  const CProblem& back = *loaded->GetCategory(CATEGORY_STARTUP)->m_arrProblems[0];
  EXPECT_EQ(back.EntryType, 41);
  EXPECT_EQ(back.m_nSelected, 1);
  EXPECT_EQ(back.Key, L"HKEY_CURRENT_USER\\Qzx");
  EXPECT_EQ(back.ValueName, L"A");
  EXPECT_EQ(back.m_n32BitEntry, 0);
  EXPECT_EQ(back.m_arrDetails, std::vector<std::wstring>{L"A"});
  EXPECT_EQ(back.m_pBackupHolder, loaded->m_pBackupHolder);
}

TEST_F(ResultsFileTest, LoaderKeepsOnlyProblemsThatStillDescribeTheRegistry) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
@="Old Default"
"Here"="x"
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx32]
"V"="1"
)");
  struct Case {
    int type;
    const wchar_t* key;
    const wchar_t* valueName;
    const wchar_t* valueData;
    int is32Bit;
    bool kept;
    const char* why;
  };
  const Case cases[] = {
      {41, L"HKEY_CURRENT_USER\\Software\\Qzx", L"Here", L"", 0, true, "value still there"},
      {41, L"HKEY_CURRENT_USER\\Software\\Qzx", L"Gone", L"", 0, false, "value deleted"},
      {36, L"HKEY_CURRENT_USER\\Software\\Qzx", L"Gone", L"", 0, true, "type 36 survives a deleted value"},
      {1, L"HKEY_CURRENT_USER\\Software\\Qzx\\Missing", L"", L"", 0, false, "key deleted"},
      {1, L"HKEY_CURRENT_USER\\Software\\Qzx", L"", L"", 0, true, "no name and no data"},
      {42, L"HKEY_CURRENT_USER\\Software\\Qzx", L"", L"OLD DEFAULT", 0, true, "same default, other case"},
      {42, L"HKEY_CURRENT_USER\\Software\\Qzx", L"", L"changed", 0, false, "default changed"},
      {13, L"HKEY_CURRENT_USER\\Software\\Qzx", L"", L"changed", 0, true, "type 13 survives a changed default"},
      {21, L"HKEY_CURRENT_USER\\Software\\Qzx", L"", L"changed", 0, true, "type 21 survives a changed default"},
      {34, L"C:\\users\\qzx\\Desktop\\gone.lnk", L"", L"C:\\gone.exe", 0, true, "a shortcut path is no key"},
      {41, L"hkey_current_user\\Software\\Qzx", L"Gone", L"", 0, true, "a root name in lower case is no root"},
      {42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx32", L"V", L"", 1, true, "found in the 32-bit view"},
      {42, L"HKEY_LOCAL_MACHINE\\Software\\Qzx32", L"V", L"", 0, false, "not in the 64-bit view"},
  };
  auto source = NewManager();
  source->CreateCategories(CATEGORY_SOFTWARE, 1);
  for (const Case& c : cases) {
    auto problem = MakeProblem(c.type, c.key, c.valueName, c.valueData, c.is32Bit);
    problem->m_arrDetails = {mx::Utf8ToWide(c.why)};
    source->GetCategory(CATEGORY_SOFTWARE)->m_arrProblems.push_back(std::move(problem));
  }
  SaveProblemsToDisk(*source);

  mxtest::ScanSettingsScope scope({});  // an application object for the counts
  auto loaded = NewManager();
  loaded->LoadProblemsFromDisk();
  std::vector<std::string> kept, expected;
  for (const auto& problem : loaded->GetCategory(CATEGORY_SOFTWARE)->m_arrProblems)
    kept.push_back(mx::WideToUtf8(problem->GetDetail(0)));
  for (const Case& c : cases)
    if (c.kept) expected.push_back(c.why);
  EXPECT_EQ(kept, expected);
  EXPECT_EQ(scope.app().m_nSavedProblemCount, static_cast<int>(std::size(cases)));
  EXPECT_EQ(scope.app().m_nLoadedProblemCount, static_cast<int>(expected.size()));
  EXPECT_EQ(LoadLastScanResultCount(), static_cast<int>(expected.size()));
}

TEST_F(ResultsFileTest, DamagedFileIsRejectedWholeAndTheHeldResultsStay) {
  const std::string good = OneRecordFile();
  const size_t firstRecord = 4 + 11 * 4 + 4;
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string badType = good, negativeCount = good, hugeCount = good;
  badType.replace(firstRecord, 4, I32(44));
  negativeCount.replace(4, 4, I32(-1));
  hugeCount.replace(4 + 11 * 4, 4, I32(0x7FFFFFFF));
  const Case cases[] = {
      {"cut short inside the record", good.substr(0, good.size() - 3)},
      {"cut short after the total", good.substr(0, 6)},
      {"entry type 44", badType},
      {"negative count", negativeCount},
      {"count beyond the bytes left", hugeCount},
      {"bytes after the last block", good + "x"},
  };

  for (const Case& c : cases) {
    auto manager = NewManager();
    mx::WriteWinFile(ResultsFilePath(), good);
    manager->LoadProblemsFromDisk();
    ASSERT_EQ(manager->GetProblemCount(), 1);

    ASSERT_EQ(mx::WriteWinFile(ResultsFilePath(), c.bytes), ERROR_SUCCESS);
    manager->LoadProblemsFromDisk();
    EXPECT_EQ(manager->GetProblemCount(), 1) << c.what << ": the previous results stay";
    std::string kept;
    EXPECT_EQ(mx::ReadWinFile(ResultsFilePath(), kept), ERROR_FILE_NOT_FOUND) << c.what;
    EXPECT_EQ(ReadFile(ResultsFilePath() + L".damaged"), c.bytes) << c.what << ": kept aside, not lost";
  }
}
