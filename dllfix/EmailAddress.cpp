#include "dllfix/EmailAddress.h"

#include <cstring>
#include <string_view>

namespace {

constexpr size_t kAddressBuffer = 260;

bool IsPlainChar(unsigned char c) {
  return c >= '!' && c < 0x7F && !std::strchr("()<>@,;:\\\"[]", c);
}

}  // namespace

BOOL IsValidEmailAddress(const char* address) {
  if (!address) return FALSE;
  const std::string_view s(address);
  if (s.size() >= kAddressBuffer) return FALSE;
  size_t i = 0;
  bool quoteMayStart = true;  // at the start, after a '.' or right after a quoted string
  while (i < s.size() && s[i] != '@') {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '"') {
      if (!quoteMayStart) return FALSE;
      for (++i; i < s.size() && s[i] != '"'; ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == ' ') {
          ++i;
          continue;
        }
        const unsigned char q = static_cast<unsigned char>(s[i]);
        if (q < ' ' || q >= 0x7F) return FALSE;
      }
      if (i >= s.size()) return FALSE;  // unterminated
      ++i;
      if (i >= s.size() || (s[i] != '@' && s[i] != '.' && s[i] != '"')) return FALSE;
      quoteMayStart = true;
      continue;
    }
    if (c == '.') {
      quoteMayStart = true;
    } else if (IsPlainChar(c)) {
      quoteMayStart = false;
    } else {
      return FALSE;
    }
    ++i;
  }
  if (i == 0 || i >= s.size() || s[i - 1] == '.') return FALSE;
  const std::string_view domain = s.substr(i + 1);
  if (domain.empty() || domain.front() == '.' || domain.find("..") != std::string_view::npos ||
      domain.find('.') == std::string_view::npos)
    return FALSE;
  for (unsigned char c : domain)
    if (c != '.' && !IsPlainChar(c)) return FALSE;
  return TRUE;
}
