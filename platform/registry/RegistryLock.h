#pragma once
// The lock our processes share on one prefix's registry: an flock on ".registry.lock" in the prefix, held
// by whoever loads, checks or replaces the registry files, so that two programs never both pass the
// "changed on disk" check and then overwrite each other. Within a process it is counted: the editor holds
// it around a whole import while the saves inside take it again. A process that inherited a held lock
// through fork() starts without it.
#include <chrono>
#include <filesystem>
#include <string>

namespace mx::reg {

// Other programs hold the lock for one load or one import: far less than this.
inline constexpr std::chrono::milliseconds kRegistryLockWait{20000};

class RegistryLock {
 public:
  // Waits up to timeout for the lock of prefix. False when it cannot be had: another program holds it that
  // long, or the lock file cannot be made or opened (error says which). A reader passes create = false:
  // where no lock file exists none of our writers ever saved, and a prefix is never changed by a mere look.
  static bool Acquire(const std::filesystem::path& prefix, std::chrono::milliseconds timeout, bool create,
                      std::wstring* error);
  static void Release();
  static std::filesystem::path FileOf(const std::filesystem::path& prefix);
};

// Scoped hold of the lock.
class RegistryLockHold {
 public:
  RegistryLockHold(const std::filesystem::path& prefix, std::chrono::milliseconds timeout, bool create)
      : held_(RegistryLock::Acquire(prefix, timeout, create, &error_)) {}
  ~RegistryLockHold() {
    if (held_) RegistryLock::Release();
  }
  RegistryLockHold(const RegistryLockHold&) = delete;
  RegistryLockHold& operator=(const RegistryLockHold&) = delete;
  bool held() const { return held_; }
  const std::wstring& error() const { return error_; }

 private:
  std::wstring error_;  // before held_: the constructor fills it
  bool held_;
};

}  // namespace mx::reg
