#include "platform/fs/FileApi.h"

#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/fs/FsInternal.h"
#include "platform/fs/WinPath.h"

namespace mx {

namespace {

namespace fs = std::filesystem;

std::mutex g_overlayMutex;
std::map<std::string, DWORD> g_overlay;  // host path -> hidden/system bits

constexpr DWORD kOverlayBits = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

DWORD OverlayOf(const fs::path& host) {
  std::lock_guard lock(g_overlayMutex);
  if (g_overlay.empty()) return 0;  // spares the normalising of every path asked about
  auto it = g_overlay.find(host.lexically_normal().string());
  return it == g_overlay.end() ? 0 : it->second;
}

void SetOverlay(const fs::path& host, DWORD bits) {
  std::lock_guard lock(g_overlayMutex);
  std::string key = host.lexically_normal().string();
  if (bits & kOverlayBits)
    g_overlay[key] = bits & kOverlayBits;
  else
    g_overlay.erase(key);
}

bool Fail(LONG error) {
  win::SetLastError(static_cast<DWORD>(error));
  return false;
}

// Resolves a path that must exist; false with the last error set otherwise.
bool ResolveExisting(LPCWSTR path, ResolvedPath& out) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER);
  LONG error = ERROR_SUCCESS;
  auto r = ResolveWinPath(path, &error);
  if (!r) return Fail(error);
  if (!r->exists) return Fail(ERROR_FILE_NOT_FOUND);
  out = std::move(*r);
  return true;
}

// Resolves the two paths of a copy or move: the source must exist, the target may not.
bool ResolvePair(LPCWSTR from, LPCWSTR to, ResolvedPath& source, ResolvedPath& target) {
  if (!ResolveExisting(from, source)) return false;
  if (!to) return Fail(ERROR_INVALID_PARAMETER);
  LONG error = ERROR_SUCCESS;
  auto r = ResolveWinPath(to, &error);
  if (!r) return Fail(error);
  target = std::move(*r);
  return true;
}

}  // namespace

DWORD AttributesOf(const fs::path& host, const struct stat& st) {
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) {
    // A plain folder is exactly FILE_ATTRIBUTE_DIRECTORY: callers compare for equality.
    attributes = FILE_ATTRIBUTE_DIRECTORY;
  } else {
    attributes = FILE_ATTRIBUTE_ARCHIVE;
    if (!(st.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
  }
  return attributes | OverlayOf(host);
}

void SetAttributeOverlay(std::wstring_view winPath, DWORD attributes) {
  auto r = ResolveWinPath(winPath);
  if (r) SetOverlay(r->host, attributes);
}

LONG ReadWinFile(std::wstring_view path, std::string& bytes, std::uint64_t maxBytes) {
  LONG error = ERROR_SUCCESS;
  auto r = ResolveWinPath(path, &error);
  if (!r) return error;
  if (!r->exists || r->device) return r->device ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
  struct stat st {};
  if (::stat(r->host.c_str(), &st) != 0) return ERROR_FILE_NOT_FOUND;
  if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  if (static_cast<std::uint64_t>(st.st_size) > maxBytes) return ERROR_FILE_TOO_LARGE;
  std::error_code ec;
  if (!ReadWholeFile(r->host, bytes, &ec)) return ErrnoToWin(ec.value());
  return ERROR_SUCCESS;
}

LONG WriteWinFile(std::wstring_view path, std::string_view bytes) {
  LONG error = ERROR_SUCCESS;
  auto r = ResolveWinPath(path, &error);
  if (!r) return error;
  if (r->device) return ERROR_ACCESS_DENIED;
  struct stat st {};
  if (r->exists && ::stat(r->host.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode) || (AttributesOf(r->host, st) & FILE_ATTRIBUTE_READONLY)) return ERROR_ACCESS_DENIED;
  }
  std::error_code ec;
  if (!WriteFileAtomic(r->host, bytes, &ec)) return ec.value() == ENOSPC ? ERROR_DISK_FULL : ErrnoToWin(ec.value());
  return ERROR_SUCCESS;
}

}  // namespace mx

namespace win {

namespace fs = std::filesystem;

DWORD GetFileAttributes(LPCWSTR path) {
  mx::ResolvedPath r;
  if (!mx::ResolveExisting(path, r)) return INVALID_FILE_ATTRIBUTES;
  if (r.device) return FILE_ATTRIBUTE_ARCHIVE;
  struct stat st {};
  st.st_mode = r.mode;
  if (r.mode == 0 && ::stat(r.host.c_str(), &st) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_FILE_ATTRIBUTES;
  }
  return mx::AttributesOf(r.host, st);
}

BOOL SetFileAttributes(LPCWSTR path, DWORD attributes) {
  mx::ResolvedPath r;
  if (!mx::ResolveExisting(path, r)) return FALSE;
  if (r.device) return TRUE;
  struct stat st {};
  if (::stat(r.host.c_str(), &st) != 0) return mx::Fail(ERROR_FILE_NOT_FOUND);
  if (attributes == FILE_ATTRIBUTE_NORMAL) attributes = 0;
  if (!S_ISDIR(st.st_mode)) {
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~mode_t{0222}) : (mode | S_IWUSR);
    if (wanted != mode && ::chmod(r.host.c_str(), wanted) != 0) return mx::Fail(mx::ErrnoToWin(errno));
  }
  mx::SetOverlay(r.host, attributes);
  return TRUE;
}

