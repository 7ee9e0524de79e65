#pragma once
// Whether a Wine server holds a prefix. The server keeps a folder server-<dev>-<inode> named after the prefix
// folder's device and inode (both in lower-case hex) and holds an fcntl write lock on the file "lock" inside
// it for as long as it runs. The folder is in /tmp/.wine-<uid>/, or, as some builds of Wine do, in a private
// temporary folder whose name the server writes to the file "wineserver" in the prefix (that folder is made
// in $TMPDIR, else /tmp).
#include <filesystem>
#include <vector>

namespace mx::reg {

// The standard place.
std::filesystem::path WineServerDir(const std::filesystem::path& prefix);
// Every place a server of the prefix may keep its folder, the standard one first.
std::vector<std::filesystem::path> WineServerDirs(const std::filesystem::path& prefix);
bool WineServerRunning(const std::filesystem::path& prefix);

}  // namespace mx::reg
