#include "platform/system/Process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <thread>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/system/LaunchRecord.h"
#include "platform/system/Wow64Redirection.h"
#include "support/TestPrefix.h"

namespace {

namespace fs = std::filesystem;

// A stand-in editor that writes its arguments and prefix to a file and exits with a known code.
class FakeEditor {
 public:
  explicit FakeEditor(const std::string& body = "exit 7") {
    script_ = dir_.path() / "regedit";
    out_ = dir_.path() / "args.txt";
    std::ofstream(script_) << "#!/bin/sh\nprintf '%s\\n' \"$@\" \"prefix=$WINEPREFIX\" > '" << out_.string()
                           << "'\n" << body << "\n";
    fs::permissions(script_, fs::perms::owner_all);
    mx::SetRegeditBinary(script_);
  }
  ~FakeEditor() { mx::SetRegeditBinary({}); }
  std::string args() const {
    std::string s;
    mx::ReadWholeFile(out_, s);
    return s;
  }

 private:
  mxtest::TempDir dir_;
  fs::path script_, out_;
};

DWORD RunToEnd(const wchar_t* commandLine) {
  std::wstring cmd = commandLine;
  PROCESS_INFORMATION pi;
  if (!win::CreateProcess(nullptr, cmd.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                          nullptr, &pi))
    return 0xFFFF;
  mx::ProcessPtr owner(pi.hProcess.get());
  EXPECT_EQ(win::WaitForProcess(pi.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 0;
  EXPECT_TRUE(win::GetExitCodeProcess(pi.hProcess, &code));
  return code;
}

TEST(Process, SplitsCommandLinesLikeTheCRuntime) {
  struct Case {
    const wchar_t* line;
    std::vector<std::wstring> args;
  };
  const Case cases[] = {
      {L"regedit.exe /s \"C:\\a b\\x.reg\"", {L"regedit.exe", L"/s", L"C:\\a b\\x.reg"}},
      {L"\"C:\\Program Files\\x.exe\" a\\\\\"b c\" d", {L"C:\\Program Files\\x.exe", L"a\\b c", L"d"}},
      {L"x \\\"q\\\" \"in \"\"quoted\"\"\"", {L"x", L"\"q\"", L"in \"quoted\""}},
      {L"  prog\targ  ", {L"prog", L"arg"}},
      {L"\"unclosed arg", {L"unclosed arg"}},
      {L"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(mx::SplitCommandLine(c.line), c.args) << mx::WideToUtf8(c.line);
}

TEST(Process, StartsTheEditorInTheCallersViewAndReadsItsExitCode) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  FakeEditor editor;
  std::string expectedPrefix = "prefix=" + mx::PrefixDir().string() + "\n";
  // A thread with redirection on finds the 32-bit editor.
  EXPECT_EQ(RunToEnd(L"regedit.exe /s \"C:\\users\\a b.reg\""), 7u);
  EXPECT_EQ(editor.args(), "--view=32\n/s\nC:\\users\\a b.reg\n" + expectedPrefix);
  {
    mx::ScopedFsRedirectionOff off;
    EXPECT_EQ(RunToEnd(L"C:\\Windows\\regedit.exe /s x.reg"), 7u);
    EXPECT_EQ(editor.args(), "--view=64\n/s\nx.reg\n" + expectedPrefix);
    EXPECT_EQ(RunToEnd(L"c:/windows/SysWOW64/regedit.exe /s x.reg"), 7u);
    EXPECT_EQ(editor.args(), "--view=32\n/s\nx.reg\n" + expectedPrefix);
  }
  auto launches = mx::RecordedLaunches();
  ASSERT_FALSE(launches.empty());
  EXPECT_TRUE(launches.back().started);
}

TEST(Process, OtherProgramsCannotRunAndAreRecorded) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  FakeEditor editor;
  mx::ClearRecordedLaunches();
  std::vector<std::wstring> hooked;
  mx::SetLaunchHook([&](const mx::LaunchRecord& r) { hooked.push_back(r.file); });
  std::wstring cmd = L"\"C:\\windows\\system32\\msiexec.exe\" /i x.msi";
  PROCESS_INFORMATION pi;
  EXPECT_FALSE(win::CreateProcess(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(pi.hProcess);
  auto launches = mx::RecordedLaunches();
  ASSERT_EQ(launches.size(), 1u);
  EXPECT_EQ(launches[0].file, L"C:\\windows\\system32\\msiexec.exe");
  EXPECT_EQ(launches[0].parameters, L"/i x.msi");
  EXPECT_FALSE(launches[0].started);
  EXPECT_EQ(hooked, std::vector<std::wstring>{L"C:\\windows\\system32\\msiexec.exe"});
  mx::SetLaunchHook(nullptr);

  // The editor binary missing is the same failure.
  mx::SetRegeditBinary("/nonexistent/regedit");
  std::wstring edit = L"regedit.exe /s x.reg";
  EXPECT_FALSE(win::CreateProcess(nullptr, edit.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
}

TEST(Process, WaitTimesOutOnASlowChild) {
  mxtest::TestPrefix prefix(mxtest::Arch::Win64);
  FakeEditor editor("exec sleep 30");
  std::wstring cmd = L"regedit.exe /s x.reg";
  PROCESS_INFORMATION pi;
  ASSERT_TRUE(win::CreateProcess(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
  mx::ProcessPtr owner(pi.hProcess.get());
  EXPECT_EQ(win::WaitForProcess(pi.hProcess, 50), WAIT_TIMEOUT);
  DWORD code = 0;
  EXPECT_TRUE(win::GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_TRUE(win::TerminateProcess(pi.hProcess, 1));
  EXPECT_EQ(win::WaitForProcess(pi.hProcess, 20000), WAIT_OBJECT_0);
  EXPECT_EQ(win::WaitForProcess(HPROCESS(), 0), WAIT_FAILED);
}

}  // namespace
