#include "app/CommandWord.h"

#include "platform/base/Text.h"

std::wstring NormalizeCommandWord(const std::wstring& firstArgument) {
  std::wstring word;
  for (wchar_t c : firstArgument)
    if (c != L'\\' && c != L'/' && c != L'-') word.push_back(c);
  return mx::Trim(mx::ToLower(word));
}

CommandWord ClassifyCommandWord(const std::wstring& word) {
  struct Entry {
    const wchar_t* text;
    CommandWord word;
  };
  static constexpr Entry kWords[] = {
      {L"askuser", CommandWord::AskUser},
      {L"startedafteroptimization", CommandWord::StartedAfterOptimization},
      {L"zunvistascan", CommandWord::ElevatedScan},
      {L"zunvistadefrag", CommandWord::ElevatedDefrag},
      {L"zunvistafullbackup", CommandWord::ElevatedFullBackup},
      {L"zunvistafullbackuprestore", CommandWord::ElevatedFullBackupRestore},
      {L"zunvistapartialbackuprestore", CommandWord::ElevatedPartialBackupRestore},
      {L"zunvistaschedule", CommandWord::ElevatedSchedule},
      {L"default", CommandWord::Default},
      {L"rem", CommandWord::Rem},
      {L"dllfile", CommandWord::DllFile},
      {L"scan", CommandWord::Scan},
      {L"updatecheck", CommandWord::UpdateCheck},
  };
  for (const auto& e : kWords)
    if (mx::EqualsNoCase(word, e.text)) return e.word;
  return CommandWord::None;
}
