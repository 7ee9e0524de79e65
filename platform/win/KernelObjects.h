#pragma once
// Internal to platform/win: thread objects behind HANDLEs, for CWinThread.
#include <memory>

#include "platform/win/WinDefs.h"

namespace win::core {

// A new thread object (not signalled, exit code STILL_ACTIVE_THREAD) and its first handle.
HANDLE CreateThreadObject(std::shared_ptr<void>* object);
// Signals it: waiters on any of its handles return, GetExitCodeThread gives code.
void EndThreadObject(const std::shared_ptr<void>& object, DWORD code);

}  // namespace win::core
