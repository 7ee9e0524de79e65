#include "scan/SkipLists.h"

#include <algorithm>

#include "platform/base/Text.h"

std::wstring NormaliseSkipEntry(const std::wstring& text) { return mx::ToLower(mx::Trim(text)); }

std::vector<std::wstring> NormaliseSkipList(const std::vector<std::wstring>& entries) {
  std::vector<std::wstring> list;
  list.reserve(entries.size());
  for (const std::wstring& entry : entries) {
    std::wstring normal = NormaliseSkipEntry(entry);
    if (!normal.empty() && std::find(list.begin(), list.end(), normal) == list.end()) list.push_back(std::move(normal));
  }
  return list;
}

namespace {

std::uint64_t StartKey(wchar_t first, wchar_t second) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(first)) << 32) | static_cast<std::uint32_t>(second);
}

}  // namespace

SkipListMatcher::SkipListMatcher(const std::vector<std::wstring>& entries) {
  for (const std::wstring& entry : entries) {
    if (entry.empty()) continue;
    if (entry.size() == 1) {
      single_ += entry[0];
      continue;
    }
    byStart_[StartKey(entry[0], entry[1])].push_back(entries_.size());
    entries_.push_back(entry);
  }
}

bool SkipListMatcher::FoundIn(std::wstring_view lower) const {
  if (!single_.empty() && lower.find_first_of(single_) != std::wstring_view::npos) return true;
  for (size_t i = 0; i + 1 < lower.size(); ++i) {
    const auto it = byStart_.find(StartKey(lower[i], lower[i + 1]));
    if (it == byStart_.end()) continue;
    const std::wstring_view rest = lower.substr(i);
    for (size_t entry : it->second)
      if (rest.starts_with(entries_[entry])) return true;
  }
  return false;
}
