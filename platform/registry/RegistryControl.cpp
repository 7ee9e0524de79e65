#include "platform/registry/RegistryControl.h"

#include "platform/base/Prefix.h"
#include "platform/registry/KeyResolver.h"
#include "platform/registry/RegistryLock.h"
#include "platform/registry/WineServer.h"

namespace mx::reg {

void SetUserIsAdmin(bool admin) { RegistryStore::Instance().admin = admin; }
bool UserIsAdmin() { return RegistryStore::Instance().admin; }

Arch RegistryArch() {
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  return s.arch();
}

void SetDefaultArch(Arch arch) { RegistryStore::Instance().defaultArch = arch; }

LONG SetKeyAccess(HKEY root, std::wstring_view subKey, REGSAM view, KeyAccess access) {
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  std::unique_lock lock(s.treeMutex());
  std::shared_ptr<Key> key;
  if (LONG rc = ResolveForControl(root, subKey, view, key); rc != ERROR_SUCCESS) return rc;
  key->access = access;
  return ERROR_SUCCESS;
}

KeyIdentity RegKeyIdentity(HKEY key) {
  RegistryStore& s = RegistryStore::Instance();
  s.EnsureLoaded();
  std::shared_lock lock(s.treeMutex());
  Target t;
  if (Lookup(key, t) != ERROR_SUCCESS) return {};
  return {t.a->get(), t.b->get()};
}

void ResetRegistry() { RegistryStore::Instance().Reset(); }

LONG FlushRegistry() { return RegistryStore::Instance().SaveDirty(); }

std::vector<std::wstring> RegistryLoadErrors() { return RegistryStore::Instance().LoadErrors(); }

ExclusiveRegistry::ExclusiveRegistry() {
  std::wstring error;
  held_ = RegistryLock::Acquire(mx::PrefixDir(), kRegistryLockWait, true, &error);
  if (!held_) {
    RegistryStore::Instance().SetError(error);
    return;
  }
  // What we loaded before may have been replaced meanwhile.
  RegistryStore::Instance().ReloadIfChanged(false);
}

ExclusiveRegistry::~ExclusiveRegistry() {
  if (held_) RegistryLock::Release();
}

std::wstring LastRegistryError() { return RegistryStore::Instance().LastError(); }
std::vector<std::wstring> LoadWarnings() { return RegistryStore::Instance().Warnings(); }

void SetAutoSaveDelay(std::chrono::milliseconds delay) { RegistryStore::Instance().SetAutoSaveDelay(delay); }

void ReloadIfChanged() { RegistryStore::Instance().ReloadIfChanged(false); }

Transaction::Transaction() { RegistryStore::Instance().BeginTransaction(); }

Transaction::~Transaction() {
  if (open_) Rollback();
}

LONG Transaction::Commit() {
  if (!open_) return ERROR_SUCCESS;
  open_ = false;
  RegistryStore::Instance().EndTransaction(true);
  return RegistryStore::Instance().SaveDirty();
}

void Transaction::Rollback() {
  if (!open_) return;
  open_ = false;
  RegistryStore::Instance().EndTransaction(false);
}

}  // namespace mx::reg
