#pragma once
// Random edits of a binary file for the fuzz drivers: flipped bytes, cuts, planted boundary integers (plus the
// format's own interesting values), inserted and erased runs.
#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <vector>

namespace mxtest {

inline std::string MutateBinary(std::string s, std::mt19937& rng, std::initializer_list<std::uint32_t> formatValues = {}) {
  std::vector<std::uint32_t> values = {0, 1, 0x7F, 0x80, 0xFF, 0xFFFF, 0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
  values.insert(values.end(), formatValues.begin(), formatValues.end());
  int edits = 1 + static_cast<int>(rng() % 6);
  for (int i = 0; i < edits && !s.empty(); ++i) {
    size_t at = rng() % s.size();
    switch (rng() % 5) {
      case 0: s[at] = static_cast<char>(rng()); break;
      case 1: s.resize(at); break;
      case 2: {
        std::uint32_t v = values[rng() % values.size()];
        size_t width = rng() % 2 ? 4 : 2;
        for (size_t k = 0; k < width && at + k < s.size(); ++k) s[at + k] = static_cast<char>(v >> (8 * k));
        break;
      }
      case 3: s.insert(at, std::string(1 + rng() % 16, static_cast<char>(rng()))); break;
      default: s.erase(at, 1 + rng() % 16); break;
    }
  }
  return s;
}

}  // namespace mxtest
