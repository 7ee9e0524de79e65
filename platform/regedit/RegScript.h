#pragma once
// What a .reg file asks of the registry, in file order: the parser's output and the importer's input.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"

namespace mx {

enum class RegOperationKind {
  CreateKey,    // [ROOT\path]: opens the key, creating every missing level
  DeleteKey,    // [-ROOT\path]: removes the key with everything below it
  SetValue,     // "name"=data
  DeleteValue,  // "name"=-
};

struct RegOperation {
  RegOperationKind kind = RegOperationKind::CreateKey;
  HKEY root = nullptr;
  std::wstring path;       // below the root, single backslashes, may be empty (the root itself)
  std::wstring valueName;  // "" is the default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
  int line = 0;  // where it came from, for messages
};

using RegScript = std::vector<RegOperation>;

// The full root names a .reg file uses ("HKEY_LOCAL_MACHINE", ...), case-insensitively; nullptr for others.
HKEY RegRootFromName(std::wstring_view name);
// "HKEY_LOCAL_MACHINE" for HKEY_LOCAL_MACHINE, ...; empty for a key that is not a predefined root.
std::wstring_view RegRootName(HKEY root);

// Splits "HKEY_LOCAL_MACHINE\Software\Key" into its root and the path below it (one trailing backslash is
// allowed). Returns an error text (UTF-8) for an unknown root, an empty or over-long key name; empty when good.
std::string SplitRegKeyName(std::wstring_view fullName, HKEY* root, std::wstring* path);

// Longest key name of one level and longest value name, in UTF-16 units, as Windows allows them.
inline constexpr size_t kMaxRegKeyNameLength = 255;
inline constexpr size_t kMaxRegValueNameLength = 16383;

}  // namespace mx
