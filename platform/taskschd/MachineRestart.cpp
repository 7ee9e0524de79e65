#include "platform/taskschd/MachineRestart.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Module.h"
#include "platform/system/Process.h"
#include "platform/system/RestartRequest.h"
#include "platform/taskschd/HostScheduler.h"
#include "platform/taskschd/TaskStore.h"

extern char** environ;

namespace mx {

namespace {

namespace fs = std::filesystem;

std::mutex g_mutex;
LogonStarter g_starter;

constexpr const wchar_t* kSessionManager = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::vector<std::wstring> MultiString(const std::vector<BYTE>& data) {
  std::vector<std::wstring> out;
  std::wstring current;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const wchar_t c = static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    if (c) {
      current += c;
    } else {
      if (current.empty()) break;
      out.push_back(std::move(current));
      current.clear();
    }
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

std::vector<std::wstring> BootExecute() {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return {};
  DWORD type = 0, size = 0;
  std::vector<BYTE> data;
  if (win::RegQueryValueEx(key, L"BootExecute", nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size) {
    data.resize(size);
    if (win::RegQueryValueEx(key, L"BootExecute", nullptr, &type, data.data(), &size) != ERROR_SUCCESS) data.clear();
    data.resize(std::min<size_t>(size, data.size()));
  }
  win::RegCloseKey(key);
  return type == REG_MULTI_SZ ? MultiString(data) : std::vector<std::wstring>{};
}

// The boot program of an entry: only a plain name, found in the programs' folder in lower case.
fs::path BootProgram(const std::wstring& entry) {
  const auto args = SplitCommandLine(entry);
  if (args.empty() || args[0].empty() || args[0].find_first_of(L"\\/:.") != std::wstring::npos) return {};
  const fs::path program = ProgramHostDir() / WideToUtf8(ToLower(args[0]));
  std::error_code ec;
  if (!fs::is_regular_file(program, ec) || ::access(program.c_str(), X_OK) != 0) return {};
  return program;
}

// Our environment with the prefix of this machine.
std::vector<std::string> Environment() {
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e)
    if (std::string_view(*e).rfind("WINEPREFIX=", 0) != 0) env.emplace_back(*e);
  env.push_back("WINEPREFIX=" + PrefixDir().string());
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Runs the program to its end; its exit code, or -1 when it could not be started or was killed.
int RunToEnd(const fs::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv{program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = Environment();
  auto argp = Pointers(argv), envp = Pointers(env);
  pid_t pid = 0;
  if (::posix_spawn(&pid, argv[0].c_str(), nullptr, nullptr, argp.data(), envp.data()) != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Starts the program in a session of its own, so it outlives us and nobody has to wait for it.
bool StartDetached(const fs::path& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv{program.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> env = Environment();
  auto argp = Pointers(argv), envp = Pointers(env);
  int ready[2];
  if (::pipe2(ready, O_CLOEXEC) != 0) return false;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    return false;
  }
  if (child == 0) {
    ::setsid();
    if (::fork() == 0) {
      ::execve(argp[0], argp.data(), envp.data());
      char failed = 1;
      (void)!::write(ready[1], &failed, 1);
      ::_exit(127);
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  char failed = 0;
  // The pipe closes on a successful exec; a byte says the exec failed.
  const bool started = ::read(ready[0], &failed, 1) == 0;
  ::close(ready[0]);
  return started;
}

bool IsOwnCommand(const std::wstring& program) {
  std::wstring p = program;
  if (p.size() >= 2 && p.front() == L'"' && p.back() == L'"') p = p.substr(1, p.size() - 2);
  return EqualsNoCase(p, ProgramWinPath());
}

// The arguments of every logon entry of this program: its enabled logon tasks, then its Run values.
std::vector<std::vector<std::wstring>> OwnLogonEntries() {
  std::vector<std::vector<std::wstring>> out;
  for (const auto& name : TaskNames()) {
    StoredTask task;
    if (LoadTask(name, task) != ERROR_SUCCESS || !task.enabled || !IsOwnTask(task)) continue;
    bool logon = false;
    for (const auto& t : task.triggers) logon = logon || (t.kind == TriggerKind::Logon && t.enabled);
    if (!logon) continue;
    auto args = SplitCommandLine(L"x " + task.arguments);
    args.erase(args.begin());
    out.push_back(std::move(args));
  }
  HKEY run = nullptr;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, kRunKey, 0, KEY_READ, &run) == ERROR_SUCCESS) {
    for (DWORD i = 0;; ++i) {
      wchar_t name[1024];
      DWORD cch = 1024, type = 0, cb = 0;
      if (win::RegEnumValue(run, i, name, &cch, nullptr, &type, nullptr, &cb) != ERROR_SUCCESS) break;
      if (type != REG_SZ && type != REG_EXPAND_SZ) continue;
      std::vector<BYTE> data(cb + 2, 0);
      cch = 1024;
      if (win::RegEnumValue(run, i, name, &cch, nullptr, &type, data.data(), &cb) != ERROR_SUCCESS) continue;
      std::wstring command;
      for (size_t j = 0; j + 1 < cb; j += 2) {
        const wchar_t c = static_cast<wchar_t>(data[j] | data[j + 1] << 8);
        if (!c) break;
        command += c;
      }
      auto args = SplitCommandLine(command);
      if (args.empty() || !IsOwnCommand(args[0])) continue;
      args.erase(args.begin());
      out.push_back(std::move(args));
    }
    win::RegCloseKey(run);
  }
  return out;
}

}  // namespace

void SetLogonStarter(LogonStarter starter) {
  std::lock_guard lock(g_mutex);
  g_starter = std::move(starter);
}

std::vector<std::wstring> RunnableBootEntries() {
  std::vector<std::wstring> out;
  for (const auto& entry : BootExecute())
    if (!BootProgram(entry).empty()) out.push_back(entry);
  return out;
}

RestartReport CarryOutRestart() {
  RestartReport report;
  // The boot programs work on the files: everything we changed must be in them.
  reg::FlushRegistry();
  for (const auto& entry : BootExecute()) {
    const fs::path program = BootProgram(entry);
    if (program.empty()) {
      report.bootNotRun.push_back(entry);
      continue;
    }
    std::vector<std::string> args;
    auto parts = SplitCommandLine(entry);
    for (size_t i = 1; i < parts.size(); ++i) args.push_back(WideToUtf8(parts[i]));
    report.bootRun.push_back(entry + L": exit code " + std::to_wstring(RunToEnd(program, args)));
  }
  // What the boot programs rewrote is read afresh.
  reg::ResetRegistry();
  LogonStarter starter;
  {
    std::lock_guard lock(g_mutex);
    starter = g_starter;
  }
  if (!starter) starter = StartDetached;
  for (const auto& entry : OwnLogonEntries()) {
    std::vector<std::string> args;
    for (const auto& a : entry) args.push_back(WideToUtf8(a));
    std::wstring shown;
    for (const auto& a : entry) shown += (shown.empty() ? L"" : L" ") + a;
    (starter(HostProgram(), args) ? report.logonStarted : report.logonFailed).push_back(shown);
  }
  ClearRestartRequest();
  return report;
}

}  // namespace mx
