// The Reg* calls over the in-memory registry: handles, the views and the HKEY_CLASSES_ROOT merge.
#include <algorithm>
#include <cstring>
#include <span>

#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryStore.h"
#include "platform/registry/ViewResolver.h"

namespace mx::reg {

namespace {

constexpr DWORD kOpenLink = 0x8;  // REG_OPTION_OPEN_LINK
constexpr int kMaxLinkDepth = 16;
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxDepth = 512;
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | 0x40000 | 0x80000;

RegistryStore& Store() { return RegistryStore::Instance(); }

using Names = std::vector<std::wstring_view>;

const Names& ConfigPath() {
  static const Names path{L"System", L"CurrentControlSet", L"Hardware Profiles", L"Current"};
  return path;
}

std::uint64_t Now() { return GetClock().NowFileTime(); }

bool IsPredefined(HKEY key) {
  auto v = reinterpret_cast<std::uintptr_t>(key);
  return v == 0x80000000u || v == 0x80000001u || v == 0x80000002u || v == 0x80000003u || v == 0x80000005u;
}

// Names of a sub-key text. A leading backslash is bad syntax; doubled and trailing ones are tolerated.
LONG SplitPath(std::wstring_view s, Names& out) {
  if (!s.empty() && s[0] == L'\\') return ERROR_BAD_PATHNAME;
  size_t start = 0;
  while (start < s.size()) {
    size_t end = s.find(L'\\', start);
    if (end == std::wstring_view::npos) end = s.size();
    if (end > start) out.emplace_back(s.substr(start, end - start));
    start = end + 1;
  }
  return ERROR_SUCCESS;
}

// The key a call works on: the handle's place and its physical key(s).
struct Target {
  RootKind root = RootKind::LocalMachine;
  bool view32 = false;
  bool predefined = false;
  REGSAM access = KEY_ALL_ACCESS;
  std::span<const std::wstring_view> path;
  std::shared_ptr<Key> a, b;  // HKCR: HKCU copy, HKLM copy
  std::shared_ptr<Handle> handle;

