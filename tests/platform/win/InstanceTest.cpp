#include "platform/win/Instance.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/win/Message.h"
#include "platform/win/RegisteredMessage.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "support/TestPaths.h"

extern char** environ;

namespace {

// The helper program as a child process whose output the test reads line by line.
class Helper {
 public:
  explicit Helper(std::vector<std::string> args) {
    int fds[2];
    if (::pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string program = std::string(MX_BINARY_DIR) + "/bin/win_instance_helper";
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Helper() {
    Kill();
    if (out_ >= 0) ::close(out_);
  }
  Helper(const Helper&) = delete;
  Helper& operator=(const Helper&) = delete;

  std::optional<std::string> ReadLine(int timeoutMs = 10000) {
    std::string line;
    char c;
    for (;;) {
      pollfd p{out_, POLLIN, 0};
      if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
      if (::read(out_, &c, 1) != 1) return line.empty() ? std::nullopt : std::optional<std::string>(line);
      if (c == '\n') return line;
      line += c;
    }
  }
  int Wait() {
    int status = 0;
    if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  void Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

class Instances : public ::testing::Test {
 protected:
  void SetUp() override { ::setenv("MX_RUNTIME_DIR", dir_.path().c_str(), 1); }
  void TearDown() override {
    win::StopInstanceChannel();
    ::unsetenv("MX_RUNTIME_DIR");
  }
  mxtest::TempDir dir_;
};

}  // namespace

TEST_F(Instances, RegisteredMessagesHaveTheSameIdInEveryProcess) {
  UINT show = win::RegisterWindowMessage(L"WM_SHOW_CHILD_HTM_DLG {974AD229-53B2-4d82-9105-26A10710D1EF}");
  UINT cont = win::RegisterWindowMessage(L"PostMainUI Continue {x}");
  EXPECT_GE(show, MIN_REGISTERED_MESSAGE);
  EXPECT_NE(show, cont);
  EXPECT_EQ(win::RegisterWindowMessage(L"wm_show_child_htm_dlg {974ad229-53b2-4d82-9105-26a10710d1ef}"), show);
  EXPECT_EQ(win::RegisterWindowMessage(L""), 0u);

  Helper other({"register", "PostMainUI Continue {X}"});
  EXPECT_EQ(other.ReadLine(), std::to_string(cont));
  Helper fresh({"register", "TaskbarCreated"});
  auto id = fresh.ReadLine();
  ASSERT_TRUE(id);
  EXPECT_EQ(win::RegisterWindowMessage(L"TaskbarCreated"), static_cast<UINT>(std::stoul(*id)));
}

TEST_F(Instances, ADamagedMessageTableKeepsItsGoodLines) {
  UINT first = win::RegisterWindowMessage(L"First");
  std::string table;
  ASSERT_TRUE(mx::ReadWholeFile(dir_.path() / "messages.tab", table));
  ASSERT_TRUE(mx::WriteFileAtomic(dir_.path() / "messages.tab", "zz garbage\nc0\n" + table + "ffff 00\n"));
  Helper other({"register", "First"});
  EXPECT_EQ(other.ReadLine(), std::to_string(first));
  Helper second({"register", "Second"});
  auto id = second.ReadLine();
  ASSERT_TRUE(id);
  EXPECT_NE(*id, std::to_string(first));
  EXPECT_GE(std::stoul(*id), MIN_REGISTERED_MESSAGE);
}

TEST_F(Instances, ASecondInstanceFindsTheFirstAndPostsToItAndAKilledFirstLocksNobodyOut) {
  const std::string mutex = "Local\\XJV_test_" + std::to_string(::getpid());
  const std::wstring wmutex = mx::Utf8ToWide(mutex);
  Helper first({"first", "Mendrix Caption", mutex});
  ASSERT_EQ(first.ReadLine(), "ready 0");

  // This process is the second instance.
  win::UniqueHandle mine(win::CreateMutex(nullptr, TRUE, wmutex.c_str()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(win::FindWindow(win::kDialogClass, L""), nullptr);
  EXPECT_EQ(win::FindWindow(win::kDialogClass, L"Mendrix"), nullptr);
  HWND hwnd = win::FindWindow(win::kDialogClass, L"mendrix caption");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(win::IsWindow(hwnd));
  EXPECT_TRUE(win::PostMessage(hwnd, WM_APP + 151, 0, 0));
  EXPECT_EQ(first.ReadLine(), "got " + std::to_string(WM_APP + 151));
  // What a start without a command word does: bring the first one up.
  EXPECT_TRUE(win::ShowWindow(hwnd, SW_SHOWNORMAL));
  EXPECT_EQ(first.ReadLine(), "shown 1");
  HWND popup = win::GetLastActivePopup(hwnd);
  EXPECT_EQ(popup, hwnd);
  EXPECT_TRUE(win::SetForegroundWindow(popup));
  EXPECT_FALSE(win::PostMessage(hwnd, WM_SETTEXT, 0, 1234)) << "pointer-carrying messages do not cross";
  EXPECT_EQ(win::SendMessage(hwnd, WM_APP + 151, 0, 0), 0);
  mine.reset();

  first.Kill();
  EXPECT_FALSE(win::IsWindow(hwnd));
  EXPECT_EQ(win::FindWindow(win::kDialogClass, L"Mendrix Caption"), nullptr);
  bool socketsLeft = false;
  for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
    socketsLeft = socketsLeft || e.path().extension() == ".sock";
  EXPECT_FALSE(socketsLeft) << "the dead instance's socket is cleaned away";
  Helper next({"probe", mutex});
  EXPECT_EQ(next.ReadLine(), "0") << "a new start is a first instance again";
}

TEST_F(Instances, AnOrderlyEndLeavesNoSocketAndTheLastMessageEndsTheFirst) {
  const std::string mutex = "Local\\XJV_end_" + std::to_string(::getpid());
  Helper first({"first", "Ending", mutex});
  ASSERT_EQ(first.ReadLine(), "ready 0");
  HWND hwnd = win::FindWindow(nullptr, L"Ending");
  ASSERT_NE(hwnd, nullptr);
  EXPECT_TRUE(win::PostMessage(hwnd, WM_APP + 152, 0, 0));
  EXPECT_EQ(first.ReadLine(), "got " + std::to_string(WM_APP + 152));
  EXPECT_EQ(first.Wait(), 0);
  for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
    EXPECT_NE(e.path().extension(), ".sock") << "an instance that ends removes its socket";
  EXPECT_EQ(win::FindWindow(nullptr, L"Ending"), nullptr);
}

TEST(RuntimeDir, RefusesAFolderThatIsNotPrivate) {
  mxtest::TempDir dir;
  auto link = dir.path() / "link";
  std::filesystem::create_directory_symlink(dir.path(), link);
  ::setenv("MX_RUNTIME_DIR", link.c_str(), 1);
  EXPECT_TRUE(win::RuntimeDir().empty());
  EXPECT_FALSE(win::StartInstanceChannel());
  ::setenv("MX_RUNTIME_DIR", dir.path().c_str(), 1);
  EXPECT_EQ(win::RuntimeDir(), dir.path());
  ::unsetenv("MX_RUNTIME_DIR");
}

TEST(RuntimeDir, OnePrefixReachedThroughALinkIsOneMachine) {
  mxtest::TempDir dir;
  std::filesystem::create_directories(dir.path() / "prefix");
  std::filesystem::create_directories(dir.path() / "other");
  std::filesystem::create_directories(dir.path() / "run");
  std::filesystem::create_directory_symlink(dir.path() / "prefix", dir.path() / "link");
  const std::filesystem::path savedPrefix = mx::PrefixDir();
  const char* xdg = std::getenv("XDG_RUNTIME_DIR");
  const std::string savedXdg = xdg ? xdg : "";
  ::setenv("XDG_RUNTIME_DIR", (dir.path() / "run").c_str(), 1);
  auto runtimeFor = [](const std::filesystem::path& prefix) {
    mx::SetPrefixDir(prefix);
    return win::RuntimeDir();
  };
  const auto real = runtimeFor(dir.path() / "prefix");
  EXPECT_FALSE(real.empty());
  EXPECT_EQ(runtimeFor(dir.path() / "link"), real);
  EXPECT_EQ(runtimeFor(dir.path() / "other" / ".." / "link" / "."), real);
  EXPECT_NE(runtimeFor(dir.path() / "other"), real);
  if (xdg)
    ::setenv("XDG_RUNTIME_DIR", savedXdg.c_str(), 1);
  else
    ::unsetenv("XDG_RUNTIME_DIR");
  mx::SetPrefixDir(savedPrefix);
}
