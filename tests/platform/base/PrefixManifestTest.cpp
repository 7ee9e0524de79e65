#include "platform/base/PrefixManifest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/base/FileIO.h"
#include "support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

// Every entry below root with its kind, size and link text: two trees are the same prefix when these agree.
std::map<std::string, std::string> Listing(const fs::path& root) {
  std::map<std::string, std::string> out;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const auto rel = fs::relative(it->path(), root).string();
    if (it->is_symlink())
      out[rel] = "l " + fs::read_symlink(it->path()).string();
    else if (it->is_directory())
      out[rel] = "d";
    else
      out[rel] = "f " + std::to_string(it->file_size());
  }
  return out;
}

TEST(PrefixManifest, BuildsEveryEntryOfTheFixtureWithItsKeptFiles) {
  mxtest::TempDir tmp;
  const fs::path dest = tmp.path() / "prefix";
  std::string why;
  ASSERT_TRUE(mx::MakePrefixFromManifest(dest, mxtest::FixtureDir(), {}, &why)) << why;
  // The manifest's header counts 1638 files, 138 folders and 7 links; links become empty folders.
  size_t files = 0, folders = 0;
  for (const auto& [path, kind] : Listing(dest / "drive_c")) (kind[0] == 'f' ? files : folders)++;
  EXPECT_EQ(files, 1638u);
  EXPECT_EQ(folders, 138u + 7u);
  EXPECT_EQ(fs::read_symlink(dest / "dosdevices" / "c:"), "../drive_c");
  EXPECT_EQ(fs::read_symlink(dest / "dosdevices" / "z:"), "/");
  std::string stamp, a, b;
  ASSERT_TRUE(mx::ReadWholeFile(dest / ".update-timestamp", stamp));
  EXPECT_EQ(stamp, "1676758571\n");
  for (const char* file : {"system.reg", "drive_c/windows/system32/olepro32.dll"}) {
    const fs::path rel(file);
    const fs::path from = rel.begin()->string() == "drive_c" ? mxtest::FixtureDir() / "drive_c-files" / fs::relative(rel, "drive_c")
                                                             : mxtest::FixtureDir() / rel;
    ASSERT_TRUE(mx::ReadWholeFile(dest / rel, a)) << file;
    ASSERT_TRUE(mx::ReadWholeFile(from, b)) << file;
    EXPECT_EQ(a, b) << file;
    EXPECT_FALSE(a.empty()) << file;
  }
}

TEST(PrefixManifest, ADamagedManifestFailsNamingTheLineAndLeavesNothing) {
  struct Case { const char* line; const char* why; };
  const Case kCases[] = {
      {"f\t0\t../../escaped.txt", "a path that climbs out of drive_c"},
      {"f\t0\t/etc/x", "an absolute path"},
      {"q\t0\twindows", "an unknown kind"},
      {"f\t0", "a line without a path"},
  };
  for (const auto& c : kCases) {
    mxtest::TempDir tmp;
    const fs::path src = tmp.path() / "src";
    fs::create_directories(src);
    for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) std::ofstream(src / name) << "WINE REGISTRY Version 2\n";
    std::ofstream(src / "drive_c-manifest.txt") << "# header\nd\t0\twindows\n" << c.line << "\n";
    std::string why;
    EXPECT_FALSE(mx::MakePrefixFromManifest(tmp.path() / "dest", src, {}, &why)) << c.why;
    EXPECT_NE(why.find("drive_c-manifest.txt:3"), std::string::npos) << why;
    EXPECT_FALSE(fs::exists(tmp.path() / "dest")) << c.why;
    EXPECT_FALSE(fs::exists(tmp.path() / "escaped.txt")) << c.why;
  }
}

TEST(PrefixManifest, RefusesAnExistingDestination) {
  mxtest::TempDir tmp;
  std::string why;
  EXPECT_FALSE(mx::MakePrefixFromManifest(tmp.path(), mxtest::FixtureDir(), {}, &why));
  EXPECT_NE(why.find("exists"), std::string::npos);
}

}  // namespace
