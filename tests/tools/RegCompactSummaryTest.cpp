// The analysis summary file: its bytes, reading it back into the settings, and damaged files.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppSettings.h"
#include "platform/base/Archive.h"
#include "platform/base/FileIO.h"
#include "platform/system/UserDateFormat.h"
#include "tools/RegCompact.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

constexpr const wchar_t* kSummary = L"C:\\users\\qzx\\AppData\\Roaming\\Tarvolen\\Mendrix\\Version 1.0\\summary2.bin";
constexpr const wchar_t* kCopy = L"C:\\windows\\System32\\Config\\TWQBakup\\sam.bak";

SHiveCompactInfo Record(std::wstring subKey, std::uint32_t root = 0x80000003u) {
  SHiveCompactInfo r;
  r.nSaved = 1;
  r.hRootKey = root;
  r.dwCopySize = 0x1234;
  r.dwLiveSize = 0x5678;
  r.strSubKey = std::move(subKey);
  r.strHiveFile = L"Z:\\p\\user.reg";
  r.strCopyPath = kCopy;
  r.strTempPath = L"C:\\windows\\System32\\Config\\TWQBakup\\sam.bac";
  r.strHiveName = L"\\REGISTRY\\MACHINE\\SAM";
  return r;
}

// Saves records through g_pRegCompact, as the results page does.
BOOL SaveRecords(std::vector<SHiveCompactInfo> records) {
  CRegCompact rc;
  rc.m_nHives = static_cast<int>(records.size());
  rc.m_pHives = std::make_unique<SHiveCompactInfo[]>(records.size());
  for (size_t i = 0; i < records.size(); ++i) rc.m_pHives[i] = records[i];
  rc.m_bCopiesDeleted = 1;
  g_pRegCompact = &rc;
  BOOL ok = CRegCompact::SaveSummary();
  g_pRegCompact = nullptr;
  rc.m_pHives.reset();  // the test's copies are not to be deleted here
  return ok;
}

std::string Bytes(const toolstest::ToolsPrefix& prefix) {
  std::string bytes;
  mx::ReadWholeFile(prefix.hostPath(kSummary), bytes);
  return bytes;
}

std::string Le32(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF),
                     static_cast<char>(v >> 24)};
}

}  // namespace

TEST(AnalysisSummary, BytesFollowTheArchiveLayoutAndReadBackIntoTheSettings) {
  toolstest::ToolsPrefix prefix;
  ASSERT_TRUE(SaveRecords({Record(std::wstring(255, L'a')), Record(std::wstring(254, L'b'), 0x80000002u)}));
  std::string b = Bytes(prefix);
  ASSERT_GT(b.size(), 4u + 16 + 6 + 510u);
  EXPECT_EQ(b.substr(0, 4), Le32(2));
  EXPECT_EQ(b.substr(4, 16), Le32(1) + std::string("\x03\x00\x00\x80", 4) + Le32(0x1234) + Le32(0x5678));
  EXPECT_EQ(b.substr(20, 6), std::string("\xFF\xFE\xFF\xFF\xFF\x00", 6));
  EXPECT_EQ(b.substr(26, 2), std::string("a\0", 2));
  size_t second = b.find(std::string("\x02\x00\x00\x80", 4));
  ASSERT_NE(second, std::string::npos);
  EXPECT_EQ(b.substr(second + 12, 4), std::string("\xFF\xFE\xFF\xFE", 4));

  StrLatestRegDefrag = L"old";
  StrLastOptimizeTime = L"old";
  CRegCompact loaded;
  ASSERT_TRUE(loaded.LoadSummary());
  ASSERT_EQ(loaded.m_nHives, 2);
  EXPECT_EQ(loaded.m_pHives[0].strSubKey, std::wstring(255, L'a'));
  EXPECT_EQ(loaded.m_pHives[1].hRootKey, 0x80000002u);
  EXPECT_EQ(loaded.m_pHives[1].dwLiveSize, 0x5678u);
  EXPECT_EQ(loaded.m_pHives[1].strHiveName, L"\\REGISTRY\\MACHINE\\SAM");
  EXPECT_NE(StrLatestRegDefrag.find(L", 20"), std::wstring::npos) << "\"%a. %B %d, %Y. %I:%M %p\"";
  std::tm parsed{};
  EXPECT_TRUE(mx::ParseUserDateTime(StrLastOptimizeTime, parsed)) << "the user's form reads back as a date";
  loaded.m_pHives.reset();
}

