#include "platform/regedit/WinFilePath.h"

#include <cctype>

#include "platform/base/Text.h"
#ifdef MX_REGEDIT_HAVE_FS
#include "platform/fs/WinPath.h"
#else
#include "platform/base/Prefix.h"
#endif

namespace mx {

std::filesystem::path RegeditFilePath(const std::string& argument, std::string* error) {
  bool windowsPath = argument.size() >= 2 && std::isalpha(static_cast<unsigned char>(argument[0])) &&
                     argument[1] == ':';
  if (!windowsPath) return std::filesystem::path(argument);
#ifdef MX_REGEDIT_HAVE_FS
  LONG rc = 0;
  auto resolved = ResolveWinPath(Utf8ToWide(argument), &rc);
  if (!resolved) {
    *error = "no such folder or drive in the prefix (error " + std::to_string(rc) + ")";
    return {};
  }
  return resolved->host;
#else
  std::filesystem::path drive =
      PrefixDir() / "dosdevices" / std::string(1, static_cast<char>(std::tolower(argument[0]))).append(":");
  std::error_code ec;
  if (!std::filesystem::exists(drive, ec)) {
    *error = "the prefix has no drive " + argument.substr(0, 2);
    return {};
  }
  std::string rest = argument.substr(2);
  for (auto& c : rest)
    if (c == '\\') c = '/';
  while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
  return drive / rest;
#endif
}

}  // namespace mx
