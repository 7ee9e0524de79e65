#pragma once
// What the program asks of the machine: WOW64, the Windows version, administrator rights, and WOW64
// file-system redirection around the few operations that must see the real system folder.
#include "platform/base/WinTypes.h"

// TRUE when this 32-bit program runs on 64-bit Windows; looked up at each call.
BOOL IsWow64();
// The same, taken once (on first use) for code that must not ask while it draws.
bool StartupWow64();
DWORD GetOSMajorVersion();
DWORD GetOSMinorVersion();
// TRUE when the user holds administrator rights (the same switch that lets a process write the machine hive).
BOOL IsUserAdmin();
// Redirection off (for the calling thread) and back; FALSE when not running under WOW64.
BOOL DisableWow64Redirection(void** oldValue);
void RevertWow64Redirection(void* oldValue);
