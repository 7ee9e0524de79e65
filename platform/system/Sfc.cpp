#include "platform/system/Sfc.h"

#include <mutex>

#include "platform/base/Text.h"

namespace mx {

namespace {

std::mutex g_mutex;
std::vector<std::wstring> g_files;
std::vector<ProtectedKey> g_keys;

std::wstring CleanPath(std::wstring_view path) {
  std::wstring p(path);
  for (auto& c : p)
    if (c == L'/') c = L'\\';
  while (p.size() > 3 && p.back() == L'\\') p.pop_back();
  return p;
}

const wchar_t* RootName(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
  if (root == HKEY_USERS) return L"HKEY_USERS";
  if (root == HKEY_CURRENT_CONFIG) return L"HKEY_CURRENT_CONFIG";
  return nullptr;
}

}  // namespace

void SetProtectedFiles(std::vector<std::wstring> paths) {
  for (auto& p : paths) p = CleanPath(p);
  std::lock_guard lock(g_mutex);
  g_files = std::move(paths);
}

void SetProtectedKeys(std::vector<ProtectedKey> keys) {
  for (auto& k : keys) {
    while (!k.key.empty() && k.key.back() == L'\\') k.key.pop_back();
  }
  std::lock_guard lock(g_mutex);
  g_keys = std::move(keys);
}

}  // namespace mx

namespace win {

BOOL SfcIsFileProtected(void* /*rpcHandle*/, LPCWSTR path) {
  if (!path || !*path) return FALSE;
  std::wstring p = mx::CleanPath(path);
  std::lock_guard lock(mx::g_mutex);
  for (const auto& f : mx::g_files)
    if (mx::EqualsNoCase(f, p)) return TRUE;
  return FALSE;
}

BOOL SfcIsKeyProtected(HKEY root, LPCWSTR subKey, REGSAM sam) {
  const wchar_t* rootName = mx::RootName(root);
  if (!rootName) return FALSE;
  std::wstring key = rootName;
  if (subKey && *subKey) {
    key += L'\\';
    key += subKey;
  }
  while (!key.empty() && key.back() == L'\\') key.pop_back();
  REGSAM view = sam & KEY_WOW64_RES;
  std::lock_guard lock(mx::g_mutex);
  for (const auto& k : mx::g_keys) {
    if (k.view && view && k.view != view) continue;
    if (mx::EqualsNoCase(key, k.key)) return TRUE;
    if (key.size() > k.key.size() && key[k.key.size()] == L'\\' && mx::StartsWithNoCase(key, k.key)) return TRUE;
  }
  return FALSE;
}

}  // namespace win
