// A repair on the worker and its undo through the registry editor, on a copy of the sample prefix; and the
// restore of damaged undo archives.
#include <gtest/gtest.h>

#include <chrono>
#include <cwchar>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/system/Process.h"
#include "platform/win/MessageBox.h"
#include "scan/Backup.h"
#include "scan/BackupSession.h"
#include "scan/BackupZip.h"
#include "scan/CleanThread.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/categories/Startup.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/EngineTestSupport.h"
#include "scan/support/RegistryDump.h"
#include "scan/support/RegistryProbe.h"
#include "support/TestPrefix.h"

namespace {

using mxtest::Arch;
using mxtest::TestPrefix;
using enginetest::KeyExists;
using enginetest::StringValue;

// Every key and value under a root in one view, one line each, the product key left out (the repair writes
// its counter there). Key names compare without case, as the registry does.
using mxtest::DumpRegistry;

std::wstring EightDigits(int number) {
  wchar_t text[16];
  std::swprintf(text, 16, L"%.8d", number);
  return text;
}

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    enginetest::AddDataFolder(prefix);
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  }
  void TearDown() override { ResetLanguageReader(); }

  TestPrefix prefix = TestPrefix::FromFixture();
  win::ScopedAnswers answers;
};

// Pumps the test thread's messages until the log holds the event, or a generous time has passed.
bool WaitForEvent(const enginetest::EventLog& log, const std::string& event) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    enginetest::PumpPending();
    for (const auto& e : log.Events())
      if (e == event) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

TEST_F(UndoTest, RepairOnTheWorkerThenUndoAllBringsBackBothViews) {
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxAgent"="\"C:\\Qzx\\agent.exe\" /tray"
[HKEY_CURRENT_USER\Software\QzxA\Gone]
"x"="1"
[HKEY_CURRENT_USER\Software\QzxB\Shown]
[HKEY_CURRENT_USER\Software\QzxB\Real\Sub]
"deep"=dword:00000007
[HKEY_CURRENT_USER\Software\QzxMru]
"MRUList"="cab"
"a"="C:\\a.txt"
"b"="C:\\b.txt"
"c"="C:\\gone.txt"
[HKEY_CURRENT_USER\Software\QzxE]
"Blank"="old"
)");
  prefix.import32(LR"(
[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run]
"QzxAgent32"="C:\\Qzx\\agent32.exe"
[HKEY_LOCAL_MACHINE\Software\QzxW\Inner]
"bin"=hex:01,02,03
)");
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  const auto before = DumpRegistry();

  CScanManager manager;
  manager.m_categoryFactory = [](DWORD flag) -> std::unique_ptr<CCategory> {
    if (flag == CATEGORY_STARTUP) return std::make_unique<CStartup>();
    return std::make_unique<mxtest::StubCategory>([](mxtest::StubCategory& c) {
      c.AddProblem(0, L"HKEY_CURRENT_USER\\Software\\QzxA\\Gone", L"", L"", L"", 0);
      c.AddProblem(1, L"HKEY_CURRENT_USER\\Software\\QzxB\\Shown", L"", L"", L"HKEY_CURRENT_USER\\Software\\QzxB\\Real", 0);
      c.AddProblem(27, L"HKEY_CURRENT_USER\\Software\\QzxMru", L"c", L"C:\\gone.txt", L"", 0);
      c.AddProblem(37, L"HKEY_CURRENT_USER\\Software\\QzxE", L"Blank", L"old", L"", 0);
      c.AddProblem(37, L"HKEY_CURRENT_USER\\Software\\QzxE", L"Fresh", L"", L"", 0);
      c.AddProblem(3, L"HKEY_LOCAL_MACHINE\\Software\\QzxW", L"", L"", L"", 1);
      return 1;
    });
  };
  manager.CreateCategories(CATEGORY_STARTUP | CATEGORY_SOFTWARE, 2);
  mxtest::ScanSettings settings;
  auto startup = mxtest::RunCategoryScan(*manager.GetCategory(CATEGORY_STARTUP), settings);
  auto others = mxtest::RunCategoryScan(*manager.GetCategory(CATEGORY_SOFTWARE), settings);
  ASSERT_EQ(startup.size(), 2u);
  ASSERT_EQ(others.size(), 6u);

  enginetest::EventLog log;
  enginetest::RecordingWindow page(L"QzxRepairPage", &log, "page");
  enginetest::RecordingWindow bar(L"QzxRepairBar", &log, "bar");
  ASSERT_TRUE(StartRepairRun(manager, page.GetSafeHwnd(), &bar, nullptr));
  ASSERT_TRUE(WaitForEvent(log, "page 0x407 0x0 0x0")) << "WM_CLEAN_COMPLETED";
  manager.StopWorkerAndWait();
  EndBackupSession(manager.m_pBackupHolder);

  EXPECT_EQ(manager.GetProblemCount(), 0) << "every problem was fixed";
  std::string lastBarPosition;
  for (const auto& e : log.Events())
    if (e.rfind("bar 0x402 ", 0) == 0) lastBarPosition = e;
  EXPECT_EQ(lastBarPosition, "bar 0x402 0xd 0x0");

  const REGSAM v64 = KEY_WOW64_64KEY, v32 = KEY_WOW64_32KEY;
  const wchar_t* run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, run, L"QzxAgent", v64), "<no value>");
  EXPECT_EQ(StringValue(HKEY_LOCAL_MACHINE, run, L"QzxAgent32", v32), "<no value>");
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\QzxA", v64)) << "the emptied parent went too";
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\QzxB\\Real", v64));
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, L"Software\\QzxB\\Shown", v64));
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, L"Software\\QzxMru", L"MRUList", v64), "ab");
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, L"Software\\QzxMru", L"c", v64), "<no value>");
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, L"Software\\QzxE", L"Blank", v64), "");
  EXPECT_EQ(StringValue(HKEY_CURRENT_USER, L"Software\\QzxE", L"Fresh", v64), "");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\QzxW", v32));
  EXPECT_NE(DumpRegistry(), before);

  CBackup record;
  record.m_strRecordPath = record.m_strFolder + L"00000001.rmx";
  ASSERT_EQ(record.Archive(FALSE), 1);
  ASSERT_EQ(record.m_arrOperations.size(), 2u);
  EXPECT_EQ(record.m_strDescription, GetLocalizedString(L"AFX_IDS_APP_TITLE"));
  EXPECT_NE(StrLatestRestorePoint.find(GetLocalizedString(L"IDS_STR_PARTIAL_BACKUP")), std::wstring::npos);
  ASSERT_EQ(record.UndoAll(), 1) << mx::WideToUtf8(mx::reg::LastRegistryError());
  EXPECT_TRUE(answers.answers.texts().empty());
  EXPECT_EQ(DumpRegistry(), before);
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(record.m_strFolder + L"00000001.reg")));
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(record.m_strFolder + L"00000002.reg")));
}

