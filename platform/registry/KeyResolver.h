#pragma once
// Where a call's key is: a handle or a predefined root, resolved to the physical key(s) of the prefix's files
// through the WOW64 views, Wine's link keys and the HKEY_CLASSES_ROOT merge; the creation of missing keys;
// the access rules of opens and writes. Internal to platform/registry.
#include <memory>
#include <span>
#include <string_view>
#include "platform/registry/NameList.h"
#include "platform/registry/RegistryStore.h"

namespace mx::reg {

using Names = NameList;

inline constexpr DWORD kOpenLink = 0x8;  // REG_OPTION_OPEN_LINK
inline constexpr size_t kMaxValueName = 16383;

inline RegistryStore& Store() { return RegistryStore::Instance(); }
std::uint64_t Now();
inline bool IsPredefined(HKEY key) {
  const auto v = reinterpret_cast<std::uintptr_t>(key);
  return (v >= 0x80000000u && v <= 0x80000003u) || v == 0x80000005u;
}
// Names of a sub-key text. A leading backslash is bad syntax; doubled and trailing ones are tolerated.
LONG SplitPath(std::wstring_view s, Names& out);
// base's names, then more's: views of the same texts.
Names JoinPath(std::span<const std::wstring_view> base, std::span<const std::wstring_view> more);

inline const std::shared_ptr<Key> kNoKey;

// The key a call works on: the handle's place and its physical key(s).
struct Target {
  RootKind root = RootKind::LocalMachine;
  bool view32 = false;
  bool predefined = false;
  REGSAM access = KEY_ALL_ACCESS;
  std::span<const std::wstring_view> path;
  // HKCR: HKCU copy, HKLM copy. The handle's or the root's own, which stay as they are while the caller holds
  // the tree lock: a call takes no share of them.
  const std::shared_ptr<Key>* a = &kNoKey;
  const std::shared_ptr<Key>* b = &kNoKey;
  std::shared_ptr<Handle> handle;

  Key* key() const { return *a ? a->get() : b->get(); }
  const std::shared_ptr<Key>& keyShared() const { return *a ? *a : *b; }
};

// Finds the key(s) of a handle or root; ERROR_INVALID_HANDLE or ERROR_KEY_DELETED when there are none. The
// caller holds the tree lock.
LONG Lookup(HKEY hkey, Target& t);
// The view of an open below parent: the mask's view bits, else the parent handle's view, else the native
// (32-bit) view. False for both bits at once.
bool ViewOf(REGSAM sam, const Target& parent, bool& view32);
void ResolveFull(RootKind root, bool view32, std::span<const std::wstring_view> path, bool followLast,
                 std::shared_ptr<Key>& a, std::shared_ptr<Key>& b);
// Resolves parent + names in a view: from the parent's keys when the view rules cannot change the answer,
// else from the root.
void ResolveChild(const Target& parent, bool view32, std::span<const std::wstring_view> names, bool followLast,
                  std::shared_ptr<Key>& a, std::shared_ptr<Key>& b);
// Creates the missing keys of a path (a new HKCR key goes to the machine). The caller holds the exclusive lock.
LONG CreateMissing(RootKind root, bool view32, std::span<const std::wstring_view> path, bool isVolatile, bool& created);

// The key that root\subKey names in a view (0, KEY_WOW64_32KEY or KEY_WOW64_64KEY), for the control calls.
// The caller holds the exclusive tree lock.
LONG ResolveForControl(HKEY root, std::wstring_view subKey, REGSAM view, std::shared_ptr<Key>& out);

LONG CheckOpenAccess(const Key& key, REGSAM sam);
// Whether key may be changed now (its values, its sub-keys, or the key itself).
LONG CheckWritable(const Key& key);

}  // namespace mx::reg
