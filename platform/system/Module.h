#pragma once
// Where the program lives inside the machine: C:\Program Files (x86)\Tarvolen\Mendrix\mendrix.exe on a 64-bit
// prefix (C:\Program Files\... on a 32-bit one). That folder is mapped onto the program's real build folder,
// the folder of /proc/self/exe, so that files next to the program are found by their Windows paths.
#include <filesystem>
#include <string>

#include "platform/base/WinTypes.h"

namespace mx {

// "C:\Program Files (x86)\Tarvolen\Mendrix" (no trailing backslash).
std::wstring ProgramWinDir();
// ProgramWinDir() + "\mendrix.exe".
std::wstring ProgramWinPath();
// The host folder behind ProgramWinDir(): the folder of the running executable unless a test set another
// (an empty path returns to the default).
std::filesystem::path ProgramHostDir();
void SetProgramHostDir(const std::filesystem::path& dir);

}  // namespace mx

namespace win {

// module must be nullptr (this program). Copies the program's Windows path; returns its length without the
// null. A short buffer gets the truncated path with a null at its end, the result is size and the last error
// ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileName(void* module, LPWSTR buffer, DWORD size);

}  // namespace win
