#pragma once
// The machine's restart, carried out for the prefix: the host never restarts. What a restart runs is run in
// its order: first the boot programs of the Session Manager's BootExecute value that this machine has (a
// program of the programs' folder named as the entry's first word, such as our boot-time tool; Wine itself
// runs none, and no other entry is run), each waited for, then the logon entries of this program (its logon
// tasks and its values under the user's Run key), started as the user's logon would start them.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace mx {

struct RestartReport {
  std::vector<std::wstring> bootRun;      // "entry: exit code n"
  std::vector<std::wstring> bootNotRun;   // entries of programs this machine does not have
  std::vector<std::wstring> logonStarted; // the arguments each logon entry of ours was started with
  std::vector<std::wstring> logonFailed;
};

// The boot entries this machine would run at a restart, as BootExecute holds them.
std::vector<std::wstring> RunnableBootEntries();

// Carries out a restart: saves the registry, runs the boot programs, reads the registry they changed afresh,
// starts the program's logon entries and forgets the kept restart request.
RestartReport CarryOutRestart();

// How a logon entry's program is started: the host program (HostProgram(), HostScheduler.h) with the
// entry's arguments, detached from us and on this prefix. Tests put another starter (nullptr: the default).
using LogonStarter = std::function<bool(const std::filesystem::path& program, const std::vector<std::string>& args)>;
void SetLogonStarter(LogonStarter starter);

}  // namespace mx
