#pragma once
// Driving the real program on the test's display as its user does: the program started in the background on a
// prefix, home and runtime of its own, its windows found by title and size, clicks through xdotool, and the
// screen read back to see that a click changed what is shown.
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/base/FileIO.h"
#include "platform/gtk/XvfbSession.h"
#include "scan/ResultsFile.h"
#include "support/FakeHost.h"
#include "support/TestPaths.h"

extern char** environ;

namespace programtest {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline const fs::path kRenderings = fs::path(MX_BINARY_DIR) / "ui-renderings";

// What a shell command prints (stdout).
inline std::string Output(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) out.append(buffer.data(), n);
  ::pclose(pipe);
  return out;
}

// The program, started in the background with the test's display and a prefix, home and runtime of its own.
class Program {
 public:
  Program(const fs::path& prefix, const fs::path& home, const fs::path& runtime, std::string word = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      if (entry.rfind("WINEPREFIX=", 0) == 0 || entry.rfind("HOME=", 0) == 0 ||
          entry.rfind("MX_RUNTIME_DIR=", 0) == 0 || entry.rfind("XDG_DATA_HOME=", 0) == 0)
        continue;
      env.push_back(entry);
    }
    env.push_back("WINEPREFIX=" + prefix.string());
    env.push_back("HOME=" + home.string());
    env.push_back("MX_RUNTIME_DIR=" + runtime.string());
    env.push_back("MX_NO_START_WAIT=1");  // the start-up wait is checked on the fake clock
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = std::string(MX_BINARY_DIR) + "/bin/mendrix";
    char* argv[] = {exe.data(), word.empty() ? nullptr : word.data(), nullptr};
    started_ = Clock::now();
    if (::posix_spawn(&pid_, exe.c_str(), nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
  }
  // A process of the program this test did not start: one the program started itself (its relaunch), which
  // the test took in as its own child once its starter ended (see AdoptOrphans).
  explicit Program(pid_t adopted) : pid_(adopted), started_(Clock::now()) {}
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Running() const { return pid_ > 0; }
  Clock::time_point Started() const { return started_; }
  // The exit code once the process ended within timeoutMs; -1 while it still runs or ended by a signal.
  int Wait(int timeoutMs) {
    const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (pid_ > 0) {
      int status = 0;
      const pid_t r = ::waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      if (Clock::now() > until) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  Clock::time_point started_;
};

// Processes the program starts that outlive it (its relaunch) become this test's children rather than
// init's, so the test can wait for them and end them.
inline bool AdoptOrphans() { return ::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0; }

// Ends the program's processes this test adopted and no Program owns (a relaunch the test failed before
// taking over), so none outlives the test.
inline void EndAdoptedPrograms() {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/proc", ec)) {
    const pid_t pid = std::atoi(entry.path().filename().c_str());
    if (pid <= 0) continue;
    std::string stat;
    if (!std::getline(std::ifstream(entry.path() / "stat"), stat)) continue;
    // "pid (comm) state ppid ..."
    const auto close = stat.rfind(')');
    if (close == std::string::npos || stat.find("(mendrix)") == std::string::npos) continue;
    if (std::atoi(stat.c_str() + close + 4) != ::getpid()) continue;
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
  }
}

// The process that shows a window.
inline pid_t WindowPid(const std::string& windowId) {
  return std::atoi(Output("xdotool getwindowpid " + windowId + " 2>/dev/null").c_str());
}

struct Geometry {
  std::string id;
  int x = 0, y = 0, width = 0, height = 0;
};

// Every visible top-level window titled title ("" for any title), where the display shows it.
inline std::vector<Geometry> Windows(const std::string& title) {
  std::vector<Geometry> found;
  const std::string pattern = title.empty() ? "''" : "'^" + title + "$'";  // '' finds untitled windows
  std::istringstream ids(Output("xdotool search --onlyvisible --name " + pattern + " 2>/dev/null"));
  std::string id;
  while (ids >> id) {
    std::istringstream shell(Output("xdotool getwindowgeometry --shell " + id + " 2>/dev/null"));
    std::string line;
    std::map<std::string, int> v;
    while (std::getline(shell, line))
      if (const auto eq = line.find('='); eq != std::string::npos && line.substr(0, eq) != "WINDOW")
        v[line.substr(0, eq)] = std::atoi(line.c_str() + eq + 1);
    found.push_back({id, v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]});
  }
  return found;
}

// The program's visible top-level window titled title and width pixels wide (the splash has the title too;
// 0 takes any width), waited for up to timeoutMs (0: looked for once).
inline bool FindWindow(const std::string& title, int width, int timeoutMs, Geometry& out) {
  const auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    for (const Geometry& window : Windows(title))
      if (width == 0 || window.width == width) {
        out = window;
        return true;
      }
    if (Clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// A pop-up menu the program shows (a window of its own, named after the program), waited for.
inline bool FindMenu(int timeoutMs, Geometry& out) { return FindWindow("mendrix", 0, timeoutMs, out); }

// A click of the mouse button (1 left, 3 right) at a point of the window.
inline void Click(const Geometry& window, int x, int y, int button = 1) {
  const std::string command = "xdotool mousemove " + std::to_string(window.x + x) + " " +
                              std::to_string(window.y + y) + " click " + std::to_string(button);
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The screen area below the navigation buttons, as the display shows it.
inline std::vector<unsigned> ScreenArea(const Geometry& window) {
  return mxtest::ScreenPixels(window.x, window.y + 135, window.width, window.height - 165);
}

// Waits until the screen area differs from before and has stopped changing (a page has loaded and painted).
inline std::vector<unsigned> SettledChange(const Geometry& window, const std::vector<unsigned>& before) {
  std::vector<unsigned> last = ScreenArea(window);
  auto stableSince = Clock::now();
  const auto until = Clock::now() + std::chrono::seconds(20);
  while (Clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<unsigned> now = ScreenArea(window);
    if (now != last) {
      last = std::move(now);
      stableSince = Clock::now();
    } else if (last != before && Clock::now() - stableSince > std::chrono::milliseconds(700)) {
      break;
    }
  }
  return last;
}

// A whole window once it differs from before and has stopped changing.
inline std::vector<unsigned> SettledWindow(const Geometry& window, const std::vector<unsigned>& before = {}) {
  std::vector<unsigned> last;
  auto stableSince = Clock::now();
  const auto until = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < until) {
    std::vector<unsigned> now = mxtest::ScreenPixels(window.x, window.y, window.width, window.height);
    if (now != last) {
      last = std::move(now);
      stableSince = Clock::now();
    } else if (last != before && Clock::now() - stableSince > std::chrono::milliseconds(500)) {
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return last;
}

// The share of pixels that differ between two pictures of the screen area (1 when their sizes differ).
inline double Difference(const std::vector<unsigned>& a, const std::vector<unsigned>& b) {
  if (a.size() != b.size() || a.empty()) return 1;
  size_t differing = 0;
  for (size_t i = 0; i < a.size(); ++i) differing += a[i] != b[i];
  return double(differing) / double(a.size());
}

// Keys as xdotool names them ("Tab", "Return", "ctrl+a"), sent to whatever has the focus.
inline void Keys(const std::string& keys) {
  const std::string command = "xdotool key " + keys;
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// The whole window as the display shows it, saved into the renderings folder as name.png.
inline void SaveWindow(const Geometry& window, const std::string& name) {
  const auto whole = mxtest::ScreenPixels(window.x, window.y, window.width, window.height);
  mxtest::SavePixelsPng(whole, window.width, window.height, kRenderings / (name + ".png"));
}

// A registry file's key sections (timestamps dropped), keyed by their key line.
inline std::map<std::string, std::string> Sections(const fs::path& file) {
  std::string text;
  mx::ReadWholeFile(file, text);
  std::map<std::string, std::string> sections;
  std::istringstream in(text);
  std::string line, key = "(header)";
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') {
      const auto close = line.rfind(']');
      key = line.substr(0, close == std::string::npos ? line.size() : close + 1);
      sections[key];
      continue;
    }
    if (line.rfind("#time=", 0) == 0) continue;
    sections[key] += line + "\n";
  }
  return sections;
}

inline constexpr char kMainTitle[] = "Tarvolen Mendrix";

// A program test's world: a throw-away prefix (the sample prefix unless the test's SetUp makes another), home
// and runtime folders, and a host whose scheduler is a fake, so the tasks the program mirrors land in the
// fake's crontab and never in the real user's timers. Base is the gtest fixture class to build on.
template <class Base = ::testing::Test>
class ProgramFixture : public Base {
 protected:
  ProgramFixture() {
    fs::create_directories(home());
    fs::create_directories(runtime());
  }
  void SetUp() override {
    if (!SkippedWithoutDisplay()) mxtest::MakeFixturePrefix(prefix);
  }
  // Skips the test unless the program's windows can be followed: on a display, in the optimised build (they
  // are timed and rendered there). True when skipped.
  bool SkippedWithoutDisplay() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    [] { GTEST_SKIP() << "the program's windows are timed and rendered in the optimised build"; }();
#else
    [] { MX_REQUIRE_DISPLAY(); }();
#endif
    return ::testing::Test::IsSkipped();
  }

  fs::path home() const { return dir.path() / "home"; }
  fs::path runtime() const { return dir.path() / "run"; }
  // The program started in the background on this world; word is its command word, if any.
  Program Start(std::string word = {}) const { return Program(prefix, home(), runtime(), std::move(word)); }
  // Whether the started program shows its main window within timeoutMs; window is where it is.
  static bool Opened(const Program& program, Geometry& window, int timeoutMs = 30000) {
    return program.Running() && FindWindow(kMainTitle, 770, timeoutMs, window);
  }

  mxtest::TempDir dir;
  const fs::path prefix = dir.path() / "prefix";
  mxtest::FakeHost host{mxtest::FakeHost::Kind::Cron};
};
using ProgramTest = ProgramFixture<>;

// The sections of the registry outside the program's own key.
inline std::map<std::string, std::string> RegistryOutsideTheProgram(const fs::path& prefix) {
  std::map<std::string, std::string> all;
  for (const char* name : {"system.reg", "user.reg", "userdef.reg"})
    for (auto& [key, body] : Sections(prefix / name))
      if (key.find("Tarvolen\\\\Mendrix") == std::string::npos) all[std::string(name) + " " + key] = body;
  return all;
}

// A file the program keeps in the user's data folder on the prefix; empty while there is none.
inline fs::path DataFileOf(const fs::path& prefix, const std::string& name) {
  std::error_code ec;
  for (const auto& entry : fs::recursive_directory_iterator(prefix / "drive_c" / "users", ec))
    if (entry.path().filename() == name) return entry.path();
  return {};
}

// Where the program keeps its results.
inline fs::path ResultsFileOf(const fs::path& prefix) { return DataFileOf(prefix, "results.kvt"); }

// "ValueName" of every problem the results file holds, in its order.
inline std::vector<std::wstring> StoredProblems(const fs::path& prefix) {
  std::vector<std::wstring> names;
  std::string bytes;
  StoredResults results;
  const fs::path file = ResultsFileOf(prefix);
  if (file.empty() || !mx::ReadWholeFile(file, bytes) || !DecodeResults(bytes, results)) return names;
  for (const auto& block : results.blocks)
    for (const auto& problem : block) names.push_back(problem->ValueName);
  return names;
}

}  // namespace programtest
