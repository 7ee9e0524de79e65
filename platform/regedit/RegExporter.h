#pragma once
// Reads keys of the registry of the current prefix into .reg text.
#include <string>
#include <string_view>

#include "platform/regedit/RegFileWriter.h"
#include "platform/registry/Registry.h"

namespace mx {

// Appends the key with its values and, depth first, every key below it, in the registry's enumeration
// order. view is KEY_WOW64_64KEY or KEY_WOW64_32KEY. Returns an error text naming the key (UTF-8) when a key
// cannot be read; empty on success.
std::string ExportRegKey(RegFileWriter& writer, HKEY root, std::wstring_view path, REGSAM view);

// The whole registry: HKEY_LOCAL_MACHINE and HKEY_USERS. The other roots are views of these two and would
// only repeat them.
std::string ExportRegistry(RegFileWriter& writer, REGSAM view);

}  // namespace mx
