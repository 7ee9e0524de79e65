#include "platform/fs/PathApi.h"

#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/WinPath.h"
#include "platform/system/FixturePrefixCache.h"
#include "platform/system/Wow64Redirection.h"
#include "support/TestPrefix.h"

namespace {

TEST(PathApi, ShellPathPredicatesAndArguments) {
  struct Case {
    const wchar_t* path;
    BOOL fileSpec;
    BOOL network;
    const wchar_t* args;
  };
  const Case cases[] = {
      {L"notepad.exe", TRUE, FALSE, L""},
      {L"dir/notepad.exe", TRUE, FALSE, L""},  // a forward slash is not a separator here
      {L"C:notepad.exe", FALSE, FALSE, L""},
      {L"\\\\server\\share\\x.exe -a", FALSE, TRUE, L"-a"},
      {L"//server/share", TRUE, FALSE, L""},
      {L"C:\\a.exe  two", FALSE, FALSE, L" two"},  // one blank skipped
      {L"\"C:\\Program Files\\a.exe\" /x /y", FALSE, FALSE, L"/x /y"},
      {L"\"unclosed quote here", TRUE, FALSE, L""},
      {L"", TRUE, FALSE, L""},
  };
  for (const auto& c : cases) {
    std::string label = mx::WideToUtf8(c.path);
    EXPECT_EQ(win::PathIsFileSpec(c.path), c.fileSpec) << label;
    EXPECT_EQ(win::PathIsNetworkPath(c.path), c.network) << label;
    EXPECT_STREQ(win::PathGetArgs(c.path), c.args) << label;
  }
}

TEST(PathApi, SplitsPathsLikeTheCRuntime) {
  struct Case {
    std::wstring path;
    const wchar_t *drive, *dir, *fname, *ext;
  };
  const Case cases[] = {
      {L"c:\\dir\\sub\\file.tar.gz", L"c:", L"\\dir\\sub\\", L"file.tar", L".gz"},
      {L"c:/dir/file", L"c:", L"/dir/", L"file", L""},
      {L"dir.v2\\file", L"", L"dir.v2\\", L"file", L""},
      {L"file.", L"", L"", L"file", L"."},
      {L".hidden", L"", L"", L"", L".hidden"},
      {L"x:", L"x:", L"", L"", L""},
      {L"\\\\srv\\share\\f.txt", L"", L"\\\\srv\\share\\", L"f", L".txt"},
      {L"c:\\" + std::wstring(300, L'd') + L"\\f.x", L"c:", nullptr, L"f", L".x"},
  };
  for (const auto& c : cases) {
    wchar_t drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
    win::_wsplitpath(c.path.c_str(), drive, dir, fname, ext);
    std::string label = mx::WideToUtf8(c.path.substr(0, 40));
    EXPECT_STREQ(drive, c.drive) << label;
    if (c.dir)
      EXPECT_STREQ(dir, c.dir) << label;
    else
      EXPECT_EQ(std::wcslen(dir), _MAX_DIR - 1) << "a folder longer than the buffer is cut, not overrun";
    EXPECT_STREQ(fname, c.fname) << label;
    EXPECT_STREQ(ext, c.ext) << label;
  }
  wchar_t d[3], dir[8], f[8], e[8];
  EXPECT_EQ(win::_wsplitpath_s(L"c:\\long\\f.x", d, 3, dir, 4, f, 8, e, 8), 34);
  EXPECT_STREQ(f, L"");
  EXPECT_EQ(win::_wsplitpath_s(L"c:\\ab\\f.x", d, 3, dir, 8, f, 8, e, 8), 0);
  EXPECT_STREQ(dir, L"\\ab\\");
}

TEST(PathApi, SearchFunctionsOnTheFixture) {
  mxtest::UseSharedFixture fixture;
  mx::ScopedFsRedirectionOff off;  // as on the scan worker
  wchar_t buffer[1040] = L"notepad.exe";
  ASSERT_TRUE(win::PathFindOnPath(buffer, nullptr));
  EXPECT_STREQ(buffer, L"C:\\windows\\system32\\notepad.exe");
  wcscpy(buffer, L"C:\\windows\\notepad.exe");
  EXPECT_FALSE(win::PathFindOnPath(buffer, nullptr)) << "only bare names are searched";
  wcscpy(buffer, L"nosuchfile.dll");
  EXPECT_FALSE(win::PathFindOnPath(buffer, nullptr));

  wchar_t found[1039];
  LPWSTR filePart = nullptr;
  DWORD n = win::SearchPath(nullptr, L"OLEPRO32", L".dll", 1039, found, &filePart);
  ASSERT_EQ(n, std::wcslen(L"C:\\windows\\system32\\OLEPRO32.dll"));
  EXPECT_STREQ(found, L"C:\\windows\\system32\\OLEPRO32.dll");
  EXPECT_STREQ(filePart, L"OLEPRO32.dll");
  EXPECT_EQ(win::SearchPath(nullptr, L"olepro32.x", L".dll", 1039, found, nullptr), 0u) << "has an extension";
  EXPECT_EQ(win::SearchPath(nullptr, L"hh", L".exe", 5, found, nullptr), std::wcslen(L"C:\\windows\\hh.exe") + 1);
  EXPECT_EQ(win::SearchPath(nullptr, L"C:\\windows\\hh.exe", nullptr, 1039, found, nullptr), 17u);

  ASSERT_TRUE(win::SetCurrentDirectory(L"C:\\users"));
  wchar_t qualified[MAX_PATH];
  EXPECT_TRUE(win::PathSearchAndQualify(L"notepad.exe", qualified, MAX_PATH));
  EXPECT_STREQ(qualified, L"C:\\windows\\system32\\notepad.exe");
  EXPECT_TRUE(win::PathSearchAndQualify(L"no such thing.txt", qualified, MAX_PATH));
  EXPECT_STREQ(qualified, L"C:\\users\\no such thing.txt");
  EXPECT_EQ(win::GetFullPathName(L"..\\x\\y.txt", MAX_PATH, qualified, &filePart), 10u);
  EXPECT_STREQ(qualified, L"C:\\x\\y.txt");
  EXPECT_STREQ(filePart, L"y.txt");
  EXPECT_EQ(win::GetFullPathName(L"y.txt", 4, qualified, nullptr), 15u);

  EXPECT_EQ(win::GetSystemDirectory(found, 1039), 19u);
  EXPECT_STREQ(found, L"C:\\windows\\system32");
  EXPECT_EQ(win::GetSystemWow64Directory(found, 1039), 19u);
  EXPECT_STREQ(found, L"C:\\windows\\syswow64");
  EXPECT_EQ(win::GetWindowsDirectory(found, 3), 11u);
  EXPECT_EQ(win::GetTempPath(1039, found), 19u);
  EXPECT_STREQ(found, L"C:\\users\\root\\Temp\\");
}

TEST(PathApi, DrivesOfThePrefix) {
  mxtest::UseSharedFixture fixture;
  wchar_t buffer[64];
  EXPECT_EQ(win::GetLogicalDriveStrings(64, buffer), 8u);
  EXPECT_EQ(std::wstring(buffer, 9), std::wstring(L"C:\\\0Z:\\\0\0", 9));
  EXPECT_EQ(win::GetLogicalDriveStrings(8, buffer), 9u);
  EXPECT_EQ(win::GetLogicalDrives(), (1u << 2) | (1u << 25));
  EXPECT_EQ(win::GetDriveType(L"c:\\"), DRIVE_FIXED);
  EXPECT_EQ(win::GetDriveType(L"C:"), DRIVE_FIXED);
  EXPECT_EQ(win::GetDriveType(L"q:\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(win::GetDriveType(L"C:\\windows\\"), DRIVE_NO_ROOT_DIR);
  EXPECT_EQ(win::GetDriveType(L"\\"), DRIVE_FIXED) << "the current folder's drive";
  EXPECT_EQ(win::GetDriveType(nullptr), DRIVE_FIXED);
  EXPECT_EQ(win::GetDriveType(L"\\\\server\\share\\"), DRIVE_NO_ROOT_DIR);
  mx::SetDriveTypeOverride(L'z', DRIVE_REMOTE);
  EXPECT_EQ(win::GetDriveType(L"Z:\\"), DRIVE_REMOTE);
  EXPECT_TRUE(win::PathIsNetworkPath(L"z:\\share\\x"));
  mx::SetDriveTypeOverride(L'z', DRIVE_UNKNOWN);
}

TEST(PathApi, DriveTypesFromWinesDrivesKey) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win32);
  std::filesystem::create_directories(prefix.root() / "cd");
  std::filesystem::create_directory_symlink("../cd", prefix.root() / "dosdevices" / "d:");
  std::filesystem::create_directory_symlink("/dev/null", prefix.root() / "dosdevices" / "e:");  // not a folder
  mx::ResetDrives();
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Wine\Drives]
"d:"="cdrom"
)");
  EXPECT_EQ(win::GetDriveType(L"D:\\"), DRIVE_CDROM);
  EXPECT_EQ(win::GetDriveType(L"E:\\"), DRIVE_NO_ROOT_DIR);
  wchar_t buffer[64];
  EXPECT_EQ(win::GetLogicalDriveStrings(64, buffer), 8u);
  EXPECT_EQ(std::wstring(buffer, 8), std::wstring(L"C:\\\0D:\\\0", 8));
  wchar_t wow[MAX_PATH];
  EXPECT_EQ(win::GetSystemWow64Directory(wow, MAX_PATH), 0u);
}

