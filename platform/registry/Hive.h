#pragma once
// One registry file of the prefix and its in-memory tree, with what the saver needs to know about the file
// on disk (so a file another process changed is never overwritten blindly).
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/registry/WineRegFile.h"

namespace mx::reg {

// Identity and state of a file on disk; equal stamps mean nobody replaced or changed it.
struct FileStamp {
  bool exists = false;
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t mtimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};
FileStamp StampOf(const std::filesystem::path& file);

struct Hive {
  enum class Kind { Machine, User, Default };
  Kind kind = Kind::Machine;
  std::filesystem::path file;
  WineRegFile content;
  FileStamp stamp;      // the file as we loaded or last saved it
  bool broken = false;  // the file exists but is not a registry file: never overwritten
  std::wstring loadError;
  std::atomic<bool> dirty{false};

  Key* root() const { return content.root.get(); }
};

}  // namespace mx::reg
