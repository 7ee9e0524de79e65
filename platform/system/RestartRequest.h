#pragma once
// A restart of the machine that was asked for. The host is never restarted: the restart is carried out for
// the prefix alone (platform/taskschd/MachineRestart.h), and until then it is kept as a small file in the
// prefix, so that it survives the program that asked for it.
#include <string>

namespace mx {

enum class RestartWhen {
  None,
  // Asked for now (the shutdown program with -r): carried out as soon as the asking program has ended.
  Now,
  // Put off by the user: carried out before the program's next start, as a restart would come before it.
  BeforeNextStart,
};

// Keeps the request (a later request replaces an earlier one; Now wins over BeforeNextStart). False when the
// prefix cannot be written.
bool RecordRestartRequest(RestartWhen when, const std::wstring& comment);
// The kept request, None when there is none.
RestartWhen RequestedRestart();
void ClearRestartRequest();

}  // namespace mx
