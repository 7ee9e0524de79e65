#pragma once
// Windows Resource Protection. A Wine prefix protects nothing, so both questions answer FALSE unless a test
// declares protected files or keys to exercise the callers' protected paths.
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"

namespace win {

// Non-zero when path (a full Windows path, compared without case; the file need not exist) is protected.
// The first argument is the RPC handle Windows takes; pass nullptr.
BOOL SfcIsFileProtected(void* rpcHandle, LPCWSTR path);
// Non-zero when the key (root + sub-key, compared without case, the key itself or below it) is protected.
// Only the view bits of sam count: a key declared for one view is not protected in the other; a question
// without view bits matches either.
BOOL SfcIsKeyProtected(HKEY root, LPCWSTR subKey, REGSAM sam);

}  // namespace win

namespace mx {

// Test hooks: declare what counts as protected (replaces the previous lists). Paths are full Windows paths;
// keys are "HKEY_LOCAL_MACHINE\Sub\Key" with an optional view: 0, KEY_WOW64_64KEY or KEY_WOW64_32KEY.
struct ProtectedKey {
  std::wstring key;
  REGSAM view = 0;
};
void SetProtectedFiles(std::vector<std::wstring> paths);
void SetProtectedKeys(std::vector<ProtectedKey> keys);

}  // namespace mx
