// The editor on a prefix that other programs use at the same time, and on registry files that are damaged.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/base/FileIO.h"
#include "support/TestPaths.h"

extern char** environ;

namespace {

constexpr const char* kMachine =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n"
    "[Software\\\\Qzx] 1700000000\n#time=1da1747c66d0000\n\"v\"=\"old\"\n";
constexpr const char* kUser =
    "WINE REGISTRY Version 2\n;; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n#arch=win64\n\n"
    "[Software\\\\Qzx] 1700000000\n#time=1da1747c66d0000\n\"v\"=\"old\"\n";

// The editor started on a prefix, running until Wait().
class Editor {
 public:
  Editor(const std::filesystem::path& prefix, const std::vector<std::string>& args) {
    static int serial = 0;
    err_ = prefix.parent_path() / ("editor-" + std::to_string(++serial) + ".err");
    std::vector<std::string> argv{MX_BINARY_DIR "/bin/regedit"};
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

}  // namespace
