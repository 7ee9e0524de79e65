#pragma once
// The registry of the current prefix: its three files loaded lazily, the open handles, the access rules,
// the background saver and the transaction snapshot. Internal to platform/registry; other code uses
// Registry.h and RegistryControl.h.
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/registry/AutoSaver.h"
#include "platform/registry/HandleTable.h"
#include "platform/registry/Hive.h"
#include "platform/registry/NameList.h"
#include "platform/registry/Registry.h"

namespace mx::reg {

enum class RootKind { ClassesRoot, CurrentUser, LocalMachine, Users };

// The steps of a save, for tests that stop a process between them.
enum class SaveStep { TempsWritten, IntentRecorded, FileReplaced, IntentRemoved };
using SaveStepHook = void (*)(SaveStep);
void SetSaveStepHook(SaveStepHook hook);

// A key's place below its root: the names joined with backslashes, and views of each name into that text.
// A short path is kept inside the object, so a handle costs one allocation.
class OwnedPath {
 public:
  static constexpr size_t kInlineText = 128;

  OwnedPath() {}
  OwnedPath(const OwnedPath&) = delete;
  OwnedPath& operator=(const OwnedPath&) = delete;
  void Assign(std::span<const std::wstring_view> base, std::span<const std::wstring_view> more);
  const NameList& names() const { return names_; }

 private:
  NameList names_;
  std::unique_ptr<wchar_t[]> heap_;
  union {
    wchar_t inline_[kInlineText];  // unset past what Assign wrote
  };
};

// One open key. The logical place (root, names, view) never changes; the physical keys it maps to are
// cached and looked up again when the registry was reloaded.
struct Handle {
  RootKind root = RootKind::LocalMachine;
  bool view32 = false;
  REGSAM access = 0;
  OwnedPath path;

  std::mutex cacheMutex;
  // Written under cacheMutex; read without it when it is current (the keys are then set and stay so while the
  // reader holds the tree lock).
  std::atomic<std::uint64_t> generation{0};
  // HKCR: a = the HKCU copy, b = the HKLM copy; other roots: a = the key.
  std::shared_ptr<Key> a, b;
  std::uint64_t mergeStamp = 0;
  std::vector<Key*> merged;  // HKCR sub-keys of both copies, one per name
};

class RegistryStore {
 public:
  static RegistryStore& Instance();
  ~RegistryStore();

  // Loads the files on first use. Call with no lock held.
  void EnsureLoaded();
  std::shared_mutex& treeMutex() { return treeMutex_; }

  Hive& hive(Hive::Kind kind) { return *hives_[static_cast<int>(kind)]; }
  Key* usersRoot() { return usersRoot_.get(); }
  const std::shared_ptr<Key>& usersRootShared() { return usersRoot_; }
  Arch arch() const { return arch_; }
  std::uint64_t generation() const { return generation_.load(); }
  std::uint64_t structureStamp() const { return structureStamp_.load(); }

  // After a change made under the exclusive tree lock: marks the file changed and arms the saver.
  void Changed(Key& key, bool structure);
  // ERROR_SUCCESS when files may be written now; otherwise why not (also recorded as the last error).
  LONG WritesAllowed(const Hive& hive);

  LONG SaveDirty();
  void ReloadIfChanged(bool throttled);
  void Reset();

  // Handles.
  HKEY AddHandle(std::shared_ptr<Handle> handle);
  std::shared_ptr<Handle> FindHandle(HKEY key);
  bool RemoveHandle(HKEY key);

  std::atomic<bool> admin{true};
  std::atomic<Arch> defaultArch{Arch::Win64};

  void SetError(std::wstring message);
  std::wstring LastError();
  std::vector<std::wstring> Warnings();
  std::vector<std::wstring> LoadErrors();
  void SetAutoSaveDelay(std::chrono::milliseconds delay);

  void BeginTransaction();
  void EndTransaction(bool commit);

 private:
  RegistryStore();
  void LoadLocked();
  void LoadHive(Hive& hive);
  void RebuildUsersRoot();
  LONG SaveHivesLocked(const std::vector<Hive*>& hives);
  AutoSaver& Saver();

  std::shared_mutex treeMutex_;
  std::mutex saveMutex_;  // taken before treeMutex_ when both are needed
  std::atomic<bool> loaded_{false};
  std::unique_ptr<Hive> hives_[3];
  std::shared_ptr<Key> usersRoot_;
  Arch arch_ = Arch::Win64;
  std::filesystem::path prefix_;
  std::atomic<std::uint64_t> generation_{1};
  std::atomic<std::uint64_t> structureStamp_{1};
  // Nanoseconds of the steady clock; read without the mutex by the throttled checks that come too soon.
  std::atomic<std::int64_t> lastReloadCheck_{0};
  std::mutex reloadCheckMutex_;

  std::mutex serverMutex_;
  std::chrono::steady_clock::time_point serverChecked_{};
  bool serverRunning_ = false;

  HandleTable handles_;

  std::mutex messagesMutex_;
  std::wstring lastError_;
  std::vector<std::wstring> warnings_;

  std::mutex saverMutex_;
  std::unique_ptr<AutoSaver> saver_;

  std::mutex transactionMutex_;
  std::atomic<bool> inTransaction_{false};
  std::shared_ptr<Key> snapshot_[3];
  bool snapshotDirty_[3] = {};
};

}  // namespace mx::reg
