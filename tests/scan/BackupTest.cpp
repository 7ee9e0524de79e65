#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/AppPaths.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "scan/Backup.h"
#include "scan/BackupSession.h"
#include "scan/BackupZip.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/RegistryProbe.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;

std::filesystem::path HostFolder(const TestPrefix& prefix, const CBackup& run) {
  return prefix.hostPath(run.m_strFolder);
}

TEST(Backup, NextNumberFollowsTheHighestRecord) {
  TestPrefix prefix(Arch::Win32);
  enginetest::AddDataFolder(prefix);
  CBackup run;
  ASSERT_FALSE(run.m_strFolder.empty());
  EXPECT_EQ(run.GetNextBackupPath(), run.m_strFolder + L"00000001");
  const auto folder = HostFolder(prefix, run);
  for (const char* name : {"00000003.rmx", "00000010.rmx", "abc.rmx", "00000050.rmx.bak", "00000060.RMX",
                           "00000080.rxb", "00000090rmx.rmx"})
    ASSERT_TRUE(mx::WriteFileAtomic(folder / name, "x"));
  std::filesystem::create_directory(folder / "00000070.rmx");
  EXPECT_EQ(run.GetNextBackupPath(), run.m_strFolder + L"00000011");
}

TEST(Backup, RecordBytesAndTheirReading) {
  TestPrefix prefix(Arch::Win32);
  enginetest::AddDataFolder(prefix);
  CBackup run(L"Mx");
  run.m_tTime = 0x0102030405060708;
  run.m_nEntryCount = 2;
  for (BYTE view : {0, 1}) {
    auto op = std::make_unique<COperation>();
    op->m_nType = kOpDeleteKeyTree;
    op->m_arrStrings = {L"waste", view ? L"00000002.reg" : L"00000001.reg"};
    op->m_arrInts = {1};
    op->m_b64BitView = view;
    run.m_arrOperations.push_back(std::move(op));
  }
  auto str = [](const std::string& ascii) {
    std::string out = "\xFF\xFE\xFF";
    out += static_cast<char>(ascii.size());
    for (char c : ascii) out += std::string{c, '\0'};
    return out;
  };
  auto i32 = [](std::uint32_t v) {
    return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
  };
  std::string expected = str("Mx") + i32(2) + i32(0) + i32(2) + i32(0x8000000A) + i32(0x05060708) + i32(0x01020304);
  for (int view : {0, 1})
    expected += i32(6) + i32(2) + str("waste") + str(view ? "00000002.reg" : "00000001.reg") + i32(1) + i32(1) +
                i32(0) + i32(0) + i32(view);
  EXPECT_EQ(run.EncodeRecord(), expected);

  ASSERT_EQ(run.Archive(TRUE), 1);
  EXPECT_EQ(run.m_strRecordPath, run.m_strFolder + L"00000001.rmx");
  std::string onDisk;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(run.m_strRecordPath), onDisk));
  EXPECT_EQ(onDisk, expected);

  {
    CBackup loaded;
    loaded.m_strRecordPath = run.m_strRecordPath;
    ASSERT_EQ(loaded.Archive(FALSE), 1);
    EXPECT_EQ(loaded.m_strDescription, L"Mx");
    EXPECT_EQ(loaded.m_tTime, 0x0102030405060708);
    ASSERT_EQ(loaded.m_arrOperations.size(), 2u);
    EXPECT_EQ(loaded.m_arrOperations[1]->m_arrStrings[1], L"00000002.reg");
    EXPECT_EQ(loaded.m_arrOperations[1]->m_b64BitView, 1);
    loaded.m_strDescription = L"changed";
  }
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(run.m_strRecordPath), onDisk));
  EXPECT_EQ(onDisk, expected) << "a record read back is never written again";

  // The older form keeps a 32-bit time where the marker would be.
  CBackup old;
  std::string oldForm = str("Mx") + i32(0) + i32(0) + i32(0) + i32(1234);
  EXPECT_TRUE(old.DecodeRecord(oldForm));
  EXPECT_EQ(old.m_tTime, 1234);

  // Every cut of the record, and absurd counts, fail cleanly.
  for (size_t cut = 0; cut < expected.size(); ++cut) {
    CBackup damaged;
    EXPECT_FALSE(damaged.DecodeRecord(expected.substr(0, cut))) << cut;
  }
  CBackup huge;
  EXPECT_FALSE(huge.DecodeRecord(str("Mx") + i32(0x7FFFFFFF) + i32(0) + i32(0) + i32(1)));
  std::string bigStrings = expected;
  bigStrings.replace(str("Mx").size() + 24 + 4, 4, i32(0x10000000));
  CBackup manyStrings;
  EXPECT_FALSE(manyStrings.DecodeRecord(bigStrings));
}

