#pragma once
// Whole-file reads and the atomic replace every file the program writes goes through: a temporary file in
// the same folder, flushed, then renamed over the target. A crash or a full disk leaves the old file intact.
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace mx {

// Reads the whole file; false with ec set when it cannot.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out, std::error_code* ec = nullptr);

// Replaces path with bytes atomically. On failure the old file is untouched, no temporary is left behind
// and ec tells why.
bool WriteFileAtomic(const std::filesystem::path& path, std::string_view bytes, std::error_code* ec = nullptr);

// The first half of WriteFileAtomic, for changes that replace several files together: writes bytes to a new
// temporary file beside path (".NAME.tmpXXXXXX", flushed, with path's mode, owner and group) and names it in
// temp. Renaming it over path is the caller's; on failure nothing is left behind.
bool StageFile(const std::filesystem::path& path, std::string_view bytes, std::filesystem::path* temp,
               std::error_code* ec = nullptr);
// WriteFileAtomic for a file written in pieces, so that it never has to be held whole in memory: a temporary
// beside path, filled by Write and renamed over path by Commit. Dropped without a successful Commit, it leaves
// path as it was and no temporary behind.
class AtomicFileWriter {
 public:
  explicit AtomicFileWriter(const std::filesystem::path& path);
  ~AtomicFileWriter();
  AtomicFileWriter(const AtomicFileWriter&) = delete;
  AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

  // False once anything failed (error() tells why); every later call fails too.
  bool Write(std::string_view bytes);
  bool Commit();
  const std::error_code& error() const { return error_; }

 private:
  std::filesystem::path path_, temp_;
  int fd_ = -1;
  std::error_code error_;
};

// Flushes a folder's entries (after renames in it) to the disk.
void SyncFolder(const std::filesystem::path& dir);

}  // namespace mx
