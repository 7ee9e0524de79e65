#pragma once
// A depth-first, post-order walk of a registry subtree with its pending keys on the heap, so that a deeply
// nested registry cannot exhaust the scan worker's stack: every subkey of a key is walked before the key's
// own visit. Shared by the walks of the deep scan and of the installer registrations. A link that leads back
// to a key the walk is inside, and keys nested deeper than Windows allows, are not entered: the walk logs
// the key it skipped and goes on.
#include <functional>
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"

enum class WalkStep { Descend, Skip, Stop };

struct KeyTreeWalk {
  HKEY root = nullptr;
  REGSAM access = KEY_READ;  // every key is opened this way; one that does not open is left out silently
  std::wstring rootName;     // for the log: "HKEY_LOCAL_MACHINE"
  // Asked before each subkey; true ends the walk with 2.
  std::function<bool()> stopRequested;
  // A subkey found under parent: childPath is parent's path plus its name; ordinal counts the subkeys of
  // parent from 1.
  std::function<WalkStep(const std::wstring& parentPath, const std::wstring& childPath, int ordinal)> onSubKey;
  // A key whose subkeys are all walked; false ends the walk with 2.
  std::function<bool(HKEY key, const std::wstring& path)> onKeyDone;
};

// 1 when the walk ran to its end (or root\path did not open), 2 when it was stopped.
int WalkKeyTree(const KeyTreeWalk& walk, const std::wstring& path);
