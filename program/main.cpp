// The program: the application object runs on this thread until its main window closes. The machine is the
// Wine prefix of $WINEPREFIX, else ~/.wine, else the sample prefix rebuilt from the program's sources.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

  RegisterScanEngine();
  RegisterScheduledScan(ReportScan);
  CZUNDlg::SetUnattendedEndHook([](bool completed, int problems) { ReportScan({completed, problems}); });
  // Made here rather than as a global: it reads the machine's registry, which must exist first.
  CMendrixApp app;
  const int exitCode = win::AfxWinMain(argc, argv);
  if (app.m_bNoDisplay) {
    std::fprintf(stderr, "mendrix: no display to open the window on (DISPLAY is not set or cannot be opened); "
                         "`mendrix scan` scans the prefix without a window\n");
    return 2;
  }
  if (app.m_bOtherInstanceFound) {
    std::printf("mendrix: the program already runs on this prefix; the request was passed to it\n");
    std::fflush(stdout);
  }
  return exitCode;
}
