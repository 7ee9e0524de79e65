#pragma once
// Shared internals of the file-system layer.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

#include "platform/base/WinTypes.h"

inline constexpr LONG ERROR_DIRECTORY = 267;

namespace mx {

// The process-wide current directory (a normalised Windows folder without trailing backslash, "C:\" for a
// root), and setting it without checks.
std::wstring CurrentDirectory();
void SetCurrentDirectoryUnchecked(const std::wstring& dir);

// A folder's entries as the host has them (UTF-16 names sorted without case) with their 8.3 names, cached
// while the folder's modification time stays the same.
struct FolderListing {
  std::vector<std::wstring> names;
  std::vector<std::string> hostNames;  // same order
  std::vector<bool> plainFolders;      // same order: a folder itself, not a link to one
  std::vector<bool> plainFiles;        // same order: a regular file itself, not a link to one
  // Taken well after the folder's last change: a name it lacks is missing. Otherwise an entry made in the
  // same step of the folder's modification time may be absent from it.
  bool settled = false;
  std::vector<std::wstring> shortNames;  // filled on first need
  bool shortNamesReady = false;
  // Each name without case to its first entry, made with the listing: an open table of slots, a power of two
  // in size and never more than half full. A slot holds its entry's number plus one (0: free) and the high
  // half of the name's hash, which turns nearly every other name away before its text is looked at.
  struct Slot {
    uint32_t entryPlusOne = 0;
    uint32_t tag = 0;
  };
  std::vector<Slot> byName;
};
// The first entry of a listing named name without regard to case, or the number of its names when there is
// none.
size_t FirstNamedNoCase(const FolderListing& listing, std::wstring_view name);
// known: dir's stat when the caller just took it (saves taking it again).
// fresh: list it again even when a cached listing looks current.
std::shared_ptr<FolderListing> ListFolder(const std::string& dir, const struct stat* known = nullptr,
                                          bool fresh = false);
inline std::shared_ptr<FolderListing> ListFolder(const std::filesystem::path& dir, const struct stat* known = nullptr,
                                                 bool fresh = false) {
  return ListFolder(dir.native(), known, fresh);
}
// The 8.3 name of entry i of a listing.
std::wstring ShortNameOf(FolderListing& listing, size_t i);

// The attributes GetFileAttributes reports for a host object.
DWORD AttributesOf(const std::filesystem::path& host, const struct stat& st);

// Maps errno to the Windows code a file call gives.
LONG ErrnoToWin(int err);

}  // namespace mx
