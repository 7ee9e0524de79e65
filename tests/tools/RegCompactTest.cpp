// The hive analysis: which hives, their copies and sizes, its progress texts, stopping, and what it deletes.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/base/Prefix.h"
#include "platform/fs/FileApi.h"
#include "platform/registry/HiveList.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Privileges.h"
#include "platform/win/Sync.h"
#include "tools/RegCompact.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

// Runs one analysis on a fresh g_pRegCompact with a clock that never really waits.
struct Analysis {
  mx::FakeClock clock;
  Analysis() {
    mx::SetClock(&clock);
    delete g_pRegCompact;
    g_pRegCompact = new CRegCompact;
  }
  ~Analysis() {
    delete g_pRegCompact;
    g_pRegCompact = nullptr;
    mx::SetClock(nullptr);
  }
  CRegCompact& run() {
    CRegCompact::Analyze(nullptr, nullptr);
    return *g_pRegCompact;
  }
};

fs::path CopyFolder(const toolstest::ToolsPrefix& prefix) {
  return prefix.driveC() / "windows" / "system32" / "Config" / "TWQBakup";
}

}  // namespace

TEST(HiveAnalysis, CopiesTheUsersHiveOfThePrefixAndMeasuresBothFiles) {
  toolstest::ToolsPrefix prefix;
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
"A"="1"
)");
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  win::SetPriorityClass(NORMAL_PRIORITY_CLASS);
  Analysis analysis;
  CRegCompact& rc = analysis.run();

  // SYSTEM, SOFTWARE and .DEFAULT are not compacted; the user's hive is.
  ASSERT_EQ(rc.m_nHives, 1);
  ASSERT_TRUE(rc.m_pHives);
  const SHiveCompactInfo& user = rc.m_pHives[0];
  EXPECT_EQ(user.strHiveName, L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000");
  EXPECT_EQ(user.strSubKey, L"s-1-5-21-0-0-0-1000");
  EXPECT_EQ(user.hRootKey, 0x80000003u);
  EXPECT_EQ(user.nKind, HIVE_KIND_USER);
  EXPECT_EQ(user.nSaved, 1);
  EXPECT_EQ(user.strCopyPath, L"C:\\windows\\System32\\Config\\TWQBakup\\s-1-5-21-0-0-0-1000.bak");
  EXPECT_EQ(user.strTempPath, L"C:\\windows\\System32\\Config\\TWQBakup\\s-1-5-21-0-0-0-1000.bac");
  EXPECT_EQ(user.strHiveFile.substr(0, 3), L"Z:\\");
  EXPECT_EQ(user.dwLiveSize, fs::file_size(prefix.root() / "user.reg"));
  fs::path copy = CopyFolder(prefix) / "s-1-5-21-0-0-0-1000.bak";
  ASSERT_TRUE(fs::exists(copy));
  EXPECT_EQ(user.dwCopySize, fs::file_size(copy));
  EXPECT_GT(user.dwCopySize, 0u);
  // One pause of 1024 ms before the copy; the raised priorities are given back.
  EXPECT_EQ(analysis.clock.sleeps(), (std::vector<std::uint32_t>{1024}));
  EXPECT_EQ(win::GetPriorityClass(), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));

  rc.DeleteCopies();
  EXPECT_FALSE(fs::exists(copy));
  EXPECT_EQ(rc.m_pHives[0].nSaved, 0);
  EXPECT_EQ(rc.m_bCopiesDeleted, 1);
}

