// The registry shared with other processes: saves over several files land whole or not at all wherever the
// saving process dies, what a dead save leaves behind is cleared, and a file another program replaced is
// never overwritten.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/base/Text.h"
#include "platform/registry/RegistryStore.h"
#include "tests/platform/registry/RegTestPrefix.h"

namespace {

using mx::reg::SaveStep;
using regtest::ReadString;
using regtest::ScratchPrefix;
using regtest::WriteString;

using regtest::kMachine;
using regtest::kUser;

SaveStep gKillAt;
int gKillOccurrence;

void KillAtChosenStep(SaveStep step) {
  if (step == gKillAt && --gKillOccurrence == 0) ::raise(SIGKILL);
}

std::vector<std::string> LeftOvers(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    std::string name = e.path().filename().string();
    if (name.find(".tmp") != std::string::npos || name == ".registry.intent") names.push_back(name);
  }
  return names;
}

std::wstring Read(HKEY root) {
  std::wstring text;
  return ReadString(root, L"Software\\Qzx", L"v", KEY_WOW64_64KEY, text) == ERROR_SUCCESS ? text : L"<none>";
}

TEST(RegistryAcrossProcesses, ASaveOverTwoFilesKilledAtAnyStepLandsWholeOrNotAtAll) {
  struct Case {
    SaveStep step;
    int occurrence;
    bool landed;
  };
  const Case kCases[] = {
      {SaveStep::TempsWritten, 1, false},  {SaveStep::IntentRecorded, 1, true}, {SaveStep::FileReplaced, 1, true},
      {SaveStep::FileReplaced, 2, true},   {SaveStep::IntentRemoved, 1, true},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(static_cast<int>(c.step) * 10 + c.occurrence);
    ScratchPrefix prefix;
    prefix.write("system.reg", kMachine);
    prefix.write("user.reg", kUser);
    pid_t pid = ::fork();
    if (pid == 0) {
      gKillAt = c.step;
      gKillOccurrence = c.occurrence;
      mx::reg::SetSaveStepHook(&KillAtChosenStep);
      bool written = WriteString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"v", KEY_WOW64_64KEY, L"new") == ERROR_SUCCESS &&
                     WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"new") == ERROR_SUCCESS;
      mx::reg::FlushRegistry();
      ::_exit(written ? 3 : 4);  // not killed: the step was never reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;

    mx::reg::ResetRegistry();
    const std::wstring expected = c.landed ? L"new" : L"old";
    EXPECT_EQ(Read(HKEY_LOCAL_MACHINE), expected);
    EXPECT_EQ(Read(HKEY_CURRENT_USER), expected);
    // The next save clears whatever the dead one left.
    ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"after", 0, L"1"), ERROR_SUCCESS);
    EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS) << mx::WideToUtf8(mx::reg::LastRegistryError());
    EXPECT_EQ(LeftOvers(prefix.path()), std::vector<std::string>{});
  }
}

TEST(RegistryAcrossProcesses, ChangesOverTwoFilesAreNotSavedWhenOneOfThemWasReplaced) {
  ScratchPrefix prefix;
  prefix.write("system.reg", kMachine);
  prefix.write("user.reg", kUser);
  ASSERT_EQ(WriteString(HKEY_LOCAL_MACHINE, L"Software\\Qzx", L"v", KEY_WOW64_64KEY, L"mine"), ERROR_SUCCESS);
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"mine"), ERROR_SUCCESS);
  const std::string theirs = std::string(kUser) + "\"theirs\"=\"1\"\n";
  prefix.write("user.reg", theirs);
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SHARING_VIOLATION);
  const std::wstring message = mx::reg::LastRegistryError();
  EXPECT_NE(message.find(L"user.reg was changed by another program"), std::wstring::npos) << mx::WideToUtf8(message);
  EXPECT_NE(message.find(L"none of the changed files was saved"), std::wstring::npos) << mx::WideToUtf8(message);
  EXPECT_EQ(prefix.read("system.reg"), kMachine);
  EXPECT_EQ(prefix.read("user.reg"), theirs);
}

TEST(RegistryAcrossProcesses, StaleTemporariesOfDeadSavesAreRemovedAtTheNextSave) {
  ScratchPrefix prefix;
  prefix.write("user.reg", kUser);
  for (const char* name : {".system.reg.tmpAb12Cd", ".user.reg.tmpZZZZZZ", "..registry.intent.tmp000000"})
    prefix.write(name, std::string(1000, 'x'));
  prefix.write(".user.reg.tmp-not-ours", "kept");
  ASSERT_EQ(WriteString(HKEY_CURRENT_USER, L"Software\\Qzx", L"v", 0, L"new"), ERROR_SUCCESS);
  EXPECT_EQ(mx::reg::FlushRegistry(), ERROR_SUCCESS);
  EXPECT_EQ(LeftOvers(prefix.path()), std::vector<std::string>{".user.reg.tmp-not-ours"});
}

}  // namespace
