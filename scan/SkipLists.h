#pragma once
// The built-in lists of places the scan never reports, fixed in the program and always in force (they are
// separate from the user's exclusion list). Every entry is a lower-case plain substring: a text matches when,
// lower-cased, it contains the entry anywhere.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
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

// A list in its kept form asked about many texts: one pass over a text finds whether it contains any entry,
// however many entries there are (the problem filter asks about every problem, the deep scan about every key).
class SkipListMatcher {
 public:
  explicit SkipListMatcher(const std::vector<std::wstring>& entries);
  // True when the already lower-cased text contains any entry.
  bool FoundIn(std::wstring_view lower) const;
  // True when the text, lower-cased unit by unit as mx::ToLower does, contains any entry; no copy is made.
  bool FoundInAnyCase(std::wstring_view text) const;

 private:
  std::uint32_t ClassOf(wchar_t unit) const {
    return static_cast<std::uint32_t>(unit) < 128 ? asciiClass_[unit] : OtherClassOf(unit);
  }
  std::uint32_t OtherClassOf(wchar_t unit) const;
  std::uint32_t Step(std::uint32_t state, wchar_t unit) const {
    const size_t at = state * classes_ + ClassOf(unit);
    return next16_.empty() ? next_[at] : next16_[at];
  }

  // Units are sorted into the classes the entries tell apart; class 0 is every unit no entry holds.
  std::uint32_t asciiClass_[128] = {};
  std::vector<std::pair<wchar_t, std::uint32_t>> otherClass_;  // units beyond ASCII, sorted
  std::uint32_t classes_ = 1;
  // state * classes_ + class -> state, in 16 bits when every state fits; state 0 has matched nothing yet
  std::vector<std::uint32_t> next_;
  std::vector<std::uint16_t> next16_;
  std::vector<std::uint8_t> accepts_;  // whether reaching a state means an entry ends here
};
