#pragma once
// What the summary after the optimisation's restart shows: the counters of what the boot-time compaction
// achieved and the sixteen texts of its page.
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// "1203 Bytes", "1203 KB", "1 MB", "1.50 GB": bytes and kilobytes are counted up to 1204 of them.
void FormatSummarySize(ULONGLONG size, std::wstring& out);

struct OptimizationSummaryCounters {
  DWORD dwSizeBefore = 0;  // live sizes of the hives that shrank
  DWORD dwSizeAfter = 0;   // their sizes after compaction
  DWORD dwSpaceSaved = 0;  // what they gave back
  int nHivesOptimized = 0;
};

// The counters from the boot program's parameter file and the analysis summary kept across the restart; all
// zero unless the boot program processed the file and the summary reads back. Only a hive whose copy was
// written and is smaller than its live file counts as saving space.
OptimizationSummaryCounters ReadOptimizationSummary();

// The page's texts, in the order its SetText takes them, for the problems the last scan left.
std::vector<std::wstring> BuildSummaryPageTexts(int problems, const OptimizationSummaryCounters& counters);
