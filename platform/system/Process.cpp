#include "platform/system/Process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Environment.h"
#include "platform/system/LaunchRecord.h"
#include "platform/system/Module.h"
#include "platform/system/SystemInfo.h"
#include "platform/system/Wow64Redirection.h"

extern char** environ;

namespace mx {

class ChildProcess {
 public:
  explicit ChildProcess(pid_t pid) : pid_(pid) {}

  pid_t pid() const { return pid_; }

  // True once the child has ended (and was reaped).
  bool Poll() {
    std::lock_guard lock(mutex_);
    if (ended_) return true;
    int status = 0;
    pid_t r = ::waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      ended_ = true;
      if (WIFEXITED(status))
        exitCode_ = static_cast<DWORD>(WEXITSTATUS(status));
      else if (WIFSIGNALED(status))
        exitCode_ = 0xC0000000u | static_cast<DWORD>(WTERMSIG(status));
      else
        exitCode_ = 1;
    } else if (r < 0) {
      ended_ = true;  // not our child any more: nothing to wait for
      exitCode_ = 1;
    }
    return ended_;
  }

  DWORD exitCode() {
    std::lock_guard lock(mutex_);
    return ended_ ? exitCode_ : STILL_ACTIVE;
  }

 private:
  std::mutex mutex_;
  pid_t pid_;
  bool ended_ = false;
  DWORD exitCode_ = STILL_ACTIVE;
};

namespace {

std::mutex g_mutex;
std::filesystem::path g_regeditOverride;

// What a program token names that this machine can run: the registry editor in one of its forms, or the
// program itself (started again, as a language change or an elevation does).
enum class EditorForm { None, Native, Bit32, Bit64, OwnProgram };

std::wstring CleanProgram(std::wstring p) {
  for (auto& c : p)
    if (c == L'/') c = L'\\';
  return ToLower(p);
}

// Which form of the registry editor a program token names, following the calling thread's redirection.
EditorForm ClassifyEditor(const std::wstring& program) {
  std::wstring p = CleanProgram(program);
  std::wstring windir = CleanProgram(GetEnv(L"windir").value_or(L"C:\\windows"));
  while (!windir.empty() && windir.back() == L'\\') windir.pop_back();
  const bool wow64 = PrefixIs64Bit();
  const bool redirected = IsFsRedirectionActive();
  auto defaultForm = [&] {
    if (!wow64) return EditorForm::Native;
    return redirected ? EditorForm::Bit32 : EditorForm::Bit64;
  };
  if (p == L"regedit" || p == L"regedit.exe") return defaultForm();
  if (p == windir + L"\\regedit.exe" || p == windir + L"\\system32\\regedit.exe") return defaultForm();
  if (wow64 && (p == windir + L"\\syswow64\\regedit.exe")) return EditorForm::Bit32;
  if (wow64 && (p == windir + L"\\sysnative\\regedit.exe") && redirected) return EditorForm::Bit64;
  if (p == CleanProgram(ProgramWinPath())) return EditorForm::OwnProgram;
  return EditorForm::None;
}

std::wstring JoinArgs(const std::vector<std::wstring>& args, size_t from) {
  std::wstring s;
  for (size_t i = from; i < args.size(); ++i) {
    if (!s.empty()) s += L' ';
    s += args[i];
  }
  return s;
}

}  // namespace

std::filesystem::path RegeditBinary() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_regeditOverride.empty()) return g_regeditOverride;
  }
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (ec ? std::filesystem::current_path(ec) : exe.parent_path()) / "regedit";
}

void SetRegeditBinary(const std::filesystem::path& binary) {
  std::lock_guard lock(g_mutex);
  g_regeditOverride = binary;
}

