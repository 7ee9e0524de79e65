#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Process.h"
#include "platform/system/Wow64Redirection.h"
#include "platform/registry/WineServer.h"
#include "platform/regedit/RegTestData.h"
#include "support/TestPrefix.h"

namespace {

using regtest::ReadString;
using regtest::Utf16File;

using mxtest::Arch;
using mxtest::TestPrefix;

struct Outcome {
  int status = -1;
  std::string stderrText;
};

// Runs the editor on the prefix as the program does: our changes saved first, the child's read back after.
Outcome Regedit(const TestPrefix& prefix, const std::string& args) {
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  std::filesystem::path err = prefix.root() / "regedit.stderr";
  std::string cmd = "WINEPREFIX='" + prefix.root().string() + "' '" MX_BINARY_DIR "/bin/regedit' " + args + " 2>'" +
                    err.string() + "'";
  int rc = std::system(cmd.c_str());
  Outcome run;
  run.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  mx::ReadWholeFile(err, run.stderrText);
  mx::reg::ReloadIfChanged();
  return run;
}

std::string RegistryFiles(const TestPrefix& prefix) {
  std::string all;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"}) {
    std::string bytes;
    mx::ReadWholeFile(prefix.root() / name, bytes);
    all += bytes;
  }
  return all;
}

TEST(RegeditProgram, ImportsInTheFormsTheProgramUses) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\users\\root\\undo.reg", Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"
                                                          L"[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"a\"=\"undo\"\r\n"));
  prefix.createFile(L"C:\\backup.reg", Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"
                                                 L"[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"b\"=\"restore\"\r\n"));
  Outcome undo = Regedit(prefix, "/s 'c:\\Users\\ROOT\\Undo.reg'");
  EXPECT_EQ(undo.status, 0) << undo.stderrText;
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"a"), L"undo");

  Outcome restore = Regedit(prefix, "--view=32 /i /s '" + prefix.hostPath(L"C:\\backup.reg").string() + "'");
  EXPECT_EQ(restore.status, 0) << restore.stderrText;
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Wow6432Node\\Qzx", L"b"), L"restore");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"b"), L"<no value>");
}

// How the program starts the editor to restore an undo entry: a bare "regedit.exe" follows the thread's
// file-system redirection, so the 32-bit view's text lands in the 32-bit view and the 64-bit one in its own.
TEST(RegeditProgram, StartedAsTheProgramStartsItImportsIntoTheViewOfTheCaller) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\v.reg", Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"
                                            L"[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"v\"=\"x\"\r\n"));
  auto start = [] {
    std::wstring cmd = L"regedit.exe /s \"C:\\v.reg\"";
    PROCESS_INFORMATION info;
    STARTUPINFOW si{};
    if (!win::CreateProcess(nullptr, cmd.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                            &si, &info))
      return DWORD{0xFFFF};
    mx::ProcessPtr child(info.hProcess.get());
    DWORD code = 0xFFFF;
    if (win::WaitForProcess(info.hProcess, 60000) == WAIT_OBJECT_0) win::GetExitCodeProcess(info.hProcess, &code);
    mx::reg::ReloadIfChanged();
    return code;
  };
  EXPECT_EQ(start(), 0u);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"v", KEY_WOW64_32KEY), L"x");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"v", KEY_WOW64_64KEY), L"<no key>");
  {
    mx::ScopedFsRedirectionOff off;
    EXPECT_EQ(start(), 0u);
  }
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"v", KEY_WOW64_64KEY), L"x");
}

