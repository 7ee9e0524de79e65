#pragma once
// One registry change of an undo run, run at once (captured into the run's .reg text, then made) and not
// kept; or one archive entry of a closed run, which is all that a run's record lists.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

class CBackup;

// Operation types.
inline constexpr int kOpDeleteKey = 5;       // strings: key path; ints: root index
inline constexpr int kOpDeleteKeyTree = 6;   // the same; also the archive entry: "waste", entry name; ints: 1
inline constexpr int kOpSetValue = 8;        // strings: key path, value name, data; ints: 0 (string), root index
inline constexpr int kOpDeleteValue = 9;     // strings: key path, value name; ints: root index

class COperation {
 public:
  // Captures, then changes: 1 on success, 0 when the change failed or was refused because the present
  // state could not be captured.
  int Run(CBackup* backup);

  std::vector<std::wstring> m_arrStrings;
  std::vector<std::int32_t> m_arrInts;
  std::string m_data;  // extra data: only a record read back carries any
  BYTE m_b64BitView = 0;
  int m_nType = 0;

 private:
  int RunSetValue(CBackup& backup, REGSAM mask);
  int RunDeleteKey(CBackup& backup, REGSAM mask);
  int RunDeleteValue(CBackup& backup, REGSAM mask);
};
