#pragma once
// Reads .reg files: "Windows Registry Editor Version 5.00" (UTF-16LE with byte-order mark, or 8-bit) and
// REGEDIT4 (8-bit text in the ANSI code page, Windows-1252). Nothing is applied here; a file either parses
// completely or gives one error naming its line.
#include <string>
#include <string_view>

#include "platform/regedit/RegScript.h"

namespace mx {

struct RegParseResult {
  RegScript script;
  std::string error;  // UTF-8, "line N: ..."; empty when the whole file parsed
  bool ok() const { return error.empty(); }
};

// The bytes of a whole .reg file; the encoding follows the byte-order mark.
RegParseResult ParseRegFile(std::string_view bytes);

struct RegTextOptions {
  // Accepts text that starts directly with keys (test fixtures); such text is read as version 5.00.
  bool headerOptional = false;
};

// Text already decoded to UTF-16 units (the header line decides between version 5.00 and REGEDIT4 rules).
RegParseResult ParseRegText(std::wstring_view text, RegTextOptions options = {});

}  // namespace mx
