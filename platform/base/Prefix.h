#pragma once
// Which Wine prefix is "the machine": $WINEPREFIX, else ~/.wine, unless a test or the command line set one.
#include <filesystem>

namespace mx {

std::filesystem::path PrefixDir();
// Points the whole platform layer at another prefix (tests, the sample prefix). Layers that cache the
// machine (the registry, drives) listen for the change through OnPrefixChanged.
void SetPrefixDir(const std::filesystem::path& dir);
// Registers a function called after every SetPrefixDir.
void OnPrefixChanged(void (*callback)());

}  // namespace mx
