#pragma once
// A host scheduler for tests: a throw-away home and configuration folder, and fake `systemctl` and `crontab`
// commands first on PATH, so that task mirrors land here and never in the real user's timers. The fake
// `systemctl --user` answers only for Kind::Systemd; the fake `crontab` keeps one crontab in a file for
// Kind::Cron and is missing (exit 127) otherwise. Turns the task mirror on for its lifetime. Link mx_taskschd.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/taskschd/HostScheduler.h"
#include "support/TestPaths.h"

namespace mxtest {

class FakeHost {
 public:
  enum class Kind { Systemd, Cron, None };

  explicit FakeHost(Kind kind) {
    namespace fs = std::filesystem;
    fs::create_directories(bin());
    fs::create_directories(home());
    Script("systemctl", "echo \"$*\" >> \"" + (dir_.path() / "systemctl.log").string() + "\"\nexit " +
                            (kind == Kind::Systemd ? "0" : "1"));
    const std::string tab = (dir_.path() / "crontab.txt").string();
    Script("crontab", kind == Kind::Cron ? "if [ \"$1\" = -l ]; then [ -f '" + tab + "' ] || exit 1; cat '" + tab +
                                               "'; exit 0; fi\ncat \"$1\" > '" + tab + "'"
                                         : std::string("exit 127"));
    Save("PATH", bin().string() + ":" + Get("PATH"));
    Save("HOME", home().string());
    Save("XDG_CONFIG_HOME", (home() / ".config").string());
    mx::SetHostMirrorEnabled(true);
  }
  ~FakeHost() {
    mx::SetHostMirrorEnabled(false);
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->second.first) ::setenv(it->first.c_str(), it->second.second.c_str(), 1);
      else ::unsetenv(it->first.c_str());
    }
  }
  FakeHost(const FakeHost&) = delete;
  FakeHost& operator=(const FakeHost&) = delete;

  std::filesystem::path home() const { return dir_.path() / "home"; }
  std::filesystem::path bin() const { return dir_.path() / "bin"; }
  std::string crontab() const { return Read(dir_.path() / "crontab.txt"); }
  std::string systemctlLog() const { return Read(dir_.path() / "systemctl.log"); }
  static std::string Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }

 private:
  static std::string Get(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
  }
  void Save(const char* name, const std::string& value) {
    const char* old = std::getenv(name);
    saved_.push_back({name, {old != nullptr, old ? old : ""}});
    ::setenv(name, value.c_str(), 1);
  }
  void Script(const std::string& name, const std::string& body) {
    const auto path = bin() / name;
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }

  TempDir dir_;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> saved_;
};

}  // namespace mxtest
