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

SkipListMatcher::SkipListMatcher(const std::vector<std::wstring>& entries) {
  for (const std::wstring& entry : entries)
    for (const wchar_t unit : entry) {
      if (static_cast<std::uint32_t>(unit) < 128) {
        if (asciiClass_[unit] == 0) asciiClass_[unit] = classes_++;
      } else if (std::none_of(otherClass_.begin(), otherClass_.end(), [&](const auto& c) { return c.first == unit; })) {
        otherClass_.emplace_back(unit, classes_++);
      }
    }
  std::sort(otherClass_.begin(), otherClass_.end());

  // The entries' tree first (a missing step is kNone), then every missing step filled from the longest
  // proper suffix that is also a start of some entry, in order of depth, so a text is read once, unit by unit.
  constexpr std::uint32_t kNone = UINT32_MAX;
  next_.assign(classes_, kNone);
  accepts_.assign(1, 0);
  for (const std::wstring& entry : entries) {
    if (entry.empty()) continue;
    std::uint32_t state = 0;
    for (const wchar_t unit : entry) {
      std::uint32_t& step = next_[state * classes_ + ClassOf(unit)];
      if (step == kNone) {
        step = static_cast<std::uint32_t>(accepts_.size());
        accepts_.push_back(0);
        next_.resize(next_.size() + classes_, kNone);
      }
      state = next_[state * classes_ + ClassOf(unit)];  // the resize may have moved the step's storage
    }
    accepts_[state] = 1;
  }
  std::vector<std::uint32_t> suffix(accepts_.size(), 0), order;
  order.reserve(accepts_.size());
  for (std::uint32_t c = 0; c < classes_; ++c) {
    std::uint32_t& step = next_[c];
    if (step == kNone)
      step = 0;
    else
      order.push_back(step);  // suffix 0
  }
  for (size_t i = 0; i < order.size(); ++i) {
    const std::uint32_t state = order[i];
    accepts_[state] |= accepts_[suffix[state]];
    for (std::uint32_t c = 0; c < classes_; ++c) {
      std::uint32_t& step = next_[state * classes_ + c];
      const std::uint32_t fallback = next_[suffix[state] * classes_ + c];
      if (step == kNone) {
        step = fallback;
      } else {
        suffix[step] = fallback;
        order.push_back(step);
      }
    }
  }
  // Numbered again by depth, in units of 16 bits where they fit: the rows of the shallow states, which a text
  // visits nearly all the time, then lie together in a few kilobytes instead of across the whole table.
  std::vector<std::uint32_t> renamed(accepts_.size(), 0);
  for (size_t i = 0; i < order.size(); ++i) renamed[order[i]] = static_cast<std::uint32_t>(i + 1);
  std::vector<std::uint32_t> next(next_.size());
  std::vector<std::uint8_t> accepts(accepts_.size());
  for (std::uint32_t state = 0; state < accepts_.size(); ++state) {
    const std::uint32_t to = renamed[state];
    accepts[to] = accepts_[state];
    for (std::uint32_t c = 0; c < classes_; ++c) next[to * classes_ + c] = renamed[next_[state * classes_ + c]];
  }
  accepts_ = std::move(accepts);
  if (accepts_.size() <= 65536) {
    next16_.assign(next.begin(), next.end());
    next_.clear();
  } else {
    next_ = std::move(next);
  }
}

std::uint32_t SkipListMatcher::OtherClassOf(wchar_t unit) const {
  if (otherClass_.empty()) return 0;
  const auto it = std::lower_bound(otherClass_.begin(), otherClass_.end(), std::pair<wchar_t, std::uint32_t>(unit, 0));
  return it != otherClass_.end() && it->first == unit ? it->second : 0;
}

bool SkipListMatcher::FoundIn(std::wstring_view lower) const {
  std::uint32_t state = 0;
  for (const wchar_t unit : lower)
    if (accepts_[state = Step(state, unit)]) return true;
  return false;
}

bool SkipListMatcher::FoundInAnyCase(std::wstring_view text) const {
  std::uint32_t state = 0;
  for (const wchar_t unit : text)
    if (accepts_[state = Step(state, mx::ToLowerChar(unit))]) return true;
  return false;
}
