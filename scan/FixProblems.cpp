// The fix loop of one category: repairs its selected problems one by one on the repair worker.
#include <string>

#include "app/AppLog.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "platform/base/Clock.h"
#include "platform/base/SafeFormat.h"
#include "platform/registry/Registry.h"
#include "platform/win/Wnd.h"
#include "scan/Category.h"
#include "scan/CleanThread.h"
#include "scan/RepairProblem.h"
#include "scan/ScanManager.h"

namespace {

constexpr DWORD kPauseBeforeEachProblemMs = 10;

win::CWnd* CountText(CScanManager* manager) {
  if (!manager || !manager->m_pErrorsProcessedText || !manager->m_pErrorsProcessedText->GetSafeHwnd()) return nullptr;
  return manager->m_pErrorsProcessedText;
}

void ShowProcessed(win::CWnd* text, int processed, int total) {
  if (!text) return;
  const std::wstring line = mx::SafeFormat(GetLocalizedString(L"IDS_ERRORS_PROCESSED"), {processed, total});
  text->SetWindowText(line.c_str());
  text->Invalidate(TRUE);
}

void WriteFixedLastCounter() {
  HKEY key = nullptr;
  if (win::RegCreateKeyEx(HKEY_CURRENT_USER, kProductKey, 0, nullptr, 0, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) !=
      ERROR_SUCCESS)
    return;
  const DWORD value = RegErrsFixedLast;
  win::RegSetValueEx(key, L"RegErrsFixedLast", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  win::RegCloseKey(key);
}

// Both totals count the same thing: the problems this run processed.
void AddProcessed(int processed) {
  RegErrsFixedTillDate += static_cast<DWORD>(processed);
  RegErrsFixedLast += static_cast<DWORD>(processed);
  WriteFixedLastCounter();
}

std::wstring AttemptLine(const CProblem& p) {
  return L"Attempting to fix Entry:\r\n EntryType:" + std::to_wstring(p.EntryType) + L"\r\n Key:" + p.Key +
         L"\r\n ValueName:" + p.ValueName + L" \r\n ValueData:" + p.ValueData + L" \r\n AlternateKey:" +
         p.AlternateKey + L" \r\n 32BitEntry:" + std::to_wstring(p.m_n32BitEntry);
}

}  // namespace

int CCategory::FixProblems() {
  CScanManager* manager = CurrentCleanManager();
  win::CWnd* text = CountText(manager);
  int total = 0;
  for (const auto& problem : m_arrProblems)
    if (problem->m_nSelected) ++total;
  if (total == 0) {
    if (text) text->ShowWindow(SW_HIDE);
    return 1;
  }
  if (text) text->ShowWindow(SW_SHOW);
  ShowProcessed(text, 0, total);

  int processed = 0;
  for (size_t index = 0; index < m_arrProblems.size();) {
    mx::GetClock().Sleep(kPauseBeforeEachProblemMs);
    if (IsStopRequested()) {
      AddProcessed(processed);
      if (manager) SaveLastScanResultCount(manager->GetProblemCount());
      return 2;
    }
    CProblem& problem = *m_arrProblems[index];
    if (!problem.m_nSelected) {
      ++index;
      continue;
    }
    ++processed;
    ShowProcessed(text, processed, total);
    WriteLogLine(AttemptLine(problem));
    if (RepairProblem(problem)) {
      WriteLogLine(L"Successfully Fixed the Above Entry");
      m_arrProblems.erase(m_arrProblems.begin() + static_cast<std::ptrdiff_t>(index));  // the next one moves here
    } else {
      WriteLogLine(L"The Above Entry Could not be Fixed!");
      problem.m_nRepairFailed = 1;
      if (manager) ++manager->m_nRepairsFailed;
      ++index;
    }
  }
  AddProcessed(processed);
  return 1;
}
