#include "support/TestPaths.h"

#include <cstdlib>

#include "platform/base/PrefixManifest.h"
#include <stdexcept>

namespace mxtest {

std::filesystem::path FixtureDir() { return std::filesystem::path(MX_SOURCE_DIR) / "tests" / "data" / "wine-prefix"; }

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "mxtest-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests make files read-only on purpose; give write access back so everything can go.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_symlink(ec))
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
  }
  std::filesystem::remove_all(path_, ec);
}

void MakeFixturePrefix(const std::filesystem::path& dest) {
  std::string why;
  if (!mx::MakePrefixFromManifest(dest, FixtureDir(), mx::PrefixCopyOptions{}, &why))
    throw std::runtime_error("cannot rebuild the sample prefix: " + why);
}

}  // namespace mxtest
