#include "platform/shell/ShellExecute.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "platform/system/Module.h"
#include "support/TestPrefix.h"

namespace {

TEST(ShellExecute, LaunchesThatCannotHappenAreRecordedAndFail) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  mx::ClearRecordedLaunches();
  std::vector<std::wstring> logged;
  mx::SetLaunchHook([&](const mx::LaunchRecord& r) { logged.push_back(r.verb + L" " + r.file); });
  EXPECT_EQ(win::ShellExecute(nullptr, L"open", L"https://example.invalid/update", nullptr, nullptr, 1), SE_ERR_FNF);
  EXPECT_EQ(win::ShellExecute(nullptr, L"Open", L"C:\\Program Files (x86)\\Tarvolen\\Mendrix\\tarvmend.chm", L"",
                              L"", 3),
            SE_ERR_FNF);
  SHELLEXECUTEINFOW info;
  info.lpVerb = L"runas";
  info.lpFile = L"C:\\Program Files (x86)\\Tarvolen\\Mendrix\\mendrix.exe";
  info.lpParameters = L"zunvistascan";
  EXPECT_FALSE(win::ShellExecuteEx(&info));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(info.hInstApp, SE_ERR_FNF);
  auto launches = mx::RecordedLaunches();
  ASSERT_EQ(launches.size(), 3u);
  EXPECT_EQ(launches[2].verb, L"runas");
  EXPECT_EQ(launches[2].parameters, L"zunvistascan");
  EXPECT_EQ(launches[1].show, 3);
  EXPECT_EQ(logged.front(), L"open https://example.invalid/update");
  mx::SetLaunchHook(nullptr);
}

TEST(ShellExecute, TheRegistryEditorIsStarted) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  mxtest::TempDir dir;
  auto script = dir.path() / "regedit";
  std::ofstream(script) << "#!/bin/sh\nexit 0\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  mx::SetRegeditBinary(script);
  SHELLEXECUTEINFOW info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  info.lpFile = L"Regedit.exe";
  ASSERT_TRUE(win::ShellExecuteEx(&info));
  EXPECT_GT(info.hInstApp, 32);
  ASSERT_TRUE(info.hProcess);
  mx::ProcessPtr owner(info.hProcess.get());
  EXPECT_EQ(win::WaitForProcess(info.hProcess, 20000), WAIT_OBJECT_0);
  mx::SetRegeditBinary({});
}

// A language change starts the program again: the program's own path runs the program beside this one.
TEST(ShellExecute, TheProgramItselfIsStartedAgainWithItsWord) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  mxtest::TempDir dir;
  const auto script = dir.path() / "mendrix";
  const auto seen = dir.path() / "seen";
  std::ofstream(script) << "#!/bin/sh\necho \"$@\" > '" << seen.string() << "'\n";
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  mx::SetProgramHostDir(dir.path());
  SHELLEXECUTEINFOW info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpVerb = L"open";
  const std::wstring program = mx::ProgramWinPath();
  info.lpFile = program.c_str();
  info.lpParameters = L"-changelang";
  ASSERT_TRUE(win::ShellExecuteEx(&info));
  ASSERT_TRUE(info.hProcess);
  mx::ProcessPtr owner(info.hProcess.get());
  EXPECT_EQ(win::WaitForProcess(info.hProcess, 20000), WAIT_OBJECT_0);
  std::ifstream in(seen);
  std::stringstream words;
  words << in.rdbuf();
  EXPECT_EQ(words.str(), "-changelang\n");
  // Elevation cannot be given here: that start is only recorded.
  info.lpVerb = L"runas";
  EXPECT_FALSE(win::ShellExecuteEx(&info));
  mx::SetProgramHostDir({});
}

}  // namespace
