#pragma once
// The key fragments the deep scan leaves alone: component stores, installer data, the 32-bit mirror, shell
// folder classes, COM trees, sound schemes and the keys other categories cover. Lower-case plain substrings,
// read by index; nothing changes them after start-up.
#include <array>
#include <string>
#include <string_view>

inline constexpr size_t kDeepScanExclusionCount = 336;
extern const std::array<std::wstring_view, kDeepScanExclusionCount> DeepScanExclusionList;

// True when the key path, in any case, contains any entry of the table.
bool IsDeepScanExcludedKey(const std::wstring& keyPath);
