#pragma once
// The NT device names behind the drive letters, and the hive list and hive copies that are written with them.
#include <filesystem>
#include <optional>
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "platform/system/Privileges.h"

namespace win {

// deviceName "C:" (either case): target receives "\Device\HarddiskVolumeN" (the drives other than CD-ROMs,
// numbered from 1 in letter order) or "\Device\CdRomN" (from 0), followed by two nulls. Returns the characters
// stored, nulls included; 0 with ERROR_FILE_NOT_FOUND for a drive the prefix lacks (or a null name, which
// would list every device) and ERROR_INSUFFICIENT_BUFFER when max is too small.
DWORD QueryDosDevice(LPCWSTR deviceName, LPWSTR target, DWORD max);

// Writes the key's tree into a new file in the registry's own file format (it loads back as that key).
// ERROR_ALREADY_EXISTS when the file exists, ERROR_PRIVILEGE_NOT_HELD without administrator rights, the path's
// error when its folder is missing. The file is written whole or not at all.
LONG RegSaveKey(HKEY key, LPCWSTR file, void* securityAttributes);

}  // namespace win

namespace mx {

// "\Device\HarddiskVolumeN\dir\file" for a host file under one of the drives; nothing when no drive holds it.
std::optional<std::wstring> NtPathOfHostFile(const std::filesystem::path& host);

// Publishes the hive list of the current prefix (see platform/registry/HiveList.h): the user's hive, the
// default user's and the machine's SOFTWARE and SYSTEM, each with the NT path of its file. A file no drive
// reaches is left out. Returns the number of hives listed.
size_t PublishHiveList();

}  // namespace mx
