#include "platform/base/Text.h"

#include <algorithm>

namespace mx {

namespace {
void AppendUnit(std::wstring& out, std::uint32_t cp) {
  if (cp >= 0x10000) {
    cp -= 0x10000;
    out.push_back(static_cast<wchar_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<wchar_t>(0xDC00 + (cp & 0x3FF)));
  } else {
    out.push_back(static_cast<wchar_t>(cp));
  }
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}
}  // namespace

std::wstring Utf8ToWide(std::string_view s) {
  std::wstring out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    std::uint32_t cp;
    size_t len;
    if (c < 0x80) { cp = c; len = 1; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
    else { out.push_back(0xFFFD); ++i; continue; }
    if (i + len > s.size()) { out.push_back(0xFFFD); ++i; continue; }
    bool good = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80) { good = false; break; }
      cp = (cp << 6) | (cc & 0x3F);
    }
    static const std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (!good || cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    AppendUnit(out, cp);
    i += len;
  }
  return out;
}

std::string WideToUtf8(std::wstring_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    std::uint32_t u = static_cast<std::uint32_t>(s[i]) & 0xFFFF;
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size()) {
      std::uint32_t lo = static_cast<std::uint32_t>(s[i + 1]) & 0xFFFF;
      if (lo >= 0xDC00 && lo <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
        ++i;
        continue;
      }
    }
    if (u >= 0xD800 && u <= 0xDFFF) u = 0xFFFD;
    AppendUtf8(out, u);
  }
  return out;
}

std::wstring Utf16LeToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size() / 2);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                       (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  return out;
}

std::string WideToUtf16Le(std::wstring_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (wchar_t c : text) {
    auto u = static_cast<std::uint32_t>(c) & 0xFFFF;
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

std::wstring Latin1ToWide(std::string_view bytes) {
  std::wstring out;
  out.reserve(bytes.size());
  for (char c : bytes) out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return out;
}

// Simple one-to-one mappings of the scripts that occur in registry names and paths: Latin, Greek, Cyrillic,
// Armenian and the full-width forms. Everything else maps to itself, whatever the process locale says. Plain
// ASCII never comes here: ToUpperChar and ToLowerChar fold it inline.
wchar_t ToUpperBeyondAscii(wchar_t c) {
  auto u = static_cast<std::uint32_t>(c);
  if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 32);
  if (u == 0xFF) return 0x178;
  if (u >= 0x100 && u <= 0x17F) {
    if (u == 0x131 || u == 0x138 || u == 0x149 || u == 0x17F) return c;
    bool oddIsUpper = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
    if (oddIsUpper) return (u % 2 == 0) ? static_cast<wchar_t>(u - 1) : c;
    return (u % 2 == 1) ? static_cast<wchar_t>(u - 1) : c;
  }
  if (u >= 0x3B1 && u <= 0x3CB && u != 0x3C2) return static_cast<wchar_t>(u - 32);
  if (u >= 0x3AC && u <= 0x3AF) {
    static const wchar_t map[] = {0x386, 0x388, 0x389, 0x38A};
    return map[u - 0x3AC];
  }
  if (u == 0x3CC) return 0x38C;
  if (u == 0x3CD) return 0x38E;
  if (u == 0x3CE) return 0x38F;
  if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 32);
  if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 80);
  if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF) || (u >= 0x4D0 && u <= 0x52F))
    return (u % 2 == 1) ? static_cast<wchar_t>(u - 1) : c;
  if (u >= 0x561 && u <= 0x586) return static_cast<wchar_t>(u - 48);
  if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<wchar_t>(u - 32);
  return c;
}

wchar_t ToLowerBeyondAscii(wchar_t c) {
  auto u = static_cast<std::uint32_t>(c);
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<wchar_t>(u + 32);
  if (u == 0x178) return 0xFF;
  if (u >= 0x100 && u <= 0x17F) {
    if (u == 0x130 || u == 0x138 || u == 0x149 || u == 0x17F) return c;
    bool oddIsUpper = (u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E);
    if (oddIsUpper) return (u % 2 == 1) ? static_cast<wchar_t>(u + 1) : c;
    return (u % 2 == 0) ? static_cast<wchar_t>(u + 1) : c;
  }
  if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) return static_cast<wchar_t>(u + 32);
  if (u == 0x386) return 0x3AC;
  if (u >= 0x388 && u <= 0x38A) return static_cast<wchar_t>(u + 37);
  if (u == 0x38C) return 0x3CC;
  if (u == 0x38E) return 0x3CD;
  if (u == 0x38F) return 0x3CE;
  if (u >= 0x410 && u <= 0x42F) return static_cast<wchar_t>(u + 32);
  if (u >= 0x400 && u <= 0x40F) return static_cast<wchar_t>(u + 80);
  if ((u >= 0x460 && u <= 0x481) || (u >= 0x48A && u <= 0x4BF) || (u >= 0x4D0 && u <= 0x52F))
    return (u % 2 == 0) ? static_cast<wchar_t>(u + 1) : c;
  if (u >= 0x531 && u <= 0x556) return static_cast<wchar_t>(u + 48);
  if (u >= 0xFF21 && u <= 0xFF3A) return static_cast<wchar_t>(u + 32);
  return c;
}

std::wstring ToUpper(std::wstring_view s) {
  std::wstring out(s);
  for (auto& c : out) c = ToUpperChar(c);
  return out;
}

std::wstring ToLower(std::wstring_view s) {
  std::wstring out(s);
  for (auto& c : out) c = ToLowerChar(c);
  return out;
}

int CompareNoCase(std::wstring_view a, std::wstring_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    if (a[i] == b[i]) continue;
    auto x = static_cast<std::uint32_t>(ToLowerChar(a[i]));
    auto y = static_cast<std::uint32_t>(ToLowerChar(b[i]));
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && CompareNoCase(a, b) == 0;
}

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && EqualsNoCase(s.substr(0, prefix.size()), prefix);
}

bool EndsWithNoCase(std::wstring_view s, std::wstring_view suffix) {
  return s.size() >= suffix.size() && EqualsNoCase(s.substr(s.size() - suffix.size()), suffix);
}

size_t FindNoCase(std::wstring_view haystack, std::wstring_view needle, size_t from) {
  if (needle.empty()) return from <= haystack.size() ? from : std::wstring_view::npos;
  if (haystack.size() < needle.size()) return std::wstring_view::npos;
  for (size_t i = from; i + needle.size() <= haystack.size(); ++i) {
    size_t k = 0;
    while (k < needle.size() && ToLowerChar(haystack[i + k]) == ToLowerChar(needle[k])) ++k;
    if (k == needle.size()) return i;
  }
  return std::wstring_view::npos;
}

std::wstring Trim(std::wstring_view s) {
  auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
  size_t b = 0, e = s.size();
  while (b < e && blank(s[b])) ++b;
  while (e > b && blank(s[e - 1])) --e;
  return std::wstring(s.substr(b, e - b));
}

}  // namespace mx
