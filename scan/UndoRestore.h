#pragma once
// Restoring an undo run: each archive entry its record names is taken from the run's zip archive and
// imported by the registry editor, newest entry first (CBackup::UndoAll and CBackup::UndoOperation live in
// UndoRestore.cpp).
#include <string>

#include "platform/base/WinTypes.h"

// Imports the .reg file with the registry editor of the view's bitness: for the 64-bit view the thread's
// file-system redirection is switched off, so the 64-bit editor runs. The editor is started by its full path
// and awaited however long it takes, the calling thread's windows answering meanwhile; TRUE only when it ran
// to its end and reported success.
BOOL ImportRegFile(const std::wstring& path, BYTE view64);
