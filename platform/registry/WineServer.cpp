#include "platform/registry/WineServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/FileIO.h"

namespace mx::reg {

namespace {

std::string ServerName(const std::filesystem::path& prefix) {
  struct stat st {};
  if (::stat(prefix.c_str(), &st) != 0) return {};
  char name[64];
  std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return name;
}

// The private folder's name as the prefix records it: one plain name, nothing that could lead elsewhere.
std::string RecordedFolder(const std::filesystem::path& prefix) {
  std::string text;
  if (!ReadWholeFile(prefix / "wineserver", text)) return {};
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) text.pop_back();
  if (text.empty() || text.size() > 255 || text == "." || text == ".." ||
      text.find_first_of(std::string("/\n\0", 3)) != std::string::npos)
    return {};
  return text;
}

bool LockHeld(const std::filesystem::path& dir) {
  int fd = ::open((dir / "lock").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

}  // namespace

std::filesystem::path WineServerDir(const std::filesystem::path& prefix) {
  std::string name = ServerName(prefix);
  if (name.empty()) return {};
  return std::filesystem::path("/tmp") / (".wine-" + std::to_string(::getuid())) / name;
}

std::vector<std::filesystem::path> WineServerDirs(const std::filesystem::path& prefix) {
  std::vector<std::filesystem::path> dirs;
  std::string name = ServerName(prefix);
  if (name.empty()) return dirs;
  dirs.push_back(WineServerDir(prefix));
  if (std::string folder = RecordedFolder(prefix); !folder.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    if (tmp && *tmp == '/' && std::filesystem::path(tmp) != "/tmp")
      dirs.push_back(std::filesystem::path(tmp) / folder / name);
    dirs.push_back(std::filesystem::path("/tmp") / folder / name);
  }
  return dirs;
}

bool WineServerRunning(const std::filesystem::path& prefix) {
  for (const auto& dir : WineServerDirs(prefix))
    if (LockHeld(dir)) return true;
  return false;
}

}  // namespace mx::reg
