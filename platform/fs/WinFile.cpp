#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "platform/fs/FileApi.h"
#include "platform/fs/FsInternal.h"
#include "platform/fs/WinPath.h"

namespace mx {

WinFile::~WinFile() { Close(); }

WinFile::WinFile(WinFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      failed_(other.failed_),
      temp_(std::move(other.temp_)),
      target_(std::move(other.target_)) {
  other.temp_.clear();
}

WinFile& WinFile::operator=(WinFile&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    failed_ = other.failed_;
    temp_ = std::move(other.temp_);
    target_ = std::move(other.target_);
    other.temp_.clear();
  }
  return *this;
}

LONG WinFile::Open(std::wstring_view path, unsigned access, Disposition disposition) {
  Close();
  failed_ = false;
  LONG error = ERROR_SUCCESS;
  auto r = ResolveWinPath(path, &error);
  if (!r) return error;
  const bool write = access & kWrite;
  const int rw = write ? ((access & kRead) ? O_RDWR : O_WRONLY) : O_RDONLY;
  if (r->device) {
    fd_ = ::open("/dev/null", rw | O_CLOEXEC);
    return fd_ >= 0 ? ERROR_SUCCESS : ErrnoToWin(errno);
  }
  struct stat st {};
  const bool exists = r->exists && ::stat(r->host.c_str(), &st) == 0;
  // Folders, and host devices or pipes behind Z: (an open could block for ever), are not files to us.
  if (exists && !S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (exists && write && (AttributesOf(r->host, st) & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  switch (disposition) {
    case kOpenExisting:
      if (!exists) return ERROR_FILE_NOT_FOUND;
      fd_ = ::open(r->host.c_str(), rw | O_CLOEXEC);
      break;
    case kOpenAlways:
      fd_ = ::open(r->host.c_str(), rw | O_CREAT | O_CLOEXEC, 0666);
      break;
    case kCreateNew:
    case kCreateAlways: {
      if (disposition == kCreateNew && exists) return ERROR_FILE_EXISTS;
      std::string tmpl = r->host.string() + ".mxtmp-XXXXXX";
      fd_ = ::mkostemp(tmpl.data(), O_CLOEXEC);
      if (fd_ >= 0) {
        ::fchmod(fd_, exists ? (st.st_mode & 07777) : 0644);
        temp_ = tmpl;
        target_ = r->host;
      }
      break;
    }
  }
  if (fd_ < 0) return errno == ENOENT ? ERROR_PATH_NOT_FOUND : ErrnoToWin(errno);
  return ERROR_SUCCESS;
}

LONG WinFile::Close() {
  if (fd_ < 0) return ERROR_SUCCESS;
  LONG result = ERROR_SUCCESS;
  if (!temp_.empty()) {
    if (failed_ || ::fsync(fd_) != 0) result = failed_ ? ERROR_WRITE_FAULT : ErrnoToWin(errno);
    ::close(fd_);
    if (result == ERROR_SUCCESS && ::rename(temp_.c_str(), target_.c_str()) != 0) result = ErrnoToWin(errno);
    if (result != ERROR_SUCCESS) ::unlink(temp_.c_str());
    temp_.clear();
  } else if (::close(fd_) != 0) {
    result = ERROR_WRITE_FAULT;
  }
  fd_ = -1;
  return result;
}

LONG WinFile::Read(void* buffer, DWORD size, DWORD* read) {
  if (read) *read = 0;
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  auto* p = static_cast<char*>(buffer);
  DWORD total = 0;
  while (total < size) {
    ssize_t n = ::read(fd_, p + total, size - total);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ERROR_READ_FAULT;
    if (n == 0) break;
    total += static_cast<DWORD>(n);
  }
  if (read) *read = total;
  return ERROR_SUCCESS;
}

LONG WinFile::Write(const void* buffer, DWORD size) {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  const auto* p = static_cast<const char*>(buffer);
  DWORD total = 0;
  while (total < size) {
    ssize_t n = ::write(fd_, p + total, size - total);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failed_ = true;
      return errno == ENOSPC || errno == EDQUOT ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
    }
    total += static_cast<DWORD>(n);
  }
  return ERROR_SUCCESS;
}

LONG WinFile::SeekToEnd(std::uint64_t* position) {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  off_t at = ::lseek(fd_, 0, SEEK_END);
  if (at < 0) return ERROR_INVALID_PARAMETER;
  if (position) *position = static_cast<std::uint64_t>(at);
  return ERROR_SUCCESS;
}

LONG WinFile::Seek(std::uint64_t position) {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  return ::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0 ? ERROR_INVALID_PARAMETER : ERROR_SUCCESS;
}

LONG WinFile::Size(std::uint64_t* size) const {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  struct stat st {};
  if (::fstat(fd_, &st) != 0) return ERROR_READ_FAULT;
  if (size) *size = static_cast<std::uint64_t>(st.st_size);
  return ERROR_SUCCESS;
}

LONG WinFile::Flush() {
  if (fd_ < 0) return ERROR_INVALID_HANDLE;
  return ::fsync(fd_) == 0 ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

}  // namespace mx
