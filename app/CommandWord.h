#pragma once
// The command word of a start: the first argument with every "\", "/" and "-" removed, lower-cased and
// trimmed; the same normalisation serves the first and a second instance.
#include <string>

std::wstring NormalizeCommandWord(const std::wstring& firstArgument);

// What a word asks for; at most one per start.
enum class CommandWord {
  None,  // no argument, or a word the program does not know ("changelang")
  AskUser,
  StartedAfterOptimization,
  ElevatedScan,
  ElevatedDefrag,
  ElevatedFullBackup,
  ElevatedFullBackupRestore,
  ElevatedPartialBackupRestore,
  ElevatedSchedule,
  Default,
  Rem,
  DllFile,
  Scan,
  UpdateCheck,
};

// The word of an already normalised text, compared without regard to case.
CommandWord ClassifyCommandWord(const std::wstring& normalizedWord);
