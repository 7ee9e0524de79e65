#include "platform/taskschd/HostScheduler.h"

#include <fcntl.h>
#include <sys/file.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/system/Process.h"
#include "platform/system/Time.h"

extern char** environ;

namespace mx {

namespace fs = std::filesystem;

namespace {

std::atomic<bool> g_enabled{false};
std::mutex g_mutex;  // one mirror update at a time: the crontab is read, changed and written back
fs::path g_hostProgram;

// Runs a host command found on PATH with stdin from /dev/null; stdout goes to outFile when given, else to
// /dev/null, stderr always to /dev/null. The exit status, or -1 when it could not be started.
int RunHost(const std::vector<std::string>& args, const fs::path* outFile = nullptr) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outFile ? outFile->c_str() : "/dev/null",
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int rc = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

fs::path ConfigHome() {
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') return x;
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".config";
}

std::string ShellQuote(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// One argument of a systemd Exec line: quoted, with the specifier and variable signs doubled.
std::string SystemdQuote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    if (c == '%' || c == '$') out += c;
    out += c;
  }
  return out + "\"";
}

// One argument of a desktop entry's Exec key: quoted per the entry's rules, then escaped as a string value.
std::string DesktopQuote(const std::string& s) {
  std::string quoted = "\"";
  for (char c : s) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    if (c == '%') quoted += '%';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (char c : quoted) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return out;
}

std::vector<std::string> TaskArguments(const StoredTask& task) {
  std::vector<std::string> out;
  const auto parts = SplitCommandLine(L"x " + task.arguments);
  for (size_t i = 1; i < parts.size(); ++i) out.push_back(WideToUtf8(parts[i]));
  return out;
}

bool HasTrigger(const StoredTask& task, bool logon) {
  for (const auto& t : task.triggers)
    if (t.enabled && (t.kind == TriggerKind::Logon) == logon) return true;
  return false;
}

std::int64_t DaysOf(const SYSTEMTIME& t) { return DaysFromCivil(t.wYear, t.wMonth, t.wDay); }

// The shell test that lets the command run only on the trigger's due days: d counts the local days since the
// first run's day (half a day of slack absorbs a summer-time shift and a late start; the offset keeps the
// division away from negative numbers, where the shell rounds the wrong way).
std::string DueTest(const StoredTrigger& t) {
  SYSTEMTIME first = t.start;
  std::int64_t base = DaysOf(first);
  if (t.kind == TriggerKind::Weekly) base -= WeekdayOfDays(base);  // weeks count from that week's Sunday
  std::int64_t y = 0;
  unsigned m = 0, d = 0;
  CivilFromDays(base, y, m, d);
  std::tm tm{};
  tm.tm_year = static_cast<int>(y - 1900);
  tm.tm_mon = static_cast<int>(m) - 1;
  tm.tm_mday = static_cast<int>(d);
  tm.tm_hour = first.wHour;
  tm.tm_min = first.wMinute;
  tm.tm_isdst = -1;
  const std::int64_t anchor = UnixFromLocalTime(tm) - 43200 - 10000LL * 86400;
  const std::int64_t firstDay = DaysOf(first) - base;
  std::ostringstream s;
  s << "d=$(( ($(date +%s) - " << anchor << ") / 86400 - 10000 )); [ $d -ge " << firstDay << " ]";
  if (t.end) s << " && [ $d -le " << (DaysOf(*t.end) - base) << " ]";
  const int interval = t.interval ? t.interval : 1;
  switch (t.kind) {
    case TriggerKind::Once: s << " && [ $d -eq " << firstDay << " ]"; break;
    case TriggerKind::Daily:
      if (interval > 1) s << " && [ $(( d % " << interval << " )) -eq 0 ]";
      break;
    case TriggerKind::Weekly:
      if (interval > 1) s << " && [ $(( d / 7 % " << interval << " )) -eq 0 ]";
      break;
    default: break;
  }
  return s.str();
}

std::string List(unsigned mask, int count, int firstNumber) {
  std::string out;
  for (int i = 0; i < count; ++i)
    if (mask & (1u << i)) out += (out.empty() ? "" : ",") + std::to_string(i + firstNumber);
  return out;
}

// The calendar part of a trigger: systemd's OnCalendar expression, or cron's five fields.
std::string OnCalendar(const StoredTrigger& t) {
  static const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  char time[16];
  std::snprintf(time, sizeof time, "%02u:%02u:00", t.start.wHour, t.start.wMinute);
  char date[32] = "*-*-*";
  std::string days;
  switch (t.kind) {
    case TriggerKind::Once:
      std::snprintf(date, sizeof date, "%04u-%02u-%02u", t.start.wYear, t.start.wMonth, t.start.wDay);
      break;
    case TriggerKind::Weekly:
      for (int i = 0; i < 7; ++i)
        if (t.weekdays & (1u << i)) days += (days.empty() ? "" : ",") + std::string(kDays[i]);
      days += " ";
      break;
    case TriggerKind::MonthlyDate: {
      const std::string months = (t.months & 0xFFF) == 0xFFF ? "*" : List(t.months, 12, 1);
      std::snprintf(date, sizeof date, "*-%s-%s", months.c_str(), List(t.days, 31, 1).c_str());
      break;
    }
    default: break;
  }
  return days + date + " " + time;
}

std::string CronFields(const StoredTrigger& t) {
  std::ostringstream s;
  s << t.start.wMinute << ' ' << t.start.wHour << ' ';
  switch (t.kind) {
    case TriggerKind::Once: s << t.start.wDay << ' ' << t.start.wMonth << " *"; break;
    case TriggerKind::Weekly: s << "* * " << List(t.weekdays, 7, 0); break;
    case TriggerKind::MonthlyDate:
      s << List(t.days, 31, 1) << ' ' << ((t.months & 0xFFF) == 0xFFF ? "*" : List(t.months, 12, 1)) << " *";
      break;
    default: s << "* * *"; break;
  }
  return s.str();
}

std::string CronMarker(const std::string& unit) { return " # " + unit; }

// Another process of ours (a second prefix, the scheduled run itself) may change the crontab at the same
// time: its read, change and write happen under one lock file of the user's.
class CrontabLock {
 public:
  CrontabLock() {
    std::error_code ec;
    fs::create_directories(ConfigHome(), ec);
    fd_ = ::open((ConfigHome() / "mendrix-crontab.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~CrontabLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  CrontabLock(const CrontabLock&) = delete;
  CrontabLock& operator=(const CrontabLock&) = delete;

 private:
  int fd_ = -1;
};

// The crontab without our lines for unit; false when crontab cannot be run.
bool ReadCrontabWithout(const std::string& unit, std::string& kept, bool& hadLines) {
  const fs::path tmp = fs::temp_directory_path() / ("mendrix-crontab-" + std::to_string(::getpid()));
  const int rc = RunHost({"crontab", "-l"}, &tmp);
  std::string text;
  ReadWholeFile(tmp, text);
  std::error_code ec;
  fs::remove(tmp, ec);
  if (rc < 0) return false;
  if (rc != 0) text.clear();  // "no crontab for user"
  std::istringstream in(text);
  std::string line;
  hadLines = false;
  const std::string marker = CronMarker(unit);
  while (std::getline(in, line)) {
    if (line.size() >= marker.size() && line.compare(line.size() - marker.size(), marker.size(), marker) == 0) {
      hadLines = true;
      continue;
    }
    kept += line + "\n";
  }
  return true;
}

bool WriteCrontab(const std::string& text) {
  const fs::path tmp = fs::temp_directory_path() / ("mendrix-crontab-new-" + std::to_string(::getpid()));
  if (!WriteFileAtomic(tmp, text)) return false;
  const int rc = RunHost({"crontab", tmp.string()});
  std::error_code ec;
  fs::remove(tmp, ec);
  return rc == 0;
}

// "crontab -l" answers 0, or 1 for a user without a crontab yet.
bool CrontabAvailable() {
  const int rc = RunHost({"crontab", "-l"});
  return rc == 0 || rc == 1;
}

void RemoveLocked(const std::string& unit) {
  std::error_code ec;
  const fs::path timer = SystemdUserUnitFolder() / (unit + ".timer");
  const fs::path service = SystemdUserUnitFolder() / (unit + ".service");
  if (fs::exists(timer, ec) || fs::exists(service, ec)) {
    RunHost({"systemctl", "--user", "disable", "--now", unit + ".timer"});
    fs::remove(timer, ec);
    fs::remove(service, ec);
    RunHost({"systemctl", "--user", "daemon-reload"});
  }
  fs::remove(AutostartFolder() / (unit + ".desktop"), ec);
  if (CrontabAvailable()) {
    CrontabLock lock;
    std::string kept;
    bool had = false;
    if (ReadCrontabWithout(unit, kept, had) && had) WriteCrontab(kept);
  }
}

void WriteSystemdUnits(const StoredTask& task, const std::string& unit, const std::vector<std::string>& command) {
  const std::string prefix = PrefixDir().string();
  std::ostringstream service;
  service << "[Unit]\nDescription=Mendrix task \"" << WideToUtf8(task.name) << "\" of " << prefix << "\n\n"
          << "[Service]\nType=oneshot\nEnvironment=" << SystemdQuote("WINEPREFIX=" + prefix) << "\n";
  std::ostringstream timer;
  timer << "[Unit]\nDescription=Schedule of the Mendrix task \"" << WideToUtf8(task.name) << "\"\n\n[Timer]\n";
  for (const auto& t : task.triggers) {
    if (!t.enabled || t.kind == TriggerKind::Logon) continue;
    timer << "OnCalendar=" << OnCalendar(t) << "\n";
    // One test per trigger; the command runs when any of them says the task is due.
    service << "ExecCondition=/bin/sh -c " << SystemdQuote(DueTest(t)) << "\n";
  }
  service << "ExecStart=";
  for (size_t i = 0; i < command.size(); ++i) service << (i ? " " : "") << SystemdQuote(command[i]);
  service << "\n";
  timer << "AccuracySec=1s\nUnit=" << unit << ".service\n\n[Install]\nWantedBy=timers.target\n";
  std::error_code ec;
  fs::create_directories(SystemdUserUnitFolder(), ec);
  WriteFileAtomic(SystemdUserUnitFolder() / (unit + ".service"), service.str());
  WriteFileAtomic(SystemdUserUnitFolder() / (unit + ".timer"), timer.str());
  RunHost({"systemctl", "--user", "daemon-reload"});
  RunHost({"systemctl", "--user", "enable", "--now", unit + ".timer"});
}

void WriteCronLines(const StoredTask& task, const std::string& unit, const std::vector<std::string>& command) {
  CrontabLock lock;
  std::string kept;
  bool had = false;
  if (!ReadCrontabWithout(unit, kept, had)) return;
  std::string run = "WINEPREFIX=" + ShellQuote(PrefixDir().string()) + " exec";
  for (const auto& arg : command) run += " " + ShellQuote(arg);
  for (const auto& t : task.triggers) {
    if (!t.enabled || t.kind == TriggerKind::Logon) continue;
    std::string line = CronFields(t) + " " + DueTest(t) + " && " + run;
    std::string escaped;  // cron turns an unescaped % into a new line
    for (char c : line) escaped += c == '%' ? std::string("\\%") : std::string(1, c);
    kept += escaped + CronMarker(unit) + "\n";
  }
  WriteCrontab(kept);
}

int DelaySeconds(const std::wstring& duration) {
  unsigned n = 0;
  wchar_t unit = 0;
  if (std::swscanf(duration.c_str(), L"PT%u%lc", &n, &unit) != 2) return 0;
  return static_cast<int>(unit == L'H' ? n * 3600 : unit == L'M' ? n * 60 : n);
}

void WriteAutostart(const StoredTask& task, const std::string& unit, const std::vector<std::string>& command) {
  std::string exec = "env " + DesktopQuote("WINEPREFIX=" + PrefixDir().string());
  for (const auto& arg : command) exec += " " + DesktopQuote(arg);
  int delay = 0;
  for (const auto& t : task.triggers)
    if (t.kind == TriggerKind::Logon) delay = DelaySeconds(t.delay);
  std::ostringstream entry;
  entry << "[Desktop Entry]\nType=Application\nName=Mendrix (" << WideToUtf8(task.name) << ")\nExec=" << exec
        << "\nNoDisplay=true\nTerminal=false\n";
  if (delay > 0) entry << "X-GNOME-Autostart-Delay=" << delay << "\n";
  std::error_code ec;
  fs::create_directories(AutostartFolder(), ec);
  WriteFileAtomic(AutostartFolder() / (unit + ".desktop"), entry.str());
}

}  // namespace

fs::path SystemdUserUnitFolder() { return ConfigHome() / "systemd" / "user"; }
fs::path AutostartFolder() { return ConfigHome() / "autostart"; }

fs::path HostProgram() {
  std::lock_guard lock(g_mutex);
  return g_hostProgram.empty() ? ProgramHostDir() / "mendrix" : g_hostProgram;
}

void SetHostProgram(const fs::path& program) {
  std::lock_guard lock(g_mutex);
  g_hostProgram = program;
}

void SetHostMirrorEnabled(bool enabled) { g_enabled = enabled; }
bool HostMirrorEnabled() { return g_enabled; }

HostSchedulerKind DetectHostScheduler() {
  if (!g_enabled) return HostSchedulerKind::None;
  if (RunHost({"systemctl", "--user", "show-environment"}) == 0) return HostSchedulerKind::SystemdUser;
  if (CrontabAvailable()) return HostSchedulerKind::Crontab;
  return HostSchedulerKind::None;
}

std::string MirrorUnitName(const std::wstring& taskName) {
  // FNV-1a over the prefix and the name, so two prefixes never share a unit.
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : PrefixDir().string() + "\n" + WideToUtf8(ToLower(taskName))) h = (h ^ c) * 1099511628211ull;
  std::string readable;
  for (char c : WideToUtf8(ToLower(taskName))) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-';
    if (readable.size() < 48) readable += plain ? c : '_';
  }
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(h));
  return "mendrix-" + readable + "-" + std::string(hex, 12);
}

