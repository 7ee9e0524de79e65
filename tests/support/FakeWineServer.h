#pragma once
// A stand-in for a running Wine server on a prefix, for tests of what must not happen while one runs.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/registry/WineServer.h"

namespace mxtest {

// Holds the server lock of a prefix from a child process, as a running wineserver does.
class FakeWineServer {
 public:
  explicit FakeWineServer(const std::filesystem::path& prefix) : FakeWineServer(mx::reg::WineServerDir(prefix), 0) {}
  // A server whose folder is dir (one of mx::reg::WineServerDirs).
  FakeWineServer(const std::filesystem::path& dir, int) {
    std::filesystem::create_directories(dir);
    lockFile_ = dir / "lock";
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(release[1]);  // so the parent's close ends the wait below
      int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT, 0600);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      char c = ::fcntl(fd, F_SETLK, &lock) == 0 ? 1 : 0;
      (void)!::write(ready[1], &c, 1);
      (void)!::read(release[0], &c, 1);
      ::_exit(0);
    }
    char c = 0;
    (void)!::read(ready[0], &c, 1);
    releaseFd_ = release[1];
    ::close(ready[0]);
    ::close(ready[1]);
    ::close(release[0]);
  }
  ~FakeWineServer() {
    ::close(releaseFd_);
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    std::error_code ec;
    std::filesystem::remove_all(lockFile_.parent_path(), ec);
  }

 private:
  std::filesystem::path lockFile_;
  pid_t pid_ = -1;
  int releaseFd_ = -1;
};

}  // namespace mxtest
