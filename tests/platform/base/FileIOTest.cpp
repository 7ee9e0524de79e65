#include "platform/base/FileIO.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "support/TestPaths.h"

using namespace mx;

TEST(FileIO, AtomicReplaceWritesAndLeavesNoTemporary) {
  mxtest::TempDir dir;
  auto file = dir.path() / "results.kvt";
  ASSERT_TRUE(WriteFileAtomic(file, "first"));
  ASSERT_TRUE(WriteFileAtomic(file, std::string("second\0", 7)));
  std::string back;
  ASSERT_TRUE(ReadWholeFile(file, back));
  EXPECT_EQ(back, std::string("second\0", 7));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(FileIO, FailedReplaceKeepsWhatWasThere) {
  mxtest::TempDir dir;
  // The target is a non-empty folder: the rename must fail and the folder stay as it was.
  auto target = dir.path() / "busy";
  std::filesystem::create_directory(target);
  ASSERT_TRUE(WriteFileAtomic(target / "inner", "keep"));
  std::error_code ec;
  EXPECT_FALSE(WriteFileAtomic(target, "new", &ec));
  EXPECT_TRUE(ec);
  std::string back;
  ASSERT_TRUE(ReadWholeFile(target / "inner", back));
  EXPECT_EQ(back, "keep");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  EXPECT_FALSE(WriteFileAtomic(dir.path() / "missing-folder" / "x", "y", &ec));
  EXPECT_FALSE(ReadWholeFile(dir.path() / "nothing", back, &ec));
}

TEST(FileIO, FileWrittenInPiecesReplacesTheOldOnlyOnCommit) {
  mxtest::TempDir dir;
  auto file = dir.path() / "export.reg";
  ASSERT_TRUE(WriteFileAtomic(file, "old"));
  auto entries = [&] { return std::distance(std::filesystem::directory_iterator(dir.path()), {}); };
  std::string back;
  {
    AtomicFileWriter abandoned(file);
    ASSERT_TRUE(abandoned.Write("half"));
  }
  ASSERT_TRUE(ReadWholeFile(file, back));
  EXPECT_EQ(back, "old") << "dropped without a commit";
  EXPECT_EQ(entries(), 1);

  AtomicFileWriter writer(file);
  ASSERT_TRUE(writer.Write("ne"));
  ASSERT_TRUE(writer.Write("w"));
  ASSERT_TRUE(ReadWholeFile(file, back));
  EXPECT_EQ(back, "old") << "nothing shows before the commit";
  ASSERT_TRUE(writer.Commit());
  ASSERT_TRUE(ReadWholeFile(file, back));
  EXPECT_EQ(back, "new");
  EXPECT_EQ(entries(), 1);
  EXPECT_FALSE(writer.Write("more")) << "a committed file is closed";

  // A target that cannot be replaced (a folder) fails the commit and leaves no temporary.
  std::filesystem::create_directory(dir.path() / "busy");
  ASSERT_TRUE(WriteFileAtomic(dir.path() / "busy" / "inner", "keep"));
  AtomicFileWriter blocked(dir.path() / "busy");
  ASSERT_TRUE(blocked.Write("x"));
  EXPECT_FALSE(blocked.Commit());
  EXPECT_TRUE(blocked.error());
  EXPECT_EQ(entries(), 2);
  AtomicFileWriter nowhere(dir.path() / "missing-folder" / "x");
  EXPECT_FALSE(nowhere.Write("y"));
  EXPECT_TRUE(nowhere.error());
}

TEST(FileIO, ReplaceKeepsTheOwnerModeAndGroupOfTheFile) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  mxtest::TempDir dir;
  auto file = dir.path() / "user.reg";
  ASSERT_TRUE(WriteFileAtomic(file, "theirs"));
  ASSERT_EQ(::chown(file.c_str(), 12345, 23456), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  ASSERT_TRUE(WriteFileAtomic(file, "saved by root"));
  struct stat st {};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 12345u);
  EXPECT_EQ(st.st_gid, 23456u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}
