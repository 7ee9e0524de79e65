#pragma once
// Control of the in-memory registry behind Registry.h: which machine it models, access rules for tests,
// saving, reloading and all-or-nothing imports. The Reg* calls themselves stay in Registry.h.
#include <chrono>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry/Registry.h"

namespace mx::reg {

enum class Arch { Win32, Win64 };

// "The user is an administrator" (default yes, as in a Wine prefix). Without it, opening an HKEY_LOCAL_MACHINE
// key with write access or creating one fails with ERROR_ACCESS_DENIED.
void SetUserIsAdmin(bool admin);
bool UserIsAdmin();

// The registry's architecture: the `#arch` of the prefix's files. Win64 means this 32-bit program runs under
// WOW64 (native view = 32-bit view). A prefix without registry files starts empty with the default arch
// (Win64 unless set), and writes its files on the first save.
Arch RegistryArch();
void SetDefaultArch(Arch arch);

// Access rules of single keys, so tests can reach every access-denied branch. ReadOnly: opens that ask for
// any write right, and writes through the key, fail with ERROR_ACCESS_DENIED. Denied: every open fails with it.
// The rule sticks to the key the path names in that view (view = 0, KEY_WOW64_32KEY or KEY_WOW64_64KEY) until
// the registry is reset. Returns ERROR_FILE_NOT_FOUND when the key does not exist.
enum class KeyAccess { Normal, ReadOnly, Denied };
LONG SetKeyAccess(HKEY root, std::wstring_view subKey, REGSAM view, KeyAccess access);

// Drops the in-memory registry (changes not yet saved are saved first when they can be) and loads the
// registry of mx::PrefixDir() again on next use. Open handles become invalid. Called on every
// mx::SetPrefixDir, so tests that switch prefix get a fresh registry. Also clears admin and access rules
// back to their defaults.
void ResetRegistry();

// Saves every changed hive now (the same as RegFlushKey). ERROR_SUCCESS when nothing was left unsaved;
// otherwise an error code and LastRegistryError() says why (Wine running on the prefix, file changed on disk,
// disk full...). A failed save changes no file.
LONG FlushRegistry();

// Why registry files of the prefix could not be loaded ("FILE:LINE: why"), one line per file; empty when
// all loaded. Such a file reads as empty and is never written: a program that needs the registry must stop
// and say so rather than report on a registry it could not read.
std::vector<std::wstring> RegistryLoadErrors();

// The prefix's registry lock between our processes, held for this object's lifetime: a short-lived writer
// (the registry editor) takes it before its first read, so that no other program saves between its load,
// its changes and its own save. Waits a while for another holder; held() tells whether it got it, and
// LastRegistryError() then says why not.
class ExclusiveRegistry {
 public:
  ExclusiveRegistry();
  ~ExclusiveRegistry();
  ExclusiveRegistry(const ExclusiveRegistry&) = delete;
  ExclusiveRegistry& operator=(const ExclusiveRegistry&) = delete;
  bool held() const { return held_; }

 private:
  bool held_ = false;
};

// The last save, load or refusal message, naming the file or prefix; empty when none happened.
std::wstring LastRegistryError();
// Lines of the registry files that were skipped while loading ("FILE:LINE: why").
std::vector<std::wstring> LoadWarnings();

// How long after the last change the background saver writes the files (default 1 s). Zero or less turns
// the background saver off (saves then happen at flush, at reset and at exit).
void SetAutoSaveDelay(std::chrono::milliseconds delay);

// Reloads hives whose files changed on disk since they were loaded, when we hold no unsaved change in them
// (a child process such as the registry editor wrote them). Done by itself on opens from a predefined root;
// call it after waiting for such a child to be sure.
void ReloadIfChanged();

// Which keys of the files an open key shows: equal for two handles on the same keys, whatever path or link
// led to them, so a walk of the tree can tell that a link led it back to a key it is already inside.
// All null for a handle that is not valid.
struct KeyIdentity {
  const void* a = nullptr;
  const void* b = nullptr;
  bool operator==(const KeyIdentity&) const = default;
};
KeyIdentity RegKeyIdentity(HKEY key);

// Whether a Wine server holds the prefix now (its server folder's lock file is locked).
bool WineServerRunning(const std::filesystem::path& prefix);

// All-or-nothing changes: while a transaction is open, the registry records a snapshot; Commit() keeps the
// changes and saves them, destruction without Commit() (or Rollback()) puts the whole registry back as it was
// at the start. Only one transaction at a time; a second one waits. Other threads' changes made meanwhile are
// rolled back with it, so callers keep transactions short (one .reg import).
class Transaction {
 public:
  Transaction();
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  // Keeps the changes and saves them; returns what FlushRegistry returns.
  LONG Commit();
  void Rollback();

 private:
  bool open_ = true;
};

}  // namespace mx::reg
