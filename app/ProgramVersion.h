#pragma once
// The program's own version resource, made from the build's version and registered with the platform's
// version calls, so that the program reads its version the way it reads any other file's.
#include <string>

#include "platform/base/WinTypes.h"

// Registers the resource once per process; later calls do nothing.
void EnsureProgramVersionResource();
// Registers it again (tests that replaced it put it back).
void RegisterProgramVersionResource();
// The FileVersion text of the running program; FALSE and "" when it cannot be read.
BOOL GetExeFileVersion(std::wstring& out);
