#include "platform/regedit/RegKeyHandle.h"

namespace mx {

std::string RegErrorText(LONG rc) {
  switch (rc) {
    case ERROR_FILE_NOT_FOUND: return "not found (2)";
    case ERROR_ACCESS_DENIED: return "access denied (5)";
    case ERROR_INVALID_HANDLE: return "invalid handle (6)";
    default: return "error " + std::to_string(rc);
  }
}

}  // namespace mx