bool IsOwnTask(const StoredTask& task) {
  std::wstring command = task.command;
  if (command.size() >= 2 && command.front() == L'"' && command.back() == L'"') command = command.substr(1, command.size() - 2);
  return EqualsNoCase(command, ProgramWinPath());
}

void MirrorTask(const StoredTask& task) {
  if (!g_enabled) return;
  const fs::path program = HostProgram();
  std::lock_guard lock(g_mutex);
  const std::string unit = MirrorUnitName(task.name);
  RemoveLocked(unit);
  if (!IsOwnTask(task) || !task.enabled) return;
  std::vector<std::string> command{program.string()};
  for (auto& a : TaskArguments(task)) command.push_back(std::move(a));
  if (HasTrigger(task, true)) WriteAutostart(task, unit, command);
  if (!HasTrigger(task, false)) return;
  switch (DetectHostScheduler()) {
    case HostSchedulerKind::SystemdUser: WriteSystemdUnits(task, unit, command); break;
    case HostSchedulerKind::Crontab: WriteCronLines(task, unit, command); break;
    case HostSchedulerKind::None: break;  // stored only: the schedule page says so
  }
}

void RemoveTaskMirror(const std::wstring& taskName) {
  if (!g_enabled) return;
  std::lock_guard lock(g_mutex);
  RemoveLocked(MirrorUnitName(taskName));
}

}  // namespace mx
