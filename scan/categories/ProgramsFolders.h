#pragma once
// The Start menu's Programs folders as the Explorer records them in its Shell Folders values: the all-users
// folder from the machine, the current user's from the user's hive.
#include <string>

// Each folder gets a trailing backslash; a folder the values do not name is left empty.
void ReadProgramsFolders(std::wstring& commonPrograms, std::wstring& userPrograms);
