#pragma once
// The 32-bit registry view of a 64-bit machine (WOW64, the rules of Windows 7 and later): which paths of
// HKLM\Software and of the Classes trees are redirected to a Wow6432Node sibling, and which are shared.
#include <span>
#include <string>
#include <string_view>

#include "platform/registry/NameList.h"

namespace mx::reg {

enum class HiveShape { Machine, User };

struct Redirected {
  NameList names;  // the physical path below the file's root
  // Set for HKLM\Software itself: the 32-bit view shows Software\Wow6432Node, or Software while that does
  // not exist yet.
  bool softwareRoot = false;
};

// Maps a path below a file's root to its place in the 32-bit view. A path that names Wow6432Node where the
// redirection would insert it is taken as written.
Redirected Redirect32(HiveShape shape, std::span<const std::wstring_view> logical);

// The 32-bit view of a path below a Classes key (the same key in both views): only its first name may move.
void Redirect32BelowClasses(std::span<const std::wstring_view> belowClasses, NameList& out);

// Whether the key path names (below a file's root) is placed by a rule of its own in the 32-bit view; when not,
// its place is its parent's place plus its name, so relative opens need no walk from the root.
bool DecidesPlacement(HiveShape shape, std::span<const std::wstring_view> path);

}  // namespace mx::reg
