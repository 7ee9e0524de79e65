#include "scan/categories/FileInfoArray.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/Prefix.h"
#include "platform/fs/Drives.h"
#include "support/TestPaths.h"
#include "support/TestPrefix.h"

namespace {

namespace fs = std::filesystem;
using mxtest::TestPrefix;

std::vector<std::wstring> Collect(const std::wstring& folder) {
  CFileInfoArray files;
  const int added = files.AddDir(folder, L"*.lnk", TRUE, 0, FALSE);
  std::vector<std::wstring> paths;
  for (const CFileInfo& file : files) paths.push_back(file.m_strFilePath);
  EXPECT_EQ(added, static_cast<int>(paths.size()));
  return paths;
}

TEST(FileInfoArray, SubfolderFilesComeFirstAndOnlyMatchingFilesAreAdded) {
  TestPrefix prefix(mxtest::Arch::Win64);
  prefix.createFile(L"C:\\Qzx\\top.lnk", "0123456789");
  prefix.createFile(L"C:\\Qzx\\notes.txt");
  prefix.createFile(L"C:\\Qzx\\B\\b.lnk");
  prefix.createFile(L"C:\\Qzx\\a\\inner\\deep.LNK");
  prefix.createFile(L"C:\\Qzx\\a\\a.lnk");
  fs::create_directories(prefix.hostPath(L"C:\\Qzx\\folder.lnk"));

  CFileInfoArray files;
  EXPECT_EQ(files.AddDir(L"C:\\qzx\\", L"*.lnk", TRUE, 0, FALSE), 4);
  ASSERT_EQ(files.GetSize(), 4);
  EXPECT_EQ(files[0].m_strFilePath, L"C:\\qzx\\a\\inner\\deep.LNK");
  EXPECT_EQ(files[1].m_strFilePath, L"C:\\qzx\\a\\a.lnk");
  EXPECT_EQ(files[2].m_strFilePath, L"C:\\qzx\\B\\b.lnk");
  EXPECT_EQ(files[3].m_strFilePath, L"C:\\qzx\\top.lnk");
  EXPECT_EQ(files[3].m_nFileSize, 10u);
  EXPECT_GT(files[3].m_timLastWrite, 1700000000);

  EXPECT_EQ(Collect(L"C:\\Qzx\\Missing\\"), std::vector<std::wstring>{});
}

TEST(FileInfoArray, LinkedFoldersAreWalkedOnlyInsideTheStartFolderOrThePrefixDrives) {
  TestPrefix prefix(mxtest::Arch::Win64);
  mxtest::TempDir outside;  // stands for the host's home folder a user folder links to
  fs::create_directories(outside.path() / "sub");
  std::ofstream(outside.path() / "home.lnk") << "x";
  std::ofstream(outside.path() / "sub" / "homesub.lnk") << "x";
  fs::create_directory_symlink(outside.path() / "sub", outside.path() / "again");  // inside the start folder
  fs::create_directory_symlink(outside.path(), outside.path() / "loop");
  fs::create_directory_symlink("/", outside.path() / "host");
  fs::create_directories(prefix.driveC() / "users" / "root");
  fs::create_directory_symlink(outside.path(), prefix.driveC() / "users" / "root" / "Desktop");

  prefix.createFile(L"C:\\Qzx\\walk\\w.lnk");
  prefix.createFile(L"C:\\Qzx\\other\\o.lnk");
  mxtest::TempDir elsewhere;
  std::ofstream(elsewhere.path() / "far.lnk") << "x";
  fs::create_directory_symlink(prefix.driveC() / "Qzx" / "other", prefix.hostPath(L"C:\\Qzx\\walk\\in"));
  fs::create_directory_symlink(elsewhere.path(), prefix.hostPath(L"C:\\Qzx\\walk\\out"));
  fs::create_directory_symlink(prefix.driveC() / "Qzx", prefix.hostPath(L"C:\\Qzx\\walk\\up"));
  fs::create_directory_symlink("/", prefix.hostPath(L"C:\\Qzx\\walk\\host"));

  // "again" comes first and walks "sub", which is then not walked a second time
  EXPECT_EQ(Collect(L"C:\\users\\root\\Desktop\\"),
            (std::vector<std::wstring>{L"C:\\users\\root\\Desktop\\again\\homesub.lnk",
                                       L"C:\\users\\root\\Desktop\\home.lnk"}));
  // "up" leads to the parent, whose "other" and "walk" were walked already
  EXPECT_EQ(Collect(L"C:\\Qzx\\walk\\"),
            (std::vector<std::wstring>{L"C:\\Qzx\\walk\\in\\o.lnk", L"C:\\Qzx\\walk\\w.lnk"}));

  fs::create_directory_symlink("/", prefix.root() / "dosdevices" / "z:");
  mx::ResetDrives();
  EXPECT_EQ(Collect(L"Z:\\"), std::vector<std::wstring>{});
  fs::remove(prefix.root() / "dosdevices" / "z:");
  mx::ResetDrives();
}

TEST(FileInfoArray, ADesktopLinkedToTheHomeFolderLeavesOutThePrefixInIt) {
  // Wine's own layout: the prefix lives in the home folder the user's desktop links to.
  mxtest::TempDir home;
  const fs::path wine = home.path() / ".wine";
  fs::create_directories(wine / "dosdevices");
  fs::create_directories(wine / "drive_c" / "users" / "root");
  fs::create_directory_symlink("../drive_c", wine / "dosdevices" / "c:");
  fs::create_directory_symlink(home.path(), wine / "drive_c" / "users" / "root" / "Desktop");
  std::ofstream(home.path() / "desk.lnk") << "x";
  std::ofstream(wine / "drive_c" / "drive.lnk") << "x";
  const fs::path previous = mx::PrefixDir();
  mx::SetPrefixDir(wine);

  EXPECT_EQ(Collect(L"C:\\users\\root\\Desktop\\"), std::vector<std::wstring>{L"C:\\users\\root\\Desktop\\desk.lnk"});
  mx::SetPrefixDir(previous);
}

TEST(FileInfoArray, TheWalkStopsAtItsDepthLimit) {
  TestPrefix prefix(mxtest::Arch::Win64);
  std::wstring folder = L"C:\\Q\\";
  for (int depth = 1; depth <= CFileInfoArray::kMaxDepth + 1; ++depth) {
    folder += L"d\\";
    if (depth >= CFileInfoArray::kMaxDepth) prefix.createFile(folder + L"at" + std::to_wstring(depth) + L".lnk");
  }
  const std::wstring limit(L"C:\\Q\\");
  std::wstring deepest = limit;
  for (int depth = 1; depth <= CFileInfoArray::kMaxDepth; ++depth) deepest += L"d\\";
  EXPECT_EQ(Collect(limit), std::vector<std::wstring>{deepest + L"at" + std::to_wstring(CFileInfoArray::kMaxDepth) + L".lnk"});
}

}  // namespace
