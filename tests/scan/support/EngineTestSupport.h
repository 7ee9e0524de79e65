#pragma once
// What the engine's own tests share: stub categories that log their scans into the event list of
// RecordingWindow.h, and the data folder a test prefix needs for the results file.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "scan/support/RecordingWindow.h"
#include "scan/Category.h"
#include "scan/ScanManager.h"
#include "support/TestPrefix.h"

namespace enginetest {

// A category whose Scan logs "scan <flag>" and then does what the test asks (1 by default).
class StubCategory : public CCategory {
 public:
  StubCategory(DWORD flag, EventLog* log) : m_flag(flag), m_log(log) {}
  int Scan() override {
    if (m_log) m_log->Add("scan " + Hex(m_flag));
    return m_onScan ? m_onScan(*this) : 1;
  }
  int GetItemCount() override { return 1; }

  DWORD m_flag;
  EventLog* m_log;
  std::function<int(StubCategory&)> m_onScan;
};

// Makes a stub for every flag.
inline CScanManager::CategoryFactory StubFactory(EventLog* log) {
  return [log](DWORD flag) -> std::unique_ptr<CCategory> { return std::make_unique<StubCategory>(flag, log); };
}

inline StubCategory* Stub(const CScanManager& manager, DWORD flag) {
  return dynamic_cast<StubCategory*>(manager.GetCategory(flag));
}

// A problem as the results loader would make it.
inline std::unique_ptr<CProblem> MakeProblem(int type, const std::wstring& key, const std::wstring& valueName = L"",
                                             const std::wstring& valueData = L"", int is32Bit = 0) {
  auto problem = std::make_unique<CProblem>();
  problem->EntryType = type;
  problem->Key = key;
  problem->ValueName = valueName;
  problem->ValueData = valueData;
  problem->m_n32BitEntry = is32Bit;
  return problem;
}

// The user's application-data folder, which holds the data folder of the results file.
inline void AddDataFolder(mxtest::TestPrefix& prefix) {
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"AppData"="C:\\users\\qzx\\AppData\\Roaming"
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"AppData"="C:\\users\\qzx\\AppData\\Roaming"
)");
  prefix.createFile(L"C:\\users\\qzx\\AppData\\Roaming\\desktop.ini");
}

}  // namespace enginetest
