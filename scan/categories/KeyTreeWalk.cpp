#include "scan/categories/KeyTreeWalk.h"

#include <utility>
#include <vector>

#include "app/AppLog.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/registry/RegistryControl.h"

namespace {

constexpr DWORD kSubKeyNameChars = 520;  // names of up to 519 characters
constexpr size_t kMaxDepth = 512;        // Windows' limit of key levels

void LogSkipped(const KeyTreeWalk& walk, const std::wstring& path, const wchar_t* why) {
  WriteLogLine(L"Registry walk: skipped " + walk.rootName + L"\\" + path.substr(0, 1024) + L": " + why);
}

// One key whose subkeys are still being enumerated.
struct Level {
  std::wstring path;
  mx::RegKeyHandle key;
  mx::reg::KeyIdentity identity;
  DWORD nextIndex = 0;
  int subKeysSeen = 0;
};

}  // namespace

int WalkKeyTree(const KeyTreeWalk& walk, const std::wstring& path) {
  if (walk.stopRequested()) return 2;
  std::vector<Level> levels;
  levels.emplace_back();
  levels.back().path = path;
  if (win::RegOpenKeyEx(walk.root, path.c_str(), 0, walk.access, levels.back().key.receive()) != ERROR_SUCCESS)
    return 1;
  levels.back().identity = mx::reg::RegKeyIdentity(levels.back().key.get());
  std::vector<wchar_t> name(kSubKeyNameChars);
  while (!levels.empty()) {
    if (walk.stopRequested()) return 2;
    Level& level = levels.back();
    if (win::RegEnumKey(level.key.get(), level.nextIndex, name.data(), kSubKeyNameChars) != ERROR_SUCCESS) {
      if (!walk.onKeyDone(level.key.get(), level.path)) return 2;
      levels.pop_back();
      continue;
    }
    ++level.nextIndex;
    const std::wstring subKey(name.data());
    std::wstring child = level.path.empty() ? subKey : level.path + L"\\" + subKey;
    const WalkStep step = walk.onSubKey(level.path, child, ++level.subKeysSeen);
    if (step == WalkStep::Stop) return 2;
    if (step == WalkStep::Skip) continue;
    if (levels.size() >= kMaxDepth) {
      LogSkipped(walk, child, L"keys nested deeper than 512 levels");
      continue;
    }
    Level next;
    // Opened below its parent: a path from the root would be looked up again, level by level, for every key.
    if (win::RegOpenKeyEx(level.key.get(), subKey.c_str(), 0, walk.access, next.key.receive()) != ERROR_SUCCESS)
      continue;
    // A link back to a key we are inside would repeat that tree below itself without end.
    next.identity = mx::reg::RegKeyIdentity(next.key.get());
    bool loop = false;
    for (const Level& above : levels) loop = loop || above.identity == next.identity;
    if (loop) {
      LogSkipped(walk, child, L"a link back to a key above it");
      continue;
    }
    next.path = std::move(child);
    levels.push_back(std::move(next));
  }
  return 1;
}
