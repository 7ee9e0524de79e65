#include "platform/system/ServiceControl.h"

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "support/TestPrefix.h"

namespace {

DWORD StateOf(const wchar_t* name) {
  SC_HANDLE scm = win::OpenSCManager(nullptr, L"ServicesActive", 0xF0015);
  SC_HANDLE svc = win::OpenService(scm, name, SERVICE_QUERY_STATUS);
  SERVICE_STATUS status{};
  const BOOL ok = win::QueryServiceStatus(svc, &status);
  win::CloseServiceHandle(svc);
  win::CloseServiceHandle(scm);
  return ok ? status.dwCurrentState : 0;
}

TEST(ServiceControl, StartTypeDecidesWhetherTheServiceRunsOrMayStart) {
  mxtest::TestPrefix prefix;
  mx::ResetStartedServices();
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Auto]
"Start"=dword:00000002
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Demand]
"Start"=dword:00000003
[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Off]
"Start"=dword:00000004
)");
  EXPECT_EQ(StateOf(L"Auto"), SERVICE_RUNNING);
  EXPECT_EQ(StateOf(L"Demand"), SERVICE_STOPPED);
  SC_HANDLE scm = win::OpenSCManager(nullptr, nullptr, 0xF0015);
  EXPECT_EQ(win::OpenService(scm, L"Missing", SERVICE_START), nullptr);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DOES_NOT_EXIST));

  SC_HANDLE off = win::OpenService(scm, L"Off", SERVICE_START | SERVICE_CHANGE_CONFIG);
  EXPECT_FALSE(win::StartService(off, 0, nullptr));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_SERVICE_DISABLED));
  SC_HANDLE demand = win::OpenService(scm, L"Demand", SERVICE_START | SERVICE_CHANGE_CONFIG);
  EXPECT_TRUE(win::StartService(demand, 0, nullptr));
  EXPECT_EQ(StateOf(L"Demand"), SERVICE_RUNNING);
  EXPECT_TRUE(win::ChangeServiceConfig(demand, SERVICE_NO_CHANGE, SERVICE_AUTO_START, SERVICE_NO_CHANGE, nullptr,
                                       nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  DWORD start = 0, size = sizeof start, type = 0;
  HKEY key = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Services\\Demand", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  EXPECT_EQ(win::RegQueryValueEx(key, L"Start", nullptr, &type, reinterpret_cast<BYTE*>(&start), &size), ERROR_SUCCESS);
  win::RegCloseKey(key);
  EXPECT_EQ(start, SERVICE_AUTO_START);
  for (SC_HANDLE h : {off, demand, scm}) EXPECT_TRUE(win::CloseServiceHandle(h));
  EXPECT_FALSE(win::CloseServiceHandle(scm));
  mx::ResetStartedServices();
}

}  // namespace
