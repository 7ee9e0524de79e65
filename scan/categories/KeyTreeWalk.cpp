#include "scan/categories/KeyTreeWalk.h"

#include <utility>
#include <vector>

#include "platform/regedit/RegKeyHandle.h"

namespace {

constexpr DWORD kSubKeyNameChars = 520;  // names of up to 519 characters

// One key whose subkeys are still being enumerated.
struct Level {
  std::wstring path;
  mx::RegKeyHandle key;
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
    Level next;
    if (win::RegOpenKeyEx(walk.root, child.c_str(), 0, walk.access, next.key.receive()) != ERROR_SUCCESS) continue;
    next.path = std::move(child);
    levels.push_back(std::move(next));
  }
  return 1;
}