TEST(HiveAnalysis, NamesGiveRootSubKeyAndKindAndUnknownHivesAreNeverCreated) {
  toolstest::ToolsPrefix prefix;
  mx::reg::SetHiveList({
      {L"\\REGISTRY\\MACHINE\\SYSTEM", L"\\Device\\HarddiskVolume1\\x"},
      {L"\\REGISTRY\\MACHINE\\SAM", L"\\Device\\HarddiskVolume1\\windows\\system32\\config\\SAM"},
      {L"\\REGISTRY\\MACHINE\\SECURITY", L""},
      {L"\\REGISTRY\\MACHINE\\SCHEMA", L""},
      {L"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes", L""},
      {L"\\REGISTRY\\MACHINE\\HARDWARE", L""},
      {L"\\REGISTRY\\USER\\.DEFAULT", L""},
  });
  Analysis analysis;
  CRegCompact& rc = analysis.run();
  ASSERT_EQ(rc.m_nHives, 3);
  struct Expected {
    const wchar_t* subKey;
    std::uint32_t root;
    int kind;
  };
  const Expected kExpected[] = {{L"sam", 0x80000002u, HIVE_KIND_SAM},
                                {L"security", 0x80000002u, HIVE_KIND_SECURITY},
                                {L"s-1-5-21-1-2-3-1001_classes", 0x80000003u, HIVE_KIND_USER}};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rc.m_pHives[i].strSubKey, kExpected[i].subKey);
    EXPECT_EQ(rc.m_pHives[i].hRootKey, kExpected[i].root);
    EXPECT_EQ(rc.m_pHives[i].nKind, kExpected[i].kind);
    EXPECT_EQ(rc.m_pHives[i].nSaved, 0) << "no such key: nothing saved";
    EXPECT_EQ(rc.m_pHives[i].dwCopySize, 0u);
  }
  EXPECT_EQ(rc.m_pHives[2].strTempPath,
            L"C:\\windows\\System32\\Config\\TWQBakup\\s-1-5-21-1-2-3-1001_classes.bac");
  HKEY probe = nullptr;
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"sam", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_USERS, L"S-1-5-21-1-2-3-1001_Classes", 0, KEY_READ, &probe), ERROR_FILE_NOT_FOUND);
}

TEST(HiveAnalysis, OnlyExcludedHivesGiveNoRecordsAndNoAdministratorNoCopies) {
  toolstest::ToolsPrefix prefix;
  mx::reg::SetHiveList({{L"\\REGISTRY\\MACHINE\\SOFTWARE", L""}, {L"\\REGISTRY\\MACHINE\\COMPONENTS", L""},
                        {L"\\REGISTRY\\MACHINE\\BCD00000000", L""}, {L"\\REGISTRY\\MACHINE\\DRIVERS", L""}});
  {
    Analysis analysis;
    CRegCompact& rc = analysis.run();
    EXPECT_EQ(rc.m_nHives, 0);
    EXPECT_FALSE(rc.m_pHives);
  }
  mx::PublishHiveList();
  mx::reg::SetUserIsAdmin(false);
  Analysis analysis;
  CRegCompact& rc = analysis.run();
  ASSERT_EQ(rc.m_nHives, 1);
  EXPECT_EQ(rc.m_pHives[0].nSaved, 0);
  EXPECT_EQ(rc.m_pHives[0].dwCopySize, 0u);
  EXPECT_GT(rc.m_pHives[0].dwLiveSize, 0u);
  EXPECT_FALSE(fs::exists(CopyFolder(prefix) / "s-1-5-21-0-0-0-1000.bak"));
}

TEST(HiveAnalysis, StopEndsItAtTheNextCheck) {
  toolstest::ToolsPrefix prefix;
  {
    // Stopped before it starts: the list is read no further and no record is made.
    Analysis analysis;
    win::SetEvent(g_pRegCompact->m_hStopEvent);
    CRegCompact& rc = analysis.run();
    EXPECT_FALSE(rc.m_pHives);
  }
  // Stopped during the pause before the first copy: the records exist, nothing was copied.
  Analysis analysis;
  analysis.clock.AddListener([&] {
    if (g_pRegCompact) win::SetEvent(g_pRegCompact->m_hStopEvent);
  });
  CRegCompact& rc = analysis.run();
  ASSERT_TRUE(rc.m_pHives);
  EXPECT_EQ(rc.m_pHives[0].nSaved, 0);
  EXPECT_TRUE(rc.IsStopped());
  EXPECT_FALSE(fs::exists(CopyFolder(prefix) / "s-1-5-21-0-0-0-1000.bak"));
}

