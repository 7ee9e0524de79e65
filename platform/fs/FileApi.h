#pragma once
// File calls with Windows results over the prefix's drives. Every call resolves its path with
// mx::ResolveWinPath (so case, short names and redirection apply) and sets the last error on failure.
// Attributes: FILE_ATTRIBUTE_DIRECTORY for folders (exactly 0x10 for a plain folder), FILE_ATTRIBUTE_ARCHIVE
// for a plain file, FILE_ATTRIBUTE_READONLY when the host's owner-write bit is off; hidden and system come
// from an in-process overlay that SetFileAttributes and tests fill.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"

inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
inline constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
inline constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x40;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;

inline constexpr LONG ERROR_FILE_TOO_LARGE = 223;

inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
inline constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  DWORD dwReserved0 = 0;
  DWORD dwReserved1 = 0;
  WCHAR cFileName[MAX_PATH] = {};
  WCHAR cAlternateFileName[14] = {};
};

namespace mx {
class FindState;
}
using HFIND = mx::FindState*;
inline HFIND const INVALID_FIND_HANDLE = nullptr;

namespace win {

DWORD GetFileAttributes(LPCWSTR path);
// Only READONLY (the host's write bits), HIDDEN and SYSTEM (the overlay) are kept; NORMAL clears them.
BOOL SetFileAttributes(LPCWSTR path, DWORD attributes);

// pattern: a folder and a last component with * and ? (matched without case, "*.*" matches every name, a
// name without dot matches "*."), or a plain path, which finds that one entry. Folders list "." and ".." first,
// then the entries sorted without case. INVALID_FIND_HANDLE and ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND
// when nothing matches.
HFIND FindFirstFile(LPCWSTR pattern, WIN32_FIND_DATAW* data);
// FALSE with ERROR_NO_MORE_FILES at the end.
BOOL FindNextFile(HFIND find, WIN32_FIND_DATAW* data);
BOOL FindClose(HFIND find);

// ERROR_ALREADY_EXISTS when the folder (or a file of that name) exists, ERROR_PATH_NOT_FOUND when the parent
// is missing.
BOOL CreateDirectory(LPCWSTR path, void* securityAttributes);
// Fails with ERROR_DIR_NOT_EMPTY for a folder with entries.
BOOL RemoveDirectory(LPCWSTR path);
// Fails with ERROR_ACCESS_DENIED for a read-only file or a folder, ERROR_FILE_NOT_FOUND when missing.
BOOL DeleteFile(LPCWSTR path);
// failIfExists: ERROR_FILE_EXISTS when the target exists. The copy is written atomically.
BOOL CopyFile(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
// Fails with ERROR_ALREADY_EXISTS when the target exists.
BOOL MoveFile(LPCWSTR from, LPCWSTR to);
BOOL MoveFileEx(LPCWSTR from, LPCWSTR to, DWORD flags);

}  // namespace win

namespace mx {

struct FindStateDeleter {
  void operator()(FindState* f) const { win::FindClose(f); }
};
using FindPtr = std::unique_ptr<FindState, FindStateDeleter>;

// Test hook: the hidden/system bits of a Windows path (0 clears).
void SetAttributeOverlay(std::wstring_view winPath, DWORD attributes);

// Whole-file reads and writes by Windows path; the write is the atomic replace of FileIO.h. Errors are
// Windows codes (ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_WRITE_FAULT). Only
// regular files are read (a host device or pipe behind Z: would never end), and none above maxBytes
// (ERROR_FILE_TOO_LARGE).
LONG ReadWinFile(std::wstring_view path, std::string& bytes, std::uint64_t maxBytes = 1ull << 30);
LONG WriteWinFile(std::wstring_view path, std::string_view bytes);

// A file opened by Windows path, closed by its destructor: what CFile and CreateFile callers need.
class WinFile {
 public:
  enum Access : unsigned { kRead = 1, kWrite = 2 };
  enum Disposition { kOpenExisting, kCreateAlways, kOpenAlways, kCreateNew };

  WinFile() = default;
  ~WinFile();
  WinFile(WinFile&& other) noexcept;
  WinFile& operator=(WinFile&& other) noexcept;
  WinFile(const WinFile&) = delete;
  WinFile& operator=(const WinFile&) = delete;

  // ERROR_SUCCESS or a Windows error. kWrite on a read-only file gives ERROR_ACCESS_DENIED; kOpenExisting
  // never creates nor truncates; kOpenAlways writes in place (logs append this way). kCreateAlways and
  // kCreateNew write a temporary file beside the target that Close renames over it, so a crash or a full disk
  // leaves the old file whole.
  LONG Open(std::wstring_view path, unsigned access, Disposition disposition);
  bool IsOpen() const { return fd_ >= 0; }
  // Completes the file (the rename of a new file); the destructor does the same and ignores the result.
  LONG Close();
  // Reads up to size bytes; *read gets how many (0 at the end).
  LONG Read(void* buffer, DWORD size, DWORD* read);
  LONG Write(const void* buffer, DWORD size);
  LONG SeekToEnd(std::uint64_t* position = nullptr);
  LONG Seek(std::uint64_t position);
  LONG Size(std::uint64_t* size) const;
  LONG Flush();

 private:
  int fd_ = -1;
  bool failed_ = false;               // a write failed: a new file is not put in place
  std::filesystem::path temp_;        // set while a new file is being written
  std::filesystem::path target_;
};

}  // namespace mx
