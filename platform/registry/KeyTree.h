#pragma once
// The in-memory key tree of one registry file: keys with case-insensitive names, sub-keys kept in the order
// Wine writes them (lower-cased names compared unit by unit), values kept sorted the same way (the default
// value first), each key with its last-write time.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/registry/FoldedName.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/SubkeyIndex.h"

namespace mx::reg {

struct Hive;

struct Value {
  std::wstring name;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// Lines of a registry file that could not be read, kept as they were so that a save writes them back in
// their place instead of losing them. Right after the key's header, after one of its values (by name),
// after everything of the key (a damaged key line and the lines that followed it), or at the end of the file
// (a line cut off there inside a continuation, which would take in whatever followed it).
struct KeptText {
  enum class Place { AfterHeader, AfterValue, AtEnd, AtEndOfFile, BeforeAnyKey };
  Place place = Place::AfterHeader;
  std::wstring afterValue;
  std::string text;  // the raw lines, each ending in a line feed
};

// Names lower-cased unit by unit; comparing two folded names as plain units gives Wine's key order.
std::wstring FoldName(std::wstring_view name);
void FoldNameInto(std::wstring_view name, std::wstring& out);

struct Key {
  std::wstring name;
  std::wstring folded;    // FoldName(name): sub-key lookups compare these
  Key* parent = nullptr;  // null for the root of a file; not valid once deleted
  Hive* hive = nullptr;
  std::vector<std::shared_ptr<Key>> subkeys;
  // Kept by Add and Remove once the key has many sub-keys; whoever fills subkeys otherwise calls Reindex.
  std::unique_ptr<SubkeyIndex> index;
  std::vector<Value> values;
  std::uint64_t modified = 0;  // FILETIME of the last write
  std::wstring keyClass;
  bool hasClass = false;
  bool isLink = false;
  bool isVolatile = false;
  bool deleted = false;
  KeyAccess access = KeyAccess::Normal;
  std::unique_ptr<std::vector<KeptText>> kept;  // null for nearly every key

  void SetName(std::wstring_view n);
  // Index of the first sub-key not ordered before name.
  size_t LowerBound(std::wstring_view name) const;
  Key* Find(std::wstring_view name) const;
  std::shared_ptr<Key> FindShared(std::wstring_view name) const;
  // The sub-key's place in subkeys (null when there is none): a lookup that takes no share of the key.
  const std::shared_ptr<Key>* FindOwner(std::wstring_view name) const;
  const std::shared_ptr<Key>* FindOwner(const FoldedName& name) const;
  // Adds a sub-key (or returns the existing one); created tells which.
  Key* Add(std::wstring_view name, std::uint64_t time, bool* created = nullptr);
  // Removes a sub-key and marks it and everything below it deleted.
  bool Remove(std::wstring_view name);
  // Builds the index of the sub-keys when there are enough of them.
  void Reindex();

  const Value* FindValue(std::wstring_view name) const;
  Value* FindValue(std::wstring_view name);
  void SetValue(std::wstring_view name, DWORD type, std::vector<BYTE> data);
  bool DeleteValue(std::wstring_view name);

  // The path below the file's root, names joined with backslashes.
  std::wstring Path() const;
};

// Marks key and every key below it deleted (handles still holding them then fail with ERROR_KEY_DELETED).
void MarkDeleted(Key& key);
// A deep copy of a tree (for transactions), with parent and hive pointers set for the copy.
std::shared_ptr<Key> CloneTree(const Key& key, Key* parent);
// The target of a link key (its SymbolicLinkValue as text), empty when it has none.
std::wstring LinkTarget(const Key& key);

}  // namespace mx::reg
