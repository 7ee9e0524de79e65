#pragma once
// Where tests find the sample prefix, and throw-away folders that clean up after themselves.
#include <filesystem>
#include <string>

namespace mxtest {

// The real Wine 8.0 prefix files kept in tests/data/wine-prefix.
std::filesystem::path FixtureDir();

// A new empty folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Rebuilds the sample prefix into dest (which must not exist yet) from the fixture's manifest.
void MakeFixturePrefix(const std::filesystem::path& dest);

}  // namespace mxtest
