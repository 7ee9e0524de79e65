#pragma once
// Registered window messages: the same name (compared without case) gives the same id in every process of
// the user, from MIN_REGISTERED_MESSAGE (0xC000) up to 0xFFFF. The table lives in the per-user runtime folder
// (Instance.h), guarded by a lock file and replaced atomically; a damaged table is rebuilt from its good lines.
#include "platform/win/WinDefs.h"

namespace win {

// 0 with ERROR_INVALID_PARAMETER for an empty name, ERROR_NOT_ENOUGH_MEMORY when the range is used up.
UINT RegisterWindowMessage(LPCWSTR name);

}  // namespace win
