#pragma once
// An index of a category's problem list by a text made of each problem (what makes two problems the same, or
// their type and key), kept up as problems are appended and built again when the list was sorted or shortened
// behind its back. A question asks a compact table of the texts' hashes first: most texts asked about are in
// no list, and a table of nodes scattered through the heap cost a scan of tens of thousands of problems a wait
// on memory for every category asked.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

class CProblem;

class ProblemIndex {
 public:
  // A text asked about in several indexes is hashed once.
  struct HashedForm {
    std::wstring_view text;
    size_t hash;
  };
  static size_t Hash(std::wstring_view form) noexcept { return std::hash<std::wstring_view>{}(form); }

  // Brings the index up to problems, each problem's text made by formOf (an empty text is not kept).
  void Update(const std::vector<std::unique_ptr<CProblem>>& problems, std::wstring (*formOf)(const CProblem&));
  // Takes in the problem just appended, whose text the caller has made already; when the index was behind
  // before that problem came, the next Update brings it up instead.
  void Append(const std::vector<std::unique_ptr<CProblem>>& problems, std::wstring form, size_t hash);
  // Whether the index holds problems as they are now; a reordering of a list it holds (a sort) is then followed
  // by Reordered, which keeps the index as it is instead of building it again.
  bool IsCurrent(const std::vector<std::unique_ptr<CProblem>>& problems) const;
  void Reordered(const std::vector<std::unique_ptr<CProblem>>& problems);
  // Whether a problem indexed has this text (as of the last Update or Append).
  bool Holds(const HashedForm& form) const;
  bool Holds(std::wstring_view form) const { return Holds(HashedForm{form, Hash(form)}); }

 private:
  struct FormHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view form) const noexcept { return Hash(form); }
    size_t operator()(const HashedForm& form) const noexcept { return form.hash; }
  };
  struct FormEqual {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const noexcept { return a == b; }
    bool operator()(const HashedForm& a, std::wstring_view b) const noexcept { return a.text == b; }
    bool operator()(std::wstring_view a, const HashedForm& b) const noexcept { return a == b.text; }
  };

  void Insert(std::wstring form, size_t hash);
  void Clear();

  std::unordered_set<std::wstring, FormHash, FormEqual> forms_;
  // Open addressing on the hashes of forms_ (0 marks a free slot; a hash of 0 is kept as 1), at most half full.
  std::vector<std::uint64_t> hashes_;
  size_t indexed_ = 0;  // problems [0, indexed_) are in forms_
  const CProblem* first_ = nullptr;
  const CProblem* last_ = nullptr;  // problems[indexed_ - 1] when they were indexed
};
