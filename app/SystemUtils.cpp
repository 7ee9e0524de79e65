#include "app/SystemUtils.h"

#include "platform/registry/RegistryControl.h"
#include "platform/system/SystemInfo.h"
#include "platform/system/Wow64Redirection.h"

BOOL IsWow64() {
  BOOL wow64 = FALSE;
  return win::IsWow64Process(nullptr, &wow64) && wow64;
}

bool StartupWow64() {
  static const bool wow64 = IsWow64() != FALSE;
  return wow64;
}

namespace {

OSVERSIONINFOW Version() {
  OSVERSIONINFOW info;
  info.dwOSVersionInfoSize = sizeof info;
  if (!win::GetVersionEx(&info)) return OSVERSIONINFOW{};
  return info;
}

}  // namespace

// Read each time: the platform keeps the machine's answer, and tests pin other versions.
DWORD GetOSMajorVersion() { return Version().dwMajorVersion; }
DWORD GetOSMinorVersion() { return Version().dwMinorVersion; }

BOOL IsUserAdmin() { return mx::reg::UserIsAdmin(); }

BOOL DisableWow64Redirection(void** oldValue) {
  if (!IsWow64()) return FALSE;
  return win::Wow64DisableWow64FsRedirection(oldValue);
}

void RevertWow64Redirection(void* oldValue) {
  if (IsWow64()) win::Wow64RevertWow64FsRedirection(oldValue);
}
