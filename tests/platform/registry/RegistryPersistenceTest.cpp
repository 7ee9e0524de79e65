#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/WineServer.h"
#include "support/FakeWineServer.h"
#include "tests/platform/registry/RegTestPrefix.h"

namespace {

using regtest::ReadString;
using regtest::ScratchPrefix;
using regtest::WriteString;

constexpr const char* kUser =
    "WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
    "[Software\\\\Qzx] 1700000000\n#time=1da1747c66d0000\n\"v\"=\"old\"\n";

TEST(RegistryPersistence, UntouchedFilesAreNotRewritten) {
  ScratchPrefix prefix(true);
  std::wstring text;
  ASSERT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"System\\Select", nullptr, 0, text), ERROR_FILE_NOT_FOUND);
  auto before = std::filesystem::last_write_time(prefix.path() / "system.reg");
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  EXPECT_EQ(std::filesystem::last_write_time(prefix.path() / "system.reg"), before);
}

TEST(RegistryPersistence, FlushWritesOnlyTheChangedFileInWineFormat) {
  ScratchPrefix prefix(true);
  std::string machine = prefix.read("system.reg");
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"new"), ERROR_SUCCESS);
  HKEY gone = nullptr;
  ASSERT_EQ(win::RegCreateKeyEx(HKEY_CURRENT_USER, L"QzxVolatile\\Child", 0, nullptr, REG_OPTION_VOLATILE, KEY_WRITE,
                                nullptr, &gone, nullptr),
            ERROR_SUCCESS);
  win::RegCloseKey(gone);
  EXPECT_EQ(win::RegFlushKey(HKEY_CURRENT_USER), ERROR_SUCCESS);
  EXPECT_EQ(prefix.read("system.reg"), machine);
  std::string user = prefix.read("user.reg");
  EXPECT_NE(user.find("\n[Software\\\\Qzx] "), std::string::npos);
  EXPECT_NE(user.find("\n\"v\"=\"new\"\n"), std::string::npos);
  EXPECT_EQ(user.find("QzxVolatile"), std::string::npos) << "volatile keys are never written";
  // A fresh load sees the change.
  mx::reg::ResetRegistry();
  std::wstring text;
  ASSERT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"new");
}

TEST(RegistryPersistence, EmptyPrefixStartsEmptyAndCreatesItsFiles) {
  ScratchPrefix prefix;
  HKEY h = nullptr;
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, L"System\\Qzx", L"v", 0, L"x"), ERROR_SUCCESS);
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  std::string machine = prefix.read("system.reg");
  EXPECT_EQ(machine.rfind("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n", 0),
            0u);
  EXPECT_FALSE(std::filesystem::exists(prefix.path() / "user.reg")) << "nothing changed there";
}

TEST(RegistryPersistence, EmptyPrefixTakesTheArchitectureItIsGiven) {
  mx::reg::SetDefaultArch(mx::reg::Arch::Win32);
  {
    ScratchPrefix prefix;
    EXPECT_EQ(mx::reg::RegistryArch(), mx::reg::Arch::Win32);
    ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"x"), ERROR_SUCCESS);
    EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
    EXPECT_NE(prefix.read("user.reg").find("\n#arch=win32\n"), std::string::npos);
  }
  mx::reg::SetDefaultArch(mx::reg::Arch::Win64);
}

TEST(RegistryPersistence, FileChangedOnDiskIsNeverOverwritten) {
  ScratchPrefix prefix;
  prefix.write("user.reg", kUser);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"mine", 0, L"1"), ERROR_SUCCESS);
  // Another process replaces the file while we hold an unsaved change.
  std::string theirs = std::string(kUser) + "\"theirs\"=\"2\"\n";
  prefix.write("user.reg", theirs);
  EXPECT_NE(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  EXPECT_NE(mx::reg::LastRegistryError().find(L"user.reg"), std::wstring::npos);
  EXPECT_EQ(prefix.read("user.reg"), theirs);
}

TEST(RegistryPersistence, FileChangedOnDiskIsReloadedWhenWeHoldNoChange) {
  ScratchPrefix prefix;
  prefix.write("user.reg", kUser);
  std::wstring text;
  ASSERT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, text), ERROR_SUCCESS);
  HKEY h = nullptr;
  ASSERT_EQ(win::RegOpenKeyEx(HKEY_CURRENT_USER, L"Software\\Qzx", 0, KEY_READ, &h), ERROR_SUCCESS);
  std::string theirs = kUser;
  theirs.replace(theirs.find("old"), 3, "theirs");
  prefix.write("user.reg", theirs);
  mx::reg::ReloadIfChanged();
  ASSERT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"theirs");
  // An open handle follows its key into the reloaded tree.
  BYTE data[32];
  DWORD cb = sizeof data;
  EXPECT_EQ(win::RegQueryValueEx(h, L"v", nullptr, nullptr, data, &cb), ERROR_SUCCESS);
  EXPECT_EQ(cb, 14u);
  win::RegCloseKey(h);
}

