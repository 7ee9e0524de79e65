#include "scan/ProblemIndex.h"

#include <algorithm>

#include "scan/Problem.h"

namespace {

std::uint64_t SlotValue(size_t hash) { return hash == 0 ? 1 : static_cast<std::uint64_t>(hash); }

}  // namespace

void ProblemIndex::Clear() {
  forms_.clear();
  hashes_.clear();
  indexed_ = 0;
}

void ProblemIndex::Insert(std::wstring form, size_t hash) {
  if (!forms_.insert(std::move(form)).second) return;
  if ((forms_.size()) * 2 > hashes_.size()) {
    std::vector<std::uint64_t> grown(std::max<size_t>(64, hashes_.size() * 2), 0);
    const size_t mask = grown.size() - 1;
    for (const std::uint64_t value : hashes_)
      if (value != 0) {
        size_t at = static_cast<size_t>(value) & mask;
        while (grown[at] != 0) at = (at + 1) & mask;
        grown[at] = value;
      }
    hashes_.swap(grown);
  }
  const std::uint64_t value = SlotValue(hash);
  const size_t mask = hashes_.size() - 1;
  size_t at = static_cast<size_t>(value) & mask;
  while (hashes_[at] != 0 && hashes_[at] != value) at = (at + 1) & mask;
  hashes_[at] = value;
}

bool ProblemIndex::Holds(const HashedForm& form) const {
  if (hashes_.empty()) return false;
  const std::uint64_t value = SlotValue(form.hash);
  const size_t mask = hashes_.size() - 1;
  for (size_t at = static_cast<size_t>(value) & mask;; at = (at + 1) & mask) {
    if (hashes_[at] == 0) return false;
    if (hashes_[at] == value) return forms_.count(form) != 0;
  }
}

void ProblemIndex::Update(const std::vector<std::unique_ptr<CProblem>>& problems,
                          std::wstring (*formOf)(const CProblem&)) {
  if (indexed_ > problems.size() ||
      (indexed_ > 0 && (problems[0].get() != first_ || problems[indexed_ - 1].get() != last_)))
    Clear();
  for (; indexed_ < problems.size(); ++indexed_)
    if (std::wstring form = formOf(*problems[indexed_]); !form.empty()) {
      const size_t hash = Hash(form);
      Insert(std::move(form), hash);
    }
  first_ = problems.empty() ? nullptr : problems.front().get();
  last_ = problems.empty() ? nullptr : problems.back().get();
}

void ProblemIndex::Append(const std::vector<std::unique_ptr<CProblem>>& problems, std::wstring form, size_t hash) {
  if (problems.empty() || indexed_ + 1 != problems.size()) return;
  if (indexed_ > 0 && (problems[0].get() != first_ || problems[indexed_ - 1].get() != last_)) return;
  if (!form.empty()) Insert(std::move(form), hash);
  indexed_ = problems.size();
  first_ = problems.front().get();
  last_ = problems.back().get();
}

bool ProblemIndex::IsCurrent(const std::vector<std::unique_ptr<CProblem>>& problems) const {
  if (indexed_ != problems.size()) return false;
  return indexed_ == 0 || (problems.front().get() == first_ && problems.back().get() == last_);
}

void ProblemIndex::Reordered(const std::vector<std::unique_ptr<CProblem>>& problems) {
  first_ = problems.empty() ? nullptr : problems.front().get();
  last_ = problems.empty() ? nullptr : problems.back().get();
}
