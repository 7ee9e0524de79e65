#pragma once
// The boot-time compaction, run by the prefix's restart before anything uses the registry: reads the
// parameter file the set-up wrote, rewrites each listed registry file of the prefix in its canonical form
// (whole or not at all), removes its own BootExecute entry and marks the file processed (status 8). While
// a Wine server holds the prefix it changes no registry file and marks the file refused (status 4).
#include <string>

inline constexpr unsigned kBootStatusPending = 2;
inline constexpr unsigned kBootStatusRefused = 4;
inline constexpr unsigned kBootStatusProcessed = 8;

struct BootCompactionResult {
  int exitCode = 0;         // 0 processed, 1 nothing to do, 2 bad parameter file, 3 refused
  int filesRewritten = 0;
  std::wstring message;     // what happened, for the tool's output
};

// argument: "\??\C:\windows\system32\ZSNQZSet.bin" as BootExecute gives it (a plain drive path is taken too).
BootCompactionResult RunBootCompaction(const std::wstring& argument);
