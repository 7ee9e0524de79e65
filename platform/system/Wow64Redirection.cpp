#include "platform/system/Wow64Redirection.h"

#include <cstdint>

#include "platform/system/SystemInfo.h"

namespace {
// Off means redirection is disabled for this thread.
thread_local bool t_redirectionOff = false;
// The value handed out as "old value": a recognisable token per state.
void* const kWasOn = reinterpret_cast<void*>(std::uintptr_t{1});
void* const kWasOff = reinterpret_cast<void*>(std::uintptr_t{2});
}  // namespace

namespace win {

BOOL Wow64DisableWow64FsRedirection(void** oldValue) {
  if (!mx::PrefixIs64Bit()) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  if (oldValue) *oldValue = t_redirectionOff ? kWasOff : kWasOn;
  t_redirectionOff = true;
  return TRUE;
}

BOOL Wow64RevertWow64FsRedirection(void* oldValue) {
  if (!mx::PrefixIs64Bit()) {
    SetLastError(ERROR_INVALID_FUNCTION);
    return FALSE;
  }
  if (oldValue != kWasOn && oldValue != kWasOff) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t_redirectionOff = oldValue == kWasOff;
  return TRUE;
}

}  // namespace win

namespace mx {

bool IsFsRedirectionActive() { return !t_redirectionOff && PrefixIs64Bit(); }

ScopedFsRedirectionOff::ScopedFsRedirectionOff() { disabled_ = win::Wow64DisableWow64FsRedirection(&old_) != FALSE; }

ScopedFsRedirectionOff::~ScopedFsRedirectionOff() {
  if (disabled_) win::Wow64RevertWow64FsRedirection(old_);
}

}  // namespace mx
