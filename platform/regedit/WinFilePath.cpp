#include "platform/regedit/WinFilePath.h"

#include <cctype>

#include "platform/base/Text.h"
#include "platform/fs/WinPath.h"

namespace mx {

std::filesystem::path RegeditFilePath(const std::string& argument, std::string* error) {
  bool windowsPath = argument.size() >= 2 && std::isalpha(static_cast<unsigned char>(argument[0])) &&
                     argument[1] == ':';
  if (!windowsPath) return std::filesystem::path(argument);
  LONG rc = 0;
  auto resolved = ResolveWinPath(Utf8ToWide(argument), &rc);
  if (!resolved) {
    *error = "no such drive or folder in the prefix (error " + std::to_string(rc) + ")";
    return {};
  }
  return resolved->host;
}

}  // namespace mx