TEST(HiveAnalysis, DeviceAndHivePathsTurnIntoDrivePaths) {
  toolstest::ToolsPrefix prefix;
  // Outside system32, which a thread with redirection on would not reach.
  prefix.createFile(L"C:\\users\\qzx\\hives\\SAM", "x");
  EXPECT_EQ(DevicePathToDosPath(L"\\Device\\HarddiskVolume1\\windows\\a"), L"C:\\windows\\a");
  EXPECT_EQ(DevicePathToDosPath(L"\\Device\\HarddiskVolume12\\a"), L"");
  EXPECT_EQ(DevicePathToDosPath(L"\\Device\\CdRom0\\a"), L"");
  std::wstring path = L"\\Device\\HarddiskVolume1\\Windows\\System32\\config\\SAM";
  ResolveHiveFilePath(path);
  EXPECT_EQ(path, L"C:\\Windows\\System32\\config\\SAM");
  path = L"\\Device\\HarddiskVolume7\\Windows\\System32\\config\\SOFTWARE";
  ResolveHiveFilePath(path);
  EXPECT_EQ(path, L"C:\\Windows\\System32\\config\\SOFTWARE");
  path = L"\\Device\\HarddiskVolume7\\Users\\qzx\\NTUSER.DAT";
  ResolveHiveFilePath(path);
  EXPECT_EQ(path, L"C:\\Users\\qzx\\NTUSER.DAT");
  EXPECT_EQ(GetFileSizeByListing(L"C:\\users\\qzx\\hives\\SAM"), 1u);
  EXPECT_EQ(GetFileSizeByListing(L"C:\\users\\qzx\\hives\\SA"), 0u);
}

TEST(HiveAnalysis, DeletesOnlyFilesTheAnalysisMakes) {
  toolstest::ToolsPrefix prefix;
  struct Case {
    const wchar_t* path;
    bool ours;
  };
  const Case kCases[] = {
      {L"C:\\windows\\System32\\Config\\TWQBakup\\sam.bak", true},
      {L"c:\\WINDOWS\\system32\\config\\twqbakup\\sam.BAC", true},
      {L"C:\\windows\\system32\\QZ1A2F.tmp", true},
      {L"C:\\windows\\system32\\QZ1A2F.bac", true},
      {L"C:\\windows\\System32\\Config\\TWQBakup\\sam.dat", false},
      {L"C:\\windows\\System32\\Config\\TWQBakup\\sub\\sam.bak", false},
      {L"C:\\windows\\System32\\Config\\TWQBakup\\..\\SAM.bak", false},
      {L"C:\\windows\\system32\\kernel32.dll", false},
      {L"C:\\windows\\system32\\QZXYZ.tmp", false},
      {L"sam", false},
      {L"sam.bak", false},
      {L"", false},
  };
  for (const auto& c : kCases) EXPECT_EQ(IsAnalysisCopyPath(c.path), c.ours) << fs::path(c.path).string();

  auto victim = prefix.createFile(L"C:\\users\\qzx\\precious.txt", "keep");
  auto copy = prefix.createFile(L"C:\\windows\\System32\\Config\\TWQBakup\\sam.bak", "copy");
  CRegCompact rc;
  rc.m_nHives = 2;
  rc.m_pHives = std::make_unique<SHiveCompactInfo[]>(2);
  rc.m_pHives[0].strCopyPath = L"C:\\users\\qzx\\precious.txt";
  rc.m_pHives[1].strCopyPath = L"C:\\windows\\System32\\Config\\TWQBakup\\sam.bak";
  rc.DeleteCopies();
  EXPECT_TRUE(fs::exists(victim));
  EXPECT_FALSE(fs::exists(copy));
}
