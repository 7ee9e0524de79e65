#include "platform/registry/WineServer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace mx::reg {

std::filesystem::path WineServerDir(const std::filesystem::path& prefix) {
  struct stat st {};
  if (::stat(prefix.c_str(), &st) != 0) return {};
  char name[64];
  std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return std::filesystem::path("/tmp") / (".wine-" + std::to_string(::getuid())) / name;
}

bool WineServerRunning(const std::filesystem::path& prefix) {
  std::filesystem::path dir = WineServerDir(prefix);
  if (dir.empty()) return false;
  int fd = ::open((dir / "lock").c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

}  // namespace mx::reg
