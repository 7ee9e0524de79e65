#include "app/ScheduleService.h"

#include <algorithm>

#include "app/RegistryKey.h"
#include "platform/win/Sync.h"

namespace {

bool QueryStatus(const ScheduleServiceHandles& h, SERVICE_STATUS& status) {
  return h.m_hManager && h.m_hService && win::QueryServiceStatus(h.m_hService, &status);
}

}  // namespace

ScheduleServiceHandles::ScheduleServiceHandles() {
  CRegistryKey key(HKEY_LOCAL_MACHINE);
  key.m_access = KEY_READ;
  DWORD start = 0;
  if (key.Open(HKEY_LOCAL_MACHINE, FALSE, L"SYSTEM\\CurrentControlSet\\Services\\Schedule") &&
      key.ReadDWORD(L"Start", start) && start == SERVICE_AUTO_START)
    m_bAutoStart = true;
  m_hManager = win::OpenSCManager(nullptr, L"ServicesActive", 0xF0015);
  if (m_hManager)
    m_hService = win::OpenService(m_hManager, L"Schedule",
                                  SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS | SERVICE_START |
                                      SERVICE_PAUSE_CONTINUE | (m_bAutoStart ? 0 : SERVICE_CHANGE_CONFIG));
}

ScheduleServiceHandles::~ScheduleServiceHandles() {
  if (m_hService) win::CloseServiceHandle(m_hService);
  if (m_hManager) win::CloseServiceHandle(m_hManager);
}

bool IsScheduleServiceRunning() {
  ScheduleServiceHandles h;
  SERVICE_STATUS status{};
  return QueryStatus(h, status) && status.dwCurrentState == SERVICE_RUNNING;
}

bool StartScheduleService() {
  ScheduleServiceHandles h;
  SERVICE_STATUS status{};
  if (!QueryStatus(h, status)) return false;
  switch (status.dwCurrentState) {
    case SERVICE_RUNNING: return true;
    case SERVICE_PAUSED:
      if (!win::ControlService(h.m_hService, SERVICE_CONTROL_CONTINUE, &status)) return false;
      win::Sleep(500);
      return true;
    case SERVICE_STOPPED: break;
    default: return false;
  }
  win::StartService(h.m_hService, 0, nullptr);
  if (!win::QueryServiceStatus(h.m_hService, &status)) return false;
  if (!h.m_bAutoStart)
    win::ChangeServiceConfig(h.m_hService, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr, nullptr,
                             nullptr, nullptr, nullptr, nullptr, nullptr);
  DWORD lastTick = win::GetTickCount(), lastCheckPoint = status.dwCheckPoint;
  while (status.dwCurrentState == SERVICE_START_PENDING) {
    win::Sleep(std::clamp<DWORD>(status.dwWaitHint / 10, 500, 5000));
    if (!win::QueryServiceStatus(h.m_hService, &status)) return false;
    if (status.dwCheckPoint > lastCheckPoint) {
      lastCheckPoint = status.dwCheckPoint;
      lastTick = win::GetTickCount();
    } else if (win::GetTickCount() - lastTick > (status.dwWaitHint ? status.dwWaitHint : 30000)) {
      // a service that never says how long it needs still gets no endless wait
      return false;
    }
  }
  return status.dwCurrentState == SERVICE_RUNNING;
}
