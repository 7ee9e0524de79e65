#include "app/AppLog.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "AppTestPrefix.h"
#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/WinPath.h"
#include "platform/system/Time.h"

namespace {

namespace fs = std::filesystem;

class AppLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    mx::SetClock(&clock);
    CloseAppLog();
  }
  void TearDown() override {
    CloseAppLog();
    mx::SetClock(nullptr);
  }
  std::wstring TodaysName() {
    SYSTEMTIME now;
    win::GetLocalTime(&now);
    wchar_t name[32];
    std::swprintf(name, 32, L"log_%02d-%02d-%04d.log", now.wMonth, now.wDay, now.wYear);
    return name;
  }
  fs::path HostData() { return prefix.hostPath(apptest::kDataFolder); }
  std::wstring ReadLog() {
    std::string bytes;
    mx::ReadWinFile(std::wstring(apptest::kDataFolder) + L"\\" + TodaysName(), bytes);
    return mx::Utf16LeToWide(bytes);
  }
  // An old log in the data folder, last written hoursAgo hours before now.
  void OldFile(const std::string& name, int hoursAgo, DWORD attributes = 0) {
    fs::create_directories(HostData());
    const fs::path path = HostData() / name;
    { std::ofstream(path) << "x"; }
    fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
    if (attributes) mx::SetAttributeOverlay(std::wstring(apptest::kDataFolder) + L"\\" + mx::Utf8ToWide(name), attributes);
  }
  std::set<std::string> DataFiles() {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(HostData())) names.insert(e.path().filename().string());
    return names;
  }

  mx::FakeClock clock;
  apptest::AppPrefix prefix;
};

TEST_F(AppLogTest, NumberedUtf16LinesAppendedRunAfterRun) {
  WriteLogLine(L"first");
  WriteLogLine(L"");
  WriteLogLine(L"second");
  CloseAppLog();
  WriteLogLine(L"next run");
  CloseAppLog();
  EXPECT_EQ(ReadLog(),
            L"1   first\r\n2   second\r\n3   Closing Log\r\n\r\n\r\n"
            L"1   next run\r\n2   Closing Log\r\n\r\n\r\n");
  std::string bytes;
  mx::ReadWinFile(std::wstring(apptest::kDataFolder) + L"\\" + TodaysName(), bytes);
  EXPECT_EQ(bytes.substr(0, 4), std::string("1\0 \0", 4)) << "no byte-order mark";
}

TEST_F(AppLogTest, EightThreadsWriteWholeCorrectlyNumberedLines) {
  constexpr int kThreads = 8, kLines = 250;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) WriteLogLine(L"thread " + std::to_wstring(t) + L" line " + std::to_wstring(i));
    });
  for (auto& th : threads) th.join();
  CloseAppLog();
  const std::wstring text = ReadLog();
  std::set<std::wstring> seen;
  size_t pos = 0;
  int expected = 1;
  for (; expected <= kThreads * kLines; ++expected) {
    const size_t eol = text.find(L"\r\n", pos);
    ASSERT_NE(eol, std::wstring::npos);
    const std::wstring line = text.substr(pos, eol - pos);
    const std::wstring prefix = std::to_wstring(expected) + L"   thread ";
    ASSERT_EQ(line.compare(0, prefix.size(), prefix), 0) << mx::WideToUtf8(line);
    EXPECT_TRUE(seen.insert(line.substr(prefix.size())).second);
    pos = eol + 2;
  }
  EXPECT_EQ(text.substr(pos), std::to_wstring(expected) + L"   Closing Log\r\n\r\n\r\n");
}

TEST_F(AppLogTest, PruningKeepsTheFiveNewestOwnLogsAndNothingElse) {
  for (int i = 1; i <= 6; ++i) OldFile("log_01-0" + std::to_string(i) + "-2026.log", 100 - i);
  OldFile("other.log", 500);
  OldFile("log_backup.log", 500);
  OldFile("log_12-31-2020.log", 900, FILE_ATTRIBUTE_SYSTEM);
  WriteLogLine(L"x");
  const auto names = DataFiles();
  EXPECT_FALSE(names.count("log_01-01-2026.log")) << "the oldest of six goes";
  for (int i = 2; i <= 6; ++i) EXPECT_TRUE(names.count("log_01-0" + std::to_string(i) + "-2026.log")) << i;
  EXPECT_TRUE(names.count("other.log"));
  EXPECT_TRUE(names.count("log_backup.log"));
  EXPECT_TRUE(names.count("log_12-31-2020.log")) << "a system file is never counted nor deleted";
  EXPECT_TRUE(names.count(mx::WideToUtf8(TodaysName())));
}

TEST_F(AppLogTest, FiveOldLogsStay) {
  for (int i = 1; i <= 5; ++i) OldFile("log_02-0" + std::to_string(i) + "-2026.log", 100 - i);
  WriteLogLine(L"x");
  EXPECT_EQ(DataFiles().size(), 6u);
}

TEST_F(AppLogTest, NoDataFolderDropsTheLinesAndKeepsTheCurrentFolder) {
  prefix.createFile(std::wstring(apptest::kAppData) + L"\\Tarvolen", "a file where the folder should be");
  wchar_t before[MAX_PATH] = {}, after[MAX_PATH] = {};
  win::GetCurrentDirectory(MAX_PATH, before);
  WriteLogLine(L"dropped");
  win::GetCurrentDirectory(MAX_PATH, after);
  EXPECT_STREQ(before, after);
  EXPECT_FALSE(fs::exists(HostData()));
}

}  // namespace
