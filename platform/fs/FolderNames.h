#pragma once
// The names in one host folder, taken from the path resolver's cached listing, for callers that ask the same
// folder about many names: each question is a search in memory instead of a walk of the path.
#include <filesystem>
#include <memory>
#include <string_view>

namespace mx {

struct FolderListing;

class FolderNames {
 public:
  // Lists hostFolder (or finds its listing cached while the folder is unchanged).
  explicit FolderNames(const std::filesystem::path& hostFolder);
  ~FolderNames();

  // False when the folder could not be listed (missing, not a folder).
  bool listed() const { return listing_ != nullptr; }
  // Whether the listing can be trusted to hold every name: the folder did not change moments before it was
  // taken (a name made in the same step of its modification time could be missing from it).
  bool settled() const;
  // Whether an entry's long name equals name without regard to case; 8.3 names are not looked at.
  bool HoldsNoCase(std::wstring_view name) const;
  // Whether every entry named name without regard to case is a folder itself (not a link), and there is one.
  bool OnlyFoldersNamed(std::wstring_view name) const;

 private:
  // The first entry named name without case, or the end of the names.
  size_t FirstNamed(std::wstring_view name) const;

  std::shared_ptr<FolderListing> listing_;
};

}  // namespace mx
