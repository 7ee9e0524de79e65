#include "platform/fs/WinPath.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include <atomic>
#include <thread>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/system/FixturePrefixCache.h"
#include "platform/system/Wow64Redirection.h"
#include "support/TestPrefix.h"

namespace {

namespace fs = std::filesystem;

TEST(WinPath, NormalisesTheWayWin32Does) {
  mxtest::UseSharedFixture fixture;
  ASSERT_TRUE(win::SetCurrentDirectory(L"c:\\WINDOWS"));
  struct Case {
    std::wstring in;
    const wchar_t* out;  // nullptr: fails
    LONG error;
  };
  const Case cases[] = {
      {L"C:/Windows//System32/./x.dll", L"C:\\Windows\\System32\\x.dll", 0},
      {L"c:\\windows\\..\\..\\..\\x", L"C:\\x", 0},  // never above the drive's root
      {L"C:\\dir\\file. . ", L"C:\\dir\\file", 0},
      {L"C:\\dir.\\file", L"C:\\dir.\\file", 0},
      {L"C:", L"C:\\WINDOWS", 0},  // the drive's current folder
      {L"D:", L"D:\\", 0},
      {L"D:rel", L"D:\\rel", 0},
      {L"\\rooted", L"C:\\rooted", 0},
      {L"rel\\x", L"C:\\WINDOWS\\rel\\x", 0},
      {L"..", L"C:\\", 0},
      {L"C:\\dir\\", L"C:\\dir\\", 0},
      {L"c:\\", L"C:\\", 0},
      {L"c:\\dir\\\\x ", L"C:\\dir\\x", 0},
      {L"c:\\dir\\.\\x", L"C:\\dir\\x", 0},
      {L"C:\\x\\con\\", L"\\\\.\\CON", 0},
      {L"C:\\any\\where\\NUL", L"\\\\.\\NUL", 0},
      {L"con.txt", L"\\\\.\\CON", 0},
      {L"C:\\x\\lpt1", L"\\\\.\\LPT1", 0},
      {L"C:\\x\\com10", L"C:\\x\\com10", 0},
      {L"\\\\server\\share\\a\\..\\..\\b", L"\\\\server\\share\\b", 0},
      {L"\\\\?\\C:\\x\\y", L"C:\\x\\y", 0},
      {L"C:\\a\\..b\\.c\\d", L"C:\\a\\..b\\.c\\d", 0},
      {L"C:\\a\"b\\..\\c", L"C:\\c", 0},  // the name with the quote is gone before the check
      {L"\"c:\\program files\\x.exe\" /s", nullptr, ERROR_INVALID_NAME},
      {L"\\\\server\\sh|are", nullptr, ERROR_INVALID_NAME},
      {L"D:a*b", nullptr, ERROR_INVALID_NAME},
      {L"", nullptr, ERROR_PATH_NOT_FOUND},
      {L"C:\\a<b", nullptr, ERROR_INVALID_NAME},
      {L"C:\\a?b", nullptr, ERROR_INVALID_NAME},
      {L"C:\\a\\b:c", nullptr, ERROR_INVALID_NAME},
      {L"C:\\a|b", nullptr, ERROR_INVALID_NAME},
      {std::wstring(L"C:\\a\0b", 6), nullptr, ERROR_INVALID_NAME},
      {L"C:\\" + std::wstring(257, L'a'), nullptr, ERROR_FILENAME_EXCED_RANGE},
      {L"C:\\" + std::wstring(256, L'a') + L"\\..", L"C:\\", 0},
      {std::wstring(40000, L'a'), nullptr, ERROR_FILENAME_EXCED_RANGE},
  };
  for (const auto& c : cases) {
    LONG error = -1;
    auto out = mx::NormalizeWinPath(c.in, &error);
    std::string label = mx::WideToUtf8(c.in.substr(0, 60));
    if (c.out) {
      ASSERT_TRUE(out) << label;
      EXPECT_EQ(*out, c.out) << label;
    } else {
      EXPECT_FALSE(out) << label;
      EXPECT_EQ(error, c.error) << label;
    }
  }
  EXPECT_TRUE(mx::NormalizeWinPath(L"C:\\" + std::wstring(256, L'a'))) << "259 characters are still a path";
  // GetFullPathName's form keeps characters and length Windows checks only when opening.
  EXPECT_EQ(mx::NormalizeWinPath(L"C:\\a*b", nullptr, false).value_or(L""), L"C:\\a*b");
}

TEST(WinPath, KnowsDeviceNamesByTheirLastName) {
  const std::pair<const wchar_t*, bool> cases[] = {
      {L"CON", true},        {L"aux", true},          {L"Prn.txt", true},      {L"nul  .tar.gz", true},
      {L"C:\\x\\com1", true}, {L"x/LPT9", true},       {L"a:con", true},        {L"c:\\dir\\nul ", true},
      {L"COM0", false},      {L"com10", false},       {L"conx", false},        {L"co", false},
      {L"con\\x", false},    {L"\u00F1ul", false},   {L" nul", false},        {L"", false},
      {L"lpt", false},       {L"Nul.\\file", false},
  };
  for (const auto& [name, device] : cases) EXPECT_EQ(mx::IsDosDeviceName(name), device) << mx::WideToUtf8(name);
}

TEST(WinPath, RedirectsSystem32ExceptTheExemptFolders) {
  mxtest::UseSharedFixture fixture;
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {
      {L"C:\\windows\\system32\\msident.dll", L"C:\\windows\\syswow64\\msident.dll"},
      {L"C:\\WINDOWS\\System32", L"C:\\windows\\syswow64"},
      {L"C:\\windows\\system32\\drivers\\etc\\hosts", L"C:\\windows\\system32\\drivers\\etc\\hosts"},
      {L"C:\\windows\\system32\\drivers\\x.sys", L"C:\\windows\\syswow64\\drivers\\x.sys"},
      {L"C:\\windows\\system32\\spool", L"C:\\windows\\system32\\spool"},
      {L"C:\\windows\\system32\\catroot2\\x", L"C:\\windows\\system32\\catroot2\\x"},
      {L"C:\\windows\\regedit.exe", L"C:\\windows\\syswow64\\regedit.exe"},
      {L"C:\\windows\\sysnative\\x.dll", L"C:\\windows\\system32\\x.dll"},
      {L"C:\\windows\\system32x\\a", L"C:\\windows\\system32x\\a"},
      {L"D:\\windows\\system32\\a", L"D:\\windows\\system32\\a"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(mx::ApplyFsRedirection(in), out) << mx::WideToUtf8(in);
}

TEST(WinPath, GeneratesShortNamesAsWindowsDoes) {
  const std::vector<std::wstring> folder = {L"Program Files", L"Program Files (x86)", L"ProgramData", L"users",
                                            L"windows", L"readme.txt", L"a.b.c", L"Long Name.html"};
  EXPECT_EQ(mx::ShortNameFor(L"Program Files", folder), L"PROGRA~1");
  EXPECT_EQ(mx::ShortNameFor(L"Program Files (x86)", folder), L"PROGRA~2");
  EXPECT_EQ(mx::ShortNameFor(L"ProgramData", folder), L"PROGRA~3");
  EXPECT_EQ(mx::ShortNameFor(L"windows", folder), L"WINDOWS");
  EXPECT_EQ(mx::ShortNameFor(L"readme.txt", folder), L"README.TXT");
  EXPECT_EQ(mx::ShortNameFor(L"a.b.c", folder), L"AB~1.C");
  EXPECT_EQ(mx::ShortNameFor(L"Long Name.html", folder), L"LONGNA~1.HTM");
}

TEST(WinPath, ShortNamesOfALargeFolderComeInOnePassAndStayUnique) {
  // Real folders (a profile's caches, a music folder) hold thousands of like names; naming them must not
  // count ~N up from 1 for each name.
  std::vector<std::wstring> folder;
  for (int i = 0; i < 20000; ++i) folder.push_back(L"Document " + std::to_wstring(100000 + i) + L".txt");
  folder.push_back(L"DOCUME~7.TXT");  // a real 8.3 name keeps its own name; the generated ones step over it
  const auto names = mx::ShortNamesFor(folder);
  ASSERT_EQ(names.size(), folder.size());
  EXPECT_EQ(names[0], L"DOCUME~1.TXT");
  EXPECT_EQ(names[6], L"DOCUME~8.TXT");
  EXPECT_EQ(names.back(), L"DOCUME~7.TXT");
  EXPECT_EQ(std::set<std::wstring>(names.begin(), names.end()).size(), names.size());
  EXPECT_EQ(mx::ShortNameFor(folder[6], folder), names[6]);
}

TEST(WinPath, ResolvesOnTheFixtureWithoutCaseAndWithShortNames) {
  mxtest::UseSharedFixture fixture;
  fs::path driveC = fs::canonical(mxtest::SharedFixturePrefix() / "drive_c");
  auto hostOf = [](const wchar_t* p) {
    auto r = mx::ResolveWinPath(p);
    return r && r->exists ? fs::canonical(r->host) : fs::path();
  };
  EXPECT_NE(win::GetFileAttributes(L"C:\\WINDOWS\\SYSTEM32\\OLEPRO32.DLL"), INVALID_FILE_ATTRIBUTES);
  // This thread is redirected, as our 32-bit program's threads are until they turn it off.
  EXPECT_EQ(hostOf(L"C:\\windows\\system32\\msident.dll"), driveC / "windows/syswow64/msident.dll");
  EXPECT_EQ(hostOf(L"C:\\windows\\system32\\drivers\\etc\\hosts"), driveC / "windows/system32/drivers/etc/hosts");
  {
    mx::ScopedFsRedirectionOff off;
    EXPECT_EQ(hostOf(L"C:\\WINDOWS\\SYSTEM32\\OLEPRO32.DLL"), driveC / "windows/system32/olepro32.dll");
    EXPECT_EQ(hostOf(L"C:\\windows\\system32\\msident.dll"), driveC / "windows/system32/msident.dll");
  }
  EXPECT_EQ(hostOf(L"C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE"), driveC / "Program Files/Internet Explorer/iexplore.exe");
  EXPECT_EQ(hostOf(L"c:\\progra~2\\internet explorer\\iexplore.exe"),
            driveC / "Program Files (x86)/Internet Explorer/iexplore.exe");
  EXPECT_EQ(hostOf(L"C:\\windows\\..\\..\\..\\..\\..\\windows\\notepad.exe"), driveC / "windows/notepad.exe");
  EXPECT_EQ(hostOf(L"c:/users/ROOT/appdata/roaming"), driveC / "users/root/AppData/Roaming");

  // A missing last component still names where it would be; a missing folder on the way is an error.
  LONG error = 0;
  auto missing = mx::ResolveWinPath(L"C:\\windows\\nothing.dll", &error);
  ASSERT_TRUE(missing);
  EXPECT_FALSE(missing->exists);
  EXPECT_FALSE(mx::ResolveWinPath(L"C:\\nothing\\x.dll", &error));
  EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(mx::ResolveWinPath(L"Q:\\x.dll", &error));
  EXPECT_EQ(error, ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(mx::ResolveWinPath(L"\\\\server\\share\\x.dll", &error));
  EXPECT_EQ(error, ERROR_BAD_NETPATH);
  EXPECT_FALSE(mx::ResolveWinPath(L"C:\\windows\\notepad.exe\\", &error));
  auto device = mx::ResolveWinPath(L"C:\\missing\\folder\\NUL");
  ASSERT_TRUE(device);
  EXPECT_TRUE(device->exists && device->device);

  // The program's own folder is its build folder.
  std::wstring self = L"C:\\Program Files (x86)\\Tarvolen\\Mendrix\\" +
                      mx::Utf8ToWide(fs::read_symlink("/proc/self/exe").filename().string());
  EXPECT_EQ(hostOf(self.c_str()), fs::canonical("/proc/self/exe"));
  EXPECT_EQ(mx::HostToWinPath(driveC / "windows/notepad.exe").value_or(L""), L"C:\\windows\\notepad.exe");
  EXPECT_EQ(mx::HostToWinPath("/usr/bin").value_or(L""), L"Z:\\usr\\bin");
}

TEST(WinPath, SymlinkLoopsAndEscapesStayInsideTheDrive) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  fs::create_symlink("loop2", prefix.driveC() / "loop1");
  fs::create_symlink("loop1", prefix.driveC() / "loop2");
  fs::create_symlink("self", prefix.driveC() / "self");
  EXPECT_EQ(win::GetFileAttributes(L"C:\\loop1"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetFileAttributes(L"C:\\loop1\\x\\y"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(win::GetFileAttributes(L"C:\\self\\self"), INVALID_FILE_ATTRIBUTES);
  // No drive maps to the prefix folder itself, so its registry files are out of reach.
  auto escape = mx::ResolveWinPath(L"C:\\..\\system.reg");
  ASSERT_TRUE(escape);
  EXPECT_FALSE(escape->exists);
  EXPECT_EQ(escape->host.parent_path(), prefix.root() / "dosdevices" / "c:");
}

// The kind a listing tells and the folders a scan remembers give what the file system gives: names that differ
// only in case, links to folders, dangling links, a trailing backslash on a file, devices, a drive's root.
TEST(WinPath, KindsAndRememberedFoldersAnswerAsTheFileSystemDoes) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  const fs::path qzx = prefix.driveC() / "Qzx";
  fs::create_directories(qzx / "App" / "Data");
  std::ofstream(qzx / "App" / "app.exe").put('M');
  std::ofstream(qzx / "app").put('M');  // beside the folder "App"
  fs::create_directory_symlink("App/Data", qzx / "ToData");
  fs::create_symlink("nothing", qzx / "Gone");
  const wchar_t* const paths[] = {
      L"C:\\", L"C:", L"C:\\Qzx", L"C:\\QZX\\APP\\APP.EXE", L"C:\\Qzx\\App\\Data", L"C:\\Qzx\\App\\Data\\",
      L"C:\\Qzx\\App\\app.exe\\", L"C:\\Qzx\\app", L"C:\\Qzx\\App", L"C:\\Qzx\\App\\app.exe", L"C:\\qzx\\aPP",
      L"C:\\Qzx\\ToData", L"C:\\Qzx\\ToData\\", L"C:\\Qzx\\Gone", L"C:\\Qzx\\missing.exe", L"C:\\nothere\\x",
      L"C:\\Qzx\\NUL", L"C:\\Qzx\\App\\APP~1.EXE", L"C:\\Qzx\\App\\Data\\..\\app.exe",
      L"C:\\Qzx\\App\\Data\\x", L"C:\\Qzx\\app\\Data",  // the file "app" is no way to the folder "App"
  };
  auto kindOf = [](const wchar_t* path) {
    const DWORD attributes = win::GetFileAttributes(path);
    return attributes == INVALID_FILE_ATTRIBUTES ? -1 : (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : 1;
  };
  auto hostOf = [](const wchar_t* path) {
    const auto r = mx::ResolveWinPath(path);
    return r ? r->host.string() + (r->exists ? " exists" : " missing") : std::string("fails");
  };
  std::vector<std::string> outside;
  for (const wchar_t* path : paths) {
    EXPECT_EQ(mx::WinPathKind(path), kindOf(path)) << mx::WideToUtf8(path);
    outside.push_back(hostOf(path));
  }
  EXPECT_EQ(mx::WinPathKind(L"C:\\Qzx\\app"), 1);
  EXPECT_EQ(mx::WinPathKind(L"C:\\Qzx\\App"), 0);
  EXPECT_EQ(mx::WinPathKind(L"C:\\Qzx\\Gone"), -1);
  const mx::FolderMemoScope scope;
  for (int pass = 0; pass < 2; ++pass)
    for (size_t i = 0; i < std::size(paths); ++i) {
      EXPECT_EQ(hostOf(paths[i]), outside[i]) << mx::WideToUtf8(paths[i]) << " pass " << pass;
      EXPECT_EQ(mx::WinPathKind(paths[i]), kindOf(paths[i])) << mx::WideToUtf8(paths[i]) << " pass " << pass;
    }
}

// A large folder is searched through its index: the same names, the exact case first, then the first in order.
TEST(WinPath, LargeFoldersFindNamesAsSmallOnesDo) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  for (const char* folderName : {"Small", "Large"}) {
    const fs::path folder = prefix.driveC() / folderName;
    fs::create_directories(folder);
    for (int i = 0; i < (std::string(folderName) == "Large" ? 400 : 3); ++i)
      std::ofstream(folder / ("f" + std::to_string(i))).put('M');
    for (const char* name : {"Mixed", "mixed", "\xC3\x84pfel.txt", "tail", "[b]"}) std::ofstream(folder / name).put('M');
  }
  for (const wchar_t* folder : {L"Small", L"Large"}) {
    auto hostName = [&](const std::wstring& name) {
      const auto r = mx::ResolveWinPath(L"C:\\" + std::wstring(folder) + L"\\" + name);
      return r && r->exists ? r->host.filename().string() : std::string("-");
    };
    EXPECT_EQ(hostName(L"mixed"), "mixed");
    EXPECT_EQ(hostName(L"Mixed"), "Mixed");
    EXPECT_EQ(hostName(L"MIXED"), "Mixed");
    EXPECT_EQ(hostName(L"\u00E4PFEL.TXT"), "\xC3\x84pfel.txt");
    EXPECT_EQ(hostName(L"TAIL"), "tail");
    EXPECT_EQ(hostName(L"F2"), "f2");
    EXPECT_EQ(hostName(L"tai"), "-");
    EXPECT_EQ(hostName(L"[B]"), "[b]");
    EXPECT_EQ(hostName(L"{b}"), "-");  // alike to the table's hash, not without case
  }
}

TEST(WinPath, CurrentDirectoryIsAWindowsPath) {
  mxtest::UseSharedFixture fixture;
  wchar_t buffer[MAX_PATH];
  ASSERT_TRUE(win::SetCurrentDirectory(L"c:/users/root/"));
  EXPECT_EQ(win::GetCurrentDirectory(MAX_PATH, buffer), 13u);
  EXPECT_STREQ(buffer, L"C:\\users\\root");
  EXPECT_EQ(win::GetCurrentDirectory(5, buffer), 14u);
  EXPECT_FALSE(win::SetCurrentDirectory(L"C:\\no\\such"));
  EXPECT_FALSE(win::SetCurrentDirectory(L"C:\\windows\\notepad.exe"));
  EXPECT_NE(win::GetFileAttributes(L"AppData\\Roaming"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(win::GetFileAttributes(L"C:"), INVALID_FILE_ATTRIBUTES);
}

TEST(WinPath, ThreadsResolveInTheirOwnRedirectionState) {
  mxtest::UseSharedFixture fixture;
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &wrong] {
      std::optional<mx::ScopedFsRedirectionOff> off;
      if (t % 2) off.emplace();
      const wchar_t* expected = t % 2 ? L"C:\\windows\\system32\\msident.dll" : L"C:\\windows\\syswow64\\msident.dll";
      for (int i = 0; i < 200; ++i) {
        auto r = mx::ResolveWinPath(i % 3 ? L"c:\\windows\\system32\\msident.dll" : L"C:\\WINDOWS\\SYSTEM32\\MSIDENT.DLL");
        if (!r || !r->exists || !mx::EqualsNoCase(r->win, expected)) ++wrong;
        if (win::GetFileAttributes(L"C:\\PROGRA~2\\INTERN~1\\IEXPLORE.EXE") != FILE_ATTRIBUTE_ARCHIVE) ++wrong;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
