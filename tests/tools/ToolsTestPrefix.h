#pragma once
// A throw-away machine for the compaction tools: the user's data folder, a Z: drive over the host's root
// (so the prefix's own files have NT paths, as in every Wine prefix) and the published hive list.
#include <filesystem>
#include <string>
#include <vector>

#include "app/AppTestPrefix.h"
#include "platform/base/FileIO.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/WineRegFile.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"
#include "tools/HiveOptimizer.h"
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

// BootExecute's strings as the 64-bit view holds them ("<no key>", "<not REG_MULTI_SZ>" otherwise).
inline std::vector<std::wstring> BootExecuteEntries() {
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
    return {L"<no key>"};
  DWORD type = 0, size = 0;
  win::RegQueryValueEx(key, L"BootExecute", nullptr, &type, nullptr, &size);
  std::vector<BYTE> data(size);
  win::RegQueryValueEx(key, L"BootExecute", nullptr, &type, data.data(), &size);
  win::RegCloseKey(key);
  if (type != REG_MULTI_SZ) return {L"<not REG_MULTI_SZ>"};
  return ParseMultiString(data);
}

// A registry file's content as it loads, or why it does not.
inline std::wstring LoadedRegistryFile(const std::filesystem::path& file) {
  std::string text;
  mx::ReadWholeFile(file, text);
  mx::reg::WineRegFile parsed;
  std::wstring error;
  if (!parsed.Parse(text, L"x", nullptr, nullptr, &error)) return L"<does not load: " + error + L">";
  return mx::Utf8ToWide(parsed.Format());
}

}  // namespace toolstest