std::vector<std::wstring> SplitCommandLine(std::wstring_view cmd) {
  std::vector<std::wstring> args;
  size_t i = 0;
  const size_t n = cmd.size();
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
  // The program token: quotes delimit, no backslash escapes.
  while (i < n && blank(cmd[i])) ++i;
  if (i >= n) return args;
  {
    std::wstring prog;
    if (cmd[i] == L'"') {
      ++i;
      while (i < n && cmd[i] != L'"') prog += cmd[i++];
      if (i < n) ++i;
    } else {
      while (i < n && !blank(cmd[i])) prog += cmd[i++];
    }
    args.push_back(prog);
  }
  for (;;) {
    while (i < n && blank(cmd[i])) ++i;
    if (i >= n) break;
    std::wstring arg;
    bool inQuotes = false;
    while (i < n && (inQuotes || !blank(cmd[i]))) {
      if (cmd[i] == L'\\') {
        size_t slashes = 0;
        while (i < n && cmd[i] == L'\\') ++slashes, ++i;
        if (i < n && cmd[i] == L'"') {
          arg.append(slashes / 2, L'\\');
          if (slashes % 2) {
            arg += L'"';
            ++i;
          }
        } else {
          arg.append(slashes, L'\\');
        }
      } else if (cmd[i] == L'"') {
        if (inQuotes && i + 1 < n && cmd[i + 1] == L'"') {  // "" inside quotes is a literal quote
          arg += L'"';
          i += 2;
        } else {
          inQuotes = !inQuotes;
          ++i;
        }
      } else {
        arg += cmd[i++];
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace mx

namespace win {

BOOL CreateProcess(LPCWSTR applicationName, LPWSTR commandLine, void*, void*, BOOL, DWORD, void*,
                   LPCWSTR currentDirectory, STARTUPINFOW*, PROCESS_INFORMATION* info) {
  if ((!applicationName || !*applicationName) && (!commandLine || !*commandLine)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<std::wstring> args = mx::SplitCommandLine(commandLine ? commandLine : L"");
  std::wstring program = applicationName && *applicationName ? applicationName : (args.empty() ? L"" : args[0]);
  mx::EditorForm form = mx::ClassifyEditor(program);
  if (form == mx::EditorForm::None) {
    mx::RecordLaunch({L"", program, mx::JoinArgs(args, 1), currentDirectory ? currentDirectory : L"", 0, false});
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::filesystem::path binary =
      form == mx::EditorForm::OwnProgram ? mx::ProgramHostDir() / "mendrix" : mx::RegeditBinary();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(binary, ec) || ::access(binary.c_str(), X_OK) != 0) {
    mx::RecordLaunch({L"", program, mx::JoinArgs(args, 1), currentDirectory ? currentDirectory : L"", 0, false});
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  // The child reads the registry files: everything we changed must be in them first.
  mx::reg::FlushRegistry();

  std::vector<std::string> argv8;
  argv8.push_back(binary.string());
  if (form == mx::EditorForm::Bit32) argv8.push_back("--view=32");
  if (form == mx::EditorForm::Bit64) argv8.push_back("--view=64");
  for (size_t i = 1; i < args.size(); ++i) argv8.push_back(mx::WideToUtf8(args[i]));
  std::vector<char*> argv;
  for (auto& a : argv8) argv.push_back(a.data());
  argv.push_back(nullptr);

  // The child works on our prefix, whatever the environment we were started with says.
  std::vector<std::string> env8;
  for (char** e = environ; e && *e; ++e)
    if (std::string_view(*e).rfind("WINEPREFIX=", 0) != 0) env8.emplace_back(*e);
  env8.push_back("WINEPREFIX=" + mx::PrefixDir().string());
  std::vector<char*> envp;
  for (auto& e : env8) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv.data(), envp.data());
  if (rc != 0) {
    SetLastError(rc == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  mx::RecordLaunch({L"", program, mx::JoinArgs(args, 1), currentDirectory ? currentDirectory : L"", 0, true});
  auto child = std::make_unique<mx::ChildProcess>(pid);
  if (info) {
    info->dwProcessId = static_cast<DWORD>(pid);
    info->hProcess = HPROCESS(child.release());
  } else {
    CloseProcessHandle(HPROCESS(child.release()));
  }
  return TRUE;
}

DWORD WaitForProcess(HPROCESS handle, DWORD ms) {
  mx::ChildProcess* process = handle.get();
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  // A real child ends in real time, so this wait is not on the platform clock.
  auto start = std::chrono::steady_clock::now();
  std::chrono::microseconds pause(200);
  for (;;) {
    if (process->Poll()) return WAIT_OBJECT_0;
    auto elapsed = std::chrono::steady_clock::now() - start;
    if (ms != INFINITE && elapsed >= std::chrono::milliseconds(ms)) return WAIT_TIMEOUT;
    std::this_thread::sleep_for(pause);
    if (pause < std::chrono::milliseconds(10)) pause *= 2;
  }
}

BOOL GetExitCodeProcess(HPROCESS handle, LPDWORD exitCode) {
  mx::ChildProcess* process = handle.get();
  if (!process || !exitCode) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  process->Poll();
  *exitCode = process->exitCode();
  return TRUE;
}

BOOL TerminateProcess(HPROCESS handle, UINT exitCode) {
  mx::ChildProcess* process = handle.get();
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (process->Poll()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  (void)exitCode;
  return ::kill(process->pid(), SIGKILL) == 0 ? TRUE : FALSE;
}

BOOL CloseProcessHandle(HPROCESS handle) {
  if (!handle) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::unique_ptr<mx::ChildProcess> owned(handle.get());
  if (owned->Poll()) return TRUE;
  // Still running: reap it when it ends so that no zombie stays behind.
  std::thread([p = std::move(owned)] {
    while (!p->Poll()) std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }).detach();
  return TRUE;
}

}  // namespace win
