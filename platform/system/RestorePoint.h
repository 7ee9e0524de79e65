#pragma once
// System Restore stand-in. A restore point is a real snapshot of the prefix's three registry files (flushed
// first), kept with its description and time in <prefix>/restorepoints/RP<sequence>/, so that a user can go
// back by copying the files over the prefix's own. BEGIN_SYSTEM_CHANGE takes the snapshot and returns a new
// sequence number; END_SYSTEM_CHANGE with that number completes the point; CANCELLED_OPERATION removes it.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

inline constexpr DWORD BEGIN_SYSTEM_CHANGE = 100;
inline constexpr DWORD END_SYSTEM_CHANGE = 101;
inline constexpr DWORD APPLICATION_INSTALL = 0;
inline constexpr DWORD APPLICATION_UNINSTALL = 1;
inline constexpr DWORD MODIFY_SETTINGS = 12;
inline constexpr DWORD CANCELLED_OPERATION = 13;
inline constexpr DWORD MAX_DESC = 64;

struct RESTOREPOINTINFOW {
  DWORD dwEventType = 0;
  DWORD dwRestorePtType = 0;
  std::int64_t llSequenceNumber = 0;
  WCHAR szDescription[MAX_DESC] = {};
};

struct STATEMGRSTATUS {
  DWORD nStatus = 0;
  std::int64_t llSequenceNumber = 0;
};

namespace win {

// TRUE on success with status->nStatus = ERROR_SUCCESS; FALSE with nStatus set to the error otherwise
// (ERROR_INVALID_DATA for an END of an unknown sequence, a file error when the snapshot could not be made).
BOOL SRSetRestorePoint(const RESTOREPOINTINFOW* info, STATEMGRSTATUS* status);

}  // namespace win

inline constexpr LONG ERROR_INVALID_DATA = 13;

namespace mx {

struct RestorePointRecord {
  std::int64_t sequence = 0;
  std::wstring description;
  std::uint64_t createdFileTime = 0;  // UTC FILETIME ticks from the platform clock
  DWORD type = 0;
  bool completed = false;
  std::filesystem::path folder;  // holds system.reg, user.reg, userdef.reg
};

std::filesystem::path RestorePointsDir();
// Every restore point of the prefix, oldest first.
std::vector<RestorePointRecord> ListRestorePoints();
// Test hook: make the next calls fail with this error (0 = behave normally).
void SetRestorePointFailure(DWORD error);

}  // namespace mx