TEST(Backup, SessionCapturesEachViewIntoItsOwnEntry) {
  TestPrefix prefix(Arch::Win64);
  enginetest::AddDataFolder(prefix);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"Wide"="64"
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"Narrow"="32"
)");
  BackupHolder holder;
  EndBackupSession(&holder);  // nothing open: nothing happens
  ASSERT_TRUE(BeginBackupSession(&holder));
  CBackup* open = holder.m_pCurrentRun;
  ASSERT_NE(open, nullptr);
  EXPECT_FALSE(BeginBackupSession(&holder)) << "a live run is never replaced";
  EXPECT_EQ(holder.m_pCurrentRun, open);

  EXPECT_EQ(DeleteValueWithBackup(&holder, 2, L"Software\\Qzx", L"Narrow", 0), 1);
  EXPECT_EQ(SetValueWithBackup(&holder, 2, L"Software\\Qzx", L"Wide", L"new", 1), 1);
  EXPECT_EQ(DeleteValueWithBackup(&holder, 2, L"Software\\Qzx", L"Missing", 1), 0);
  EXPECT_EQ(DeleteKeyWithBackup(&holder, 2, L"Software\\NotThere", TRUE, 1), 1);
  EXPECT_EQ(DeleteKeyWithBackup(&holder, 7, L"Software\\Qzx", TRUE, 1), 0) << "no such root";
  EXPECT_EQ(enginetest::StringValue(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"Narrow", KEY_WOW64_32KEY), "<no value>");
  EXPECT_EQ(enginetest::StringValue(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"Wide", KEY_WOW64_64KEY), "new");

  const std::wstring folder = open->m_strFolder;
  EndBackupSession(&holder);
  EXPECT_EQ(holder.m_pCurrentRun, nullptr);
  EXPECT_EQ(DeleteValueWithBackup(&holder, 2, L"Software\\Qzx", L"Wide", 1), 0) << "no run, no change";

  CBackup record;
  record.m_strRecordPath = folder + L"00000001.rmx";
  ASSERT_EQ(record.Archive(FALSE), 1);
  ASSERT_EQ(record.m_arrOperations.size(), 2u);
  EXPECT_EQ(record.m_nEntryCount, 2);
  EXPECT_EQ(record.m_arrOperations[0]->m_b64BitView, 0);
  EXPECT_EQ(record.m_arrOperations[1]->m_b64BitView, 1);
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(folder + kBackupTempFile)));

  std::string archive;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(folder + L"00000001.rxb"), archive));
  BackupZipReader zip;
  ASSERT_TRUE(zip.Open(archive));
  std::vector<std::wstring> names;
  ASSERT_TRUE(zip.EntryNames(names));
  EXPECT_EQ(names, (std::vector<std::wstring>{L"00000001.reg", L"00000002.reg"}));
  std::string entry;
  ASSERT_TRUE(zip.Extract(L"00000001.reg", entry));
  EXPECT_EQ(entry, std::string("\xFF\xFE", 2) + mx::WideToUtf16Le(L"Windows Registry Editor Version 5.00\r\n"
                                                                  L"\r\n[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n"
                                                                  L"\"Narrow\"=\"32\"\r\n"));
  ASSERT_TRUE(zip.Extract(L"00000002.reg", entry));
  const std::wstring wide = mx::Utf16LeToWide(std::string_view(entry).substr(2));
  EXPECT_NE(wide.find(L"\"Wide\"=\"64\"\r\n"), std::wstring::npos) << mx::WideToUtf8(wide);
  EXPECT_NE(wide.find(L"\"Missing\"=-\r\n"), std::wstring::npos) << mx::WideToUtf8(wide);
}

TEST(BackupZip, DamagedArchivesAreRefused) {
  BackupZipWriter writer;
  ASSERT_TRUE(writer.Add(L"00000001.reg", std::string(5000, 'a')));
  std::string archive;
  ASSERT_TRUE(writer.Finish(archive));
  EXPECT_FALSE(writer.Add(L"late.reg", "x"));

  BackupZipReader reader;
  EXPECT_FALSE(reader.Open("not a zip"));
  ASSERT_TRUE(reader.Open(archive));
  std::string content;
  EXPECT_FALSE(reader.Extract(L"00000001.reg", content, 100)) << "larger than allowed";
  EXPECT_FALSE(reader.Extract(L"00000002.reg", content));
  // A flipped byte in the compressed data shows as a damaged entry, never as content.
  std::string flipped = archive;
  flipped[50] = static_cast<char>(flipped[50] ^ 0x55);
  BackupZipReader damaged;
  if (damaged.Open(flipped)) {
    EXPECT_FALSE(damaged.Extract(L"00000001.reg", content));
  }
}

TEST(Backup, EntryNamesAreOnlyOurOwnForm) {
  for (const wchar_t* good : {L"00000001.reg", L"12345678.reg"}) EXPECT_TRUE(IsValidArchiveEntryName(good)) << good;
  for (const wchar_t* bad : {L"..\\x.reg", L"0000001.reg", L"00000001.REG", L"a/000001.reg", L"00000001.reg ",
                             L"0000000x.reg", L""})
    EXPECT_FALSE(IsValidArchiveEntryName(bad)) << mx::WideToUtf8(bad);
}

}  // namespace
