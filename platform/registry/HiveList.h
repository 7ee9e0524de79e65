#pragma once
// The machine's list of loaded hives (HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\hivelist): a
// volatile key, never written to a file, whose values name each hive ("\REGISTRY\USER\<sid>") and give the
// NT path of the file behind it. The registry keeps the list it was given and puts the key back after every
// load and reload of the files.
#include <string>
#include <utility>
#include <vector>

namespace mx::reg {

struct HiveListEntry {
  std::wstring name;  // \REGISTRY\MACHINE\SYSTEM
  std::wstring file;  // \Device\HarddiskVolume3\home\user\.wine\system.reg
};

// Replaces the published list (an empty list removes the key's values). Forgotten when the prefix changes.
void SetHiveList(std::vector<HiveListEntry> entries);
std::vector<HiveListEntry> HiveList();

// The hive names of the prefix's three files, in the order the list shows them, paired with the file names
// (system.reg twice: it holds both SOFTWARE and SYSTEM). The caller turns the files into NT paths.
std::vector<std::pair<std::wstring, std::wstring>> HiveNamesOfPrefix();

}  // namespace mx::reg
