#include "platform/registry/KeyResolver.h"

#include <algorithm>
#include <iterator>
#include <mutex>

#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/registry/FoldedPath.h"
#include "platform/registry/ViewResolver.h"

namespace mx::reg {

constexpr int kMaxLinkDepth = 16;
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxDepth = 512;
constexpr REGSAM kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_CREATE_LINK | DELETE | 0x40000 | 0x80000;

static const Names& ConfigPath() {
  static const Names path{L"System", L"CurrentControlSet", L"Hardware Profiles", L"Current"};
  return path;
}

std::uint64_t Now() { return GetClock().NowFileTime(); }

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

Names JoinPath(std::span<const std::wstring_view> base, std::span<const std::wstring_view> more) {
  Names full;
  full.reserve(base.size() + more.size());
  full.append(base.begin(), base.end());
  full.append(more.begin(), more.end());
  return full;
}

using Folded = std::span<const FoldedName>;

static std::shared_ptr<Key> Walk(const std::shared_ptr<Key>& start, Folded names, bool followLast, int depth);

// A link key's target: "\Registry\Machine\..." or "\Registry\User\<SID or .Default>\...".
static std::shared_ptr<Key> FollowLink(const Key& link, int depth) {
  if (depth > kMaxLinkDepth) return nullptr;  // a loop of links
  std::wstring target = LinkTarget(link);
  Names names;
  if (SplitPath(std::wstring_view(target).substr(target.starts_with(L"\\") ? 1 : 0), names) != ERROR_SUCCESS)
    return nullptr;
  if (names.size() < 2 || !EqualsNoCase(names[0], L"Registry")) return nullptr;
  RegistryStore& s = Store();
  std::shared_ptr<Key> root;
  size_t first = 2;
  if (EqualsNoCase(names[1], L"Machine")) {
    root = s.hive(Hive::Kind::Machine).content.root;
  } else if (EqualsNoCase(names[1], L"User") && names.size() >= 3) {
    root = s.usersRoot()->FindShared(names[2]);
    first = 3;
  }
  if (!root) return nullptr;
  FoldedPath below(std::span<const std::wstring_view>(names).subspan(first));
  return Walk(root, below.names(), true, depth + 1);
}

// Walks down names, following link keys on the way (and at the end when followLast). The caller holds the
// tree lock, so the walk steps by plain pointers and takes a share of the key it ends on only.
static std::shared_ptr<Key> Walk(const std::shared_ptr<Key>& start, Folded names, bool followLast, int depth) {
  const std::shared_ptr<Key>* key = &start;
  std::shared_ptr<Key> followed;  // holds a link's target while the walk is below it
  for (const FoldedName& name : names) {
    if (!*key) return nullptr;
    if ((*key)->isLink) {
      followed = FollowLink(**key, depth + 1);
      key = &followed;
      if (!*key) return nullptr;
    }
    key = (*key)->FindOwner(name);
    if (!key) return nullptr;
  }
  if (*key && followLast && (*key)->isLink) return FollowLink(**key, depth + 1);
  return *key;
}

static HiveShape ShapeOf(const Hive& h) { return h.kind == Hive::Kind::Machine ? HiveShape::Machine : HiveShape::User; }

static bool Redirects(bool view32) { return view32 && Store().arch() == Arch::Win64; }

static std::shared_ptr<Key> ResolveInHive(Hive& h, std::span<const std::wstring_view> logical, bool view32,
                                          bool followLast) {
  if (Redirects(view32)) {
    Redirected r = Redirect32(ShapeOf(h), logical);
    FoldedPath physical(r.names);
    auto key = Walk(h.content.root, physical.names(), followLast, 0);
    if (!key && r.softwareRoot) key = Walk(h.content.root, physical.names().first(1), followLast, 0);
    return key;
  }
  FoldedPath physical(logical);
  return Walk(h.content.root, physical.names(), followLast, 0);
}

static Names ClassesPath(std::span<const std::wstring_view> path) {
  Names full{L"Software", L"Classes"};
  full.append(path.begin(), path.end());
  return full;
}

// The hive a path of HKEY_USERS lives in (path[0] names it), or null.
static Hive* UsersHive(std::span<const std::wstring_view> path) {
  if (path.empty()) return nullptr;
  RegistryStore& s = Store();
  for (Hive::Kind kind : {Hive::Kind::User, Hive::Kind::Default})
    if (EqualsNoCase(s.hive(kind).root()->name, path[0])) return &s.hive(kind);
  return nullptr;
}

void ResolveFull(RootKind root, bool view32, std::span<const std::wstring_view> path, bool followLast,
                 std::shared_ptr<Key>& a, std::shared_ptr<Key>& b) {
  RegistryStore& s = Store();
  a.reset();
  b.reset();
  switch (root) {
    case RootKind::LocalMachine:
      a = ResolveInHive(s.hive(Hive::Kind::Machine), path, view32, followLast);
      break;
    case RootKind::CurrentUser:
      a = ResolveInHive(s.hive(Hive::Kind::User), path, view32, followLast);
      break;
    case RootKind::Users:
      if (path.empty()) {
        a = s.usersRootShared();
      } else if (Hive* h = UsersHive(path)) {
        a = ResolveInHive(*h, path.subspan(1), view32, followLast);
      }
      break;
    case RootKind::ClassesRoot: {
      // Both files place a Classes path alike, so its names are folded once for the two walks.
      auto full = ClassesPath(path);
      Redirected r;
      if (Redirects(view32)) r = Redirect32(HiveShape::User, full);
      FoldedPath physical(Redirects(view32) ? std::span<const std::wstring_view>(r.names) : full);
      a = Walk(s.hive(Hive::Kind::User).content.root, physical.names(), followLast, 0);
      b = Walk(s.hive(Hive::Kind::Machine).content.root, physical.names(), followLast, 0);
      break;
    }
  }
}

// Whether the key at full (below the root) has a 32-bit place of its own rather than its parent's place + name.
static bool StepDecides(RootKind root, std::span<const std::wstring_view> full) {
  switch (root) {
    case RootKind::LocalMachine:
      return DecidesPlacement(HiveShape::Machine, full);
    case RootKind::CurrentUser:
      return DecidesPlacement(HiveShape::User, full);
    case RootKind::Users:
      return full.size() >= 2 && DecidesPlacement(HiveShape::User, full.subspan(1));
    case RootKind::ClassesRoot:
      return full.size() == 1;
  }
  return true;
}

LONG Lookup(HKEY hkey, Target& t) {
  RegistryStore& s = Store();
  if (IsPredefined(hkey)) {
    t.predefined = true;
    t.view32 = s.arch() == Arch::Win64;  // the native view of a 32-bit program
    // HKEY_CURRENT_CONFIG is a place in the machine's tree.
    static constexpr RootKind kRoots[] = {RootKind::ClassesRoot, RootKind::CurrentUser,  RootKind::LocalMachine,
                                          RootKind::Users,       RootKind::LocalMachine, RootKind::LocalMachine};
    auto index = reinterpret_cast<std::uintptr_t>(hkey) - 0x80000000u;
    t.root = kRoots[index];
    if (hkey == HKEY_CURRENT_CONFIG) t.path = ConfigPath();
    // Nearly every open starts at a root: its keys are found again only when the tree's shape has changed.
    // The stamps only change under the exclusive tree lock, and every caller holds the tree lock: keys found
    // for the current stamps stay as they are until the caller lets go, so they are read without the mutex.
    struct Found {
      std::atomic<std::uint64_t> generation{0}, structure{0};
      std::shared_ptr<Key> a, b;
    };
    static std::mutex mutex;
    static Found found[std::size(kRoots)];
    Found& f = found[index];
    auto current = [&] {
      return f.structure.load(std::memory_order_acquire) == s.structureStamp() &&
             f.generation.load(std::memory_order_relaxed) == s.generation();
    };
    if (!current()) {
      std::lock_guard lock(mutex);
      if (!current()) {
        ResolveFull(t.root, t.view32, t.path, true, f.a, f.b);
        f.generation.store(s.generation(), std::memory_order_relaxed);
        f.structure.store(s.structureStamp(), std::memory_order_release);
      }
    }
    t.a = &f.a;
    t.b = &f.b;
    return ERROR_SUCCESS;
  }
  if (!hkey) return ERROR_INVALID_HANDLE;
  t.handle = s.FindHandle(hkey);
  if (!t.handle) return ERROR_INVALID_HANDLE;
  Handle& h = *t.handle;
  t.root = h.root;
  t.view32 = h.view32;
  t.access = h.access;
  t.path = h.path.names();
  if (h.generation.load(std::memory_order_acquire) != s.generation()) {
    std::lock_guard lock(h.cacheMutex);
    if (h.generation.load(std::memory_order_relaxed) != s.generation()) {
      // The files were reloaded: find the key again by its place.
      ResolveFull(h.root, h.view32, h.path.names(), true, h.a, h.b);
      h.mergeStamp = 0;
      h.generation.store(s.generation(), std::memory_order_release);
    }
  }
  t.a = h.a && !h.a->deleted ? &h.a : &kNoKey;
  t.b = h.b && !h.b->deleted ? &h.b : &kNoKey;
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

void ResolveChild(const Target& parent, bool view32, std::span<const std::wstring_view> names, bool followLast,
                  std::shared_ptr<Key>& a, std::shared_ptr<Key>& b) {
  if (parent.predefined && parent.root == RootKind::ClassesRoot && !names.empty()) {
    // HKEY_CLASSES_ROOT's own keys are the Classes keys of the two files, the same ones in both views (found
    // with their links followed): below them only the first name may move, so no walk from the files' roots.
    Names physical;
    if (Redirects(view32)) {
      Redirect32BelowClasses(names, physical);
      names = physical;
    }
    FoldedPath folded(names);
    a = *parent.a ? Walk(*parent.a, folded.names(), followLast, 0) : nullptr;
    b = *parent.b ? Walk(*parent.b, folded.names(), followLast, 0) : nullptr;
    return;
  }
  const Names joined = JoinPath(parent.path, names);
  const std::span<const std::wstring_view> fullPath = joined;
  bool incremental = view32 == parent.view32;
  if (incremental && Redirects(view32))
    for (size_t n = parent.path.size() + 1; n <= fullPath.size() && incremental; ++n)
      incremental = !StepDecides(parent.root, fullPath.first(n));
  if (!incremental) return ResolveFull(parent.root, view32, fullPath, followLast, a, b);
  FoldedPath folded(names);
  a = *parent.a ? Walk(*parent.a, folded.names(), followLast, 0) : nullptr;
  b = *parent.b ? Walk(*parent.b, folded.names(), followLast, 0) : nullptr;
  if (names.empty()) {
    a = *parent.a;
    b = *parent.b;
  }
}

// Creates the missing keys of a physical path below root; the first missing key's parent must be writable.
static LONG CreatePath(std::shared_ptr<Key> key, std::span<const std::wstring_view> names, bool isVolatile,
                       bool& created) {
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
    case RootKind::LocalMachine:
      hive = &s.hive(Hive::Kind::Machine);
      logical.assign(path.begin(), path.end());
      break;
    case RootKind::CurrentUser:
      hive = &s.hive(Hive::Kind::User);
      logical.assign(path.begin(), path.end());
      break;
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

void OwnedPath::Assign(std::span<const std::wstring_view> base, std::span<const std::wstring_view> more) {
  size_t size = 0;
  for (auto n : base) size += n.size();
  for (auto n : more) size += n.size();
  wchar_t* text = inline_;
  heap_.reset();
  if (size > kInlineText) {
    heap_ = std::make_unique_for_overwrite<wchar_t[]>(size);
    text = heap_.get();
  }
  // The names only: views need no separators between them.
  names_.clear();
  names_.reserve(base.size() + more.size());
  for (auto part : {base, more})
    for (auto n : part) {
      std::copy(n.begin(), n.end(), text);
      names_.push_back(std::wstring_view(text, n.size()));
      text += n.size();
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
  Names full = JoinPath(t.path, names);
  ResolveFull(t.root, view32, full, true, a, b);
  out = a ? a : b;
  return out ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

}  // namespace mx::reg