  Key* key() const { return a ? a.get() : b.get(); }
  const std::shared_ptr<Key>& keyShared() const { return a ? a : b; }
};

std::shared_ptr<Key> Walk(std::shared_ptr<Key> key, std::span<const std::wstring_view> names, bool followLast,
                          int depth);

// A link key's target: "\Registry\Machine\..." or "\Registry\User\<SID or .Default>\...".
std::shared_ptr<Key> FollowLink(const Key& link, int depth) {
  if (depth > kMaxLinkDepth) return nullptr;  // a loop of links
  std::wstring target = LinkTarget(link);
  Names names;
  if (SplitPath(std::wstring_view(target).substr(target.starts_with(L"\\") ? 1 : 0), names) != ERROR_SUCCESS)
    return nullptr;
  if (names.size() < 2 || !SameName(names[0], L"Registry")) return nullptr;
  RegistryStore& s = Store();
  std::shared_ptr<Key> root;
  size_t first = 2;
  if (SameName(names[1], L"Machine")) {
    root = s.hive(Hive::Kind::Machine).content.root;
  } else if (SameName(names[1], L"User") && names.size() >= 3) {
    root = s.usersRoot()->FindShared(names[2]);
    first = 3;
  }
  if (!root) return nullptr;
  return Walk(root, std::span<const std::wstring_view>(names).subspan(first), true, depth + 1);
}

// Walks down names, following link keys on the way (and at the end when followLast).
std::shared_ptr<Key> Walk(std::shared_ptr<Key> key, std::span<const std::wstring_view> names, bool followLast,
                          int depth) {
  for (std::wstring_view name : names) {
    if (!key) return nullptr;
    if (key->isLink) key = FollowLink(*key, depth + 1);
    if (!key) return nullptr;
    key = key->FindShared(name);
  }
  if (key && followLast && key->isLink) key = FollowLink(*key, depth + 1);
  return key;
}

HiveShape ShapeOf(const Hive& h) { return h.kind == Hive::Kind::Machine ? HiveShape::Machine : HiveShape::User; }

bool Redirects(bool view32) { return view32 && Store().arch() == Arch::Win64; }

std::shared_ptr<Key> ResolveInHive(Hive& h, std::span<const std::wstring_view> logical, bool view32, bool followLast) {
  if (Redirects(view32)) {
    Redirected r = Redirect32(ShapeOf(h), logical);
    auto key = Walk(h.content.root, r.names, followLast, 0);
    if (!key && r.softwareRoot) key = Walk(h.content.root, std::span(r.names).first(1), followLast, 0);
    return key;
  }
  return Walk(h.content.root, logical, followLast, 0);
}

Names ClassesPath(std::span<const std::wstring_view> path) {
  Names full{L"Software", L"Classes"};
  full.insert(full.end(), path.begin(), path.end());
  return full;
}

// The hive a path of HKEY_USERS lives in (path[0] names it), or null.
Hive* UsersHive(std::span<const std::wstring_view> path) {
  if (path.empty()) return nullptr;
  RegistryStore& s = Store();
  for (Hive::Kind kind : {Hive::Kind::User, Hive::Kind::Default})
    if (SameName(s.hive(kind).root()->name, path[0])) return &s.hive(kind);
  return nullptr;
}

void ResolveFull(RootKind root, bool view32, std::span<const std::wstring_view> path, bool followLast,
                 std::shared_ptr<Key>& a, std::shared_ptr<Key>& b) {
  RegistryStore& s = Store();
  a.reset();
  b.reset();
  switch (root) {
    case RootKind::LocalMachine: a = ResolveInHive(s.hive(Hive::Kind::Machine), path, view32, followLast); break;
    case RootKind::CurrentUser: a = ResolveInHive(s.hive(Hive::Kind::User), path, view32, followLast); break;
    case RootKind::Users:
      if (path.empty()) {
        a = s.usersRootShared();
      } else if (Hive* h = UsersHive(path)) {
        a = ResolveInHive(*h, path.subspan(1), view32, followLast);
      }
      break;
    case RootKind::ClassesRoot: {
      auto full = ClassesPath(path);
      a = ResolveInHive(s.hive(Hive::Kind::User), full, view32, followLast);
      b = ResolveInHive(s.hive(Hive::Kind::Machine), full, view32, followLast);
      break;
    }
  }
}

// Whether the key at full (below the root) has a 32-bit place of its own rather than its parent's place + name.
bool StepDecides(RootKind root, std::span<const std::wstring_view> full) {
  switch (root) {
    case RootKind::LocalMachine: return DecidesPlacement(HiveShape::Machine, full);
    case RootKind::CurrentUser: return DecidesPlacement(HiveShape::User, full);
    case RootKind::Users: return full.size() >= 2 && DecidesPlacement(HiveShape::User, full.subspan(1));
    case RootKind::ClassesRoot: return full.size() == 1;
  }
  return true;
}

LONG Lookup(HKEY hkey, Target& t) {
  RegistryStore& s = Store();
  if (IsPredefined(hkey)) {
    t.predefined = true;
    t.view32 = s.arch() == Arch::Win64;  // the native view of a 32-bit program
    switch (reinterpret_cast<std::uintptr_t>(hkey)) {
      case 0x80000000u: t.root = RootKind::ClassesRoot; break;
      case 0x80000001u: t.root = RootKind::CurrentUser; break;
      case 0x80000002u: t.root = RootKind::LocalMachine; break;
      case 0x80000003u: t.root = RootKind::Users; break;
      case 0x80000005u:
        t.root = RootKind::LocalMachine;
        t.path = ConfigPath();
        break;
    }
    ResolveFull(t.root, t.view32, t.path, true, t.a, t.b);
    return ERROR_SUCCESS;
  }
  if (!hkey) return ERROR_INVALID_HANDLE;
  t.handle = s.FindHandle(hkey);
  if (!t.handle) return ERROR_INVALID_HANDLE;
  Handle& h = *t.handle;
  t.root = h.root;
  t.view32 = h.view32;
  t.access = h.access;
  t.path = h.path.names;
  {
    std::lock_guard lock(h.cacheMutex);
    if (h.generation != s.generation()) {
      // The files were reloaded: find the key again by its place.
      ResolveFull(h.root, h.view32, h.path.names, true, h.a, h.b);
      h.generation = s.generation();
      h.mergeStamp = 0;
    }
    t.a = h.a;
    t.b = h.b;
  }
  if (t.a && t.a->deleted) t.a.reset();
  if (t.b && t.b->deleted) t.b.reset();
  if (!t.key()) return ERROR_KEY_DELETED;
  return ERROR_SUCCESS;
}

LONG CheckOpenAccess(const Key& key, REGSAM sam) {
  if (key.access == KeyAccess::Denied) return ERROR_ACCESS_DENIED;
  if (sam & kWriteRights) {
    if (key.access == KeyAccess::ReadOnly) return ERROR_ACCESS_DENIED;
    if (key.hive && key.hive->kind == Hive::Kind::Machine && !Store().admin) return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

// Whether key may be changed now (its values, its sub-keys, or the key itself).
LONG CheckWritable(const Key& key) {
  if (!key.hive) return ERROR_ACCESS_DENIED;  // HKEY_USERS itself
  if (key.access != KeyAccess::Normal) return ERROR_ACCESS_DENIED;
  if (key.hive->kind == Hive::Kind::Machine && !Store().admin) return ERROR_ACCESS_DENIED;
  return Store().WritesAllowed(*key.hive);
}

bool ViewOf(REGSAM sam, const Target& parent, bool& view32) {
  REGSAM bits = sam & KEY_WOW64_RES;
  if (bits == KEY_WOW64_RES) return false;
  if (Store().arch() != Arch::Win64)
    view32 = false;
  else if (bits)
    view32 = bits == KEY_WOW64_32KEY;
  else
    view32 = parent.predefined ? true : parent.view32;
  return true;
}

// Resolves parent + names in a view: from the parent's keys when the view rules cannot change the answer,
// else from the root.
void ResolveChild(const Target& parent, bool view32, std::span<const std::wstring_view> names,
                  std::span<const std::wstring_view> fullPath, bool followLast, std::shared_ptr<Key>& a,
                  std::shared_ptr<Key>& b) {
  bool incremental = view32 == parent.view32;
  if (incremental && Redirects(view32))
    for (size_t n = parent.path.size() + 1; n <= fullPath.size() && incremental; ++n)
      incremental = !StepDecides(parent.root, fullPath.first(n));
  if (!incremental) return ResolveFull(parent.root, view32, fullPath, followLast, a, b);
  a = parent.a ? Walk(parent.a, names, followLast, 0) : nullptr;
  b = parent.b ? Walk(parent.b, names, followLast, 0) : nullptr;
  if (names.empty()) {
    a = parent.a;
    b = parent.b;
  }
}


// Creates the missing keys of a physical path below root; the first missing key's parent must be writable.
LONG CreatePath(std::shared_ptr<Key> key, std::span<const std::wstring_view> names, bool isVolatile, bool& created) {
  created = false;
  if (names.size() > kMaxDepth) return ERROR_INVALID_PARAMETER;
  for (std::wstring_view name : names) {
    if (key->isLink) {
      key = FollowLink(*key, 0);
      if (!key) return ERROR_FILE_NOT_FOUND;
    }
    std::shared_ptr<Key> child = key->FindShared(name);
    if (!child) {
      if (name.size() > kMaxKeyName) return ERROR_INVALID_PARAMETER;
      if (LONG rc = CheckWritable(*key); rc != ERROR_SUCCESS) return rc;
      std::uint64_t now = Now();
      Key* added = key->Add(name, now);
      added->isVolatile = key->isVolatile || isVolatile;
      key->modified = now;
      Store().Changed(*key, true);
      created = true;
      child = key->FindShared(name);
    }
    key = std::move(child);
  }
  return ERROR_SUCCESS;
}

LONG CreateMissing(RootKind root, bool view32, std::span<const std::wstring_view> path, bool isVolatile,
                   bool& created) {
  RegistryStore& s = Store();
  Hive* hive = nullptr;
  Names logical;
  switch (root) {
    case RootKind::LocalMachine: hive = &s.hive(Hive::Kind::Machine); logical.assign(path.begin(), path.end()); break;
    case RootKind::CurrentUser: hive = &s.hive(Hive::Kind::User); logical.assign(path.begin(), path.end()); break;
    case RootKind::Users:
      hive = UsersHive(path);
      if (!hive) return ERROR_ACCESS_DENIED;  // no new hives below HKEY_USERS
      logical.assign(path.begin() + 1, path.end());
      break;
    case RootKind::ClassesRoot:
      hive = &s.hive(Hive::Kind::Machine);  // a new class key goes to the machine
      logical = ClassesPath(path);
      break;
  }
  if (Redirects(view32)) {
    Redirected r = Redirect32(ShapeOf(*hive), logical);
    if (r.softwareRoot) r.names.resize(1);
    return CreatePath(hive->content.root, r.names, isVolatile, created);
  }
  return CreatePath(hive->content.root, logical, isVolatile, created);
}

LONG OpenOrCreate(HKEY parent, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result, bool create,
                  LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegistryStore& s = Store();
  Names names;
  if (LONG rc = SplitPath(subKey ? subKey : L"", names); rc != ERROR_SUCCESS) return rc;
  s.EnsureLoaded();
  if (IsPredefined(parent)) s.ReloadIfChanged(true);

  auto attempt = [&](bool mayCreate) -> LONG {
    Target t;
    if (LONG rc = Lookup(parent, t); rc != ERROR_SUCCESS) return rc;
    bool view32 = false;
    if (!ViewOf(sam, t, view32)) return ERROR_INVALID_PARAMETER;
    auto h = std::make_shared<Handle>();
    h->path.Assign(t.path, names);
    std::span<const std::wstring_view> full = h->path.names;
    std::shared_ptr<Key> a, b;
    bool followLast = !(options & kOpenLink);
    if (t.key() || !t.predefined)
      ResolveChild(t, view32, names, full, followLast, a, b);
    else
      ResolveFull(t.root, view32, full, followLast, a, b);
    bool created = false;
    if (!a && !b) {
      if (!mayCreate) return create ? ERROR_MORE_DATA /* retry with the exclusive lock */ : ERROR_FILE_NOT_FOUND;
      if (!t.predefined && !(t.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
      if (names.empty()) return ERROR_FILE_NOT_FOUND;
      if (LONG rc = CreateMissing(t.root, view32, full, options & REG_OPTION_VOLATILE, created); rc != ERROR_SUCCESS)
        return rc;
      ResolveFull(t.root, view32, full, true, a, b);
      if (!a && !b) return ERROR_FILE_NOT_FOUND;
    }
    const Key& key = a ? *a : *b;
    if (LONG rc = CheckOpenAccess(key, sam); rc != ERROR_SUCCESS) return rc;
    h->root = t.root;
    h->view32 = view32;
    h->access = sam;
    h->generation = s.generation();
    h->a = std::move(a);
    h->b = std::move(b);
    *result = s.AddHandle(std::move(h));
    if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
  };

  LONG rc;
  {
    std::shared_lock lock(s.treeMutex());
    rc = attempt(false);
  }
  if (create && rc == ERROR_MORE_DATA) {
    std::unique_lock lock(s.treeMutex());
    rc = attempt(true);
  }
  return rc;
}

// HKCR keys present in both files enumerate the sub-keys of both, each name once (the HKCU one wins).
// use(list) runs while the merged list is held, so enumeration by index costs no copy.
template <class Use>
void WithMergedSubkeys(const Target& t, Use use) {
  auto merge = [&](std::vector<Key*>& out) {
    out.clear();
    const auto& x = t.a->subkeys;
    const auto& y = t.b->subkeys;
    out.reserve(x.size() + y.size());
    size_t i = 0, j = 0;
    while (i < x.size() || j < y.size()) {
      int c = i == x.size() ? 1 : j == y.size() ? -1 : x[i]->folded.compare(y[j]->folded);
      if (c <= 0) {
        out.push_back(x[i].get());
        ++i;
        if (c == 0) ++j;
      } else {
        out.push_back(y[j++].get());
      }
    }
  };
  RegistryStore& s = Store();
  if (!t.handle) {
    // The predefined HKCR: one shared cache.
    static std::mutex mutex;
    static std::uint64_t stamp = 0;
    static std::vector<Key*> cache;
    std::lock_guard lock(mutex);
    if (stamp != s.structureStamp()) {
      merge(cache);
      stamp = s.structureStamp();
    }
    use(cache);
    return;
  }
  std::lock_guard lock(t.handle->cacheMutex);
  if (t.handle->mergeStamp != s.structureStamp()) {
    merge(t.handle->merged);
    t.handle->mergeStamp = s.structureStamp();
  }
  use(t.handle->merged);
}

bool Merges(const Target& t) { return t.root == RootKind::ClassesRoot && t.a && t.b; }

void PutFileTime(FILETIME* out, std::uint64_t t) {
  if (!out) return;
  out->dwLowDateTime = static_cast<DWORD>(t);
  out->dwHighDateTime = static_cast<DWORD>(t >> 32);
}

LONG DeleteKeyImpl(HKEY parent, LPCWSTR subKey, REGSAM sam, bool recursive) {
  RegistryStore& s = Store();
  Names names;
  if (LONG rc = SplitPath(subKey ? subKey : L"", names); rc != ERROR_SUCCESS) return rc;
  s.EnsureLoaded();
  std::unique_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = Lookup(parent, t); rc != ERROR_SUCCESS) return rc;
  std::shared_ptr<Key> target;
  if (names.empty()) {
    if (t.predefined) return ERROR_ACCESS_DENIED;
    target = t.keyShared();
  } else {
    bool view32 = false;
    if (!ViewOf(sam, t, view32)) return ERROR_INVALID_PARAMETER;
    OwnedPath full;
    full.Assign(t.path, names);
    std::shared_ptr<Key> a, b;
    ResolveChild(t, view32, names, full.names, false, a, b);  // a link key itself is deleted, not its target
    target = a ? a : b;
  }
  if (!target) return ERROR_FILE_NOT_FOUND;
  if (!target->parent || !target->hive) return ERROR_ACCESS_DENIED;  // a file's root
  if (!recursive && !target->subkeys.empty()) return ERROR_ACCESS_DENIED;
  // All or nothing: every key of the tree must be deletable before any goes.
  std::vector<Key*> stack{target.get()};
  while (!stack.empty()) {
    Key* k = stack.back();
    stack.pop_back();
    if (LONG rc = CheckWritable(*k); rc != ERROR_SUCCESS) return rc;
    for (auto& c : k->subkeys) stack.push_back(c.get());
  }
  Key* p = target->parent;
  p->Remove(target->name);
  p->modified = Now();
  s.Changed(*p, true);
  return ERROR_SUCCESS;
}

}  // namespace

void OwnedPath::Assign(std::span<const std::wstring_view> base, std::span<const std::wstring_view> more) {
  size_t size = 0;
  for (auto n : base) size += n.size() + 1;
  for (auto n : more) size += n.size() + 1;
  text.clear();
  text.reserve(size);
  std::vector<size_t> ends;
  ends.reserve(base.size() + more.size());
  for (auto part : {base, more})
    for (auto n : part) {
      if (!text.empty()) text += L'\\';
      text += n;
      ends.push_back(text.size());
    }
  names.clear();
  names.reserve(ends.size());
  size_t start = 0;
  for (size_t end : ends) {
    names.emplace_back(text.data() + start, end - start);
    start = end + 1;
  }
}

LONG ResolveForControl(HKEY root, std::wstring_view subKey, REGSAM view, std::shared_ptr<Key>& out) {
  Names names;
  if (LONG rc = SplitPath(subKey, names); rc != ERROR_SUCCESS) return rc;
  Target t;
  if (LONG rc = Lookup(root, t); rc != ERROR_SUCCESS) return rc;
  bool view32 = false;
  if (!ViewOf(view, t, view32)) return ERROR_INVALID_PARAMETER;
  std::shared_ptr<Key> a, b;
  OwnedPath full;
  full.Assign(t.path, names);
  ResolveFull(t.root, view32, full.names, true, a, b);
  out = a ? a : b;
  return out ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

}  // namespace mx::reg

namespace win {

using mx::reg::Key;
using mx::reg::RegistryStore;
using mx::reg::Target;
using mx::reg::Value;

LONG RegOpenKeyEx(HKEY key, LPCWSTR subKey, DWORD options, REGSAM sam, PHKEY result) {
  return mx::reg::OpenOrCreate(key, subKey, options, sam, result, false, nullptr);
}

LONG RegCreateKeyEx(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD options, REGSAM sam, void*, PHKEY result,
                    LPDWORD disposition) {
  return mx::reg::OpenOrCreate(key, subKey, options & ~mx::reg::kOpenLink, sam, result, true, disposition);
}

LONG RegCloseKey(HKEY key) {
  if (mx::reg::IsPredefined(key)) return ERROR_SUCCESS;
  if (!key) return ERROR_INVALID_HANDLE;
  return RegistryStore::Instance().RemoveHandle(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD cbData) {
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  std::shared_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = mx::reg::Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  if (!t.key()) return ERROR_FILE_NOT_FOUND;
  if (!(t.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  const Value* v = t.key()->FindValue(valueName ? std::wstring_view(valueName) : std::wstring_view());
  if (!v) return ERROR_FILE_NOT_FOUND;
  DWORD size = static_cast<DWORD>(v->data.size());
  if (type) *type = v->type;
  if (data) {
    if (*cbData < size) {
      *cbData = size;
      return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, v->data.data(), size);
  }
  if (cbData) *cbData = size;
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD cbData) {
  RegistryStore& s = RegistryStore::Instance();
  std::wstring_view name = valueName ? std::wstring_view(valueName) : std::wstring_view();
  if (name.size() > mx::reg::kMaxValueName) return ERROR_INVALID_PARAMETER;
  if (!data && cbData) return ERROR_INVALID_PARAMETER;
  s.EnsureLoaded();
  std::unique_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = mx::reg::Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  if (!t.key()) return ERROR_FILE_NOT_FOUND;
  if (!(t.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  Key& k = *t.key();
  if (LONG rc = mx::reg::CheckWritable(k); rc != ERROR_SUCCESS) return rc;
  k.SetValue(name, type, std::vector<BYTE>(data, data + cbData));
  k.modified = mx::reg::Now();
  s.Changed(k, false);
  return ERROR_SUCCESS;
}

LONG RegDeleteValue(HKEY key, LPCWSTR valueName) {
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  std::unique_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = mx::reg::Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  if (!t.key()) return ERROR_FILE_NOT_FOUND;
  if (!(t.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
  Key& k = *t.key();
  std::wstring_view name = valueName ? std::wstring_view(valueName) : std::wstring_view();
  if (!k.FindValue(name)) return ERROR_FILE_NOT_FOUND;
  if (LONG rc = mx::reg::CheckWritable(k); rc != ERROR_SUCCESS) return rc;
  k.DeleteValue(name);
  k.modified = mx::reg::Now();
  s.Changed(k, false);
  return ERROR_SUCCESS;
}

LONG RegDeleteKey(HKEY key, LPCWSTR subKey) { return mx::reg::DeleteKeyImpl(key, subKey, 0, false); }

LONG RegDeleteKeyEx(HKEY key, LPCWSTR subKey, REGSAM sam, DWORD) {
  return mx::reg::DeleteKeyImpl(key, subKey, sam & KEY_WOW64_RES, false);
}

LONG SHDeleteKey(HKEY key, LPCWSTR subKey) { return mx::reg::DeleteKeyImpl(key, subKey, 0, true); }

LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD, LPWSTR keyClass, LPDWORD cchClass,
                  FILETIME* lastWrite) {
  if (!name || !cchName) return ERROR_INVALID_PARAMETER;
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  std::shared_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = mx::reg::Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  if (!t.key()) return ERROR_FILE_NOT_FOUND;
  if (!(t.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
  const Key* child = nullptr;
  if (mx::reg::Merges(t)) {
    mx::reg::WithMergedSubkeys(t, [&](const std::vector<Key*>& merged) {
      if (index < merged.size()) child = merged[index];
    });
    if (!child) return ERROR_NO_MORE_ITEMS;
  } else {
    const auto& subkeys = t.key()->subkeys;
    if (index >= subkeys.size()) return ERROR_NO_MORE_ITEMS;
    child = subkeys[index].get();
  }
  if (child->name.size() >= *cchName) return ERROR_MORE_DATA;
  if (keyClass && cchClass) {
    if (child->keyClass.size() >= *cchClass) return ERROR_MORE_DATA;
    std::copy(child->keyClass.begin(), child->keyClass.end(), keyClass);
    keyClass[child->keyClass.size()] = 0;
    *cchClass = static_cast<DWORD>(child->keyClass.size());
  }
  std::copy(child->name.begin(), child->name.end(), name);
  name[child->name.size()] = 0;
  *cchName = static_cast<DWORD>(child->name.size());
  mx::reg::PutFileTime(lastWrite, child->modified);
  return ERROR_SUCCESS;
}

LONG RegEnumKey(HKEY key, DWORD index, LPWSTR name, DWORD cchName) {
  return RegEnumKeyEx(key, index, name, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD cchValueName, LPDWORD, LPDWORD type,
                  LPBYTE data, LPDWORD cbData) {
  if (!valueName || !cchValueName) return ERROR_INVALID_PARAMETER;
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  std::shared_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = mx::reg::Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  if (!t.key()) return ERROR_FILE_NOT_FOUND;
  if (!(t.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
  const auto& values = t.key()->values;
  if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
  const Value& v = values[index];
  if (v.name.size() >= *cchValueName) return ERROR_MORE_DATA;
  DWORD size = static_cast<DWORD>(v.data.size());
  if (data && *cbData < size) {
    *cbData = size;
    if (type) *type = v.type;
    return ERROR_MORE_DATA;
  }
  std::copy(v.name.begin(), v.name.end(), valueName);
  valueName[v.name.size()] = 0;
  *cchValueName = static_cast<DWORD>(v.name.size());
  if (type) *type = v.type;
  if (data && size) std::memcpy(data, v.data.data(), size);
  if (cbData) *cbData = size;
  return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY key, LPWSTR keyClass, LPDWORD cchClass, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                     LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                     LPDWORD securityDescriptor, FILETIME* lastWrite) {
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  std::shared_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = mx::reg::Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  if (!t.key()) return ERROR_FILE_NOT_FOUND;
  const Key& k = *t.key();
  std::vector<const Key*> children;
  if (mx::reg::Merges(t)) {
    mx::reg::WithMergedSubkeys(t, [&](const std::vector<Key*>& merged) {
      children.assign(merged.begin(), merged.end());
    });
  } else {
    for (const auto& c : k.subkeys) children.push_back(c.get());
  }
  if (keyClass && cchClass) {
    if (k.keyClass.size() >= *cchClass) {
      *cchClass = static_cast<DWORD>(k.keyClass.size());
      return ERROR_MORE_DATA;
    }
    std::copy(k.keyClass.begin(), k.keyClass.end(), keyClass);
    keyClass[k.keyClass.size()] = 0;
  }
  if (cchClass) *cchClass = static_cast<DWORD>(k.keyClass.size());
  size_t maxName = 0, maxClass = 0, maxValueName = 0, maxData = 0;
  for (const Key* c : children) {
    maxName = std::max(maxName, c->name.size());
    maxClass = std::max(maxClass, c->keyClass.size());
  }
  for (const Value& v : k.values) {
    maxValueName = std::max(maxValueName, v.name.size());
    maxData = std::max(maxData, v.data.size());
  }
  if (subKeys) *subKeys = static_cast<DWORD>(children.size());
  if (maxSubKeyLen) *maxSubKeyLen = static_cast<DWORD>(maxName);
  if (maxClassLen) *maxClassLen = static_cast<DWORD>(maxClass);
  if (values) *values = static_cast<DWORD>(k.values.size());
  if (maxValueNameLen) *maxValueNameLen = static_cast<DWORD>(maxValueName);
  if (maxValueLen) *maxValueLen = static_cast<DWORD>(maxData);
  if (securityDescriptor) *securityDescriptor = 0;
  mx::reg::PutFileTime(lastWrite, k.modified);
  return ERROR_SUCCESS;
}

LONG RegFlushKey(HKEY key) {
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  {
    std::shared_lock lock(s.treeMutex());
    Target t;
    if (LONG rc = mx::reg::Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  }
  return s.SaveDirty();
}

}  // namespace win
