#pragma once
// Wine's registry file format ("WINE REGISTRY Version 2"): the parser and the writer. A file that Wine wrote
// and nobody changed is written back byte for byte.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/KeyTree.h"

namespace mx::reg {

class WineRegFile {
 public:
  // The header's "All keys relative to" path (e.g. REGISTRY\User\S-1-5-21-0-0-0-1000), unescaped.
  std::wstring relativeTo;
  Arch arch = Arch::Win64;
  bool hasArch = false;
  std::shared_ptr<Key> root;
  size_t readSize = 0;  // the size of the text last parsed: about what a save of it will write

  // Parses text. A text that is not a Wine registry file at all fails with error "NAME:LINE: why"; a bad line
  // inside is skipped and reported in warnings the same way. hive is stored in every key.
  bool Parse(std::string_view text, std::wstring_view fileName, Hive* hive, std::vector<std::wstring>* warnings,
             std::wstring* error);
  std::string Format() const;
};

// Conversions between the file's Unix seconds and FILETIME.
std::uint64_t UnixToFileTime(std::uint64_t seconds);
std::uint64_t FileTimeToUnix(std::uint64_t fileTime);

}  // namespace mx::reg