TEST(RegeditProgram, BadFileFailsAndChangesNothing) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_CURRENT_USER\Software\Qzx]
"v"="before"
)");
  prefix.createFile(L"C:\\bad.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Qzx]\r\n\"v\"=\"after\"\r\n\"w\"=\"\\q\"\r\n");
  std::string before = RegistryFiles(prefix);
  Outcome run = Regedit(prefix, "/s 'C:\\bad.reg'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.stderrText.find("line 4: bad escape"), std::string::npos) << run.stderrText;
  EXPECT_EQ(RegistryFiles(prefix), before);
  EXPECT_EQ(ReadString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v"), L"before");
}

TEST(RegeditProgram, RefusesToImportWhileWineHoldsThePrefix) {
  TestPrefix prefix(Arch::Win64);
  prefix.createFile(L"C:\\new.reg", "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Qzx]\r\n\"v\"=\"x\"\r\n");
  ASSERT_EQ(prefix.flush(), ERROR_SUCCESS);
  std::string before = RegistryFiles(prefix);
  // The Wine server's mark: a write lock on the lock file of its folder for this prefix.
  std::filesystem::path serverDir = mx::reg::WineServerDir(prefix.root());
  std::filesystem::create_directories(serverDir);
  int fd = ::open((serverDir / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  ASSERT_EQ(::fcntl(fd, F_SETLK, &lock), 0);
  Outcome run = Regedit(prefix, "/s 'C:\\new.reg'");
  ::close(fd);
  std::filesystem::remove_all(serverDir);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.stderrText.find("Wine is running on the prefix"), std::string::npos) << run.stderrText;
  EXPECT_EQ(RegistryFiles(prefix), before);
}

TEST(RegeditProgram, ExportsOneKeyOrEverything) {
  TestPrefix prefix(Arch::Win64);
  prefix.import(LR"(
[HKEY_LOCAL_MACHINE\Software\Qzx]
"a"="1"
[HKEY_CURRENT_USER\Software\Qzx]
"u"=dword:00000002
)");
  Outcome one = Regedit(prefix, "/e 'C:\\one.reg' 'HKEY_LOCAL_MACHINE\\Software\\Qzx'");
  EXPECT_EQ(one.status, 0) << one.stderrText;
  std::string bytes;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(L"C:\\one.reg"), bytes));
  EXPECT_EQ(bytes, Utf16File(L"Windows Registry Editor Version 5.00\r\n\r\n"
                             L"[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"a\"=\"1\"\r\n\r\n"));

  Outcome all = Regedit(prefix, " /s /e 'C:\\all.reg'");
  EXPECT_EQ(all.status, 0) << all.stderrText;
  ASSERT_TRUE(mx::ReadWholeFile(prefix.hostPath(L"C:\\all.reg"), bytes));
  std::wstring text = mx::Utf16LeToWide(bytes.substr(2));
  EXPECT_NE(text.find(L"[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"a\"=\"1\"\r\n"), std::wstring::npos);
  EXPECT_NE(text.find(L"[HKEY_USERS\\S-1-5-21-0-0-0-1000\\Software\\Qzx]\r\n\"u\"=dword:00000002\r\n"),
            std::wstring::npos);
}

TEST(RegeditProgram, ReportsFailuresWithItsExitStatus) {
  TestPrefix prefix(Arch::Win64);
  struct Case {
    std::string args;
    int status;
    const char* message;
  };
  const Case kCases[] = {
      {"", 2, "no file given"},
      {"/x 'C:\\a.reg'", 2, "unknown switch /x"},
      {"--view=16 'C:\\a.reg'", 2, "unknown option --view=16"},
      {"/s 'C:\\a.reg' 'C:\\b.reg'", 2, "too many arguments"},
      {"/s 'C:\\missing.reg'", 1, "cannot read"},
      {"/s 'Q:\\a.reg'", 1, "Q:"},
      {"/e 'C:\\x.reg' 'HKEY_LOCAL_MACHINE\\Software\\NoSuchKey'", 1, "not found (2)"},
      {"/e 'C:\\x.reg' 'HKEY_NOWHERE\\Software'", 1, "unknown root key"},
  };
  for (const auto& c : kCases) {
    Outcome run = Regedit(prefix, c.args);
    EXPECT_EQ(run.status, c.status) << c.args;
    EXPECT_NE(run.stderrText.find(c.message), std::string::npos) << c.args << ": " << run.stderrText;
  }
  EXPECT_FALSE(std::filesystem::exists(prefix.hostPath(L"C:\\x.reg")));
}

}  // namespace
