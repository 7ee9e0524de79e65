#pragma once
// The service control manager of the machine, for the services a program asks about. A service exists when
// its key under HKLM\System\CurrentControlSet\Services does; its start type is that key's "Start" value. An
// automatic service (Start 2 or below) runs, as Wine starts those with the prefix; a demand-start one runs
// once a program started it in this process; a disabled one (4) cannot be started. Changing the start type
// writes "Start" and leaves the service as it is until it is started.
#include <memory>

#include "platform/base/WinTypes.h"

struct SERVICE_STATUS {
  DWORD dwServiceType = 0;
  DWORD dwCurrentState = 0;
  DWORD dwControlsAccepted = 0;
  DWORD dwWin32ExitCode = 0;
  DWORD dwServiceSpecificExitCode = 0;
  DWORD dwCheckPoint = 0;
  DWORD dwWaitHint = 0;
};

inline constexpr DWORD SERVICE_STOPPED = 1;
inline constexpr DWORD SERVICE_START_PENDING = 2;
inline constexpr DWORD SERVICE_RUNNING = 4;
inline constexpr DWORD SERVICE_PAUSED = 7;
inline constexpr DWORD SERVICE_QUERY_CONFIG = 0x1;
inline constexpr DWORD SERVICE_CHANGE_CONFIG = 0x2;
inline constexpr DWORD SERVICE_QUERY_STATUS = 0x4;
inline constexpr DWORD SERVICE_START = 0x10;
inline constexpr DWORD SERVICE_PAUSE_CONTINUE = 0x40;
inline constexpr DWORD SERVICE_CONTROL_CONTINUE = 3;
inline constexpr DWORD SERVICE_NO_CHANGE = 0xFFFFFFFFu;
inline constexpr DWORD SERVICE_AUTO_START = 2;
inline constexpr DWORD SERVICE_DEMAND_START = 3;
inline constexpr DWORD SERVICE_DISABLED = 4;
inline constexpr DWORD SERVICE_WIN32_SHARE_PROCESS = 0x20;
inline constexpr LONG ERROR_SERVICE_ALREADY_RUNNING = 1056;
inline constexpr LONG ERROR_SERVICE_DISABLED = 1058;
inline constexpr LONG ERROR_SERVICE_DOES_NOT_EXIST = 1060;
inline constexpr LONG ERROR_SERVICE_NOT_ACTIVE = 1062;

namespace mx {
struct ServiceHandle;
}
using SC_HANDLE = mx::ServiceHandle*;

namespace win {

// machine must be null (this machine); database null or "ServicesActive".
SC_HANDLE OpenSCManager(LPCWSTR machine, LPCWSTR database, DWORD access);
// ERROR_SERVICE_DOES_NOT_EXIST for a service without a key.
SC_HANDLE OpenService(SC_HANDLE manager, LPCWSTR name, DWORD access);
BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status);
// ERROR_SERVICE_DISABLED; ERROR_SERVICE_ALREADY_RUNNING; ERROR_ACCESS_DENIED without SERVICE_START.
BOOL StartService(SC_HANDLE service, DWORD argc, LPCWSTR* argv);
// SERVICE_CONTROL_CONTINUE only (a running service stays running); others ERROR_INVALID_PARAMETER.
BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status);
// Only the start type is kept; every other argument is accepted and ignored.
BOOL ChangeServiceConfig(SC_HANDLE service, DWORD serviceType, DWORD startType, DWORD errorControl,
                         LPCWSTR binaryPath, LPCWSTR loadOrderGroup, LPDWORD tagId, LPCWSTR dependencies,
                         LPCWSTR startName, LPCWSTR password, LPCWSTR displayName);
BOOL CloseServiceHandle(SC_HANDLE handle);

}  // namespace win

namespace mx {
// Forgets which services run, so they are seen anew from their start type (tests).
void ResetStartedServices();
}  // namespace mx
