#include "platform/shell/SpecialFolders.h"

#include <gtest/gtest.h>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/system/FixturePrefixCache.h"
#include "support/TestPrefix.h"

namespace {

std::wstring ByLocation(int csidl) {
  LPITEMIDLIST pidl = nullptr;
  if (FAILED(win::SHGetSpecialFolderLocation(nullptr, csidl, &pidl))) return L"<no item>";
  mx::ItemIdListPtr owner(pidl);
  wchar_t path[520] = L"unchanged";
  if (!win::SHGetPathFromIDList(pidl, path)) return L"<no path>";
  return path;
}

TEST(SpecialFolders, FixtureFoldersByCsidl) {
  mxtest::UseSharedFixture fixture;
  const std::pair<int, const wchar_t*> cases[] = {
      {CSIDL_DESKTOP, L"C:\\users\\root\\Desktop"},
      {CSIDL_DESKTOPDIRECTORY, L"C:\\users\\root\\Desktop"},
      {CSIDL_RECENT, L"C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Recent"},
      {CSIDL_NETHOOD, L"C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Network Shortcuts"},
      {CSIDL_FONTS, L"C:\\windows\\Fonts"},
      {CSIDL_COMMON_DESKTOPDIRECTORY, L"C:\\users\\Public\\Desktop"},
      {CSIDL_COMMON_PROGRAMS, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
      {CSIDL_APPDATA, L"C:\\users\\root\\AppData\\Roaming"},
      {CSIDL_LOCAL_APPDATA, L"C:\\users\\root\\AppData\\Local"},
      {CSIDL_PROGRAMS, L"C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {CSIDL_WINDOWS, L"C:\\windows"},
      {CSIDL_SYSTEM, L"C:\\windows\\system32"},
      {CSIDL_SYSTEMX86, L"C:\\windows\\syswow64"},
      {CSIDL_PROGRAM_FILES, L"C:\\Program Files (x86)"},
      {CSIDL_NETWORK, L"<no path>"},  // virtual: an item without a path
      {CSIDL_DRIVES, L"<no path>"},
      {0x7E, L"<no item>"},
  };
  for (const auto& [csidl, expected] : cases) EXPECT_EQ(ByLocation(csidl), expected) << "CSIDL " << csidl;

  wchar_t path[MAX_PATH];
  EXPECT_EQ(win::SHGetFolderPath(nullptr, CSIDL_APPDATA, nullptr, 0, path), S_OK);
  EXPECT_STREQ(path, L"C:\\users\\root\\AppData\\Roaming");
  EXPECT_EQ(win::SHGetFolderPath(nullptr, CSIDL_NETWORK, nullptr, 0, path), E_FAIL);
  EXPECT_STREQ(path, L"");
  EXPECT_EQ(win::SHGetFolderPath(nullptr, 0x7E, nullptr, 0, path), E_INVALIDARG);
}

TEST(SpecialFolders, UserShellFoldersAreExpandedAndMissingFoldersHaveNoItem) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Volatile Environment]
"USERPROFILE"="C:\\users\\qzx"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders]
"AppData"=hex(2):25,00,55,00,53,00,45,00,52,00,50,00,52,00,4f,00,46,00,49,00,4c,00,45,00,25,00,5c,00,52,00,00,00

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
"AppData"="C:\\stale"
"Recent"="C:\\users\\qzx\\Recent"
)");
  EXPECT_EQ(mx::SpecialFolderPath(CSIDL_APPDATA), L"C:\\users\\qzx\\R");
  EXPECT_EQ(mx::SpecialFolderPath(CSIDL_RECENT), L"C:\\users\\qzx\\Recent");
  EXPECT_EQ(ByLocation(CSIDL_APPDATA), L"<no item>") << "the folder does not exist yet";
  wchar_t path[MAX_PATH];
  EXPECT_EQ(win::SHGetFolderPath(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path), S_OK);
  EXPECT_EQ(win::GetFileAttributes(L"C:\\users\\qzx\\R"), FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(ByLocation(CSIDL_APPDATA), L"C:\\users\\qzx\\R");
  // Folders the keys do not name are where Windows puts them.
  EXPECT_EQ(win::SHGetFolderPath(nullptr, CSIDL_FAVORITES, nullptr, 0, path), S_OK);
  EXPECT_STREQ(path, L"C:\\users\\qzx\\Favorites");
  EXPECT_EQ(mx::SpecialFolderPath(CSIDL_COMMON_DESKTOPDIRECTORY), L"C:\\users\\Public\\Desktop");
}

TEST(SpecialFolders, AnEmptyRegistryStillHasAUserAndItsFolders) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  EXPECT_EQ(mx::SpecialFolderPath(CSIDL_APPDATA), L"C:\\users\\user\\AppData\\Roaming");
  EXPECT_EQ(mx::SpecialFolderPath(CSIDL_LOCAL_APPDATA), L"C:\\users\\user\\AppData\\Local");
  EXPECT_EQ(mx::SpecialFolderPath(CSIDL_FONTS), L"C:\\windows\\Fonts");
  EXPECT_EQ(mx::SpecialFolderPath(CSIDL_COMMON_PROGRAMS),
            L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs");
}

}  // namespace
