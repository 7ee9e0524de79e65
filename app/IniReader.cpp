#include "app/IniReader.h"

#include <map>
#include <mutex>
#include <tuple>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"

namespace {

constexpr size_t kReadBufferChars = 3072;

struct CacheKey {
  std::wstring file;
  std::wstring section;  // lower-cased: the lookup itself ignores case
  std::wstring key;      // as asked: the cache compares key names by code unit
  bool operator<(const CacheKey& o) const {
    return std::tie(file, section, key) < std::tie(o.file, o.section, o.key);
  }
};

std::mutex& IniLock() {
  static std::mutex lock;
  return lock;
}

std::map<CacheKey, std::wstring>& IniCache() {
  static std::map<CacheKey, std::wstring> cache;
  return cache;
}

// The white space the C runtime's iswspace knows, Unicode spaces included.
bool IsWideSpace(wchar_t c) {
  switch (c) {
    case 0x20: case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x85: case 0xA0: case 0x1680:
    case 0x2028: case 0x2029: case 0x202F: case 0x205F: case 0x3000:
      return true;
    default:
      return c >= 0x2000 && c <= 0x200A;
  }
}

std::wstring TrimWide(const std::wstring& s) {
  size_t end = s.size();
  while (end > 0 && IsWideSpace(s[end - 1])) --end;
  size_t begin = 0;
  while (begin < end && IsWideSpace(s[begin])) ++begin;
  return s.substr(begin, end - begin);
}

void ReplaceAll(std::wstring& s, std::wstring_view from, std::wstring_view to) {
  for (size_t pos = s.find(from); pos != std::wstring::npos; pos = s.find(from, pos + to.size()))
    s.replace(pos, from.size(), to);
}

// Blanks and tabs only, as the profile reader trims names and values.
std::wstring TrimBlanks(std::wstring_view s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == L' ' || s[b] == L'\t' || s[b] == L'\r')) ++b;
  while (e > b && (s[e - 1] == L' ' || s[e - 1] == L'\t' || s[e - 1] == L'\r')) --e;
  return std::wstring(s.substr(b, e - b));
}

}  // namespace

std::wstring DecodeIniText(const std::string& bytes) {
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE)
    return mx::Utf16LeToWide(std::string_view(bytes).substr(2, (bytes.size() - 2) & ~size_t{1}));
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
      static_cast<unsigned char>(bytes[1]) == 0xFF) {
    std::string swapped = bytes.substr(2, (bytes.size() - 2) & ~size_t{1});
    for (size_t i = 0; i + 1 < swapped.size(); i += 2) std::swap(swapped[i], swapped[i + 1]);
    return mx::Utf16LeToWide(swapped);
  }
  std::string_view text(bytes);
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  return mx::Utf8ToWide(text);
}

std::wstring ReadProfileString(const std::wstring& text, const std::wstring& section, const std::wstring& key) {
  bool inSection = false;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t eol = text.find(L'\n', pos);
    if (eol == std::wstring::npos) eol = text.size();
    const std::wstring line = TrimBlanks(std::wstring_view(text).substr(pos, eol - pos));
    pos = eol + 1;
    if (line.empty() || line[0] == L';') continue;
    if (line[0] == L'[') {
      const size_t close = line.find(L']');
      inSection = mx::EqualsNoCase(TrimBlanks(std::wstring_view(line).substr(1, close == std::wstring::npos
                                                                                    ? std::wstring::npos
                                                                                    : close - 1)),
                                   section);
      continue;
    }
    if (!inSection) continue;
    const size_t eq = line.find(L'=');
    if (eq == std::wstring::npos || !mx::EqualsNoCase(TrimBlanks(std::wstring_view(line).substr(0, eq)), key))
      continue;
    std::wstring value = TrimBlanks(std::wstring_view(line).substr(eq + 1));
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (value.size() > kReadBufferChars - 1) value.resize(kReadBufferChars - 1);
    return value;
  }
  return {};
}

bool CIniReader::LookupCache(const std::wstring& section, const std::wstring& key, std::wstring& out) const {
  out.clear();
  const auto& cache = IniCache();
  const auto it = cache.find({m_strPath, mx::ToLower(section), key});
  if (it == cache.end()) return false;
  out = it->second;
  return true;
}

std::wstring CIniReader::GetValue(const std::wstring& section, const std::wstring& key) const {
  std::lock_guard<std::mutex> guard(IniLock());
  std::wstring value;
  if (m_bUseCache && LookupCache(section, key, value) && !value.empty()) return value;

  std::string bytes;
  value = !m_strPath.empty() && mx::ReadWinFile(m_strPath, bytes) == ERROR_SUCCESS
              ? ReadProfileString(DecodeIniText(bytes), section, key)
                                               : std::wstring();
  if (!value.empty()) {
    if (value[0] == L'"') value[0] = L' ';
    ReplaceAll(value, L"\\n", L"\n");
    ReplaceAll(value, L"\\t", L"\t");
    ReplaceAll(value, L"\\r", L"\r");
    ReplaceAll(value, L"\\\\", L"\\");
  }
  value = TrimWide(value);
  if (m_bUseCache) IniCache()[{m_strPath, mx::ToLower(section), key}] = value;
  return value;
}

void ResetIniCache() {
  std::lock_guard<std::mutex> guard(IniLock());
  IniCache().clear();
}
