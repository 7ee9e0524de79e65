#include "platform/registry/RegistryLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/base/Text.h"

namespace mx::reg {

namespace {

struct LockState {
  std::mutex mutex;
  int fd = -1;
  int count = 0;
  pid_t pid = 0;
  std::filesystem::path file;
};

// Never destroyed: saves run from static destructors at exit.
LockState& State() {
  static auto* state = new LockState;
  return *state;
}

std::wstring Describe(const std::filesystem::path& file, int err) {
  return Utf8ToWide(file.string()) + L": " + Utf8ToWide(std::strerror(err));
}

int OpenLockFile(const std::filesystem::path& file, bool create) {
  if (!create) return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd >= 0) {
    // Made by root in a user's prefix, it must stay the user's, or the user's own programs could not take it.
    struct stat dir {}, own {};
    if (::geteuid() == 0 && ::stat(file.parent_path().c_str(), &dir) == 0 && ::fstat(fd, &own) == 0 &&
        (own.st_uid != dir.st_uid || own.st_gid != dir.st_gid))
      (void)!::fchown(fd, dir.st_uid, dir.st_gid);
    return fd;
  }
  // flock needs no write access: a lock file someone else made is still ours to take.
  return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
}

}  // namespace

std::filesystem::path RegistryLock::FileOf(const std::filesystem::path& prefix) { return prefix / ".registry.lock"; }

bool RegistryLock::Acquire(const std::filesystem::path& prefix, std::chrono::milliseconds timeout, bool create,
                           std::wstring* error) {
  LockState& s = State();
  std::lock_guard guard(s.mutex);
  if (s.pid != ::getpid()) {
    // Closing our copy of an inherited descriptor leaves the parent's lock alone.
    if (s.fd >= 0) ::close(s.fd);
    s.fd = -1;
    s.count = 0;
    s.pid = ::getpid();
  }
  const std::filesystem::path file = FileOf(prefix);
  if (s.count > 0) {
    if (file == s.file) {
      ++s.count;
      return true;
    }
    if (error) *error = L"the registry lock of another prefix is held (" + Utf8ToWide(s.file.string()) + L")";
    return false;
  }
  int fd = OpenLockFile(file, create);
  if (fd < 0) {
    if (error) *error = L"cannot open the registry lock " + Describe(file, errno);
    return false;
  }
  auto deadline = std::chrono::steady_clock::now() + timeout;
  auto pause = std::chrono::milliseconds(1);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int err = errno;
    if (err == EINTR) continue;
    if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
      ::close(fd);
      if (error)
        *error = err == EWOULDBLOCK ? L"another program has held the registry of the prefix " +
                                          Utf8ToWide(prefix.string()) + L" for more than " +
                                          std::to_wstring(timeout.count() / 1000) + L" s (lock file " +
                                          Utf8ToWide(file.string()) + L"); nothing was changed"
                                    : L"cannot lock " + Describe(file, err);
      return false;
    }
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::milliseconds(20));
  }
  s.fd = fd;
  s.count = 1;
  s.file = file;
  return true;
}

void RegistryLock::Release() {
  LockState& s = State();
  std::lock_guard guard(s.mutex);
  if (s.pid != ::getpid() || s.count == 0) return;
  if (--s.count == 0) {
    ::close(s.fd);  // drops the lock
    s.fd = -1;
  }
}

}  // namespace mx::reg