BOOL CreateDirectory(LPCWSTR path, void* /*securityAttributes*/) {
  if (!path) return mx::Fail(ERROR_INVALID_PARAMETER);
  LONG error = ERROR_SUCCESS;
  auto r = mx::ResolveWinPath(path, &error);
  if (!r) return mx::Fail(error);
  if (r->exists || r->device) return mx::Fail(ERROR_ALREADY_EXISTS);
  if (::mkdir(r->host.c_str(), 0777) != 0) return mx::Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : mx::ErrnoToWin(errno));
  return TRUE;
}

BOOL RemoveDirectory(LPCWSTR path) {
  mx::ResolvedPath r;
  if (!mx::ResolveExisting(path, r)) return FALSE;
  if (r.device) return mx::Fail(ERROR_ACCESS_DENIED);
  struct stat st {};
  if (::lstat(r.host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return mx::Fail(ERROR_DIRECTORY);
  if (::rmdir(r.host.c_str()) != 0) return mx::Fail(mx::ErrnoToWin(errno));
  mx::SetOverlay(r.host, 0);
  return TRUE;
}

BOOL DeleteFile(LPCWSTR path) {
  mx::ResolvedPath r;
  if (!mx::ResolveExisting(path, r)) return FALSE;
  if (r.device) return mx::Fail(ERROR_ACCESS_DENIED);
  struct stat st {};
  if (::stat(r.host.c_str(), &st) != 0) return mx::Fail(ERROR_FILE_NOT_FOUND);
  // Root may unlink anything; Windows refuses folders and read-only files.
  if (S_ISDIR(st.st_mode) || (mx::AttributesOf(r.host, st) & FILE_ATTRIBUTE_READONLY))
    return mx::Fail(ERROR_ACCESS_DENIED);
  if (::unlink(r.host.c_str()) != 0) return mx::Fail(mx::ErrnoToWin(errno));
  mx::SetOverlay(r.host, 0);
  return TRUE;
}

BOOL CopyFile(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  mx::ResolvedPath source, targetPath;
  if (!mx::ResolvePair(from, to, source, targetPath)) return FALSE;
  auto* target = &targetPath;
  std::error_code ec;
  if (source.device || !std::filesystem::is_regular_file(source.host, ec)) return mx::Fail(ERROR_ACCESS_DENIED);
  if (target->exists) {
    if (failIfExists) return mx::Fail(ERROR_FILE_EXISTS);
    struct stat st {};
    if (::stat(target->host.c_str(), &st) == 0 &&
        (S_ISDIR(st.st_mode) || (mx::AttributesOf(target->host, st) & FILE_ATTRIBUTE_READONLY)))
      return mx::Fail(ERROR_ACCESS_DENIED);
  }
  std::string bytes;
  if (!mx::ReadWholeFile(source.host, bytes, &ec)) return mx::Fail(mx::ErrnoToWin(ec.value()));
  if (!mx::WriteFileAtomic(target->host, bytes, &ec))
    return mx::Fail(ec.value() == ENOENT ? ERROR_PATH_NOT_FOUND : mx::ErrnoToWin(ec.value()));
  return TRUE;
}

BOOL MoveFileEx(LPCWSTR from, LPCWSTR to, DWORD flags) {
  mx::ResolvedPath source, targetPath;
  if (!mx::ResolvePair(from, to, source, targetPath)) return FALSE;
  auto* target = &targetPath;
  if (source.device || target->device) return mx::Fail(ERROR_ACCESS_DENIED);
  std::error_code ec;
  const bool sourceIsDir = std::filesystem::is_directory(source.host, ec);
  if (target->exists) {
    // Renaming to the same object in another case is allowed.
    bool same = std::filesystem::equivalent(source.host, target->host, ec);
    if (!same) {
      if (!(flags & MOVEFILE_REPLACE_EXISTING) || sourceIsDir ||
          std::filesystem::is_directory(target->host, ec))
        return mx::Fail(ERROR_ALREADY_EXISTS);
    }
  }
  DWORD overlay = mx::OverlayOf(source.host);
  fs::path dest = target->host;
  if (target->exists && std::filesystem::equivalent(source.host, target->host, ec)) {
    // The same object under another case: take the name as the caller spelled it.
    std::wstring_view spelled = target->win;
    spelled = spelled.substr(spelled.find_last_of(L'\\') + 1);
    dest = target->host.parent_path() / mx::WideToUtf8(spelled);
  }
  if (::rename(source.host.c_str(), dest.c_str()) != 0) {
    if (errno != EXDEV || sourceIsDir) return mx::Fail(errno == ENOENT ? ERROR_PATH_NOT_FOUND : mx::ErrnoToWin(errno));
    // Another host file system behind another drive: copy, then remove the original.
    std::string bytes;
    if (!mx::ReadWholeFile(source.host, bytes, &ec) || !mx::WriteFileAtomic(dest, bytes, &ec))
      return mx::Fail(mx::ErrnoToWin(ec.value()));
    if (::unlink(source.host.c_str()) != 0) return mx::Fail(mx::ErrnoToWin(errno));
  }
  mx::SetOverlay(source.host, 0);
  mx::SetOverlay(dest, overlay);
  return TRUE;
}

BOOL MoveFile(LPCWSTR from, LPCWSTR to) { return MoveFileEx(from, to, MOVEFILE_COPY_ALLOWED); }

}  // namespace win
