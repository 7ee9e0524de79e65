#pragma once
// Key names as sub-key lookups compare them: lower-cased unit by unit (comparing two folded names as plain
// units gives Wine's key order), and the hash the sub-key index files them under.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/base/Text.h"

namespace mx::reg {

inline wchar_t FoldUnit(wchar_t c) {
  if (static_cast<std::uint32_t>(c) < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  return ToLowerChar(c);
}

// Folds name into out, which holds name.size() units.
inline void FoldInto(std::wstring_view name, wchar_t* out) {
  for (size_t i = 0; i < name.size(); ++i) out[i] = FoldUnit(name[i]);
}

inline std::size_t HashFolded(std::wstring_view folded) {
  std::uint64_t h = 0xCBF29CE484222325ull ^ folded.size();
  for (wchar_t c : folded) h = (h ^ static_cast<std::uint32_t>(c)) * 0x100000001B3ull;
  return static_cast<std::size_t>(h ^ (h >> 29));
}

// A sub-key name folded and hashed once, however many keys it is then looked up in.
struct FoldedName {
  std::wstring_view folded;
  std::size_t hash = 0;
};

}  // namespace mx::reg
