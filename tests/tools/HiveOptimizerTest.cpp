// The boot-time set-up: the parameter file, BootExecute, the restart offer, and reading the outcome back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/LocalizedStrings.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/LaunchRecord.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "tools/HiveOptimizer.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

std::string Le32(std::uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF), static_cast<char>(v >> 16 & 0xFF),
                     static_cast<char>(v >> 24)};
}

std::string Utf16(const std::wstring& s) {
  std::string out;
  for (wchar_t c : s) {
    out += static_cast<char>(c & 0xFF);
    out += static_cast<char>(c >> 8 & 0xFF);
  }
  return out;
}

struct OptimizerWorld {
  toolstest::ToolsPrefix prefix;
  win::ScopedAnswers answers;
  OptimizerWorld() {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    mx::ClearRecordedLaunches();
  }
  fs::path ParameterFile() const { return prefix.driveC() / "windows" / "system32" / "ZSNQZSet.bin"; }
};

}  // namespace

TEST(HiveOptimizer, BootExecuteKeepsOtherEntriesAndPutsAutocheckBeforeOurs) {
  struct Case {
    const char* what;
    std::vector<std::wstring> current, expected;
  };
  const std::wstring ours = L"QZBoot64 \\??\\C:\\windows\\system32\\ZSNQZSet.bin";
  const Case kCases[] = {
      {"missing value", {}, {L"autocheck autochk *", ours}},
      {"the usual value", {L"autocheck autochk *"}, {L"autocheck autochk *", ours}},
      {"another program kept", {L"autocheck autochk *", L"otherboot \\??\\C:\\x"},
       {L"autocheck autochk *", L"otherboot \\??\\C:\\x", ours}},
      {"our earlier entries dropped", {L"QZBoot \\??\\C:\\old.bin", L"autocheck autochk *", L"qzboot64 \\??\\x"},
       {L"autocheck autochk *", ours}},
      {"autocheck missing comes first", {L"otherboot"}, {L"autocheck autochk *", L"otherboot", ours}},
  };
  for (const auto& c : kCases) EXPECT_EQ(MergeBootExecute(c.current, ours), c.expected) << c.what;
  EXPECT_EQ(ParseMultiString(MakeMultiString({L"a", L"bc"})), (std::vector<std::wstring>{L"a", L"bc"}));
}

TEST(HiveOptimizer, InstallWritesTheParameterFileAndTheBootEntryAndRecordsTheRestart) {
  OptimizerWorld world;
  world.prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]
"BootExecute"=hex(7):61,00,75,00,74,00,6f,00,63,00,68,00,65,00,63,00,6b,00,20,00,61,00,75,00,74,00,6f,00,63,00,68,00,6b,00,20,00,2a,00,00,00,6f,00,74,00,68,00,65,00,72,00,00,00,00,00
)");
  world.answers.answers.Expect(L"restarts", IDYES);
  HiveOptimizer optimizer;
  // SOFTWARE and SYSTEM (both in system.reg) and the user's hive; never the default user's.
  std::vector<SHiveInfoParams> list;
  ASSERT_TRUE(optimizer.BuildHiveList(0x3E, list));
  ASSERT_EQ(optimizer.Install(), 1) << mx::WideToUtf8(optimizer.m_strError);

  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].strRegistryName, L"\\REGISTRY\\MACHINE\\SOFTWARE");
  EXPECT_EQ(list[1].strRegistryName, L"\\REGISTRY\\MACHINE\\SYSTEM");
  EXPECT_EQ(list[2].strRegistryName, L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000");
  EXPECT_EQ(list[2].dwFileSize, fs::file_size(world.prefix.root() / "user.reg"));
  EXPECT_EQ(list[2].strDosPath.substr(0, 3), L"Z:\\");

  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(world.ParameterFile(), bytes));
  std::string expected = Le32(3) + Le32(6) + Le32(2);
  for (const auto& e : list)
    expected += Le32(static_cast<DWORD>(e.strRegistryName.size())) + Le32(static_cast<DWORD>(e.strNtPath.size())) +
                Le32(e.dwFileSize) + Le32(1) + Utf16(e.strRegistryName) + Utf16(e.strNtPath);
  EXPECT_EQ(bytes, expected);

  EXPECT_EQ(toolstest::BootExecuteEntries(), (std::vector<std::wstring>{L"autocheck autochk *", L"other",
                                                      L"QZBoot64 \\??\\C:\\windows\\system32\\ZSNQZSet.bin"}));
  auto launches = mx::RecordedLaunches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].file, L"shutdown.exe");
  EXPECT_EQ(launches[0].parameters, L"-r -t 60 -c \"Your computer will restart in one minute to optimize the registry.\"");

  // A second set-up replaces our entry instead of adding one.
  world.answers.answers.Expect(L"restarts", IDNO);
  ASSERT_EQ(optimizer.Install(), 1);
  EXPECT_EQ(toolstest::BootExecuteEntries().size(), 3u);
  EXPECT_EQ(mx::RecordedLaunches().size(), 1u) << "declined: no restart";
}

