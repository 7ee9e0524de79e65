#include "tools/OptimizationSummary.h"

#include <algorithm>
#include <cstdio>

#include "app/LocalizedStrings.h"
#include "platform/base/SafeFormat.h"
#include "tools/HiveOptimizer.h"
#include "tools/RegCompact.h"

void FormatSummarySize(ULONGLONG size, std::wstring& out) {
  wchar_t buffer[64];
  // The quotients are compared at single precision; the numbers shown for bytes, KB and MB are whole shifts.
  if (static_cast<float>(size) < 1204.0f) {
    std::swprintf(buffer, 64, L"%d Bytes", static_cast<int>(size));
  } else if (static_cast<float>(static_cast<double>(size) / 1024.0) < 1204.0f) {
    std::swprintf(buffer, 64, L"%d KB", static_cast<int>(size >> 10));
  } else if (static_cast<float>(static_cast<double>(size) / 1048576.0) < 1024.0f) {
    std::swprintf(buffer, 64, L"%d MB", static_cast<int>(size >> 20));
  } else {
    std::swprintf(buffer, 64, L"%0.2f GB", static_cast<double>(size) / 1073741824.0);
  }
  out = buffer;
}

OptimizationSummaryCounters ReadOptimizationSummary() {
  OptimizationSummaryCounters counters;
  HiveOptimizer optimizer;
  if (optimizer.ReadResults() != 0) return counters;
  CRegCompact summary;
  if (!summary.LoadSummary()) return counters;
  counters.nHivesOptimized = std::max(summary.m_nHives, static_cast<int>(optimizer.m_Header[0]));
  for (int i = 0; summary.m_pHives && i < summary.m_nHives; ++i) {
    const SHiveCompactInfo& r = summary.m_pHives[i];
    // A copy as large as its file, or larger, gave nothing back.
    if (!r.nSaved || r.dwLiveSize == 0 || r.dwCopySize == 0 || r.dwCopySize >= r.dwLiveSize) continue;
    counters.dwSizeBefore += r.dwLiveSize;
    counters.dwSpaceSaved += r.dwLiveSize - r.dwCopySize;
    counters.dwSizeAfter += r.dwCopySize;
  }
  return counters;
}

std::vector<std::wstring> BuildSummaryPageTexts(int problems, const OptimizationSummaryCounters& counters) {
  const auto text = [](const wchar_t* key) { return GetLocalizedString(key); };
  std::wstring before, saved;
  FormatSummarySize(counters.dwSizeBefore, before);
  FormatSummarySize(counters.dwSpaceSaved, saved);
  const std::wstring count = std::to_wstring(problems);
  return {problems == 0 ? L"1" : L"0",
          count + L" " + text(problems == 1 ? L"IDS_ERROR" : L"IDS_ERRORS"),
          count,
          std::to_wstring(counters.nHivesOptimized),
          before,
          saved,
          text(L"IDS_DEFRAG_REG_FRAG_REMOVED"),
          text(L"IDS_DEFRAG_IMP"),
          text(L"IDS_DEFRAG_REG_GYAN"),
          text(L"IDS_DEFRAG_CLICK_FINISH"),
          text(L"IDS_DEFRAG_ERRORS_STILL_EXIST"),
          text(L"IDS_REG_OPTIMIZATION_INFO"),
          text(L"IDS_REGOPT_LASTREGOPTSCANRES"),
          text(L"IDS_DLG_FINISH_ERRORS_FIXED"),
          text(L"IDS_DLG_FINISH_ERRORS_REMANING"),
          mx::SafeFormat(text(L"IDS_DEFRAG_BTN_FIX_ERRORS"),
                         {text(problems == 0 ? L"IDC_BTN_FINISH_REGOPT" : L"IDS_BTN_FIX_ERRORS")})};
}
