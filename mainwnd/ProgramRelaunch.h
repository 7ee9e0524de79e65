#pragma once
// Starting the program again (a language change): everything the exit would save is saved first, and this
// process ends only once the new one has started, so a failed launch never ends the program or loses work.
#include <functional>
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/win/WinDefs.h"

// Saves the settings, the exclusion and temporary lists and the results, then opens the program's own path
// with parameters. On success the process ends (exit code 0) without its usual exit work; FALSE, with nothing
// ended, when the launch failed (the caller tells the user).
BOOL RelaunchProgram(HWND owner, const std::wstring& parameters);

// How the process ends after a successful launch (tests replace it; nullptr restores the real exit).
void SetRelaunchExitHook(std::function<void()> exit);
