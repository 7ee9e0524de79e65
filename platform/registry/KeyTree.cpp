#include "platform/registry/KeyTree.h"

#include <algorithm>

#include "platform/base/Text.h"

namespace mx::reg {

namespace {

template <class T, class Name>
size_t LowerBoundBy(const std::vector<T>& items, std::wstring_view name, Name nameOf) {
  size_t lo = 0, hi = items.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (CompareNoCase(nameOf(items[mid]), name) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}
const std::wstring& ValueName(const Value& v) { return v.name; }

// Sub-key lookups fold the wanted name once and compare folded names as plain units.
size_t LowerBoundFolded(const std::vector<std::shared_ptr<Key>>& keys, std::wstring_view folded) {
  size_t lo = 0, hi = keys.size();
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (std::wstring_view(keys[mid]->folded) < folded)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

const std::shared_ptr<Key>* FindFolded(const Key& key, std::wstring_view name) {
  thread_local std::wstring folded;
  FoldNameInto(name, folded);
  return key.FindOwner(FoldedName{folded});
}

}  // namespace

void FoldNameInto(std::wstring_view name, std::wstring& out) {
  out.resize(name.size());
  FoldInto(name, out.data());
}

std::wstring FoldName(std::wstring_view name) {
  std::wstring out;
  FoldNameInto(name, out);
  return out;
}

void Key::SetName(std::wstring_view n) {
  name.assign(n);
  FoldNameInto(name, folded);
}

size_t Key::LowerBound(std::wstring_view n) const { return LowerBoundFolded(subkeys, FoldName(n)); }

Key* Key::Find(std::wstring_view n) const {
  const std::shared_ptr<Key>* found = FindFolded(*this, n);
  return found ? found->get() : nullptr;
}

const std::shared_ptr<Key>* Key::FindOwner(std::wstring_view n) const { return FindFolded(*this, n); }

const std::shared_ptr<Key>* Key::FindOwner(const FoldedName& n) const {
  if (index) return index->Find(n);
  // A few sub-keys are looked at in turn, by length first.
  constexpr size_t kSearchedInTurn = 8;
  if (subkeys.size() <= kSearchedInTurn) {
    for (const auto& k : subkeys)
      if (k->folded.size() == n.folded.size() && std::wstring_view(k->folded) == n.folded) return &k;
    return nullptr;
  }
  size_t i = LowerBoundFolded(subkeys, n.folded);
  return (i < subkeys.size() && subkeys[i]->folded == n.folded) ? &subkeys[i] : nullptr;
}

std::shared_ptr<Key> Key::FindShared(std::wstring_view n) const {
  const std::shared_ptr<Key>* found = FindFolded(*this, n);
  return found ? *found : nullptr;
}

Key* Key::Add(std::wstring_view n, std::uint64_t time, bool* created) {
  thread_local std::wstring folded;
  FoldNameInto(n, folded);
  // Files list keys in order, so the usual insertion point is the end.
  size_t i = (!subkeys.empty() && std::wstring_view(subkeys.back()->folded) < std::wstring_view(folded))
                 ? subkeys.size()
                 : LowerBoundFolded(subkeys, folded);
  if (i < subkeys.size() && subkeys[i]->folded == folded) {
    if (created) *created = false;
    return subkeys[i].get();
  }
  auto key = std::make_shared<Key>();
  key->name.assign(n);
  key->folded = folded;
  key->parent = this;
  key->hive = hive;
  key->modified = time;
  key->isVolatile = isVolatile;
  Key* raw = key.get();
  if (index) index->Insert(key);
  subkeys.insert(subkeys.begin() + static_cast<std::ptrdiff_t>(i), std::move(key));
  if (!index) Reindex();
  if (created) *created = true;
  return raw;
}

bool Key::Remove(std::wstring_view n) {
  thread_local std::wstring folded;
  FoldNameInto(n, folded);
  size_t i = LowerBoundFolded(subkeys, folded);
  if (i >= subkeys.size() || subkeys[i]->folded != folded) return false;
  MarkDeleted(*subkeys[i]);
  if (index) index->Erase(*subkeys[i]);
  subkeys.erase(subkeys.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

void Key::Reindex() {
  if (subkeys.size() >= SubkeyIndex::kFromSubkeys) index = std::make_unique<SubkeyIndex>(subkeys);
}

const Value* Key::FindValue(std::wstring_view n) const {
  // Most keys hold a few values, and a look at each one's length passes over nearly all of them.
  constexpr size_t kSearchedInTurn = 8;
  if (values.size() <= kSearchedInTurn) {
    for (const Value& v : values)
      if (v.name.size() == n.size() && EqualsNoCase(v.name, n)) return &v;
    return nullptr;
  }
  size_t i = LowerBoundBy(values, n, ValueName);
  return (i < values.size() && EqualsNoCase(values[i].name, n)) ? &values[i] : nullptr;
}

Value* Key::FindValue(std::wstring_view n) { return const_cast<Value*>(static_cast<const Key*>(this)->FindValue(n)); }

void Key::SetValue(std::wstring_view n, DWORD type, std::vector<BYTE> data) {
  size_t i = (!values.empty() && CompareNoCase(values.back().name, n) < 0) ? values.size()
                                                                           : LowerBoundBy(values, n, ValueName);
  if (i < values.size() && EqualsNoCase(values[i].name, n)) {
    values[i].type = type;
    values[i].data = std::move(data);
    return;
  }
  values.insert(values.begin() + static_cast<std::ptrdiff_t>(i), Value{std::wstring(n), type, std::move(data)});
}

bool Key::DeleteValue(std::wstring_view n) {
  size_t i = LowerBoundBy(values, n, ValueName);
  if (i >= values.size() || !EqualsNoCase(values[i].name, n)) return false;
  values.erase(values.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

std::wstring Key::Path() const {
  std::vector<const Key*> chain;
  for (const Key* k = this; k && k->parent; k = k->parent) chain.push_back(k);
  std::wstring path;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!path.empty()) path += L'\\';
    path += (*it)->name;
  }
  return path;
}

void MarkDeleted(Key& key) {
  // Iterative: a hostile file can nest keys deeply.
  std::vector<Key*> stack{&key};
  while (!stack.empty()) {
    Key* k = stack.back();
    stack.pop_back();
    k->deleted = true;
    for (auto& child : k->subkeys) stack.push_back(child.get());
  }
}

std::shared_ptr<Key> CloneTree(const Key& key, Key* parent) {
  auto copy = std::make_shared<Key>();
  struct Item {
    const Key* from;
    Key* to;
  };
  std::vector<Item> stack{{&key, copy.get()}};
  copy->parent = parent;
  copy->name = key.name;
  copy->folded = key.folded;
  while (!stack.empty()) {
    Item item = stack.back();
    stack.pop_back();
    Key& to = *item.to;
    const Key& from = *item.from;
    to.hive = from.hive;
    to.values = from.values;
    to.modified = from.modified;
    to.keyClass = from.keyClass;
    to.hasClass = from.hasClass;
    to.isLink = from.isLink;
    to.isVolatile = from.isVolatile;
    to.access = from.access;
    if (from.kept) to.kept = std::make_unique<std::vector<KeptText>>(*from.kept);
    to.subkeys.reserve(from.subkeys.size());
    for (const auto& child : from.subkeys) {
      auto c = std::make_shared<Key>();
      c->parent = &to;
      c->name = child->name;  // here, not when its turn comes: the index below views the folded names
      c->folded = child->folded;
      stack.push_back({child.get(), c.get()});
      to.subkeys.push_back(std::move(c));
    }
    to.Reindex();
  }
  return copy;
}

std::wstring LinkTarget(const Key& key) {
  const Value* v = key.FindValue(L"SymbolicLinkValue");
  if (!v || v->type != REG_LINK) return {};
  std::string bytes(v->data.begin(), v->data.end());
  std::wstring target = Utf16LeToWide(bytes);
  while (!target.empty() && target.back() == 0) target.pop_back();
  return target;
}

}  // namespace mx::reg
