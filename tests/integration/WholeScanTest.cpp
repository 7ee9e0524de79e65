// The fourteen categories together on the real Wine registry of the sample prefix: what a full scan finds
// (against the checked list in golden/), and a repair of all of it followed by the restore of its undo run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "integration/WholeScan.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "scan/Backup.h"
#include "scan/BackupSession.h"
#include "scan/CleanThread.h"
#include "scan/EngineMessages.h"
#include "scan/ScanManager.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/RecordingWindow.h"
#include "support/TestPrefix.h"

namespace {

// The checked list: tab-separated lines as wholescan::ProblemLines writes them; '#' lines and blank lines
// are notes.
std::vector<std::string> ReadGolden(const char* name) {
  std::ifstream in(std::string(MX_SOURCE_DIR) + "/tests/integration/golden/" + name);
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') out.push_back(line);
  return out;
}

// Lines only in a (-) or only in b (+), for a readable failure.
std::string Difference(const std::vector<std::string>& expected, const std::vector<std::string>& actual) {
  std::multiset<std::string> a(expected.begin(), expected.end()), b(actual.begin(), actual.end());
  std::string out;
  for (const auto& line : a)
    if (b.count(line) < a.count(line)) out += "- " + line + "\n";
  for (const auto& line : b)
    if (a.count(line) < b.count(line)) out += "+ " + line + "\n";
  return out;
}

// MX_WHOLESCAN_OUT=<file> writes what the scan found, to check by hand against the prefix.
void WriteActual(const std::vector<std::string>& lines) {
  if (const char* path = std::getenv("MX_WHOLESCAN_OUT")) {
    std::ofstream out(path);
    for (const auto& line : lines) out << line << "\n";
  }
}

mxtest::ScanSettings Settings() {
  ApplyDefaultSettings();
  return wholescan::ProgramDefaults();
}

// The tab-separated fields of a problem line.
std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> out(1);
  for (char c : line) {
    if (c == '\t')
      out.emplace_back();
    else
      out.back() += c;
  }
  return out;
}

class WholeScanTest : public ::testing::Test {
 protected:
  WholeScanTest() {
    wholescan::RemoveHostDrive(mx::Utf8ToWide(prefix.root().string()));
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
  }
  ~WholeScanTest() override { ResetLanguageReader(); }

  mxtest::TestPrefix prefix = mxtest::TestPrefix::FromFixture();
  // The program's own settings: empty keys are skipped, removable media count as present.
  mxtest::ScanSettingsScope settings{Settings()};
  win::ScopedAnswers answers;
};

TEST_F(WholeScanTest, FullScanFindsExactlyTheCheckedList) {
  CScanManager manager;
  DWORD finished = 0;
  ASSERT_EQ(wholescan::RunScan(manager, kAllCategories, &finished), WM_SCAN_COMPLETED);
  EXPECT_EQ(finished, kAllCategories) << "every category ran to its end";
  const std::vector<std::string> found = wholescan::ProblemLines(manager);
  WriteActual(found);
  const std::vector<std::string> golden = ReadGolden("sample-prefix.txt");
  ASSERT_FALSE(golden.empty());
  EXPECT_EQ(found.size(), golden.size());
  EXPECT_EQ(Difference(golden, found), "");
  EXPECT_EQ(manager.GetProblemCount(), static_cast<int>(found.size()));
}

// Pumps the calling thread until the repair page has its end message.
bool WaitForRepairEnd(const enginetest::EventLog& log) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(4);
  while (std::chrono::steady_clock::now() < deadline) {
    enginetest::PumpPending();
    for (const auto& e : log.Events())
      if (e.rfind("page " + enginetest::Hex(WM_CLEAN_COMPLETED), 0) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

// With empty keys reported too, the repair deletes keys in both views as well as values.
TEST_F(WholeScanTest, RepairOfEverythingThenRestoreGivesBackBothViews) {
  mxtest::ScanSettings withEmptyKeys = Settings();
  withEmptyKeys.skipEmptyKeys = false;
  mxtest::ScanSettingsScope scope(withEmptyKeys);
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  const auto before = wholescan::DumpRegistry();

  CScanManager manager;
  ASSERT_EQ(wholescan::RunScan(manager), WM_SCAN_COMPLETED);
  const std::vector<std::string> found = wholescan::ProblemLines(manager);
  ASSERT_GT(found.size(), ReadGolden("sample-prefix.txt").size());

  enginetest::EventLog log;
  enginetest::RecordingWindow page(L"MxWholeRepairPage", &log, "page");
  enginetest::RecordingWindow bar(L"MxWholeRepairBar", &log, "bar");
  ASSERT_TRUE(StartRepairRun(manager, page.GetSafeHwnd(), &bar, nullptr));
  ASSERT_TRUE(WaitForRepairEnd(log));
  manager.StopWorkerAndWait();
  EndBackupSession(manager.m_pBackupHolder);
  EXPECT_EQ(manager.GetProblemCount(), 0) << "every problem was repaired";
  const auto repaired = wholescan::DumpRegistry();
  EXPECT_NE(repaired, before);

  // Nothing found before comes back, except what a repair leaves on purpose.
  CScanManager again;
  ASSERT_EQ(wholescan::RunScan(again), WM_SCAN_COMPLETED);
  const std::vector<std::string> second = wholescan::ProblemLines(again);
  const std::vector<std::string> left = ReadGolden("left-after-repair.txt");
  std::vector<std::string> comeBack;
  for (const auto& line : second)
    if (std::find(found.begin(), found.end(), line) != found.end()) comeBack.push_back(line);
  EXPECT_EQ(Difference(left, comeBack), "");
  // New findings may only be keys the repair emptied: the parent of a deleted empty key, in its view.
  for (const auto& line : second) {
    if (std::find(found.begin(), found.end(), line) != found.end()) continue;
    const std::vector<std::string> parent = Fields(line);
    const bool emptiedParent = parent[2] == "1" && std::any_of(found.begin(), found.end(), [&](const std::string& f) {
      const std::vector<std::string> child = Fields(f);
      return child[0] == parent[0] && child[1] == parent[1] && child[2] == "1" &&
             child[3].rfind(parent[3] + "\\", 0) == 0;
    });
    EXPECT_TRUE(emptiedParent) << "the repair made a new problem: " << line;
  }

  CBackup record;
  record.m_strRecordPath = record.m_strFolder + L"00000001.rmx";
  ASSERT_EQ(record.Archive(FALSE), 1);
  ASSERT_EQ(record.UndoAll(), 1) << mx::WideToUtf8(mx::reg::LastRegistryError());
  EXPECT_TRUE(answers.answers.texts().empty());
  const auto restored = wholescan::DumpRegistry();
  EXPECT_EQ(restored.size(), before.size());
  std::string differences;
  for (const auto& [name, value] : before) {
    auto it = restored.find(name);
    if (it == restored.end()) differences += "- " + mx::WideToUtf8(name) + "\n";
    else if (it->second != value) differences += "~ " + mx::WideToUtf8(name) + "\n";
  }
  for (const auto& [name, value] : restored)
    if (!before.count(name)) differences += "+ " + mx::WideToUtf8(name) + "\n";
  EXPECT_EQ(differences, "");
}

}  // namespace
