#pragma once
// Registry files that cannot be loaded at all, each with the words its message gives as the reason.
#include <string>
#include <vector>

namespace mxtest {

struct DamagedRegistryFile {
  std::string bytes;
  const char* why;
};

inline std::vector<DamagedRegistryFile> DamagedRegistryFiles() {
  using namespace std::string_literals;
  const std::string body = "\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n[Software\\\\Qzx] 1\n\"v\"=\"x\"\n";
  return {
      {"", "empty"},
      {"[Software\\\\Qzx] 1\n\"v\"=\"x\"\n", "no \"WINE REGISTRY Version 2\" line"},
      {"WINE REGISTRY Version 3" + body, "another version"},
      {"WINE REGISTRY Version 2\r;; All keys relative to \\\\Machine\r\r#arch=win64\r", "carriage return only"},
      {"\xEF\xBB\xBFWINE REGISTRY Version 2" + body, "UTF-8 byte-order mark"},
      {"\xFF\xFEW\0I\0N\0E\0 \0R\0E\0G\0I\0S\0T\0R\0Y\0"s, "UTF-16"},
      {"\x7f" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0\x03\0>\0"s, "binary data"},
  };
}

}  // namespace mxtest
