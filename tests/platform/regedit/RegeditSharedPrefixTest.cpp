// The editor on a prefix that other programs use at the same time, and on registry files that are damaged.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/registry/WineServer.h"
#include "support/DamagedRegistryFiles.h"
#include "tests/platform/registry/RegTestPrefix.h"
#include "support/TestPaths.h"

extern char** environ;

namespace {

using regtest::kMachine;
using regtest::kUser;

// The editor started on a prefix, running until Wait().
class Editor {
 public:
  Editor(const std::filesystem::path& prefix, const std::vector<std::string>& args,
         const std::string& program = MX_BINARY_DIR "/bin/regedit") {
    static int serial = 0;
    err_ = prefix.parent_path() / ("editor-" + std::to_string(++serial) + ".err");
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& a : argv) cargv.push_back(a.data());
    cargv.push_back(nullptr);
    std::vector<std::string> env{"WINEPREFIX=" + prefix.string()};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("WINEPREFIX=", 0) != 0) env.push_back(*e);
    std::vector<char*> cenv;
    for (auto& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), cenv.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  // The exit status; stderr in message.
  int Wait(std::string* message) {
    int status = -1;
    if (pid_ > 0) ::waitpid(pid_, &status, 0);
    pid_ = -1;
    mx::ReadWholeFile(err_, *message);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ~Editor() {
    std::string ignored;
    Wait(&ignored);
  }

 private:
  std::filesystem::path err_;
  pid_t pid_ = -1;
};

std::string Read(const std::filesystem::path& file) {
  std::string text;
  mx::ReadWholeFile(file, text);
  return text;
}

// A change over both files from each of two editors started together: both land, or one is refused, says
// so, and nothing of it is written.
TEST(RegeditSharedPrefix, TwoEditorsStartedTogetherLoseNoChange) {
  mxtest::TempDir dir;
  const auto prefix = dir.path() / "prefix";
  for (const char* w : {"A", "B"})
    mx::WriteFileAtomic(dir.path() / (std::string(w) + ".reg"),
                        std::string("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\") + w + "]\r\n\"v\"=\"" + w +
                            "\"\r\n\r\n[HKEY_CURRENT_USER\\Software\\" + w + "]\r\n\"v\"=\"" + w + "\"\r\n");
  int bothLanded = 0;
  for (int round = 0; round < 50; ++round) {
    SCOPED_TRACE(round);
    std::filesystem::remove_all(prefix);
    std::filesystem::create_directories(prefix);
    mx::WriteFileAtomic(prefix / "system.reg", kMachine);
    mx::WriteFileAtomic(prefix / "user.reg", kUser);
    Editor a(prefix, {"/s", (dir.path() / "A.reg").string()});
    Editor b(prefix, {"/s", (dir.path() / "B.reg").string()});
    std::string messages[2];
    const int status[2] = {a.Wait(&messages[0]), b.Wait(&messages[1])};
    const std::string machine = Read(prefix / "system.reg"), user = Read(prefix / "user.reg");
    int landed = 0;
    for (int i = 0; i < 2; ++i) {
      const std::string key = std::string("[Software\\\\") + "AB"[i] + "]";
      const bool inMachine = machine.find(key) != std::string::npos, inUser = user.find(key) != std::string::npos;
      if (status[i] == 0) {
        EXPECT_TRUE(inMachine && inUser) << "reported success, but its change is gone\n" << machine << user;
        ++landed;
      } else {
        EXPECT_FALSE(inMachine || inUser) << "refused, but part of its change is there";
        EXPECT_NE(messages[i].find("nothing imported"), std::string::npos) << messages[i];
      }
    }
    bothLanded += landed == 2;
  }
  EXPECT_GT(bothLanded, 0) << "editors that wait for each other both land";
}

// A registry file that does not load is named with the reason; neither an import nor an export goes on.
TEST(RegeditSharedPrefix, RefusesToWorkOnARegistryFileItCannotLoad) {
  mxtest::TempDir dir;
  const auto prefix = dir.path() / "prefix";
  std::filesystem::create_directories(prefix);
  mx::WriteFileAtomic(prefix / "user.reg", kUser);
  mx::WriteFileAtomic(dir.path() / "new.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Qzx]\r\n\"v\"=\"new\"\r\n");
  for (const auto& damaged : mxtest::DamagedRegistryFiles()) {
    SCOPED_TRACE(damaged.why);
    mx::WriteFileAtomic(prefix / "system.reg", damaged.bytes);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"/s", (dir.path() / "new.reg").string()},
          std::vector<std::string>{"/e", (dir.path() / "out.reg").string()}}) {
      std::string message;
      EXPECT_EQ(Editor(prefix, args).Wait(&message), 1) << args[0];
      EXPECT_NE(message.find((prefix / "system.reg").string()), std::string::npos) << message;
      EXPECT_NE(message.find(damaged.why), std::string::npos) << message;
    }
    EXPECT_EQ(Read(prefix / "system.reg"), damaged.bytes);
    EXPECT_EQ(Read(prefix / "user.reg"), kUser);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "out.reg"));
  }
}

