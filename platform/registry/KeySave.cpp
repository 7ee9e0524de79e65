#include "platform/registry/KeySave.h"

#include "platform/registry/KeyResolver.h"

namespace mx::reg {

LONG FormatKeyTree(HKEY hkey, std::string& out) {
  RegistryStore& s = Store();
  s.EnsureLoaded();
  std::shared_lock lock(s.treeMutex());
  Target t;
  if (LONG rc = Lookup(hkey, t); rc != ERROR_SUCCESS) return rc;
  const Key& key = *t.key();
  if (!key.hive) return ERROR_INVALID_HANDLE;  // HKEY_USERS itself is no hive
  WineRegFile file;
  file.arch = s.arch();
  file.relativeTo = key.hive->content.relativeTo;
  std::wstring below = key.Path();
  if (!below.empty()) file.relativeTo += L"\\" + below;
  // A copy without a parent, so the keys' paths are written relative to this key.
  file.root = CloneTree(key, nullptr);
  out = file.Format();
  return ERROR_SUCCESS;
}

}  // namespace mx::reg
