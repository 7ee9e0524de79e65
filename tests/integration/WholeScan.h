#pragma once
// What the whole-scan test and the scan benchmark share: the sample prefix made independent of the host,
// a full scan through the scan worker with the calling thread answering its messages, the problems found as
// comparable lines, and a dump of both registry views.
#include <map>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "scan/CategoryFlags.h"
#include "scan/support/CategoryTestUtil.h"
#include "scan/support/RegistryDump.h"

class CScanManager;

namespace wholescan {

// The scan settings the program starts with: empty keys are skipped, removable media count as present, no
// exclusion list and no temporary list.
inline mxtest::ScanSettings ProgramDefaults() {
  mxtest::ScanSettings settings;
  settings.skipEmptyKeys = true;
  settings.removableMediaValid = true;
  return settings;
}

// Takes the prefix's Z: drive away (it is the host's root, so what it holds differs between machines): a
// reference through Z: then names a drive the machine lacks.
void RemoveHostDrive(const std::wstring& prefixDir);

// Creates the categories of mask in the manager (its own factory), points its progress window at a hidden
// window of the calling thread and runs the scan worker to its end, answering its messages meanwhile.
// Returns the worker's end message (WM_SCAN_COMPLETED or WM_SCAN_STOPPED), 0 when it did not end in time;
// finished receives the flags of the categories whose Scan ran to its end.
UINT RunScan(CScanManager& manager, DWORD mask = kAllCategories, DWORD* finished = nullptr);

// Drops the registry held in memory and opens a key of each file, so all three are read and parsed again.
void ReloadRegistry();

// One line per problem: "<category>\t<view 32|64>\t<entry type>\t<Key>\t<ValueName>\t<ValueData>\t<AlternateKey>",
// control characters shown as \xNNNN; categories in flag order, each category's lines sorted.
std::vector<std::string> ProblemLines(const CScanManager& manager);

using mxtest::DumpRegistry;

}  // namespace wholescan
