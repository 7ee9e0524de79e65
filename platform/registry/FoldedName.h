#pragma once
// Key names as sub-key lookups compare them: lower-cased unit by unit (comparing two folded names as plain
// units gives Wine's key order), and the hash the sub-key index files them under.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/base/Text.h"

namespace mx::reg {

inline wchar_t FoldUnit(wchar_t c) {
  if (static_cast<std::uint32_t>(c) < 0x80) return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
  return ToLowerChar(c);
}

static_assert(sizeof(wchar_t) == 4, "names are folded and hashed two 32-bit units at a time");

// Folds name into out, which holds name.size() units. Nearly every name is plain ASCII: such units are
// folded four or two at once, a unit from 'A' to 'Z' getting its 0x20 bit.
inline void FoldInto(std::wstring_view name, wchar_t* out) {
  const size_t n = name.size();
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i beyondAscii = _mm_set1_epi32(~0x7F);
  const __m128i beforeA = _mm_set1_epi32(L'A' - 1);
  const __m128i afterZ = _mm_set1_epi32(L'Z' + 1);
  const __m128i caseBit = _mm_set1_epi32(0x20);
  for (; i + 4 <= n; i += 4) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(name.data() + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(x, beyondAscii), _mm_setzero_si128())) != 0xFFFF) {
      for (size_t k = i; k < i + 4; ++k) out[k] = FoldUnit(name[k]);
      continue;
    }
    const __m128i upper = _mm_and_si128(_mm_cmpgt_epi32(x, beforeA), _mm_cmplt_epi32(x, afterZ));
    x = _mm_or_si128(x, _mm_and_si128(upper, caseBit));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), x);
  }
#endif
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

// Four units a step in two independent lanes, mixed at the end: most names hashed are GUIDs.
inline std::size_t HashFolded(std::wstring_view folded) {
  constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ull;
  const size_t n = folded.size();
  std::uint64_t h = 0xCBF29CE484222325ull ^ n, g = 0x84222325CBF29CE4ull;
  size_t i = 0;
  for (; i + 4 <= n; i += 4) {
    std::uint64_t x, y;
    std::memcpy(&x, folded.data() + i, sizeof x);
    std::memcpy(&y, folded.data() + i + 2, sizeof y);
    h = (h ^ x) * kMultiplier;
    g = (g ^ y) * kMultiplier;
  }
  for (; i < n; ++i) h = (h ^ static_cast<std::uint32_t>(folded[i])) * kMultiplier;
  h ^= (g << 31) | (g >> 33);
  h ^= h >> 32;
  h *= kMultiplier;
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
