#include "platform/system/Privileges.h"

#include <atomic>
#include <mutex>
#include <string>

#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"

namespace mx {

struct TokenObject {
  DWORD access = 0;
};

}  // namespace mx

namespace {

constexpr const wchar_t* kPrivileges[] = {L"SeShutdownPrivilege", L"SeBackupPrivilege", L"SeRestorePrivilege",
                                          L"SeDebugPrivilege"};
constexpr DWORD kFirstLuid = 19;

std::mutex g_mutex;
DWORD g_enabled = 0;  // a bit per privilege
std::atomic<DWORD> g_priorityClass{NORMAL_PRIORITY_CLASS};
thread_local int t_threadPriority = 0;

}  // namespace

namespace win {

BOOL OpenProcessToken(DWORD desiredAccess, HTOKEN* token) {
  if (!token) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *token = new mx::TokenObject{desiredAccess};
  return TRUE;
}

BOOL CloseToken(HTOKEN token) {
  delete token;
  return token != nullptr;
}

BOOL LookupPrivilegeValue(LPCWSTR system, LPCWSTR name, LUID* luid) {
  if (system && *system) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  for (DWORD i = 0; i < std::size(kPrivileges); ++i) {
    if (name && mx::CompareNoCase(name, kPrivileges[i]) == 0) {
      if (luid) *luid = LUID{kFirstLuid + i, 0};
      return TRUE;
    }
  }
  SetLastError(ERROR_NO_SUCH_PRIVILEGE);
  return FALSE;
}

BOOL AdjustTokenPrivileges(HTOKEN token, BOOL disableAll, const TOKEN_PRIVILEGES* newState) {
  if (!token || !(token->access & TOKEN_ADJUST_PRIVILEGES)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  std::lock_guard lock(g_mutex);
  if (disableAll) {
    g_enabled = 0;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
  }
  bool all = true;
  for (DWORD i = 0; newState && i < newState->PrivilegeCount && i < 1; ++i) {
    DWORD index = newState->Privileges[i].Luid.LowPart - kFirstLuid;
    if (index >= std::size(kPrivileges)) {
      SetLastError(ERROR_NO_SUCH_PRIVILEGE);
      return FALSE;
    }
    // Only an administrator's token holds these privileges at all.
    if (!mx::reg::UserIsAdmin()) {
      all = false;
      continue;
    }
    if (newState->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED)
      g_enabled |= 1u << index;
    else
      g_enabled &= ~(1u << index);
  }
  SetLastError(all ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return TRUE;
}

bool PrivilegeEnabled(LPCWSTR name) {
  LUID luid;
  if (!LookupPrivilegeValue(nullptr, name, &luid)) return false;
  std::lock_guard lock(g_mutex);
  return (g_enabled >> (luid.LowPart - kFirstLuid)) & 1u;
}

DWORD GetPriorityClass() { return g_priorityClass.load(); }

BOOL SetPriorityClass(DWORD priorityClass) {
  switch (priorityClass) {
    case NORMAL_PRIORITY_CLASS:
    case IDLE_PRIORITY_CLASS:
    case HIGH_PRIORITY_CLASS:
    case REALTIME_PRIORITY_CLASS:
      g_priorityClass = priorityClass;
      return TRUE;
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

int GetThreadPriority() { return t_threadPriority; }

BOOL SetThreadPriority(int priority) {
  t_threadPriority = priority;
  return TRUE;
}

}  // namespace win
