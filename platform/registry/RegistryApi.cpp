// The Reg* calls over the in-memory registry.
#include <algorithm>
#include <cstring>

#include "platform/registry/KeyResolver.h"
#include "platform/registry/Registry.h"

namespace mx::reg {

namespace {

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

LONG RegEnumValue(HKEY key, DWORD index, LPWSTR valueName, LPDWORD cchValueName, LPDWORD, LPDWORD type, LPBYTE data,
                  LPDWORD cbData) {
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
    mx::reg::WithMergedSubkeys(t,
                               [&](const std::vector<Key*>& merged) { children.assign(merged.begin(), merged.end()); });
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
