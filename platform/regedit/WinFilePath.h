#pragma once
// The editor's FILE argument: callers inside the prefix name it as a Windows path on one of the prefix's
// drives, the host's shell as a host path.
#include <filesystem>
#include <string>

namespace mx {

// "C:\users\root\1.reg" becomes the host file under the prefix's drive C:; anything without a drive letter is
// a host path. Empty, with error set, when the drive does not exist or a folder on the way is missing.
std::filesystem::path RegeditFilePath(const std::string& argument, std::string* error);

}  // namespace mx
