// The Reg* calls over the in-memory registry.
#include <algorithm>
#include <cstring>

#include "platform/registry/KeyResolver.h"
#include "platform/registry/Registry.h"

namespace mx::reg {

namespace {

// An open that must create keys first looks under the shared lock, then again under the exclusive one.
constexpr LONG kNeedsExclusiveLock = -1;

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
    std::shared_ptr<Key> a, b;
    bool followLast = !(options & kOpenLink);
    if (t.key() || !t.predefined)
      ResolveChild(t, view32, names, followLast, a, b);
    else
      ResolveFull(t.root, view32, JoinPath(t.path, names), followLast, a, b);
    bool created = false;
    if (!a && !b) {
      if (!mayCreate) return create ? kNeedsExclusiveLock : ERROR_FILE_NOT_FOUND;
      if (!t.predefined && !(t.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
      if (names.empty()) return ERROR_FILE_NOT_FOUND;
      // The names view the parent's path and the caller's text.
      const Names full = JoinPath(t.path, names);
      if (LONG rc = CreateMissing(t.root, view32, full, options & REG_OPTION_VOLATILE, created); rc != ERROR_SUCCESS)
        return rc;
      ResolveFull(t.root, view32, full, true, a, b);
      if (!a && !b) return ERROR_FILE_NOT_FOUND;
    }
    const Key& key = a ? *a : *b;
    if (LONG rc = CheckOpenAccess(key, sam); rc != ERROR_SUCCESS) return rc;
    auto h = std::make_shared<Handle>();
    h->path.Assign(t.path, names);
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
  if (rc == kNeedsExclusiveLock) {
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
    const auto& x = (*t.a)->subkeys;
    const auto& y = (*t.b)->subkeys;
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

bool Merges(const Target& t) { return t.root == RootKind::ClassesRoot && *t.a && *t.b; }

// Runs use(target) under the tree lock (shared for reads, exclusive for writes) once the key is found and the
// handle holds right (0: no right needed).
template <class Lock, class Use>
LONG OnKey(HKEY key, REGSAM right, Use use) {
  RegistryStore& s = Store();
  s.EnsureLoaded();
  Lock lock(s.treeMutex());
  Target t;
  if (LONG rc = Lookup(key, t); rc != ERROR_SUCCESS) return rc;
  if (!t.key()) return ERROR_FILE_NOT_FOUND;
  if (right && !(t.access & right)) return ERROR_ACCESS_DENIED;
  return use(t);
}

std::wstring_view NameOf(LPCWSTR name) { return name ? std::wstring_view(name) : std::wstring_view(); }

// Copies text and its terminator into a buffer known to be large enough; *cch gets the length.
void PutText(const std::wstring& text, LPWSTR out, LPDWORD cch) {
  std::copy(text.begin(), text.end(), out);
  out[text.size()] = 0;
  *cch = static_cast<DWORD>(text.size());
}

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
    std::shared_ptr<Key> a, b;
    ResolveChild(t, view32, names, false, a, b);  // a link key itself is deleted, not its target
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
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  return mx::reg::OnKey<std::shared_lock<std::shared_mutex>>(key, KEY_QUERY_VALUE, [&](Target& t) -> LONG {
    const Value* v = t.key()->FindValue(mx::reg::NameOf(valueName));
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
  });
}

LONG RegSetValueEx(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD cbData) {
  std::wstring_view name = mx::reg::NameOf(valueName);
  if (name.size() > mx::reg::kMaxValueName) return ERROR_INVALID_PARAMETER;
  if (!data && cbData) return ERROR_INVALID_PARAMETER;
  return mx::reg::OnKey<std::unique_lock<std::shared_mutex>>(key, KEY_SET_VALUE, [&](Target& t) -> LONG {
    Key& k = *t.key();
    if (LONG rc = mx::reg::CheckWritable(k); rc != ERROR_SUCCESS) return rc;
    k.SetValue(name, type, std::vector<BYTE>(data, data + cbData));
    k.modified = mx::reg::Now();
    mx::reg::Store().Changed(k, k.isLink);  // a link's target moves the keys below it
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY key, LPCWSTR valueName) {
  std::wstring_view name = mx::reg::NameOf(valueName);
  return mx::reg::OnKey<std::unique_lock<std::shared_mutex>>(key, KEY_SET_VALUE, [&](Target& t) -> LONG {
    Key& k = *t.key();
    if (!k.FindValue(name)) return ERROR_FILE_NOT_FOUND;
    if (LONG rc = mx::reg::CheckWritable(k); rc != ERROR_SUCCESS) return rc;
    k.DeleteValue(name);
    k.modified = mx::reg::Now();
    mx::reg::Store().Changed(k, k.isLink);  // a link's target moves the keys below it
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteKey(HKEY key, LPCWSTR subKey) { return mx::reg::DeleteKeyImpl(key, subKey, 0, false); }

LONG RegDeleteKeyEx(HKEY key, LPCWSTR subKey, REGSAM sam, DWORD) {
  return mx::reg::DeleteKeyImpl(key, subKey, sam & KEY_WOW64_RES, false);
}

LONG SHDeleteKey(HKEY key, LPCWSTR subKey) { return mx::reg::DeleteKeyImpl(key, subKey, 0, true); }

LONG RegEnumKeyEx(HKEY key, DWORD index, LPWSTR name, LPDWORD cchName, LPDWORD, LPWSTR keyClass, LPDWORD cchClass,
                  FILETIME* lastWrite) {
  if (!name || !cchName) return ERROR_INVALID_PARAMETER;
  return mx::reg::OnKey<std::shared_lock<std::shared_mutex>>(key, KEY_ENUMERATE_SUB_KEYS, [&](Target& t) -> LONG {
    const Key* child = nullptr;
    if (mx::reg::Merges(t)) {
      mx::reg::WithMergedSubkeys(t, [&](const std::vector<Key*>& merged) {
        if (index < merged.size()) child = merged[index];
      });
    } else if (index < t.key()->subkeys.size()) {
      child = t.key()->subkeys[index].get();
    }
    if (!child) return ERROR_NO_MORE_ITEMS;
    if (child->name.size() >= *cchName) return ERROR_MORE_DATA;
    if (keyClass && cchClass) {
      if (child->keyClass.size() >= *cchClass) return ERROR_MORE_DATA;
      mx::reg::PutText(child->keyClass, keyClass, cchClass);
    }
    mx::reg::PutText(child->name, name, cchName);
    mx::reg::PutFileTime(lastWrite, child->modified);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKey(HKEY key, DWORD index, LPWSTR name, DWORD cchName) {
  return RegEnumKeyEx(key, index, name, &cchName, nullptr, nullptr, nullptr, nullptr);
}

LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD cchValueName, LPDWORD, LPDWORD type, LPBYTE data,
                  LPDWORD cbData) {
  if (!valueName || !cchValueName) return ERROR_INVALID_PARAMETER;
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  return mx::reg::OnKey<std::shared_lock<std::shared_mutex>>(key, KEY_QUERY_VALUE, [&](Target& t) -> LONG {
    const auto& values = t.key()->values;
    if (index >= values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = values[index];
    if (v.name.size() >= *cchValueName) return ERROR_MORE_DATA;
    DWORD size = static_cast<DWORD>(v.data.size());
    if (type) *type = v.type;
    if (data && *cbData < size) {
      *cbData = size;
      return ERROR_MORE_DATA;
    }
    mx::reg::PutText(v.name, valueName, cchValueName);
    if (data && size) std::memcpy(data, v.data.data(), size);
    if (cbData) *cbData = size;
    return ERROR_SUCCESS;
  });
}

LONG RegQueryInfoKey(HKEY key, LPWSTR keyClass, LPDWORD cchClass, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLen,
                     LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen, LPDWORD maxValueLen,
                     LPDWORD securityDescriptor, FILETIME* lastWrite) {
  return mx::reg::OnKey<std::shared_lock<std::shared_mutex>>(key, 0, [&](Target& t) -> LONG {
    const Key& k = *t.key();
    std::vector<const Key*> children;
    if (mx::reg::Merges(t)) {
      mx::reg::WithMergedSubkeys(
          t, [&](const std::vector<Key*>& merged) { children.assign(merged.begin(), merged.end()); });
    } else {
      for (const auto& c : k.subkeys) children.push_back(c.get());
    }
    if (keyClass && cchClass) {
      if (k.keyClass.size() >= *cchClass) {
        *cchClass = static_cast<DWORD>(k.keyClass.size());
        return ERROR_MORE_DATA;
      }
      mx::reg::PutText(k.keyClass, keyClass, cchClass);
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
    auto put = [](LPDWORD out, size_t v) {
      if (out) *out = static_cast<DWORD>(v);
    };
    put(subKeys, children.size());
    put(maxSubKeyLen, maxName);
    put(maxClassLen, maxClass);
    put(values, k.values.size());
    put(maxValueNameLen, maxValueName);
    put(maxValueLen, maxData);
    put(securityDescriptor, 0);
    mx::reg::PutFileTime(lastWrite, k.modified);
    return ERROR_SUCCESS;
  });
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