// A line the loader could not read is written back as it was by the saves of an import into every file.
TEST(RegeditSharedPrefix, ADamagedLineInEachFileSurvivesAnImport) {
  mxtest::TempDir dir;
  const auto prefix = dir.path() / "prefix";
  std::filesystem::create_directories(prefix);
  const std::string damaged[3] = {"\"Broken\"=dword:xyz\n", "\"Torn\"=hex:0,\n",
                                  "[Software\\\\Bad\\\\\\\\Key] 1\n\"a\"=\"1\"\n"};
  mx::WriteFileAtomic(prefix / "system.reg", std::string(kMachine) + damaged[0]);
  mx::WriteFileAtomic(prefix / "user.reg", std::string(kUser) + damaged[1]);
  mx::WriteFileAtomic(prefix / "userdef.reg",
                      "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\.Default\n\n#arch=win64\n\n"
                      "[Software\\\\Qzx] 1700000000\n\"v\"=\"old\"\n\n" + damaged[2]);
  mx::WriteFileAtomic(dir.path() / "all.reg",
                      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"w\"=\"new\"\r\n"
                      "[HKEY_CURRENT_USER\\Software\\Qzx]\r\n\"w\"=\"new\"\r\n"
                      "[HKEY_USERS\\.Default\\Software\\Qzx]\r\n\"w\"=\"new\"\r\n");
  std::string message;
  ASSERT_EQ(Editor(prefix, {"/s", (dir.path() / "all.reg").string()}).Wait(&message), 0) << message;
  const char* files[3] = {"system.reg", "user.reg", "userdef.reg"};
  for (int i = 0; i < 3; ++i) {
    const std::string text = Read(prefix / files[i]);
    EXPECT_NE(text.find("\"w\"=\"new\""), std::string::npos) << files[i] << " was saved\n" << text;
    EXPECT_NE(text.find(damaged[i]), std::string::npos) << files[i] << "\n" << text;
  }
}

std::string WineServerProgram() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/usr/lib/wine", "/opt/wine-stable/bin"}) {
    std::string path = std::string(dir) + "/wineserver";
    if (::access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

// The process that holds a server's lock on the prefix, 0 when none does.
pid_t ServerHolding(const std::filesystem::path& prefix) {
  for (const auto& dir : mx::reg::WineServerDirs(prefix)) {
    int fd = ::open((dir / "lock").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
    ::close(fd);
    if (held) return lock.l_pid;
  }
  return 0;
}

template <class Done>
bool WaitFor(Done done, std::chrono::seconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A real Wine server on the prefix, its folder in a private temporary folder as Debian's Wine keeps it; the
// server is ended however the test ends.
TEST(RegeditSharedPrefix, RefusesToWriteWhileARealWineServerHoldsThePrefix) {
  const std::string wineserver = WineServerProgram();
  if (wineserver.empty()) GTEST_SKIP() << "Wine is not installed";
  mxtest::TempDir dir;
  const auto prefix = dir.path() / "prefix";
  const auto tmp = dir.path() / "tmp";
  std::filesystem::create_directories(prefix);
  std::filesystem::create_directories(tmp);
  mx::WriteFileAtomic(prefix / "system.reg", kMachine);
  mx::WriteFileAtomic(prefix / "user.reg", kUser);
  mx::WriteFileAtomic(dir.path() / "new.reg",
                      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Qzx]\r\n\"v\"=\"new\"\r\n"
                      "[HKEY_CURRENT_USER\\Software\\Qzx]\r\n\"v\"=\"new\"\r\n");
  const char* savedTmp = std::getenv("TMPDIR");
  const std::string restoreTmp = savedTmp ? savedTmp : "";
  ::setenv("TMPDIR", tmp.c_str(), 1);  // the server and every child below share it, as a user's session does
  struct Cleanup {
    std::filesystem::path prefix;
    std::string program, restoreTmp;
    bool hadTmp;
    ~Cleanup() {
      { Editor stop(prefix, {"-k"}, program); }
      if (!WaitFor([&] { return ServerHolding(prefix) == 0; }, std::chrono::seconds(10)))
        if (pid_t pid = ServerHolding(prefix); pid > 0) ::kill(pid, SIGKILL);
      WaitFor([&] { return ServerHolding(prefix) == 0; }, std::chrono::seconds(5));
      if (hadTmp)
        ::setenv("TMPDIR", restoreTmp.c_str(), 1);
      else
        ::unsetenv("TMPDIR");
    }
  } cleanup{prefix, wineserver, restoreTmp, savedTmp != nullptr};
  { Editor start(prefix, {"-p"}, wineserver); }
  ASSERT_TRUE(WaitFor([&] { return mx::reg::WineServerRunning(prefix); }, std::chrono::seconds(20)))
      << "the server did not start";
  EXPECT_TRUE(std::filesystem::exists(prefix / "wineserver")) << "the server's folder is where the prefix says";

  std::string message;
  Editor import(prefix, {"/s", (dir.path() / "new.reg").string()});
  EXPECT_EQ(import.Wait(&message), 1);
  EXPECT_NE(message.find("Wine is running on the prefix"), std::string::npos) << message;
  EXPECT_EQ(Read(prefix / "system.reg"), kMachine);
  EXPECT_EQ(Read(prefix / "user.reg"), kUser);
}

}  // namespace