TEST(AnalysisSummary, NoHivesIsNoSummaryAndASecondWriteReplacesTheFirst) {
  toolstest::ToolsPrefix prefix;
  ASSERT_TRUE(SaveRecords({}));
  EXPECT_EQ(Bytes(prefix).substr(0, 4), Le32(0));
  StrLatestRegDefrag = L"kept";
  CRegCompact empty;
  EXPECT_FALSE(empty.LoadSummary());
  EXPECT_EQ(StrLatestRegDefrag, L"kept");
  EXPECT_TRUE(fs::exists(prefix.hostPath(kSummary)));

  ASSERT_TRUE(SaveRecords({Record(L"first")}));
  ASSERT_TRUE(SaveRecords({Record(L"second"), Record(L"third")}));
  CRegCompact loaded;
  ASSERT_TRUE(loaded.LoadSummary());
  ASSERT_EQ(loaded.m_nHives, 2);
  EXPECT_EQ(loaded.m_pHives[0].strSubKey, L"second");
  loaded.m_pHives.reset();
}

TEST(AnalysisSummary, ADamagedFileIsRejectedDeletedAndDeletesNothingElse) {
  toolstest::ToolsPrefix prefix;
  ASSERT_TRUE(SaveRecords({Record(L"one"), Record(L"two"), Record(L"three")}));
  std::string whole = Bytes(prefix);
  size_t third = whole.rfind(Le32(1) + std::string("\x03\x00\x00\x80", 4));
  ASSERT_NE(third, std::string::npos);

  mx::ArchiveWriter outside;
  outside.WriteI32(1);
  for (std::uint32_t v : {1u, 0x80000003u, 1u, 2u}) outside.WriteU32(v);
  for (const wchar_t* s : {L"x", L"Z:\\p\\user.reg", L"C:\\users\\qzx\\precious.txt", L"", L"\\REGISTRY\\USER\\X"})
    outside.WriteString(s);
  outside.WriteString(L"t1");
  outside.WriteString(L"t2");

  struct Case {
    const char* what;
    std::string bytes;
    int recordsKept;
  };
  const Case kCases[] = {
      {"cut inside the third record", whole.substr(0, third + 20), 2},
      {"a count the file cannot hold", Le32(0x7FFFFFFF) + whole.substr(4), 0},
      {"a negative count", Le32(0xFFFFFFFF) + whole.substr(4), 0},
      {"a string longer than the file", whole.substr(0, 20) + std::string("\xFF\xFE\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 10), 0},
      {"a copy path outside the analysis folders", outside.bytes(), 0},
      {"three bytes", "\x01\x00\x00", 0},
  };
  auto precious = prefix.createFile(L"C:\\users\\qzx\\precious.txt", "keep");
  for (const auto& c : kCases) {
    ASSERT_TRUE(mx::WriteFileAtomic(prefix.hostPath(kSummary), c.bytes));
    StrLatestRegDefrag = L"kept";
    {
      CRegCompact loaded;
      EXPECT_FALSE(loaded.LoadSummary()) << c.what;
      EXPECT_FALSE(fs::exists(prefix.hostPath(kSummary))) << c.what;
      EXPECT_EQ(StrLatestRegDefrag, L"kept") << c.what;
      int filled = 0;
      for (int i = 0; loaded.m_pHives && i < loaded.m_nHives; ++i) filled += !loaded.m_pHives[i].strSubKey.empty();
      EXPECT_EQ(filled, c.recordsKept) << c.what;
    }
    EXPECT_TRUE(fs::exists(precious)) << c.what;
  }
}
