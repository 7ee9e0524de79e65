#include "app/CommandWord.h"

#include <gtest/gtest.h>

namespace {

TEST(CommandWord, NormalisationRemovesSeparatorsAnywhereAndLowerCases) {
  struct Case {
    const wchar_t* argument;
    CommandWord word;
  };
  const Case kCases[] = {
      {L"-SCAN", CommandWord::Scan},
      {L"/scan", CommandWord::Scan},
      {L"\\scan", CommandWord::Scan},
      {L"s-can", CommandWord::Scan},
      {L"  Scan ", CommandWord::Scan},
      {L"-askuser", CommandWord::AskUser},
      {L"/UpdateCheck", CommandWord::UpdateCheck},
      {L"-default", CommandWord::Default},
      {L"-rem", CommandWord::Rem},
      {L"-dllfile", CommandWord::DllFile},
      {L"-startedafteroptimization", CommandWord::StartedAfterOptimization},
      {L"zunvistascan", CommandWord::ElevatedScan},
      {L"zunvistadefrag", CommandWord::ElevatedDefrag},
      {L"zunvistafullbackup", CommandWord::ElevatedFullBackup},
      {L"zunvistafullbackuprestore", CommandWord::ElevatedFullBackupRestore},
      {L"zunvistapartialbackuprestore", CommandWord::ElevatedPartialBackupRestore},
      {L"zunvistaschedule", CommandWord::ElevatedSchedule},
      {L"-changelang", CommandWord::None},
      {L"", CommandWord::None},
      {L"scans", CommandWord::None},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(ClassifyCommandWord(NormalizeCommandWord(c.argument)), c.word) << static_cast<int>(c.word) << " for argument #" << (&c - kCases);
}

}  // namespace
