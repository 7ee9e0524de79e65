#pragma once
// The machine's scheduled tasks: one task XML file per task in the prefix's task folder
// (drive_c/windows/system32/Tasks), as Windows and Wine keep them. Every save and delete also updates the
// task's mirror on the host (HostScheduler.h), so that a task of ours really runs. Names are matched without
// case, as the Windows file system does. Results are Win32 error codes.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/taskschd/StoredTask.h"

namespace mx {

std::filesystem::path TaskFolder();

// A name the task folder can hold: not empty, at most 238 characters, no control characters, none of
// \ / : * ? " < > |, not ending in a dot or a blank, and not "." or "..".
bool IsValidTaskName(std::wstring_view name);

// ERROR_SUCCESS; ERROR_INVALID_NAME; ERROR_FILE_NOT_FOUND; ERROR_BAD_FORMAT for a file that is no task.
LONG LoadTask(const std::wstring& name, StoredTask& out);
bool TaskExists(const std::wstring& name);
// Creates or replaces the task's file atomically (an existing file of that name in another case is
// replaced), then mirrors it. ERROR_INVALID_NAME; ERROR_ACCESS_DENIED when the folder may not be written;
// another code for other write failures. A mirror that cannot be made does not fail the save.
LONG SaveTask(const StoredTask& task);
// Removes the file and the mirror. ERROR_FILE_NOT_FOUND when there is no such task (a mirror left behind by
// an earlier run is removed all the same).
LONG DeleteTask(const std::wstring& name);
// The names of the stored tasks (the root folder only).
std::vector<std::wstring> TaskNames();

// Makes the next saves (and deletes, unless savesOnly) fail with error (0 returns to normal): a machine that
// refuses, for tests.
void SetTaskStoreFault(LONG error, bool savesOnly = false);

}  // namespace mx
