#pragma once
// Whether a Wine server holds a prefix. The server keeps a folder /tmp/.wine-<uid>/server-<dev>-<inode>/
// named after the prefix folder's device and inode (both in lower-case hex) and holds an fcntl write lock
// on the file "lock" inside it for as long as it runs.
#include <filesystem>

namespace mx::reg {

std::filesystem::path WineServerDir(const std::filesystem::path& prefix);
bool WineServerRunning(const std::filesystem::path& prefix);

}  // namespace mx::reg
