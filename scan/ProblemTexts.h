#pragma once
// The two texts every problem is shown with, built from the language templates of its entry type: the short
// description (results list, tooltip, detail pane) and the longer detail text (the scan-log export). And the
// jump from a problem to its key in the registry editor.
#include <functional>
#include <string>

#include "scan/Problem.h"

// Empty for a null problem or an entry type outside 0 to 43; a missing template gives an empty text.
std::wstring GetProblemDescription(const CProblem* problem);
std::wstring GetProblemDetailText(const CProblem* problem);

// Opens the registry editor at keyPath (with its root's full name) and valueName, in the 64-bit view when
// view64 is set (on 64-bit Windows). False when nothing was done: an empty or vanished key, or an editor
// that could not be started, which "Can't run Regedit." tells the user. Every wait in it is bounded.
bool OpenKeyInRegedit(const std::wstring& keyPath, const std::wstring& valueName, bool view64);

// How the jump starts the registry editor: true when it was started and should show a window of class
// "RegEdit_RegEdit" soon. The editor of this system is a command-line importer without a window, which
// keystrokes cannot drive, so by default nothing is started and the jump reports that it cannot run it.
using RegeditLauncher = std::function<bool()>;
void SetRegeditLauncher(RegeditLauncher launcher);
