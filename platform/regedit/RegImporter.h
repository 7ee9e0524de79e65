#pragma once
// Applies a parsed .reg file to the registry of the current prefix, in one view.
#include <string>

#include "platform/regedit/RegScript.h"

namespace mx {

// view is KEY_WOW64_64KEY or KEY_WOW64_32KEY (ignored by a 32-bit prefix). All or nothing: when an operation
// fails, every change already made is undone and the result names the line and the reason. The registry is
// saved to the prefix files before it returns. Empty on success.
std::string ApplyRegScript(const RegScript& script, REGSAM view);

}  // namespace mx