// A record whose archive lacks an entry, names an entry outside its folder, or has no archive at all.
TEST_F(UndoTest, DamagedArchivesFailTheRestoreAndChangeNothing) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
"v"="now"
)");
  CBackup probe;
  const std::wstring folder = probe.m_strFolder;
  const std::string regText = std::string("\xFF\xFE", 2) + mx::WideToUtf16Le(L"Windows Registry Editor Version 5.00\r\n"
                                                                           L"\r\n[HKEY_CURRENT_USER\\Software\\Qzx]\r\n"
                                                                           L"\"v\"=\"then\"\r\n");
  auto writeRun = [&](int number, std::vector<std::pair<std::wstring, BYTE>> entries, const wchar_t* zipName) {
    CBackup run(L"Mx");
    run.m_strArchivePath = folder + EightDigits(number) + L".rxb";
    for (auto& [name, view] : entries) {
      auto op = std::make_unique<COperation>();
      op->m_nType = kOpDeleteKeyTree;
      op->m_arrStrings = {L"waste", name};
      op->m_arrInts = {1};
      op->m_b64BitView = view;
      run.m_arrOperations.push_back(std::move(op));
    }
    if (zipName) {
      BackupZipWriter zip;
      EXPECT_TRUE(zip.Add(zipName, regText));
      std::string bytes;
      EXPECT_TRUE(zip.Finish(bytes));
      EXPECT_TRUE(mx::WriteFileAtomic(prefix.hostPath(run.m_strArchivePath), bytes));
    }
    EXPECT_EQ(run.Archive(TRUE), 1);
    return run.m_strRecordPath;
  };
  struct Case {
    int number;
    std::vector<std::pair<std::wstring, BYTE>> entries;
    const wchar_t* zipName;
    std::vector<std::wstring> messages;
  };
  const std::wstring unzip = GetLocalizedString(L"IDS_UNZIP_ERR");
  const std::wstring failed = GetLocalizedString(L"IDS_STR_UNDO_FAILED");
  ASSERT_FALSE(unzip.empty());
  const Case kCases[] = {
      {1, {{L"00000001.reg", 0}, {L"00000002.reg", 1}}, L"00000001.reg", {failed}},  // entry 2 is missing
      {2, {{L"..\\x.reg", 1}}, L"..\\x.reg", {failed}},
      {3, {{L"00000001.reg", 1}}, L"..\\00000001.reg", {failed}},
      {4, {{L"00000001.reg", 1}}, nullptr, {unzip, failed}},
  };
  for (const auto& c : kCases) {
    answers.answers.clear();
    const std::wstring recordPath = writeRun(c.number, c.entries, c.zipName);
    ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
    CBackup record;
    record.m_strRecordPath = recordPath;
    ASSERT_EQ(record.Archive(FALSE), 1);
    EXPECT_EQ(record.UndoAll(), 0) << c.number;
    EXPECT_EQ(answers.answers.texts(), c.messages) << c.number;
    EXPECT_EQ(StringValue(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", KEY_WOW64_64KEY), "now") << c.number;
    EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(folder).parent_path() / "x.reg"));
  }
}

