#pragma once
// The scan worker: runs the selected categories one after the other in a fixed order of four sections,
// tells the scan-progress screen about each category and ends with a completed or stopped message. The
// user interface never waits for it; it stops it through the manager's stop event.
#include <array>
#include <atomic>

#include "platform/base/WinTypes.h"
#include "platform/win/WinDefs.h"
#include "scan/CategoryFlags.h"

class CScanManager;

struct ScanOrderRow {
  DWORD flag;
  int section;
};

// The order in which the workers run the categories (the repair worker uses it too).
inline constexpr std::array<ScanOrderRow, kCategoryCount> kScanOrder = {{
    {CATEGORY_APPPATHS, 1},
    {CATEGORY_FONTS, 1},
    {CATEGORY_HELPFILES, 1},
    {CATEGORY_SHAREDFILES, 1},
    {CATEGORY_DEEPSCAN_LM, 1},
    {CATEGORY_ACTIVEX, 2},
    {CATEGORY_FILETYPES, 2},
    {CATEGORY_HISTORYLISTS, 3},
    {CATEGORY_SHORTCUTS, 3},
    {CATEGORY_SOUNDS, 3},
    {CATEGORY_DEEPSCAN_CU, 3},
    {CATEGORY_STARTMENU, 4},
    {CATEGORY_STARTUP, 4},
    {CATEGORY_SOFTWARE, 4},
}};

// The section of the row the worker is on; the scan-progress screen reads it to label its progress.
extern std::atomic<int> g_nScanSection;

// The thread procedure; param is the scan manager, with its categories created and m_hProgressWnd set.
// Returns 0.
UINT ScanThreadProc(LPVOID param);

// Starts ScanThreadProc on a worker of normal priority as the scan-progress screen does: the thread's id goes
// to m_dwWorker and a waitable handle to the manager. False when the thread could not start.
bool BeginScanWorker(CScanManager& manager);
