#include "platform/fs/FileApi.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "support/TestPrefix.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::wstring> Find(const wchar_t* pattern, std::vector<DWORD>* attributes = nullptr) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  mx::FindPtr find(win::FindFirstFile(pattern, &data));
  if (!find) return names;
  do {
    names.emplace_back(data.cFileName);
    if (attributes) attributes->push_back(data.dwFileAttributes);
  } while (win::FindNextFile(find.get(), &data));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
  return names;
}

class FileApi : public ::testing::Test {
 protected:
  mxtest::TestPrefix prefix{mxtest::Arch::Win64};
};

TEST_F(FileApi, AttributesFollowWindows) {
  prefix.createFile(L"C:\\Data\\plain.txt", "x");
  prefix.createFile(L"C:\\Data\\locked.txt", "x");
  fs::permissions(prefix.hostPath(L"C:\\Data\\locked.txt"), fs::perms::owner_read | fs::perms::group_read);
  EXPECT_EQ(win::GetFileAttributes(L"C:\\data"), FILE_ATTRIBUTE_DIRECTORY);  // exactly, callers compare
  EXPECT_EQ(win::GetFileAttributes(L"C:\\DATA\\PLAIN.TXT"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(win::GetFileAttributes(L"C:\\Data\\locked.txt"), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(win::GetFileAttributes(L"C:\\Data\\none.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(win::GetFileAttributes(L"C:\\None\\none.txt"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  ASSERT_TRUE(win::SetFileAttributes(L"C:\\Data\\plain.txt", FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(win::GetFileAttributes(L"C:\\Data\\plain.txt"),
            FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(win::DeleteFile(L"C:\\Data\\plain.txt"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(win::SetFileAttributes(L"C:\\Data\\plain.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(win::GetFileAttributes(L"C:\\Data\\plain.txt"), FILE_ATTRIBUTE_ARCHIVE);
  ASSERT_TRUE(win::SetFileAttributes(L"C:\\Data", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(win::GetFileAttributes(L"C:\\Data"), FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(FileApi, CreateDeleteCopyMoveGiveWindowsErrors) {
  EXPECT_TRUE(win::CreateDirectory(L"C:\\New", nullptr));
  EXPECT_FALSE(win::CreateDirectory(L"c:\\new", nullptr));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(win::CreateDirectory(L"C:\\Missing\\New", nullptr));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  prefix.createFile(L"C:\\New\\a.txt", "alpha");
  prefix.createFile(L"C:\\New\\b.txt", "beta");
  EXPECT_FALSE(win::RemoveDirectory(L"C:\\New"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
  EXPECT_FALSE(win::DeleteFile(L"C:\\New"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(win::DeleteFile(L"C:\\New\\none.txt"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  EXPECT_FALSE(win::CopyFile(L"C:\\New\\a.txt", L"C:\\New\\B.TXT", TRUE));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  EXPECT_TRUE(win::CopyFile(L"C:\\New\\a.txt", L"C:\\New\\B.TXT", FALSE));
  std::string bytes;
  EXPECT_EQ(mx::ReadWinFile(L"c:\\new\\b.txt", bytes), ERROR_SUCCESS);
  EXPECT_EQ(bytes, "alpha");

  EXPECT_FALSE(win::MoveFile(L"C:\\New\\a.txt", L"C:\\New\\b.txt"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(win::MoveFile(L"C:\\New\\a.txt", L"C:\\New\\c.txt"));
  EXPECT_TRUE(win::MoveFileEx(L"C:\\New\\c.txt", L"C:\\New\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_TRUE(win::MoveFile(L"C:\\New\\b.txt", L"C:\\New\\B.txt"));  // a change of case only
  EXPECT_EQ(Find(L"C:\\New\\*.txt"), std::vector<std::wstring>{L"B.txt"});
  EXPECT_TRUE(win::DeleteFile(L"C:\\New\\b.txt"));
  EXPECT_TRUE(win::RemoveDirectory(L"C:\\New"));
  EXPECT_FALSE(win::MoveFile(L"C:\\Gone.txt", L"C:\\x.txt"));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FileApi, FindListsFoldersAndMatchesPatternsWithoutCase) {
  prefix.createFile(L"C:\\Logs\\b.LOG", "1");
  prefix.createFile(L"C:\\Logs\\a.log", "22");
  prefix.createFile(L"C:\\Logs\\readme", "");
  prefix.createFile(L"C:\\Logs\\Sub\\x.log", "");
  std::vector<DWORD> attributes;
  EXPECT_EQ(Find(L"C:\\logs\\*", &attributes),
            (std::vector<std::wstring>{L".", L"..", L"a.log", L"b.LOG", L"readme", L"Sub"}));
  EXPECT_EQ(attributes[5], FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(Find(L"C:\\Logs\\*.log"), (std::vector<std::wstring>{L"a.log", L"b.LOG"}));
  EXPECT_EQ(Find(L"C:\\Logs\\?.LOG"), (std::vector<std::wstring>{L"a.log", L"b.LOG"}));
  EXPECT_EQ(Find(L"C:\\Logs\\*."), (std::vector<std::wstring>{L".", L"..", L"readme", L"Sub"}));
  EXPECT_EQ(Find(L"C:\\Logs\\*.*").size(), 6u);
  EXPECT_EQ(Find(L"C:\\*"), (std::vector<std::wstring>{L"Logs", L"windows"}));  // a root has no dot entries
  // A plain path finds that one entry, a folder's own entry exactly FILE_ATTRIBUTE_DIRECTORY.
  attributes.clear();
  EXPECT_EQ(Find(L"c:\\LOGS\\sub", &attributes), std::vector<std::wstring>{L"Sub"});
  EXPECT_EQ(attributes, std::vector<DWORD>{FILE_ATTRIBUTE_DIRECTORY});
  WIN32_FIND_DATAW data;
  EXPECT_EQ(win::FindFirstFile(L"C:\\Logs\\Sub\\", &data), INVALID_FIND_HANDLE);
  EXPECT_EQ(win::FindFirstFile(L"C:\\Logs\\*.txt", &data), INVALID_FIND_HANDLE);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(win::FindFirstFile(L"C:\\Nope\\*", &data), INVALID_FIND_HANDLE);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  mx::FindPtr find(win::FindFirstFile(L"C:\\Logs\\a.log", &data));
  ASSERT_TRUE(find);
  EXPECT_EQ(data.nFileSizeLow, 2u);
  EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
}

TEST_F(FileApi, NewFilesReplaceTheOldOnlyWhenComplete) {
  ASSERT_EQ(mx::WriteWinFile(L"C:\\windows\\list.kvt", "old"), ERROR_SUCCESS);
  {
    mx::WinFile file;
    ASSERT_EQ(file.Open(L"C:\\WINDOWS\\LIST.KVT", mx::WinFile::kWrite, mx::WinFile::kCreateAlways), ERROR_SUCCESS);
    ASSERT_EQ(file.Write("new content", 11), ERROR_SUCCESS);
    std::string during;
    mx::ReadWinFile(L"C:\\windows\\list.kvt", during);
    EXPECT_EQ(during, "old");
    EXPECT_EQ(file.Close(), ERROR_SUCCESS);
  }
  std::string after;
  mx::ReadWinFile(L"C:\\windows\\list.kvt", after);
  EXPECT_EQ(after, "new content");
  EXPECT_EQ(Find(L"C:\\windows\\*").size(), 5u) << "no temporary file left beside it";

  // Appending in place, reading, and the read-only and missing cases.
  mx::WinFile log;
  ASSERT_EQ(log.Open(L"C:\\windows\\app.log", mx::WinFile::kWrite, mx::WinFile::kOpenAlways), ERROR_SUCCESS);
  log.SeekToEnd();
  log.Write("a", 1);
  log.Close();
  ASSERT_EQ(log.Open(L"C:\\windows\\app.log", mx::WinFile::kWrite, mx::WinFile::kOpenAlways), ERROR_SUCCESS);
  log.SeekToEnd();
  log.Write("b", 1);
  log.Close();
  mx::WinFile reader;
  ASSERT_EQ(reader.Open(L"C:\\windows\\app.log", mx::WinFile::kRead, mx::WinFile::kOpenExisting), ERROR_SUCCESS);
  char buffer[8];
  DWORD read = 0;
  EXPECT_EQ(reader.Read(buffer, sizeof buffer, &read), ERROR_SUCCESS);
  EXPECT_EQ(std::string(buffer, read), "ab");
  win::SetFileAttributes(L"C:\\windows\\app.log", FILE_ATTRIBUTE_READONLY);
  mx::WinFile denied;
  EXPECT_EQ(denied.Open(L"C:\\windows\\app.log", mx::WinFile::kWrite, mx::WinFile::kOpenExisting),
            ERROR_ACCESS_DENIED);
  EXPECT_EQ(denied.Open(L"C:\\windows\\none.log", mx::WinFile::kWrite, mx::WinFile::kOpenExisting),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(win::GetFileAttributes(L"C:\\windows\\none.log"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(mx::WriteWinFile(L"C:\\windows\\app.log", "x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(mx::WriteWinFile(L"C:\\no\\folder.txt", "x"), ERROR_PATH_NOT_FOUND);
}

TEST_F(FileApi, HostDevicesAndPipesAreNeverReadAsFiles) {
  std::filesystem::create_directory_symlink("/", prefix.root() / "dosdevices" / "z:");
  mx::ResetDrives();
  ASSERT_EQ(::mkfifo(prefix.hostPath(L"C:\\pipe").c_str(), 0600), 0);
  std::string bytes;
  // Each of these would block or never end if it were read.
  for (const wchar_t* path : {L"Z:\\dev\\zero", L"C:\\pipe"}) {
    EXPECT_EQ(mx::ReadWinFile(path, bytes), ERROR_ACCESS_DENIED) << mx::WideToUtf8(path);
    mx::WinFile file;
    EXPECT_EQ(file.Open(path, mx::WinFile::kRead, mx::WinFile::kOpenExisting), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(win::CopyFile(path, L"C:\\copy", FALSE));
  }
  prefix.createFile(L"C:\\big.bin", std::string(100, 'x'));
  EXPECT_EQ(mx::ReadWinFile(L"C:\\big.bin", bytes, 99), ERROR_FILE_TOO_LARGE);
  EXPECT_EQ(mx::ReadWinFile(L"C:\\big.bin", bytes, 100), ERROR_SUCCESS);
}

}  // namespace
