#pragma once
// Reads values of an INI file (the language files, the downloaded update description). Files are UTF-16LE
// with a byte-order mark or UTF-8; sections and keys match without regard to case, the first match wins.
// Values pass through one process-wide cache keyed by file, section and key; readers that must see the file
// as it is now (the update description) are made without the cache. All readers share one lock.
#include <string>

class CIniReader {
 public:
  explicit CIniReader(std::wstring path = {}, bool useCache = true) : m_strPath(std::move(path)), m_bUseCache(useCache) {}

  void SetPath(std::wstring path) { m_strPath = std::move(path); }
  const std::wstring& Path() const { return m_strPath; }

  // The value with escapes decoded (\n, \t, \r, then \\, one replacement after the other), a leading double
  // quote dropped, and white space trimmed; "" for a missing file, section or key. A non-empty value is
  // cached; an empty one is looked up again next time.
  std::wstring GetValue(const std::wstring& section, const std::wstring& key) const;

  // TRUE and the cached value when this reader's file, the section and the key are cached.
  bool LookupCache(const std::wstring& section, const std::wstring& key, std::wstring& out) const;

 private:
  std::wstring m_strPath;
  bool m_bUseCache;
};

// What GetPrivateProfileString gives for one key of an INI file's text (already decoded): trimmed, one pair
// of matching surrounding quotes removed, at most 3071 characters; "" when missing.
std::wstring ReadProfileString(const std::wstring& text, const std::wstring& section, const std::wstring& key);
// The INI file's bytes as text: UTF-16LE or UTF-16BE with a byte-order mark, else UTF-8 (with or without one).
std::wstring DecodeIniText(const std::string& bytes);

// Empties the shared cache (tests; a process never needs it).
void ResetIniCache();
