#include "platform/fs/FolderNames.h"

#include <algorithm>

#include "platform/base/Text.h"
#include "platform/fs/FsInternal.h"

namespace mx {

FolderNames::FolderNames(const std::filesystem::path& hostFolder) : listing_(ListFolder(hostFolder)) {}

FolderNames::~FolderNames() = default;

bool FolderNames::settled() const { return listing_ && listing_->settled; }

size_t FolderNames::FirstNamed(std::wstring_view name) const { return FirstNamedNoCase(*listing_, name); }

bool FolderNames::HoldsNoCase(std::wstring_view name) const {
  return listing_ && FirstNamed(name) < listing_->names.size();
}

bool FolderNames::OnlyFoldersNamed(std::wstring_view name) const {
  if (!listing_) return false;
  const auto& names = listing_->names;
  size_t i = FirstNamed(name);
  if (i == names.size()) return false;
  // The search matched the first already; those after it in the run are alike without case.
  if (!listing_->plainFolders[i]) return false;
  for (++i; i < names.size() && EqualsNoCase(names[i], name); ++i)
    if (!listing_->plainFolders[i]) return false;
  return true;
}

}  // namespace mx
