#pragma once
// A throw-away machine for the compaction tools: the user's data folder, a Z: drive over the host's root
// (so the prefix's own files have NT paths, as in every Wine prefix) and the published hive list.
#include <filesystem>
#include <string>
#include <vector>

#include "app/AppTestPrefix.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"
#include "tools/OptimizeResults.h"

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

// The optimise command's hand-over, recorded instead of done; in force while it lives.
struct FakeHandOver final : OptimizeHandOver {
  FakeHandOver() { SetOptimizeHandOver(this); }
  ~FakeHandOver() override { SetOptimizeHandOver(nullptr); }
  BOOL installResult = TRUE;
  std::vector<std::string> calls;
  BOOL InstallBootCompaction() override {
    calls.push_back("install");
    return installResult;
  }
  BOOL SetStartAfterOptimization(BOOL enable) override {
    calls.push_back(enable ? "start-after:on" : "start-after:off");
    return TRUE;
  }
  void EndProgram() override { calls.push_back("end"); }
};

}  // namespace toolstest
