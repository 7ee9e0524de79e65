#pragma once
// Key names as sub-key lookups compare them: lower-cased unit by unit (comparing two folded names as plain
// units gives Wine's key order), and the hash the sub-key index files them under.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/base/Text.h"

namespace mx::reg {

inline wchar_t FoldUnit(wchar_t c) {
  if (static_cast<std::uint32_t>(c) < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  return ToLowerChar(c);
}

static_assert(sizeof(wchar_t) == 4, "names are folded and hashed two 32-bit units at a time");

// Folds name into out, which holds name.size() units. Nearly every name is plain ASCII: two such units are
// folded at once, a unit from 'A' to 'Z' getting its 0x20 bit.
inline void FoldInto(std::wstring_view name, wchar_t* out) {
  const size_t n = name.size();
  size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    std::uint64_t x;
    std::memcpy(&x, name.data() + i, sizeof x);
    if (x & 0xFFFFFF80FFFFFF80ull) {
      out[i] = FoldUnit(name[i]);
      out[i + 1] = FoldUnit(name[i + 1]);
      continue;
    }
    const std::uint64_t fromA = x + 0x0000003F0000003Full;  // bit 7 of a unit: it is 'A' or above
    const std::uint64_t pastZ = x + 0x0000002500000025ull;  // bit 7 of a unit: it is above 'Z'
    x |= (fromA & ~pastZ & 0x0000008000000080ull) >> 2;
    std::memcpy(out + i, &x, sizeof x);
  }
  if (i < n) out[i] = FoldUnit(name[i]);
}

inline std::size_t HashFolded(std::wstring_view folded) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  const size_t n = folded.size();
  std::uint64_t h = 0xCBF29CE484222325ull ^ n;
  size_t i = 0;
  for (; i + 2 <= n; i += 2) {
    std::uint64_t x;
    std::memcpy(&x, folded.data() + i, sizeof x);
    h = (h ^ x) * kMultiplier;
    h ^= h >> 32;
  }
  if (i < n) h = (h ^ static_cast<std::uint32_t>(folded[i])) * kMultiplier;
  return static_cast<std::size_t>(h ^ (h >> 29));
}

// A sub-key name folded once, however many keys it is then looked up in; hashed the first time a key with an
// index is searched for it (most names are only looked up in keys with a few sub-keys).
struct FoldedName {
  FoldedName() = default;
  explicit FoldedName(std::wstring_view name) : folded(name) {}

  std::wstring_view folded;

  std::size_t Hash() const {
    if (!hashed_) {
      hash_ = HashFolded(folded);
      hashed_ = true;
    }
    return hash_;
  }

 private:
  mutable std::size_t hash_ = 0;
  mutable bool hashed_ = false;
};

}  // namespace mx::reg
