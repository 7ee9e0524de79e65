#pragma once
// The host side of the machine's scheduled tasks. A task stored in the prefix runs only if something on the
// host starts it, so every task whose action is this program is mirrored: its time triggers become a systemd
// user timer when a user systemd answers, else crontab entries when `crontab` exists; its logon triggers
// become an XDG autostart entry. The mirror starts the program's own Linux executable with the task's
// arguments and the prefix in WINEPREFIX. Tasks of other programs are stored only: nothing here runs a
// Windows program.
//
// Interval schedules the host cannot express (every second week, every third day) and the first and last day
// are kept by a small shell test in front of the command, so the host fires on the candidate days and the
// command runs exactly when the task is due.
#include <filesystem>
#include <string>

#include "platform/taskschd/StoredTask.h"

namespace mx {

enum class HostSchedulerKind { SystemdUser, Crontab, None };

// The mirror acts only once the program turned it on: a test program never touches the real user's timers
// unless it set up a fake host and asked for it.
void SetHostMirrorEnabled(bool enabled);
bool HostMirrorEnabled();

// Which host scheduler takes time triggers now; None while the mirror is off (asked each time: cheap, and tests change the host).
HostSchedulerKind DetectHostScheduler();

// Replaces the task's mirror by one for its current triggers (removes it when the task is not ours).
void MirrorTask(const StoredTask& task);
void RemoveTaskMirror(const std::wstring& taskName);

// The name of the task's units and autostart entry: unique per prefix and task name (case ignored).
std::string MirrorUnitName(const std::wstring& taskName);
// Whether the task starts this program (its command is the program's own Windows path).
bool IsOwnTask(const StoredTask& task);
// The program the mirror starts: the "mendrix" executable beside the running program unless a test set
// another one (an empty path returns to the default).
std::filesystem::path HostProgram();
void SetHostProgram(const std::filesystem::path& program);

// Where the mirror's files go: $XDG_CONFIG_HOME (else ~/.config) /systemd/user and /autostart.
std::filesystem::path SystemdUserUnitFolder();
std::filesystem::path AutostartFolder();

}  // namespace mx