TEST(HiveOptimizer, AFailedBootEntryLeavesNoParameterFile) {
  OptimizerWorld world;
  world.prefix.import(L"[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager]\n\"X\"=\"1\"\n");
  ASSERT_EQ(mx::reg::SetKeyAccess(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_WOW64_64KEY, mx::reg::KeyAccess::ReadOnly),
            ERROR_SUCCESS);
  world.answers.answers.Expect(L"Install failed", IDOK);
  HiveOptimizer optimizer;
  EXPECT_EQ(optimizer.Install(), 0);
  EXPECT_EQ(optimizer.m_strError.rfind(L"Install failed!\r\nFailed to open registry key1\r\nError code 0x05.", 0), 0u);
  EXPECT_EQ(world.answers.answers.pending(), 0u) << "the failure was shown";
  EXPECT_FALSE(fs::exists(world.ParameterFile()));
  EXPECT_TRUE(mx::RecordedLaunches().empty());
}

TEST(HiveOptimizer, ReadResultsReadsNameThenPathAndRefusesDamage) {
  OptimizerWorld world;
  HiveOptimizer optimizer;
  EXPECT_EQ(optimizer.ReadResults(), -1);
  std::wstring nt = *mx::NtPathOfHostFile(world.prefix.root() / "user.reg");
  auto entry = [&](DWORD a, DWORD b, DWORD size, const std::wstring& name, const std::wstring& path) {
    return Le32(a) + Le32(b) + Le32(size) + Le32(1) + Utf16(name) + Utf16(path);
  };
  const std::wstring name = L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000";
  struct Case {
    const char* what;
    std::string bytes;
    int code;
  };
  const Case kCases[] = {
      {"not run yet", Le32(1) + Le32(6) + Le32(2), 1},
      {"processed", Le32(1) + Le32(6) + Le32(8) + entry(DWORD(name.size()), DWORD(nt.size()), 5, name, nt), 0},
      {"cut header", Le32(1) + Le32(6), -2},
      {"a length past the file", Le32(1) + Le32(6) + Le32(8) + entry(0x7FFFFFFF, DWORD(nt.size()), 5, name, nt), -3},
      {"another status", Le32(0) + Le32(6) + Le32(5), 2},
  };
  for (const auto& c : kCases) {
    ASSERT_TRUE(mx::WriteFileAtomic(world.ParameterFile(), c.bytes));
    EXPECT_EQ(optimizer.ReadResults(), c.code) << c.what;
  }
  ASSERT_TRUE(mx::WriteFileAtomic(world.ParameterFile(), kCases[1].bytes));
  world.prefix.createFile(L"C:\\dummy");  // keeps drive_c in use
  fs::path leftover = world.prefix.root() / "user.reg.sav.log";
  { std::ofstream(leftover) << "x"; }
  ASSERT_EQ(optimizer.ReadResults(), 0);
  ASSERT_EQ(optimizer.m_arrResults.size(), 1u);
  EXPECT_EQ(optimizer.m_arrResults[0].strName, name);
  EXPECT_EQ(optimizer.m_arrResults[0].dwRecordedSize, 5u);
  EXPECT_EQ(optimizer.m_arrResults[0].dwLargerSize, fs::file_size(world.prefix.root() / "user.reg"));
  EXPECT_FALSE(fs::exists(leftover));
}
