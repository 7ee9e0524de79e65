// Full backups in the data folder: which files count, how their names read as dates, and how new names are
// chosen.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>

#include "app/AppPaths.h"
#include "platform/fs/FileApi.h"
#include "scan/support/EngineTestSupport.h"
#include "support/TestPrefix.h"
#include "tools/FullBackups.h"

namespace {

class FullBackupFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    enginetest::AddDataFolder(prefix);
    folder = GetAppDataFolderPath();
    ASSERT_FALSE(folder.empty());
  }
  std::wstring In(const std::wstring& name) const { return folder + L"\\" + name; }

  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
  std::wstring folder;
};

TEST_F(FullBackupFiles, ListsNamesWhoseFirstRegEndsThemAndOnlyFiles) {
  struct Case {
    const wchar_t* name;
    bool listed;
    const char* why;
  };
  const Case kCases[] = {
      {L"1765400000.reg", true, "a backup named by its seconds"},
      {L"-1234.reg", true, "an old name past 2038"},
      {L"oldreg", true, "ends in reg without a dot"},
      {L"regular.reg", false, "its first reg is at the start"},
      {L"backup.REG", false, "upper-case extension"},
      {L"notes.txt", false, "another file"},
  };
  for (const auto& c : kCases) prefix.createFile(In(c.name));
  std::filesystem::create_directories(prefix.hostPath(In(L"9.reg")));  // a folder is never a backup

  std::vector<std::wstring> listed;
  ListFullBackups(listed);
  std::set<std::wstring> names;
  for (const auto& path : listed) names.insert(path.substr(path.find_last_of(L'\\') + 1));
  for (const auto& c : kCases) EXPECT_EQ(names.count(c.name), c.listed ? 1u : 0u) << c.why;
  EXPECT_EQ(names.count(L"9.reg"), 0u);
  EXPECT_EQ(listed.size(), 3u);
  for (const auto& path : listed) EXPECT_EQ(GetPathType(path), 1);
  EXPECT_EQ(GetPathType(In(L"9.reg")), 2);
  EXPECT_EQ(GetPathType(In(L"gone.reg")), 0);
}

TEST_F(FullBackupFiles, NamesReadAsLocalDates) {
  struct Case {
    const wchar_t* name;
    const wchar_t* text;
  };
  const Case kCases[] = {
      {L"1765400000.reg", L"Wed. Dec 10, 2025. 08:53 PM"},
      {L"0.reg", L"Thu. Jan 01, 1970. 12:00 AM"},
      // the low 32 bits of a time after 2038, once written as a negative number
      {L"-2147483648.reg", L"Tue. Jan 19, 2038. 03:14 AM"},
      {L"4294967296.reg", L"Sun. Feb 07, 2106. 06:28 AM"},
      {L"oldreg", L""},
  };
  for (const auto& c : kCases) {
    std::wstring text = L"stale";
    FullBackupNameToText(c.name, text);
    EXPECT_EQ(text, c.text) << std::filesystem::path(c.name);
  }
}

TEST_F(FullBackupFiles, NewNamesAreSecondsAndTwoInOneSecondBothSurvive) {
  const std::int64_t after2038 = (1LL << 31) + 5;
  const std::wstring first = ClaimFullBackupPath(folder, after2038);
  const std::wstring second = ClaimFullBackupPath(folder, after2038);
  EXPECT_EQ(first, In(L"2147483653.reg")) << "64-bit decimal, never negative";
  EXPECT_EQ(second, In(L"2147483654.reg")) << "the next free number";
  EXPECT_EQ(GetPathType(first), 1);
  EXPECT_EQ(GetPathType(second), 1);

  // a folder marked read-only or missing takes none
  const auto host = prefix.hostPath(folder);
  std::filesystem::permissions(host, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  EXPECT_EQ(ClaimFullBackupPath(folder, 100), L"");
  std::filesystem::permissions(host, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
  EXPECT_EQ(ClaimFullBackupPath(In(L"missing"), 100), L"");
}

}  // namespace
