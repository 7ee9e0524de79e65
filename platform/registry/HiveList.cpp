#include "platform/registry/HiveList.h"

#include <mutex>

#include "platform/base/Prefix.h"
#include "platform/registry/HiveListApply.h"
#include "platform/registry/KeyResolver.h"

namespace mx::reg {

namespace {

std::mutex g_mutex;
std::vector<HiveListEntry> g_entries;

void ForgetOnPrefixChange() {
  std::lock_guard lock(g_mutex);
  g_entries.clear();
}

[[maybe_unused]] const bool g_registered = [] {
  OnPrefixChanged(&ForgetOnPrefixChange);
  return true;
}();

std::vector<BYTE> StringData(const std::wstring& s) {
  std::vector<BYTE> data((s.size() + 1) * 2, 0);
  for (size_t i = 0; i < s.size(); ++i) {
    data[2 * i] = static_cast<BYTE>(s[i] & 0xFF);
    data[2 * i + 1] = static_cast<BYTE>((s[i] >> 8) & 0xFF);
  }
  return data;
}

}  // namespace

void ApplyHiveListLocked(RegistryStore& s) {
  std::vector<HiveListEntry> entries;
  {
    std::lock_guard lock(g_mutex);
    entries = g_entries;
  }
  static const Names kControl{L"System", L"CurrentControlSet", L"Control"};
  std::shared_ptr<Key> a, b;
  ResolveFull(RootKind::LocalMachine, false, kControl, true, a, b);
  Key* control = a ? a.get() : b.get();
  if (entries.empty() && (!control || !control->Find(L"hivelist"))) return;
  std::uint64_t now = Now();
  if (!control) {
    // A prefix without files has no control set yet. Its keys are made as ordinary keys: keys created below
    // a volatile key would be volatile too and never saved. Holding only the list, they write nothing.
    Key* key = s.hive(Hive::Kind::Machine).root();
    if (!key) return;
    for (std::wstring_view name : kControl) key = key->Add(name, now);
    control = key;
  }
  bool created = false;
  Key* list = control->Add(L"hivelist", now, &created);
  // Only a key we made stays out of the file; one a file already held keeps its own values too.
  if (created) list->isVolatile = true;
  if (list->isVolatile) list->values.clear();
  for (const auto& e : entries) list->SetValue(e.name, REG_SZ, StringData(e.file));
}

void SetHiveList(std::vector<HiveListEntry> entries) {
  {
    std::lock_guard lock(g_mutex);
    g_entries = std::move(entries);
  }
  RegistryStore& s = Store();
  s.EnsureLoaded();
  std::unique_lock lock(s.treeMutex());
  ApplyHiveListLocked(s);
}

std::vector<HiveListEntry> HiveList() {
  std::lock_guard lock(g_mutex);
  return g_entries;
}

std::vector<std::pair<std::wstring, std::wstring>> HiveNamesOfPrefix() {
  RegistryStore& s = Store();
  s.EnsureLoaded();
  std::shared_lock lock(s.treeMutex());
  std::wstring sid = s.hive(Hive::Kind::User).root()->name;
  return {
      {L"\\REGISTRY\\MACHINE\\SYSTEM", L"system.reg"},
      {L"\\REGISTRY\\MACHINE\\SOFTWARE", L"system.reg"},
      {L"\\REGISTRY\\USER\\.DEFAULT", L"userdef.reg"},
      {L"\\REGISTRY\\USER\\" + sid, L"user.reg"},
  };
}

}  // namespace mx::reg
