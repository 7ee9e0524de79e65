#include "support/ServiceDouble.h"

#include <algorithm>
#include <cctype>
#include <csignal>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/base/FileIO.h"

extern char** environ;

namespace mxtest {

namespace fs = std::filesystem;

ServiceDouble::ServiceDouble(const std::string& scenarioJson, double lifetimeSeconds) {
  const fs::path scenario = dir_.path() / "scenario.json";
  std::ofstream(scenario) << scenarioJson;
  const std::string script = std::string(MX_SOURCE_DIR) + "/tests/support/service_double.py";
  const std::string logDir = (dir_.path() / "log").string();
  const std::string lifetime = std::to_string(lifetimeSeconds);
  std::vector<std::string> args = {"python3", script, "--scenario", scenario.string(), "--log", logDir,
                                   "--lifetime", lifetime};
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int fds[2];
  if (::pipe(fds) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  const int rc = ::posix_spawnp(&pid_, "python3", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (rc != 0) {
    ::close(fds[0]);
    pid_ = -1;
    throw std::runtime_error("cannot start python3");
  }
  // The first line is "PORT <n>"; a double that does not say so within ten seconds has failed.
  std::string line;
  pollfd p{fds[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && ::poll(&p, 1, 10000) > 0) {
    char buf[64];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    line.append(buf, static_cast<size_t>(n));
  }
  ::close(fds[0]);
  if (line.rfind("PORT ", 0) == 0) port_ = std::atoi(line.c_str() + 5);
  if (port_ <= 0) {
    stop();
    throw std::runtime_error("the service double did not start: " + line);
  }
}

ServiceDouble::~ServiceDouble() { stop(); }

void ServiceDouble::stop() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  int status = 0;
  ::waitpid(pid_, &status, 0);
  pid_ = -1;
}

std::string ServiceDouble::url() const { return "http://127.0.0.1:" + std::to_string(port_); }

std::vector<LoggedRequest> ServiceDouble::requests() const {
  std::vector<fs::path> records;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir_.path() / "log", ec))
    if (entry.path().extension() == ".txt") records.push_back(entry.path());
  std::sort(records.begin(), records.end());
  std::vector<LoggedRequest> out;
  for (const auto& record : records) {
    LoggedRequest r;
    std::ifstream in(record);
    std::string line;
    while (std::getline(in, line)) {
      const size_t blank = line.find(' ');
      const std::string field = line.substr(0, blank);
      const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
      if (field == "method") r.method = value;
      else if (field == "path") r.path = value;
      else if (field == "query") r.query = value;
      else if (field == "header") {
        const size_t colon = value.find(':');
        std::string name = value.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
        r.headers[name] = colon == std::string::npos ? "" : value.substr(std::min(value.size(), colon + 2));
      }
    }
    fs::path body = record;
    body.replace_extension(".body");
    mx::ReadWholeFile(body, r.body);
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace mxtest
