#pragma once
// The process token's privileges and the process's scheduling class. The token holds the backup, restore
// and shutdown privileges when the user is an administrator (as the prefix's user is by default); enabling a
// privilege the token lacks succeeds with ERROR_NOT_ALL_ASSIGNED, as on Windows. Priorities are kept and
// reported, never applied to the host process: raising them would need rights the host does not give.
#include "platform/base/WinTypes.h"
#include "platform/system/Process.h"  // NORMAL_PRIORITY_CLASS

inline constexpr LONG ERROR_NOT_ALL_ASSIGNED = 1300;
inline constexpr LONG ERROR_NO_SUCH_PRIVILEGE = 1313;
inline constexpr LONG ERROR_PRIVILEGE_NOT_HELD = 1314;

inline constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
inline constexpr DWORD TOKEN_QUERY = 0x0008;
inline constexpr DWORD SE_PRIVILEGE_ENABLED = 0x2;

inline constexpr DWORD IDLE_PRIORITY_CLASS = 0x40;
inline constexpr DWORD HIGH_PRIORITY_CLASS = 0x80;
inline constexpr DWORD REALTIME_PRIORITY_CLASS = 0x100;
inline constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;

struct LUID {
  DWORD LowPart = 0;
  LONG HighPart = 0;
};
struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes = 0;
};
struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount = 0;
  LUID_AND_ATTRIBUTES Privileges[1];
};

namespace mx {
struct TokenObject;
}
using HTOKEN = mx::TokenObject*;

namespace win {

// The current process's token (the process handle of Windows is implied).
BOOL OpenProcessToken(DWORD desiredAccess, HTOKEN* token);
BOOL CloseToken(HTOKEN token);
// Known names: SeShutdownPrivilege, SeBackupPrivilege, SeRestorePrivilege, SeDebugPrivilege; others fail with
// ERROR_NO_SUCH_PRIVILEGE. system must be null or empty (the local machine).
BOOL LookupPrivilegeValue(LPCWSTR system, LPCWSTR name, LUID* luid);
// TRUE when the call was made; the last error then says ERROR_SUCCESS or ERROR_NOT_ALL_ASSIGNED.
BOOL AdjustTokenPrivileges(HTOKEN token, BOOL disableAll, const TOKEN_PRIVILEGES* newState);
// Whether the token has the privilege enabled now.
bool PrivilegeEnabled(LPCWSTR name);

DWORD GetPriorityClass();
BOOL SetPriorityClass(DWORD priorityClass);
// The calling thread's priority.
int GetThreadPriority();
BOOL SetThreadPriority(int priority);

}  // namespace win
