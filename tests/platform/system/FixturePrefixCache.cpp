#include "platform/system/FixturePrefixCache.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

#include "platform/base/Prefix.h"
#include "support/TestPaths.h"

namespace mxtest {

std::filesystem::path SharedFixturePrefix() {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(MX_BINARY_DIR) / "test-fixture-prefix";
  fs::path ready = dir / ".ready";
  if (fs::exists(ready)) return dir;
  fs::path lockFile = fs::path(MX_BINARY_DIR) / "test-fixture-prefix.lock";
  int fd = ::open(lockFile.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
  if (fd < 0) throw std::runtime_error("cannot open " + lockFile.string());
  ::flock(fd, LOCK_EX);
  if (!fs::exists(ready)) {
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::path scratch = dir.string() + ".new";
    fs::remove_all(scratch, ec);
    MakeFixturePrefix(scratch);
    ::close(::open((scratch / ".ready").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    fs::rename(scratch, dir);
  }
  ::flock(fd, LOCK_UN);
  ::close(fd);
  return dir;
}

UseSharedFixture::UseSharedFixture() : previous_(mx::PrefixDir()) { mx::SetPrefixDir(SharedFixturePrefix()); }

UseSharedFixture::~UseSharedFixture() { mx::SetPrefixDir(previous_); }

}  // namespace mxtest
