#pragma once
// Reads a shipped language file the strict way, reporting every fault instead of guessing, so the tests see
// the files exactly as they were written.
#include <map>
#include <string>
#include <vector>

namespace langtest {

using Section = std::map<std::wstring, std::wstring>;
using IniFile = std::map<std::wstring, Section>;

// The reader's buffer, terminator included: a longer value would be cut.
inline constexpr size_t kReaderBufferUnits = 3072;

// res/<name> as UTF-16LE with a byte-order mark, paired surrogates, CRLF line ends, only section headers and
// key=value lines, each value non-empty, without blanks at its ends or a leading quote (the reader trims and
// drops those). Every fault is added to faults.
IniFile LoadStrict(const std::string& name, std::vector<std::string>& faults);

}  // namespace langtest
