#include "platform/base/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>

namespace mx {

namespace {
void SetError(std::error_code* ec, int err) {
  if (ec) *ec = std::error_code(err, std::generic_category());
}
}  // namespace

bool ReadWholeFile(const std::filesystem::path& path, std::string& out, std::error_code* ec) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetError(ec, errno);
    return false;
  }
  // Read straight into the text, sized by the file's length; a file that grows meanwhile is read to its end.
  std::string data;
  struct stat st {};
  size_t got = 0;
  data.resize(::fstat(fd, &st) == 0 && st.st_size > 0 ? static_cast<size_t>(st.st_size) + 1 : 65536);
  for (;;) {
    if (got == data.size()) data.resize(data.size() * 2);
    ssize_t n = ::read(fd, data.data() + got, data.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      SetError(ec, err);
      return false;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(fd);
  data.resize(got);
  out = std::move(data);
  if (ec) ec->clear();
  return true;
}

namespace {

// A new temporary file beside path (".NAME.tmpXXXXXX") with path's mode, owner and group, open for writing;
// -1 with ec set when it cannot be made (nothing is left behind then).
int OpenStaging(const std::filesystem::path& path, std::string& tmpl, std::error_code* ec) {
  std::filesystem::path dir = path.parent_path();
  if (dir.empty()) dir = ".";
  tmpl = (dir / ("." + path.filename().string() + ".tmpXXXXXX")).string();
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    SetError(ec, errno);
    return -1;
  }
  // Keep the permissions and the owner of the file being replaced (a save by root of a user's file must
  // leave it the user's); a new file gets the usual 0644.
  struct stat st {};
  const bool replacing = ::stat(path.c_str(), &st) == 0;
  mode_t mode = replacing ? (st.st_mode & 07777) : 0644;
  if ((replacing && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) && ::fchown(fd, st.st_uid, st.st_gid) != 0 &&
       ::geteuid() == 0) ||
      ::fchmod(fd, mode) != 0) {
    SetError(ec, errno);
    ::close(fd);
    ::unlink(tmpl.c_str());
    return -1;
  }
  return fd;
}

bool WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool StageFile(const std::filesystem::path& path, std::string_view bytes, std::filesystem::path* temp,
               std::error_code* ec) {
  std::string tmpl;
  int fd = OpenStaging(path, tmpl, ec);
  if (fd < 0) return false;
  if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
    SetError(ec, errno);
    ::close(fd);
    ::unlink(tmpl.c_str());
    return false;
  }
  if (::close(fd) != 0) {
    int err = errno;
    ::unlink(tmpl.c_str());
    SetError(ec, err);
    return false;
  }
  *temp = tmpl;
  if (ec) ec->clear();
  return true;
}

AtomicFileWriter::AtomicFileWriter(const std::filesystem::path& path) : path_(path) {
  std::string tmpl;
  fd_ = OpenStaging(path, tmpl, &error_);
  temp_ = tmpl;
}

AtomicFileWriter::~AtomicFileWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

bool AtomicFileWriter::Write(std::string_view bytes) {
  if (fd_ < 0) return false;
  if (!WriteAll(fd_, bytes)) {
    SetError(&error_, errno);
    ::close(fd_);
    ::unlink(temp_.c_str());
    fd_ = -1;
    return false;
  }
  return true;
}

bool AtomicFileWriter::Commit() {
  if (fd_ < 0) return false;
  const int fd = fd_;
  fd_ = -1;
  if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp_.c_str(), path_.c_str()) != 0) {
    SetError(&error_, errno);
    ::unlink(temp_.c_str());
    return false;
  }
  SyncFolder(path_.parent_path());
  return true;
}

void SyncFolder(const std::filesystem::path& dir) {
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
}

bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::error_code* ec) {
  std::filesystem::path temp;
  if (!StageFile(path, bytes, &temp, ec)) return false;
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int err = errno;
    ::unlink(temp.c_str());
    SetError(ec, err);
    return false;
  }
  SyncFolder(path.parent_path());
  if (ec) ec->clear();
  return true;
}

}  // namespace mx
