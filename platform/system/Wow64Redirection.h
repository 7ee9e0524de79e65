#pragma once
// WOW64 file-system redirection, per thread. On a 64-bit prefix our 32-bit program sees %windir%\System32 as
// SysWOW64 (and %windir%\regedit.exe as the 32-bit editor) until the calling thread turns redirection off.
// Every new thread starts with it on, as on Windows.
#include "platform/base/WinTypes.h"

namespace win {

// Turns redirection off for the calling thread; *oldValue receives the state to hand to the revert call.
// FALSE with ERROR_INVALID_FUNCTION on a 32-bit prefix (no WOW64 there).
BOOL Wow64DisableWow64FsRedirection(void** oldValue);
// Restores the state that the matching disable call saved. FALSE on a 32-bit prefix.
BOOL Wow64RevertWow64FsRedirection(void* oldValue);

}  // namespace win

namespace mx {

// True when paths of the calling thread are redirected now: a 64-bit prefix and redirection not turned off.
bool IsFsRedirectionActive();

// Turns redirection off for a scope and back on at its end (no effect on a 32-bit prefix).
class ScopedFsRedirectionOff {
 public:
  ScopedFsRedirectionOff();
  ~ScopedFsRedirectionOff();
  ScopedFsRedirectionOff(const ScopedFsRedirectionOff&) = delete;
  ScopedFsRedirectionOff& operator=(const ScopedFsRedirectionOff&) = delete;

 private:
  void* old_ = nullptr;
  bool disabled_ = false;
};

}  // namespace mx
