// The drive letters' device names, the hive list made from the prefix, and RegSaveKey.
#include <gtest/gtest.h>

#include "platform/base/FileIO.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"
#include "platform/registry/HiveList.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/WineRegFile.h"
#include "support/TestPrefix.h"

namespace {

std::wstring Device(const wchar_t* letter) {
  wchar_t buffer[64] = {};
  return win::QueryDosDevice(letter, buffer, 64) ? buffer : L"";
}

std::wstring ReadString(HKEY root, const wchar_t* key, const std::wstring& value) {
  HKEY h = nullptr;
  if (win::RegOpenKeyEx(root, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return L"<no key>";
  BYTE data[1024] = {};
  DWORD size = sizeof(data), type = 0;
  LONG rc = win::RegQueryValueEx(h, value.c_str(), nullptr, &type, data, &size);
  win::RegCloseKey(h);
  if (rc != ERROR_SUCCESS || type != REG_SZ) return L"<no value>";
  std::wstring text;
  for (DWORD i = 0; i + 1 < size && (data[i] || data[i + 1]); i += 2) text += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
  return text;
}

constexpr const wchar_t* kHiveList = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";

}  // namespace

TEST(DosDevices, DrivesAreVolumesInLetterOrderAndCdRomsApart) {
  mxtest::TestPrefix prefix;
  std::filesystem::create_directory_symlink("/", prefix.root() / "dosdevices" / "z:");
  std::filesystem::create_directories(prefix.root() / "cd");
  std::filesystem::create_directory_symlink("../cd", prefix.root() / "dosdevices" / "d:");
  mx::ResetDrives();
  mx::SetDriveTypeOverride(L'd', DRIVE_CDROM);
  EXPECT_EQ(Device(L"C:"), L"\\Device\\HarddiskVolume1");
  EXPECT_EQ(Device(L"d:"), L"\\Device\\CdRom0");
  EXPECT_EQ(Device(L"Z:"), L"\\Device\\HarddiskVolume2");
  EXPECT_EQ(Device(L"Q:"), L"");
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  wchar_t small[5];
  EXPECT_EQ(win::QueryDosDevice(L"C:", small, 5), 0u);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(HiveList, ListsThePrefixFilesAsVolatileValuesThatSurviveReloadsButNeverReachTheFile) {
  mxtest::TestPrefix prefix;
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\System\ControlSet001\Control]
"Probe"="1"
[HKEY_CURRENT_USER\Software\Qzx]
"A"="1"
)");
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  std::filesystem::create_directory_symlink("/", prefix.root() / "dosdevices" / "z:");
  mx::ResetDrives();
  ASSERT_EQ(mx::PublishHiveList(), 4u);

  auto nt = mx::NtPathOfHostFile(prefix.root() / "user.reg");
  ASSERT_TRUE(nt);
  EXPECT_EQ(nt->rfind(L"\\Device\\HarddiskVolume2\\", 0), 0u) << *nt;
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kHiveList, L"\\REGISTRY\\USER\\S-1-5-21-0-0-0-1000"), *nt);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kHiveList, L"\\REGISTRY\\USER\\.DEFAULT"),
            *mx::NtPathOfHostFile(prefix.root() / "userdef.reg"));
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kHiveList, L"\\REGISTRY\\MACHINE\\SOFTWARE"),
            *mx::NtPathOfHostFile(prefix.root() / "system.reg"));

  // A change elsewhere saves the machine file without the list; another program's rewrite reloads it, and the
  // list is there again.
  HKEY key = nullptr;
  ASSERT_EQ(win::RegCreateKeyEx(HKEY_LOCAL_MACHINE, L"Software\\Qzx", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
            ERROR_SUCCESS);
  win::RegCloseKey(key);
  ASSERT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  std::string text;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.root() / "system.reg", text));
  EXPECT_EQ(text.find("hivelist"), std::string::npos);
  EXPECT_NE(text.find("Probe"), std::string::npos);
  mx::reg::ResetRegistry();
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kHiveList, L"\\REGISTRY\\MACHINE\\SYSTEM"),
            *mx::NtPathOfHostFile(prefix.root() / "system.reg"));
}

TEST(HiveList, APrefixNoDriveReachesListsNothing) {
  mxtest::TestPrefix prefix;  // only C:, and the prefix lies outside drive_c
  mx::ResetDrives();
  EXPECT_EQ(mx::PublishHiveList(), 0u);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kHiveList, L"\\REGISTRY\\MACHINE\\SYSTEM"), L"<no key>");
}

TEST(RegSaveKey, WritesTheKeysTreeAsARegistryFileThatLoadsBackAndNeverOverwrites) {
  mxtest::TestPrefix prefix;
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx\Deep]
"Text"="v\\x"
"Num"=dword:00000007
[HKEY_LOCAL_MACHINE\Software\Other]
"B"="2"
)");
  HKEY users = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_USERS, L"S-1-5-21-0-0-0-1000", 0, KEY_ALL_ACCESS, &users), ERROR_SUCCESS);
  std::filesystem::create_directories(prefix.driveC() / "copies");
  ASSERT_EQ(win::RegSaveKey(users, L"C:\\copies\\user.bak", nullptr), ERROR_SUCCESS);
  EXPECT_EQ(win::RegSaveKey(users, L"C:\\copies\\user.bak", nullptr), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(win::RegSaveKey(users, L"C:\\missing\\user.bak", nullptr), ERROR_PATH_NOT_FOUND);
  mx::reg::SetUserIsAdmin(false);
  EXPECT_EQ(win::RegSaveKey(users, L"C:\\copies\\other.bak", nullptr), ERROR_PRIVILEGE_NOT_HELD);
  mx::reg::SetUserIsAdmin(true);
  win::RegCloseKey(users);

  std::string text;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.driveC() / "copies" / "user.bak", text));
  mx::reg::WineRegFile copy;
  std::wstring error;
  ASSERT_TRUE(copy.Parse(text, L"user.bak", nullptr, nullptr, &error)) << error;
  EXPECT_EQ(copy.relativeTo, L"REGISTRY\\User\\S-1-5-21-0-0-0-1000");
  const mx::reg::Key* deep = copy.root->Find(L"Software");
  deep = deep ? deep->Find(L"Qzx") : nullptr;
  deep = deep ? deep->Find(L"Deep") : nullptr;
  ASSERT_NE(deep, nullptr);
  ASSERT_NE(deep->FindValue(L"Num"), nullptr);
  EXPECT_EQ(deep->FindValue(L"Num")->data, (std::vector<BYTE>{7, 0, 0, 0}));
  EXPECT_EQ(copy.root->Find(L"Other"), nullptr);
  EXPECT_EQ(text.find("Other"), std::string::npos);
}
