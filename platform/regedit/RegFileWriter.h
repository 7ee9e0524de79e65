#pragma once
// Writes .reg text in version 5.00 as the registry editor exports it: UTF-16LE with byte-order mark, CR LF,
// a blank line after every key, hex lists wrapped before the 80th column with ",\" and two blanks.
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"

namespace mx {

class RegFileWriter {
 public:
  RegFileWriter();

  // Starts a key; fullName is "HKEY_LOCAL_MACHINE\Software\...".
  void addKey(std::wstring_view fullName);
  // One value line under the last key. Data that a quoted string or dword: would not carry exactly (no
  // terminator, an embedded NUL, a line break, a size that is not four) is written in the hex(N): form.
  void addValue(std::wstring_view name, DWORD type, std::span<const BYTE> data);

  // Hands the file to sink in pieces of about a megabyte as it grows, instead of holding it whole (an export
  // of a large registry is hundreds of megabytes); fileBytes() then holds only the rest.
  void streamTo(std::function<void(std::string_view)> sink);

  // UTF-16 units written so far.
  size_t size() const { return (handedOn_ + bytes_.size() - 2) / 2; }
  // The text so far, complete (the last key closed by its blank line); what was not handed to a sink.
  std::wstring text() const;
  // The file: FF FE, then the text as UTF-16LE (after streamTo, the part not handed on yet). Closes the last
  // key; the bytes are held once, not copied.
  const std::string& fileBytes();

 private:
  void put(std::wstring_view text);
  void addHex(std::wstring line, std::span<const BYTE> data);

  std::string bytes_;  // the file as it is written: byte-order mark, then UTF-16LE
  size_t handedOn_ = 0;  // bytes given to the sink
  std::function<void(std::string_view)> sink_;
  bool keyOpen_ = false;
};

}  // namespace mx
