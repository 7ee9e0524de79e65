#pragma once
// The full backups in the data folder: whole-registry exports named by the seconds count of their time
// followed by ".reg", how they are found, named and shown.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

// 0 when nothing is at path, 1 for a file, 2 for a folder.
int GetPathType(const std::wstring& path);

// The full paths of the backups in the data folder, in the order of the folder's listing: plain files whose
// first "reg" (case-sensitive) ends their name.
void ListFullBackups(std::vector<std::wstring>& out);
void ListFullBackupsIn(const std::wstring& folder, std::vector<std::wstring>& out);

// The seconds since 1970 a backup's name stands for (the number before its first "."). Names of the older
// 32-bit form that went negative after 2038 are read back by adding 2^32. FALSE for a name without ".".
BOOL FullBackupNameToSeconds(const std::wstring& fileName, std::int64_t& seconds);
// The local date and time of the backup, "%a. %b %d, %Y. %I:%M %p"; empty for a name without ".".
void FullBackupNameToText(const std::wstring& fileName, std::wstring& text);

// Claims the name of a new backup in folder for the time: the seconds as a 64-bit decimal, or the next
// free number when a backup of that second exists, so two backups in one second both survive. The file is
// created empty so that no other backup takes the name; the caller removes it when the export fails.
// Empty when the folder cannot take a new file.
std::wstring ClaimFullBackupPath(const std::wstring& folder, std::int64_t seconds);
