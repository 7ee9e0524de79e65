// The program: the application object runs on this thread until its main window closes. The machine is the
// Wine prefix of $WINEPREFIX, else ~/.wine, else the sample prefix rebuilt from the program's sources.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/AppPaths.h"
#include "app/SamplePrefix.h"
#include "app/CommandWord.h"
#include "mainwnd/ScheduledScan.h"
#include "mainwnd/ZUNDlg.h"
#include "program/MendrixApp.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/WinPath.h"
#include "platform/registry/RegistryControl.h"
#include "platform/taskschd/HostScheduler.h"
#include "platform/taskschd/MachineRestart.h"
#include "platform/system/RestartRequest.h"
#include "platform/system/Time.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"

namespace {

// Where a file of the machine lives on the host, for the user's terminal.
std::string HostPath(const std::wstring& windowsPath) {
  if (windowsPath.empty()) return "(no data folder)";
  const auto resolved = mx::ResolveWinPath(windowsPath);
  if (!resolved) return mx::WideToUtf8(windowsPath);
  std::error_code ec;
  const auto shown = std::filesystem::weakly_canonical(resolved->host, ec);  // drive_c rather than dosdevices/c:
  return (ec ? resolved->host : shown).string();
}

// The day's log, as the log names it.
std::wstring TodaysLogPath() {
  std::wstring path = GetAppDataFolderPath();
  if (path.empty()) return path;
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  wchar_t name[32];
  std::swprintf(name, 32, L"log_%02d-%02d-%04d.log", now.wMonth, now.wDay, now.wYear);
  AppendPath(path, name);
  return path;
}

void ReportScan(const ScheduledScanOutcome& outcome) {
  const bool completed = outcome.completed;
  const int problems = outcome.problems;
  if (completed)
    std::printf("mendrix: scan completed: %d problem%s found\n", problems, problems == 1 ? "" : "s");
  else
    std::printf("mendrix: the scan did not complete (see the log); %d problems held from the last scan\n",
                problems);
  std::printf("mendrix: results: %s\nmendrix: log:     %s\n", HostPath(ResultsFilePath()).c_str(),
              HostPath(TodaysLogPath()).c_str());
  std::fflush(stdout);
}

// The restart of the machine, carried out for the prefix: what it ran is told on the terminal. True when a
// start of the program at logon took over.
bool RestartPrefix(const char* why) {
  std::printf("mendrix: restarting the prefix %s\n", why);
  const mx::RestartReport report = mx::CarryOutRestart();
  for (const auto& entry : report.bootRun) std::printf("mendrix: boot program %s\n", mx::WideToUtf8(entry).c_str());
  for (const auto& entry : report.bootNotRun)
    std::printf("mendrix: boot entry not run (no such program here): %s\n", mx::WideToUtf8(entry).c_str());
  for (const auto& args : report.logonStarted)
    std::printf("mendrix: started at logon: mendrix %s\n", mx::WideToUtf8(args).c_str());
  for (const auto& args : report.logonFailed)
    std::fprintf(stderr, "mendrix: could not start at logon: mendrix %s\n", mx::WideToUtf8(args).c_str());
  std::fflush(stdout);
  return !report.logonStarted.empty();
}

}  // namespace

int main(int argc, char** argv) {
  const MachinePrefix prefix =
      ChooseMachinePrefix(std::getenv("WINEPREFIX"), std::getenv("HOME"), std::getenv("XDG_DATA_HOME"),
                          MX_SAMPLE_PREFIX_SOURCE);
  if (prefix.dir.empty()) {
    std::fprintf(stderr, "mendrix: %s\n", prefix.error.c_str());
    return 1;
  }
  mx::SetPrefixDir(prefix.dir);
  // The program's tasks must really run: let them reach the host's scheduler.
  mx::SetHostMirrorEnabled(true);
  std::printf("mendrix: Wine prefix %s%s\n", prefix.dir.string().c_str(),
              prefix.source == MachinePrefix::Source::Sample ? " (the sample prefix: no $WINEPREFIX and no ~/.wine)"
                                                             : "");
  std::fflush(stdout);
  // A registry file that does not load reads as empty: a scan of it would report a clean machine.
  if (const auto errors = mx::reg::RegistryLoadErrors(); !errors.empty()) {
    for (const auto& error : errors) std::fprintf(stderr, "mendrix: %s\n", mx::WideToUtf8(error).c_str());
    std::fprintf(stderr, "mendrix: the registry of the prefix could not be read; nothing was scanned or changed\n");
    return 1;
  }

  // A restart the user put off (or one the program did not live to carry out) comes before this start; the
  // program's start after it, from its logon entry, then takes this start's place.
  if (mx::RequestedRestart() != mx::RestartWhen::None &&
      RestartPrefix("to finish the registry optimization before the program starts")) {
    std::printf("mendrix: the program's start after the restart takes over this start\n");
    return 0;
  }

  RegisterScanEngine();
  RegisterScheduledScan(ReportScan);
  CZUNDlg::SetUnattendedEndHook([](bool completed, int problems) { ReportScan({completed, problems}); });
  // Made here rather than as a global: it reads the machine's registry, which must exist first. It is gone
  // before a restart, so the program's start after the restart finds no running instance.
  auto app = std::make_unique<CMendrixApp>();
  int exitCode = win::AfxWinMain(argc, argv);
  const bool noDisplay = app->m_bNoDisplay, otherInstance = app->m_bOtherInstanceFound;
  app.reset();
  if (!noDisplay && !otherInstance && mx::RequestedRestart() == mx::RestartWhen::Now)
    RestartPrefix("as the registry optimization asked");
  if (noDisplay) {
    std::fprintf(stderr, "mendrix: no display to open the window on (DISPLAY is not set or cannot be opened); "
                         "`mendrix scan` scans the prefix without a window\n");
    return 2;
  }
  if (otherInstance) {
    std::printf("mendrix: the program already runs on this prefix; the request was passed to it\n");
    std::fflush(stdout);
  }
  return exitCode;
}
