// The boot-time program as the prefix's restart runs it: a real process on a throw-away prefix.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/LocalizedStrings.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/WineRegFile.h"
#include "platform/system/Module.h"
#include "platform/win/MessageBox.h"
#include "support/FakeWineServer.h"
#include "tools/HiveOptimizer.h"
#include "tools/ToolsTestPrefix.h"

namespace {

namespace fs = std::filesystem;

// Runs the boot program on the prefix as the restart does; its exit code.
int RunBootProgram(const fs::path& prefix) {
  std::string command = "WINEPREFIX='" + prefix.string() + "' '" + (fs::path(MX_BINARY_DIR) / "bin" / "qzboot").string() +
                        "' '\\??\\C:\\windows\\system32\\ZSNQZSet.bin' > /dev/null 2>&1";
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct BootWorld {
  toolstest::ToolsPrefix prefix;
  win::ScopedAnswers answers;
  BootWorld() {
    InitLanguageReader(mx::ProgramWinDir() + L"\\eng_kvt.ini");
    prefix.import(LR"(
[HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Session Manager]
"BootExecute"=hex(7):6f,00,74,00,68,00,65,00,72,00,00,00,00,00
[HKEY_CURRENT_USER\Software\Qzx]
"Kept"="yes"
)");
    answers.answers.Expect(L"restarts", IDNO);
    HiveOptimizer optimizer;
    EXPECT_EQ(optimizer.Install(), 1);
    EXPECT_EQ(prefix.flush(), ERROR_SUCCESS);
    mx::reg::ResetRegistry();
  }
};

}  // namespace

TEST(BootCompaction, RewritesTheListedFilesMarksThemProcessedAndRemovesItsEntry) {
  BootWorld world;
  std::wstring userBefore = toolstest::LoadedRegistryFile(world.prefix.root() / "user.reg");
  ASSERT_EQ(RunBootProgram(world.prefix.root()), 0);
  EXPECT_EQ(toolstest::LoadedRegistryFile(world.prefix.root() / "user.reg"), userBefore);
  std::wstring system = toolstest::LoadedRegistryFile(world.prefix.root() / "system.reg");
  EXPECT_EQ(system.find(L"<does not load"), std::wstring::npos);
  EXPECT_EQ(system.find(L"hivelist"), std::wstring::npos);

  mx::reg::ResetRegistry();
  HiveOptimizer optimizer;
  EXPECT_EQ(optimizer.ReadResults(), 0);
  EXPECT_EQ(optimizer.m_arrResults.size(), 3u);
  EXPECT_EQ(toolstest::BootExecuteEntries(), (std::vector<std::wstring>{L"autocheck autochk *", L"other"}));

  EXPECT_EQ(RunBootProgram(world.prefix.root()), 1) << "processed once only";
}

TEST(BootCompaction, WhileWineHoldsThePrefixNothingIsCompacted) {
  BootWorld world;
  std::string userBefore, systemBefore;
  mx::ReadWholeFile(world.prefix.root() / "user.reg", userBefore);
  mx::ReadWholeFile(world.prefix.root() / "system.reg", systemBefore);
  {
    mxtest::FakeWineServer server(world.prefix.root());
    EXPECT_EQ(RunBootProgram(world.prefix.root()), 3);
  }
  std::string userAfter, systemAfter;
  mx::ReadWholeFile(world.prefix.root() / "user.reg", userAfter);
  mx::ReadWholeFile(world.prefix.root() / "system.reg", systemAfter);
  EXPECT_EQ(userAfter, userBefore);
  EXPECT_EQ(systemAfter, systemBefore);
  HiveOptimizer optimizer;
  EXPECT_EQ(optimizer.ReadResults(), 2) << "refused: not processed";
}
