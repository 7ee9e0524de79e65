#pragma once
// A throw-away machine for the compaction tools: the user's data folder, a Z: drive over the host's root
// (so the prefix's own files have NT paths, as in every Wine prefix) and the published hive list.
#include <filesystem>

#include "app/AppTestPrefix.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"

namespace toolstest {

class ToolsPrefix : public apptest::AppPrefix {
 public:
  ToolsPrefix() {
    std::filesystem::create_directory_symlink("/", root() / "dosdevices" / "z:");
    std::filesystem::create_directories(driveC() / "windows" / "system32");
    mx::ResetDrives();
    flush();
    mx::PublishHiveList();
  }
};

}  // namespace toolstest
