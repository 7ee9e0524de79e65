#include "platform/registry/SubkeyIndex.h"

#include "platform/registry/KeyTree.h"

namespace mx::reg {

SubkeyIndex::SubkeyIndex(const std::vector<std::shared_ptr<Key>>& subkeys) {
  byName_.reserve(subkeys.size() * 2);
  for (const auto& key : subkeys) Insert(key);
}

const std::shared_ptr<Key>* SubkeyIndex::Find(const FoldedName& name) const {
  const auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : &it->second;
}

void SubkeyIndex::Insert(const std::shared_ptr<Key>& key) { byName_.emplace(key->folded, key); }

void SubkeyIndex::Erase(const Key& key) { byName_.erase(key.folded); }

}  // namespace mx::reg
