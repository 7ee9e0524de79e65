#pragma once
// The program's start with Windows (the logon entry): written when on, removed when off.
#include "platform/base/WinTypes.h"

// TRUE when the entry is as asked afterwards; FALSE (last error set) when it could not be written or removed.
BOOL SetStartWithWindows(BOOL on);
