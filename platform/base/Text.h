#pragma once
// UTF-16 text in std::wstring (one code unit per element), conversions at the host's edges, and the one
// locale-independent case mapping used for every case-insensitive comparison (registry names, paths).
#include <string>
#include <string_view>

namespace mx {

// UTF-8 (host file names, terminal, environment) to UTF-16 units; invalid bytes become U+FFFD.
std::wstring Utf8ToWide(std::string_view utf8);
// UTF-16 units to UTF-8; a lone surrogate becomes U+FFFD.
std::string WideToUtf8(std::wstring_view text);
// Bytes of UTF-16LE (no byte-order mark handling) to units and back.
std::wstring Utf16LeToWide(std::string_view bytes);
std::string WideToUtf16Le(std::wstring_view text);
// Latin-1 / 8-bit text to units (each byte one unit).
std::wstring Latin1ToWide(std::string_view bytes);

// Beyond plain ASCII: the cases of Latin-1, Latin Extended-A, Greek, Cyrillic, Armenian and full-width Latin.
wchar_t ToUpperBeyondAscii(wchar_t c);
wchar_t ToLowerBeyondAscii(wchar_t c);
// Inline for plain ASCII: a scan compares millions of names and paths, nearly all of them ASCII.
inline wchar_t ToUpperChar(wchar_t c) {
  const auto u = static_cast<unsigned>(c);
  if (u < 0x80) return u - 'a' < 26u ? static_cast<wchar_t>(u - 32) : c;
  return ToUpperBeyondAscii(c);
}
inline wchar_t ToLowerChar(wchar_t c) {
  const auto u = static_cast<unsigned>(c);
  if (u < 0x80) return u - 'A' < 26u ? static_cast<wchar_t>(u + 32) : c;
  return ToLowerBeyondAscii(c);
}
std::wstring ToUpper(std::wstring_view s);
std::wstring ToLower(std::wstring_view s);

// Compares code unit by code unit after lower-casing each (the order Wine keeps registry keys in).
int CompareNoCase(std::wstring_view a, std::wstring_view b);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);
bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix);
bool EndsWithNoCase(std::wstring_view s, std::wstring_view suffix);
// Position of needle in haystack ignoring case, or npos.
size_t FindNoCase(std::wstring_view haystack, std::wstring_view needle, size_t from = 0);

// Trims blanks, tabs, CR and LF from both ends (as CString::Trim does).
std::wstring Trim(std::wstring_view s);

struct LessNoCase {
  using is_transparent = void;
  bool operator()(std::wstring_view a, std::wstring_view b) const { return CompareNoCase(a, b) < 0; }
};

}  // namespace mx
