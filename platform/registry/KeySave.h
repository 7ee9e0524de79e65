#pragma once
// A key and everything below it as the text of a registry file, as RegSaveKey writes it: the header's
// "relative to" path is the key's own place, so the text loads back as that key's tree.
#include <string>

#include "platform/registry/Registry.h"

namespace mx::reg {

// ERROR_INVALID_HANDLE / ERROR_KEY_DELETED as the other calls; the key needs no particular right.
LONG FormatKeyTree(HKEY key, std::string& out);

}  // namespace mx::reg
