#pragma once
// What instances of the program share on one machine for one user: a private runtime folder, and the
// instance channel through which another process finds this one's top-level windows and posts to them.
// - The runtime folder: $MX_RUNTIME_DIR when set (tests point it at a throw-away folder; child processes
//   inherit it), else $XDG_RUNTIME_DIR/mendrix, else /tmp/mendrix-<uid>. Created with mode 0700; refused (and
//   nothing shared) when it is a symbolic link or belongs to someone else.
// - The channel is a local (Unix) socket in that folder, one per process, served by a background thread;
//   never a network port. It answers: find a top-level window by class and caption, is it a window, post a
//   message to it (numbers only: pointers mean nothing in another process), show it, bring it to the front,
//   and its last active pop-up. A socket left by a crashed process is found dead and removed.
// - AfxWinMain starts the channel; a process without it is not seen by other processes' FindWindow.
#include <filesystem>

#include "platform/win/WinDefs.h"

namespace win {

// Empty when no usable folder exists.
std::filesystem::path RuntimeDir();

// Idempotent; FALSE when the folder or the socket cannot be made.
BOOL StartInstanceChannel();
// Stops serving and removes this process's socket (also done at exit).
void StopInstanceChannel();

}  // namespace win
