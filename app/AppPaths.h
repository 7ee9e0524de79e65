#pragma once
// Paths and folders of the program: the per-user data folder, path joining, existence tests and folder
// creation, over the platform's Windows file calls.
#include <string>

#include "platform/base/WinTypes.h"

inline constexpr const wchar_t* kDataFolderPart = L"Tarvolen\\Mendrix\\Version 1.0";

// path + "\" + part with exactly one backslash between them (one leading backslash of part is dropped);
// plain concatenation when either is empty.
void AppendPath(std::wstring& path, const std::wstring& part);
// A non-empty path whose attributes can be read (files and folders alike).
BOOL FileExists(const std::wstring& path);
// Creates every missing folder of the path; TRUE when it is a folder afterwards. A folder counts by its
// directory bit, whatever other attributes it carries.
BOOL CreateDirectoryPath(const std::wstring& path);
// The path of a shell special folder; out unchanged and FALSE on failure.
BOOL GetShellFolderPath(std::wstring& out, int csidl);
// "<application data>\Tarvolen\Mendrix\Version 1.0", created on first use and then cached; FALSE (buffer
// untouched) when it cannot be found or made, so the next call tries again.
BOOL GetAppDataFolder(wchar_t (&buffer)[MAX_PATH]);
// The same as a string; empty when the folder is not available.
std::wstring GetAppDataFolderPath();
// The shell's delete to the recycle bin, silent; FALSE for a path of 520 characters or more.
BOOL MoveFileToRecycleBin(size_t pathLength, const wchar_t* path);
