// The results page's texts and the optimise command's hand-over.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/base/Prefix.h"
#include "platform/fs/PathApi.h"
#include "platform/system/Module.h"
#include "platform/system/Time.h"
#include "platform/system/UserDateFormat.h"
#include "tools/OptimizeResults.h"
#include "tools/RegCompact.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

using toolstest::FakeHandOver;

void UseEnglish() { InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini"); }

bool MarkerSet() {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Tarvolen\\Mendrix\\Version 1.0\\Sign", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return false;
  DWORD value = 0, size = 4, type = 0;
  bool set = win::RegQueryValueEx(key, L"OPTIMIZING", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) ==
                 ERROR_SUCCESS && value == 1;
  win::RegCloseKey(key);
  return set;
}

SHiveCompactInfo Hive(const wchar_t* name, int saved, DWORD live, DWORD copy) {
  SHiveCompactInfo r;
  r.strHiveName = name;
  r.nSaved = saved;
  r.dwLiveSize = live;
  r.dwCopySize = copy;
  return r;
}

}  // namespace

TEST(OptimizeResults, HiveSizesReadAsBytesKilobytesMegabytesAndGigabytes) {
  struct Case {
    LONGLONG size;
    const wchar_t* text;
  };
  const Case kCases[] = {{0, L"0 Bytes"},           {1023, L"1023 Bytes"},       {-5, L"-5 Bytes"},
                         {1024, L"1.0 KB"},         {1536, L"1.5 KB"},           {1048575, L"1024.0 KB"},
                         {1048576, L"1.00 MB"},     {5242880, L"5.00 MB"},       {1073741824, L"1.00 GB"},
                         {3221225472LL, L"3.00 GB"}};
  for (const auto& c : kCases) {
    std::wstring out;
    FormatHiveSize(c.size, out);
    EXPECT_EQ(out, c.text) << c.size;
  }
  EXPECT_EQ(FormatWithDouble(L"%.1f%% fragmented", 12.345), L"12.3% fragmented");
  EXPECT_EQ(FormatWithDouble(L"%d %s %.1f", 2.0), L"%d %s 2.0");
}

TEST(OptimizeResults, DaysSinceTheLastOptimisation) {
  mx::FakeClock clock;
  mx::SetClock(&clock);
  std::tm now{};
  mx::LocalTimeFromUnix(mx::UnixTimeNow(), now);
  auto daysAgo = [&](int days, int extraSeconds = 0) {
    std::tm t{};
    mx::LocalTimeFromUnix(mx::UnixTimeNow() - days * 86400LL - extraSeconds, t);
    return mx::FormatUserDateTime(t);
  };
  StrLastOptimizeTime = daysAgo(6, 3600);
  EXPECT_EQ(DaysSinceLastOptimization(), 6);
  StrLastOptimizeTime = daysAgo(11);
  EXPECT_EQ(DaysSinceLastOptimization(), 11);
  StrLastOptimizeTime = L"";
  EXPECT_EQ(DaysSinceLastOptimization(), -1);
  StrLastOptimizeTime = L"Thu. December 10, 2026. 05:08 PM";
  EXPECT_EQ(DaysSinceLastOptimization(), -1);
  mx::SetClock(nullptr);
}

TEST(OptimizeResults, RowsShowTheSavingAndNeverMoreThanTheFileHolds) {
  toolstest::ToolsPrefix prefix;
  UseEnglish();
  CRegCompact analysis;
  analysis.m_nHives = 4;
  analysis.m_pHives = std::make_unique<SHiveCompactInfo[]>(4);
  analysis.m_pHives[0] = Hive(L"\\REGISTRY\\USER\\A", 1, 2048, 1536);
  analysis.m_pHives[1] = Hive(L"\\REGISTRY\\USER\\B", 1, 1000, 1200);  // the copy is larger: no saving
  analysis.m_pHives[2] = Hive(L"\\REGISTRY\\MACHINE\\SAM", 0, 4096, 0);  // the copy failed
  analysis.m_pHives[3] = Hive(L"\\REGISTRY\\MACHINE\\SECURITY", 0, 0, 0);  // nothing known: not listed
  double total = -1;
  auto rows = BuildHiveResultRows(analysis, &total);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].title, L"\\REGISTRY\\USER\\A");
  EXPECT_EQ(rows[0].description, L"25.0% fragmented");
  EXPECT_EQ(rows[0].detail, L"Current size: 2.0 KB  After optimization: 1.5 KB");
  EXPECT_EQ(rows[0].meter, 25u);
  EXPECT_EQ(rows[1].description, L"0.0% fragmented");
  EXPECT_EQ(rows[1].meter, 0u);
  EXPECT_EQ(rows[2].detail, L"Current size: 4.0 KB  After optimization: 4.0 KB");
  EXPECT_EQ(rows[2].meter, 0u);
  EXPECT_NEAR(total, 513.0 * 100 / (2048 + 1000 + 4096), 1e-9);
  // What is shown is not stored: the failed copy stays failed for the summary.
  EXPECT_EQ(analysis.m_pHives[2].nSaved, 0);
  EXPECT_EQ(analysis.m_pHives[2].dwCopySize, 0u);
  analysis.m_pHives.reset();
}

TEST(OptimizeResults, OptimiseHandsOverThenSavesTheSummaryMarksAndEnds) {
  toolstest::ToolsPrefix prefix;
  UseEnglish();
  FakeHandOver handOver;
  auto copy = prefix.createFile(L"C:\\windows\\System32\\Config\\TWQBakup\\s-1.bak", "copy");
  g_pRegCompact = new CRegCompact;
  g_pRegCompact->m_nHives = 1;
  g_pRegCompact->m_pHives = std::make_unique<SHiveCompactInfo[]>(1);
  g_pRegCompact->m_pHives[0] = Hive(L"\\REGISTRY\\USER\\S-1", 1, 100, 90);
  g_pRegCompact->m_pHives[0].strCopyPath = L"C:\\windows\\System32\\Config\\TWQBakup\\s-1.bak";

  EXPECT_TRUE(RunOptimizeCommand());
  EXPECT_EQ(handOver.calls, (std::vector<std::string>{"install", "start-after:on", "end"}));
  EXPECT_TRUE(fs::exists(prefix.hostPath(L"C:\\users\\qzx\\AppData\\Roaming\\Tarvolen\\Mendrix\\Version 1.0\\summary2.bin")));
  EXPECT_FALSE(fs::exists(copy));
  EXPECT_TRUE(MarkerSet());

  // The next analysis clears what the last optimisation left pending.
  handOver.calls.clear();
  ClearOptimizingMarker();
  EXPECT_EQ(handOver.calls, (std::vector<std::string>{"start-after:off"}));
  EXPECT_FALSE(MarkerSet());
  delete g_pRegCompact;
  g_pRegCompact = nullptr;
}

TEST(OptimizeResults, AFailedSetUpLeavesNoTraceOfARestart) {
  toolstest::ToolsPrefix prefix;
  UseEnglish();
  FakeHandOver handOver;
  handOver.installResult = FALSE;
  g_pRegCompact = new CRegCompact;
  EXPECT_FALSE(RunOptimizeCommand());
  EXPECT_EQ(handOver.calls, (std::vector<std::string>{"install"}));
  EXPECT_FALSE(fs::exists(prefix.hostPath(L"C:\\users\\qzx\\AppData\\Roaming\\Tarvolen\\Mendrix\\Version 1.0\\summary2.bin")));
  EXPECT_FALSE(MarkerSet());
  delete g_pRegCompact;
  g_pRegCompact = nullptr;
}