// On 32-bit Windows one view, one entry, one editor: the deleted key and the changed value come back, the
// value the repair created goes.
TEST(UndoOn32Bit, OneEntryRestoresTheOnlyView) {
  TestPrefix prefix(Arch::Win32);
  enginetest::AddDataFolder(prefix);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx\Gone]
"x"=dword:00000001
[HKEY_CURRENT_USER\Software\Qzx]
"v"="then"
)");
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  const auto before = DumpRegistry();
  BackupHolder holder;
  ASSERT_TRUE(BeginBackupSession(&holder));
  const std::wstring folder = holder.m_pCurrentRun->m_strFolder;
  EXPECT_EQ(DeleteKeyWithBackup(&holder, 1, L"Software\\Qzx\\Gone", TRUE, 0), 1);
  EXPECT_EQ(SetValueWithBackup(&holder, 1, L"Software\\Qzx", L"v", L"now", 0), 1);
  EXPECT_EQ(SetValueWithBackup(&holder, 1, L"Software\\Qzx", L"created", L"", 0), 1);
  EXPECT_EQ(SetValueWithBackup(&holder, 1, L"Software\\Qzx\\New\\Deeper", L"y", L"", 0), 1);
  EndBackupSession(&holder);
  EXPECT_NE(DumpRegistry(), before);

  CBackup record;
  record.m_strRecordPath = folder + L"00000001.rmx";
  ASSERT_EQ(record.Archive(FALSE), 1);
  ASSERT_EQ(record.m_arrOperations.size(), 1u);
  ASSERT_EQ(record.UndoAll(), 1);
  EXPECT_EQ(DumpRegistry(), before);
}

// An editor stand-in that appends its arguments to a log and ends with a chosen status.
class FakeEditor {
 public:
  explicit FakeEditor(int status) {
    const auto script = dir_.path() / "regedit";
    log_ = dir_.path() / "calls.txt";
    std::string body = "#!/bin/sh\nfor a in \"$@\"; do printf '%s ' \"$a\" >> '" + log_.string() +
                       "'; done\necho >> '" + log_.string() + "'\nexit " + std::to_string(status) + "\n";
    EXPECT_TRUE(mx::WriteFileAtomic(script, body));
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    mx::SetRegeditBinary(script);
  }
  ~FakeEditor() { mx::SetRegeditBinary({}); }
  std::vector<std::string> Calls() const {
    std::string text;
    mx::ReadWholeFile(log_, text);
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

 private:
  mxtest::TempDir dir_;
  std::filesystem::path log_;
};

TEST_F(UndoTest, NewestEntryFirstEachByTheEditorOfItsView) {
  BackupHolder holder;
  ASSERT_TRUE(BeginBackupSession(&holder));
  const std::wstring folder = holder.m_pCurrentRun->m_strFolder;
  EndBackupSession(&holder);

  CBackup record;
  record.m_strRecordPath = folder + L"00000001.rmx";
  ASSERT_EQ(record.Archive(FALSE), 1);
  ASSERT_EQ(record.m_arrOperations.size(), 2u);
  {
    FakeEditor editor(0);
    EXPECT_EQ(record.UndoAll(), 1);
    const auto calls = editor.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_NE(calls[0].find("--view=64"), std::string::npos) << calls[0];
    EXPECT_NE(calls[0].find("00000002.reg"), std::string::npos) << calls[0];
    EXPECT_NE(calls[1].find("--view=32"), std::string::npos) << calls[1];
    EXPECT_NE(calls[1].find("00000001.reg"), std::string::npos) << calls[1];
  }
  {
    FakeEditor editor(1);
    EXPECT_EQ(record.UndoAll(), 0) << "an editor that fails fails the restore";
    EXPECT_EQ(editor.Calls().size(), 1u);
    EXPECT_EQ(answers.answers.texts(), std::vector<std::wstring>{GetLocalizedString(L"IDS_STR_UNDO_FAILED")});
  }
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(folder + L"00000002.reg")));
}

}  // namespace
