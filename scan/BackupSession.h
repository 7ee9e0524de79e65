#pragma once
// Opening and closing the undo run of a repair, and the three registry changes a repair may make, each
// captured into the run before it is made.
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "scan/BackupHolder.h"

// Opens a run in the holder. Refused (false, nothing changes) when the holder already refers to a run or a
// repair is running: the live run and its captures must not be replaced under the worker.
bool BeginBackupSession(BackupHolder* holder);
// Closes the holder's run: its .reg texts into the archive, then its record. The holder is emptied first,
// so nothing reaches the run while it is being closed. Does nothing when no run is open.
void EndBackupSession(BackupHolder* holder);

// The changes; each returns 1 when it was made (or, for a key delete, when the key is already gone) and 0
// when it failed, was refused, or no run is open.
int DeleteKeyWithBackup(BackupHolder* holder, int rootIndex, const std::wstring& keyPath, BOOL deleteTree,
                        BYTE view64);
int DeleteValueWithBackup(BackupHolder* holder, int rootIndex, const std::wstring& keyPath,
                          const std::wstring& valueName, BYTE view64);
// Writes the value as REG_SZ, creating the key when it is missing.
int SetValueWithBackup(BackupHolder* holder, int rootIndex, const std::wstring& keyPath, const std::wstring& valueName,
                       const std::wstring& data, BYTE view64);

// Deletes the key with its subkeys, depth first; a subkey named Wow6432Node is never deleted and ends the
// descent. The Win32 result, ERROR_SUCCESS when the key is gone.
LONG DeleteRegKeyTree(HKEY root, const std::wstring& keyPath, REGSAM access);
