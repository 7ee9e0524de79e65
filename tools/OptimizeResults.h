#pragma once
// What the results page of the optimisation shows of an analysis, and the optimise command's hand-over to
// the boot-time compaction and the start after the restart.
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

class CRegCompact;

// "1023 Bytes", "1.0 KB", "1.00 MB", "1.00 GB"; a negative size as a byte count.
void FormatHiveSize(LONGLONG size, std::wstring& out);
// A language text with one floating-point placeholder ("%.1f%% fragmented"); "%%" gives "%".
std::wstring FormatWithDouble(const std::wstring& tmpl, double value);
// Whole days from StrLastOptimizeTime to now (half a second rounded away from zero), or -1 when the setting
// is empty or not a date.
LONGLONG DaysSinceLastOptimization();

// One row of the results list.
struct HiveResultRow {
  std::wstring title;        // the hive's name in the hive list
  std::wstring description;  // "12.5% fragmented"
  std::wstring detail;       // "Current size: ...  After optimization: ..."
  DWORD meter = 0;           // percent saved, whole
  DWORD shownCopySize = 0;   // the size after compaction as shown
};

// The rows and the total saving of an analysis. Saving = live - copy, never below 0: a larger copy saves
// nothing. A hive whose copy failed but whose size is known is shown as one byte saved (the stored record
// keeps its failure); a hive of unknown size is left out.
std::vector<HiveResultRow> BuildHiveResultRows(const CRegCompact& analysis, double* totalPercent);

// What the optimise command hands over, so it can run without a restart in tests.
class OptimizeHandOver {
 public:
  virtual ~OptimizeHandOver() = default;
  // The boot-time set-up: parameter file, BootExecute and the restart offer. FALSE after it has shown why
  // it failed.
  virtual BOOL InstallBootCompaction() = 0;
  // The one-time start of the program after the restart (TRUE) or its removal (FALSE).
  virtual BOOL SetStartAfterOptimization(BOOL enable) = 0;
  // Ends the program (PostQuitMessage on the UI thread).
  virtual void EndProgram() = 0;
};

// The hand-over in use (the program's own, or a test's). Never null.
OptimizeHandOver& GetOptimizeHandOver();
void SetOptimizeHandOver(OptimizeHandOver* handOver);

// The marker value "OPTIMIZING" = 1 under the product key's "Sign" sub-key, with the start after the restart.
void SetOptimizingMarker();
// Removes a pending start after the restart and the marker of an earlier optimisation.
void ClearOptimizingMarker();

// The optimise command: restore point, boot-time set-up; when that succeeded the summary of g_pRegCompact,
// the copies deleted, the marker and the end of the program. A failed set-up leaves no trace of a restart
// (no summary, no marker, no start after it) and the program running. Returns whether the set-up succeeded.
BOOL RunOptimizeCommand();