TEST(RegistryPersistence, RunningWineServerRefusesWritesAndSaves) {
  ScratchPrefix prefix(true);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"pending", 0, L"1"), ERROR_SUCCESS);
  std::string user = prefix.read("user.reg");
  {
    mxtest::FakeWineServer server(prefix.path());
    ASSERT_TRUE(mx::reg::WineServerRunning(prefix.path()));
    EXPECT_NE(mx::reg::FlushRegistry(), ERROR_SUCCESS);
    std::wstring message = mx::reg::LastRegistryError();
    EXPECT_NE(message.find(mx::Utf8ToWide(prefix.path().string())), std::wstring::npos) << mx::WideToUtf8(message);
    EXPECT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"more", 0, L"2"), ERROR_ACCESS_DENIED);
    std::wstring text;
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"System\\Select", L"Current", KEY_WOW64_64KEY, text), ERROR_SUCCESS);
    EXPECT_EQ(prefix.read("user.reg"), user);
  }
  EXPECT_FALSE(mx::reg::WineServerRunning(prefix.path()));
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  EXPECT_NE(prefix.read("user.reg").find("\"pending\"=\"1\""), std::string::npos);
}

TEST(RegistryPersistence, AWineServerInThePrivateFolderThePrefixNamesIsSeen) {
  ScratchPrefix prefix(true);
  const std::string folder = "wine-Qzx" + std::to_string(::getpid());
  prefix.write("wineserver", folder);
  const auto dirs = mx::reg::WineServerDirs(prefix.path());
  ASSERT_GE(dirs.size(), 2u);
  EXPECT_EQ(dirs.back().parent_path(), std::filesystem::path("/tmp") / folder);
  const std::string user = prefix.read("user.reg");
  {
    mxtest::FakeWineServer server(dirs.back(), 0);
    EXPECT_TRUE(mx::reg::WineServerRunning(prefix.path()));
    EXPECT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"x"), ERROR_ACCESS_DENIED);
  }
  std::filesystem::remove_all(dirs.back().parent_path());
  EXPECT_EQ(prefix.read("user.reg"), user);
  // A name that would lead out of the temporary folder is not followed.
  prefix.write("wineserver", "../etc");
  EXPECT_EQ(mx::reg::WineServerDirs(prefix.path()).size(), 1u);
}

TEST(RegistryPersistence, BackgroundSaverWritesSoonAfterTheLastChange) {
  ScratchPrefix prefix;
  prefix.write("user.reg", kUser);
  mx::reg::SetAutoSaveDelay(std::chrono::milliseconds(50));
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"auto"), ERROR_SUCCESS);
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (prefix.read("user.reg").find("\"v\"=\"auto\"") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_NE(prefix.read("user.reg").find("\"v\"=\"auto\""), std::string::npos);
}

TEST(RegistryPersistence, ChangesAreSavedAtExit) {
  ScratchPrefix prefix;
  prefix.write("user.reg", kUser);
  std::wstring text;
  ASSERT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, text), ERROR_SUCCESS);
  pid_t pid = ::fork();
  if (pid == 0) {
    LONG rc = WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"at exit");
    std::exit(rc == ERROR_SUCCESS ? 0 : 1);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_NE(prefix.read("user.reg").find("\"v\"=\"at exit\""), std::string::npos);
}

TEST(RegistryPersistence, BrokenFileIsReadAsEmptyAndNeverOverwritten) {
  ScratchPrefix prefix;
  prefix.write("system.reg", "garbage\n");
  HKEY h = nullptr;
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  EXPECT_NE(mx::reg::LastRegistryError().find(L"system.reg:1:"), std::wstring::npos);
  EXPECT_EQ(WriteString(HKEY_LOCAL_MACHINE, L"System\\Qzx", L"v", 0, L"x"), ERROR_ACCESS_DENIED);
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  EXPECT_EQ(prefix.read("system.reg"), "garbage\n");
}

TEST(RegistryPersistence, TransactionRollsBackEverything) {
  ScratchPrefix prefix;
  prefix.write("user.reg", kUser);
  {
    mx::reg::Transaction tx;
    ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"changed"), ERROR_SUCCESS);
    ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, L"System\\New", L"v", 0, L"x"), ERROR_SUCCESS);
    ASSERT_EQ(win::SHDeleteKey(HKEY_CURRENT_USER, L"Software"), ERROR_SUCCESS);
  }
  std::wstring text;
  ASSERT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, text), ERROR_SUCCESS);
  EXPECT_EQ(text, L"old");
  HKEY h = nullptr;
  EXPECT_EQ(win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, L"System\\New", 0, KEY_READ, &h), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  EXPECT_FALSE(std::filesystem::exists(prefix.path() / "system.reg"));

  mx::reg::Transaction tx;
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"kept"), ERROR_SUCCESS);
  EXPECT_EQ(tx.Commit(), ERROR_SUCCESS);
  EXPECT_NE(prefix.read("user.reg").find("\"v\"=\"kept\""), std::string::npos);
}

TEST(RegistryPersistence, SwitchingPrefixGivesAFreshRegistry) {
  ScratchPrefix first;
  first.write("user.reg", kUser);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"first"), ERROR_SUCCESS);
  mx::reg::SetUserIsAdmin(false);
  {
    ScratchPrefix second;
    std::wstring text;
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, text), ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(mx::reg::UserIsAdmin());
  }
  EXPECT_NE(first.read("user.reg").find("\"v\"=\"first\""), std::string::npos) << "saved when the prefix changed";
}

}  // namespace
