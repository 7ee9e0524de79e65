#include "platform/system/ServiceControl.h"

#include <map>
#include <mutex>
#include <string>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"

namespace mx {

struct ServiceHandle {
  bool manager = false;
  std::wstring name;
  DWORD access = 0;
};

namespace {

std::mutex g_mutex;
std::map<ServiceHandle*, std::unique_ptr<ServiceHandle>> g_handles;
// Whether each service runs, as this process first saw it (automatic ones run) or made it.
std::map<std::wstring, bool, LessNoCase> g_running;

const std::wstring kServices = L"System\\CurrentControlSet\\Services\\";

// The service's "Start" value; nullopt when the service has no key.
bool ReadStart(const std::wstring& name, DWORD& start) {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, (kServices + name).c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return false;
  DWORD type = 0, size = sizeof(start);
  start = SERVICE_DEMAND_START;
  if (win::RegQueryValueEx(key, L"Start", nullptr, &type, reinterpret_cast<BYTE*>(&start), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    start = SERVICE_DEMAND_START;
  win::RegCloseKey(key);
  return true;
}

ServiceHandle* Lookup(SC_HANDLE h, bool manager) {
  auto it = g_handles.find(h);
  if (it == g_handles.end() || it->second->manager != manager) return nullptr;
  return it->second.get();
}

SC_HANDLE Make(ServiceHandle handle) {
  auto owned = std::make_unique<ServiceHandle>(std::move(handle));
  SC_HANDLE raw = owned.get();
  g_handles.emplace(raw, std::move(owned));
  return raw;
}

bool Running(const std::wstring& name, DWORD start) {
  return g_running.try_emplace(name, start <= SERVICE_AUTO_START).first->second;
}

}  // namespace

void ResetStartedServices() {
  std::lock_guard lock(g_mutex);
  g_running.clear();
}

}  // namespace mx

namespace win {

using mx::g_mutex;

SC_HANDLE OpenSCManager(LPCWSTR machine, LPCWSTR database, DWORD access) {
  if ((machine && *machine) || (database && !mx::EqualsNoCase(database, L"ServicesActive"))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard lock(g_mutex);
  return mx::Make({true, {}, access});
}

SC_HANDLE OpenService(SC_HANDLE manager, LPCWSTR name, DWORD access) {
  std::lock_guard lock(g_mutex);
  if (!mx::Lookup(manager, true) || !name) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  DWORD start = 0;
  if (!mx::ReadStart(name, start)) {
    SetLastError(ERROR_SERVICE_DOES_NOT_EXIST);
    return nullptr;
  }
  return mx::Make({false, name, access});
}

BOOL QueryServiceStatus(SC_HANDLE service, SERVICE_STATUS* status) {
  std::lock_guard lock(g_mutex);
  const mx::ServiceHandle* h = mx::Lookup(service, false);
  DWORD start = 0;
  if (!h || !status) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  if (!(h->access & SERVICE_QUERY_STATUS)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  if (!mx::ReadStart(h->name, start)) return SetLastError(ERROR_SERVICE_DOES_NOT_EXIST), FALSE;
  *status = SERVICE_STATUS{};
  status->dwServiceType = SERVICE_WIN32_SHARE_PROCESS;
  status->dwCurrentState = mx::Running(h->name, start) ? SERVICE_RUNNING : SERVICE_STOPPED;
  return TRUE;
}

BOOL StartService(SC_HANDLE service, DWORD, LPCWSTR*) {
  std::lock_guard lock(g_mutex);
  const mx::ServiceHandle* h = mx::Lookup(service, false);
  DWORD start = 0;
  if (!h) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  if (!(h->access & SERVICE_START)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  if (!mx::ReadStart(h->name, start)) return SetLastError(ERROR_SERVICE_DOES_NOT_EXIST), FALSE;
  if (start == SERVICE_DISABLED) return SetLastError(ERROR_SERVICE_DISABLED), FALSE;
  if (mx::Running(h->name, start)) return SetLastError(ERROR_SERVICE_ALREADY_RUNNING), FALSE;
  mx::g_running[h->name] = true;
  return TRUE;
}

BOOL ControlService(SC_HANDLE service, DWORD control, SERVICE_STATUS* status) {
  if (control != SERVICE_CONTROL_CONTINUE) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  {
    std::lock_guard lock(g_mutex);
    const mx::ServiceHandle* h = mx::Lookup(service, false);
    if (!h) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    if (!(h->access & SERVICE_PAUSE_CONTINUE)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
  }
  SERVICE_STATUS now{};
  if (!QueryServiceStatus(service, &now)) return FALSE;
  if (status) *status = now;
  if (now.dwCurrentState != SERVICE_RUNNING) return SetLastError(ERROR_SERVICE_NOT_ACTIVE), FALSE;
  return TRUE;
}

BOOL ChangeServiceConfig(SC_HANDLE service, DWORD, DWORD startType, DWORD, LPCWSTR, LPCWSTR, LPDWORD, LPCWSTR,
                         LPCWSTR, LPCWSTR, LPCWSTR) {
  std::wstring name;
  {
    std::lock_guard lock(g_mutex);
    const mx::ServiceHandle* h = mx::Lookup(service, false);
    if (!h) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
    if (!(h->access & SERVICE_CHANGE_CONFIG)) return SetLastError(ERROR_ACCESS_DENIED), FALSE;
    name = h->name;
  }
  if (startType == SERVICE_NO_CHANGE) return TRUE;
  if (startType > SERVICE_DISABLED) return SetLastError(ERROR_INVALID_PARAMETER), FALSE;
  HKEY key = nullptr;
  LONG rc = RegOpenKeyEx(HKEY_LOCAL_MACHINE, (mx::kServices + name).c_str(), 0, KEY_SET_VALUE, &key);
  if (rc == ERROR_SUCCESS) {
    rc = RegSetValueEx(key, L"Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&startType), sizeof(startType));
    RegCloseKey(key);
  }
  if (rc != ERROR_SUCCESS) return SetLastError(static_cast<DWORD>(rc)), FALSE;
  return TRUE;
}

BOOL CloseServiceHandle(SC_HANDLE handle) {
  std::lock_guard lock(g_mutex);
  if (!mx::g_handles.erase(handle)) return SetLastError(ERROR_INVALID_HANDLE), FALSE;
  return TRUE;
}

}  // namespace win
