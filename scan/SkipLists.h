#pragma once
// The built-in lists of places the scan never reports, fixed in the program and always in force (they are
// separate from the user's exclusion list). Every entry is a lower-case plain substring: a text matches when,
// lower-cased, it contains the entry anywhere.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// Operating-system boot and hive files, installer and log files, and the folders of security suites, device
// vendors and other programs whose file references are never reported.
bool IsReportablePath(const std::wstring& path);
const std::vector<std::wstring>& PathSkipList();

// Registry areas of the system itself, security suites, standard COM classes, file-type classes and other
// keys whose problems are never reported.
bool IsReportableKey(const std::wstring& keyPath);
const std::vector<std::wstring>& KeySkipList();

// The lower-cased, trimmed form in which entries are kept.
std::wstring NormaliseSkipEntry(const std::wstring& text);
// The entries in their kept form, in order, without empty texts and repeats.
std::vector<std::wstring> NormaliseSkipList(const std::vector<std::wstring>& entries);

// A list in its kept form asked about many texts: each place of a text is looked up by its first two units
// instead of searching the whole text once for every entry (the problem filter asks about every problem).
class SkipListMatcher {
 public:
  explicit SkipListMatcher(const std::vector<std::wstring>& entries);
  // True when the already lower-cased text contains any entry.
  bool FoundIn(std::wstring_view lower) const;

 private:
  std::vector<std::wstring> entries_;
  std::unordered_map<std::uint64_t, std::vector<size_t>> byStart_;  // the first two units of longer entries
  std::wstring single_;                                              // the entries of one unit
};