TEST(PathApi, ShortNamesVolumesAndTemporaryFiles) {
  mxtest::UseSharedFixture fixture;
  wchar_t buffer[MAX_PATH];
  EXPECT_EQ(win::GetShortPathName(L"c:/Program Files (x86)/Internet Explorer/iexplore.exe", buffer, MAX_PATH), 33u);
  EXPECT_STREQ(buffer, L"C:\\PROGRA~2\\INTERN~1\\iexplore.exe");
  EXPECT_EQ(win::GetShortPathName(L"C:\\Program Files", buffer, 5), 12u);
  EXPECT_EQ(win::GetShortPathName(L"C:\\Program Files\\none.exe", buffer, MAX_PATH), 0u);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  wchar_t fsName[8];
  DWORD serial = 0, maxName = 0;
  ASSERT_TRUE(win::GetVolumeInformation(L"C:\\", nullptr, 0, &serial, &maxName, nullptr, fsName, 8));
  EXPECT_STREQ(fsName, L"NTFS");
  EXPECT_EQ(maxName, 255u);
  EXPECT_FALSE(win::GetVolumeInformation(L"Q:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0));
  ULONGLONG available = 0, total = 0;
  ASSERT_TRUE(win::GetDiskFreeSpaceEx(L"C:\\windows", &available, &total, nullptr));
  EXPECT_GT(total, 0u);
  EXPECT_LE(available, total);
  EXPECT_FALSE(win::GetDiskFreeSpaceEx(L"C:\\no\\such", nullptr, nullptr, nullptr));

  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  wchar_t first[MAX_PATH], second[MAX_PATH];
  UINT n1 = win::GetTempFileName(L"C:\\windows", L"QZX", 0, first);
  UINT n2 = win::GetTempFileName(L"C:\\windows\\", L"QZX", 0, second);
  ASSERT_NE(n1, 0u);
  ASSERT_NE(n2, 0u);
  EXPECT_NE(std::wstring(first), std::wstring(second));
  EXPECT_EQ(std::wstring(first).rfind(L"C:\\windows\\QZX", 0), 0u);
  EXPECT_EQ(win::GetFileAttributes(first), FILE_ATTRIBUTE_ARCHIVE) << "the name is taken by an empty file";
  EXPECT_EQ(win::GetTempFileName(L"C:\\windows", L"QZ", 0x1A2B, first), 0x1A2Bu);
  EXPECT_STREQ(first, L"C:\\windows\\QZ1A2B.TMP");
  EXPECT_EQ(win::GetFileAttributes(first), INVALID_FILE_ATTRIBUTES) << "a given number only makes the name";
  EXPECT_EQ(win::GetTempFileName(L"C:\\missing", L"QZ", 0, first), 0u);
}

}  // namespace
