#pragma once
// The machine's "Schedule" service, which must run for a task to be created.
#include "platform/system/ServiceControl.h"

// The manager and service handles, opened by the constructor and closed (service first) by the destructor.
class ScheduleServiceHandles {
 public:
  ScheduleServiceHandles();
  ~ScheduleServiceHandles();
  ScheduleServiceHandles(const ScheduleServiceHandles&) = delete;
  ScheduleServiceHandles& operator=(const ScheduleServiceHandles&) = delete;

  SC_HANDLE m_hManager = nullptr;
  SC_HANDLE m_hService = nullptr;
  bool m_bAutoStart = false;  // the service is already set to start automatically
};

bool IsScheduleServiceRunning();
// Brings the service to the running state (continues a paused one, starts a stopped one and sets it to
// start automatically); true when it runs.
bool StartScheduleService();
