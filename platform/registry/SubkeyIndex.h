#pragma once
// The sub-keys of a key that has many, by folded name. A search of the sorted list visits a key at every
// step (its folded name lives elsewhere in memory), so finding one of tens of thousands of classes costs a
// score of visits scattered over the tree; a hash finds it with one.
#include <cstddef>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/registry/FoldedName.h"

namespace mx::reg {

struct Key;

class SubkeyIndex {
 public:
  // Keys with fewer sub-keys are searched in their sorted list.
  static constexpr size_t kFromSubkeys = 32;

  explicit SubkeyIndex(const std::vector<std::shared_ptr<Key>>& subkeys);

  // The sub-key with this folded name, null when there is none; the place stays valid until it is erased.
  const std::shared_ptr<Key>* Find(const FoldedName& name) const;
  void Insert(const std::shared_ptr<Key>& key);
  void Erase(const Key& key);

 private:
  // A name looked up brings its hash along (made once for all the keys it is looked up in).
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::wstring_view folded) const { return HashFolded(folded); }
    std::size_t operator()(const FoldedName& name) const { return name.Hash(); }
  };
  struct Equal {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const { return a == b; }
    bool operator()(const FoldedName& a, std::wstring_view b) const { return a.folded == b; }
    bool operator()(std::wstring_view a, const FoldedName& b) const { return a == b.folded; }
  };
  // Keyed by a view of each sub-key's own folded name, which never changes while it is a sub-key here.
  std::unordered_map<std::wstring_view, std::shared_ptr<Key>, Hash, Equal> byName_;
};

}  // namespace mx::reg
