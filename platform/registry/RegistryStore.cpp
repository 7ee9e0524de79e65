#include "platform/registry/RegistryStore.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/registry/HiveListApply.h"
#include "platform/registry/RegistryLock.h"
#include "platform/registry/SaveIntent.h"
#include "platform/registry/WineServer.h"

namespace mx::reg {

namespace {

constexpr const wchar_t* kDefaultSid = L"S-1-5-21-0-0-0-1000";
constexpr const char* const kFileNames[3] = {"system.reg", "user.reg", "userdef.reg"};

SaveStepHook gSaveStepHook = nullptr;

void Step(SaveStep step) {
  if (gSaveStepHook) gSaveStepHook(step);
}

std::wstring FileLabel(const std::filesystem::path& file) { return Utf8ToWide(file.string()); }

void ResetReg() { RegistryStore::Instance().Reset(); }

std::int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A process forked from one that ran the saver inherits a saver whose thread is not there: it can be neither
// stopped nor destroyed, only kept.
void Abandon(std::unique_ptr<AutoSaver> saver) {
  static auto* kept = new std::vector<std::unique_ptr<AutoSaver>>;
  kept->push_back(std::move(saver));
}

}  // namespace

void SetSaveStepHook(SaveStepHook hook) { gSaveStepHook = hook; }

FileStamp StampOf(const std::filesystem::path& file) {
  FileStamp s;
  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) return s;
  s.exists = true;
  s.device = st.st_dev;
  s.inode = st.st_ino;
  s.size = static_cast<std::uint64_t>(st.st_size);
  s.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

RegistryStore& RegistryStore::Instance() {
  static RegistryStore store;
  return store;
}

RegistryStore::RegistryStore() {
  for (auto& h : hives_) h = std::make_unique<Hive>();
  mx::OnPrefixChanged(&ResetReg);
}

RegistryStore::~RegistryStore() {
  {
    std::lock_guard lock(saverMutex_);
    if (saver_ && !saver_->OwnedByThisProcess()) Abandon(std::move(saver_));
    saver_.reset();
  }
  // Changes still pending are written at exit.
  if (loaded_) SaveDirty();
}

void RegistryStore::EnsureLoaded() {
  if (loaded_.load(std::memory_order_acquire)) return;
  std::unique_lock lock(treeMutex_);
  if (!loaded_.load(std::memory_order_relaxed)) LoadLocked();
}

void RegistryStore::LoadLocked() {
  prefix_ = mx::PrefixDir();
  // Read under the lock, so that a save of several files by another program is seen whole; one it left
  // unfinished is finished first. Without the lock (a prefix we may not write) the files are read as they are.
  RegistryLockHold lock(prefix_, kRegistryLockWait, false);
  if (lock.held()) FinishSaveIntent(prefix_);
  {
    std::lock_guard lock(messagesMutex_);
    warnings_.clear();
  }
  for (int i = 0; i < 3; ++i) {
    Hive& h = *hives_[i];
    h.kind = static_cast<Hive::Kind>(i);
    h.file = prefix_ / kFileNames[i];
    LoadHive(h);
  }
  // The machine file decides the architecture; a prefix without files is what the control says.
  if (hives_[0]->content.hasArch)
    arch_ = hives_[0]->content.arch;
  else if (hives_[1]->content.hasArch)
    arch_ = hives_[1]->content.arch;
  else
    arch_ = defaultArch.load();
  for (auto& h : hives_) h->content.arch = arch_;
  RebuildUsersRoot();
  ApplyHiveListLocked(*this);
  ++generation_;
  ++structureStamp_;
  lastReloadCheck_ = SteadyNs();
  loaded_.store(true, std::memory_order_release);
}

void RegistryStore::LoadHive(Hive& h) {
  h.broken = false;
  h.loadError.clear();
  h.dirty = false;
  h.content = WineRegFile{};
  h.stamp = StampOf(h.file);
  auto empty = [&] {
    h.content.root = std::make_shared<Key>();
    h.content.root->hive = &h;
    h.content.root->modified = GetClock().NowFileTime();
    switch (h.kind) {
      case Hive::Kind::Machine:
        h.content.relativeTo = L"REGISTRY\\Machine";
        break;
      case Hive::Kind::User:
        h.content.relativeTo = std::wstring(L"REGISTRY\\User\\") + kDefaultSid;
        break;
      case Hive::Kind::Default:
        h.content.relativeTo = L"REGISTRY\\User\\.Default";
        break;
    }
  };
  if (!h.stamp.exists) {
    empty();
    return;
  }
  std::string text;
  std::error_code ec;
  std::vector<std::wstring> warnings;
  std::wstring error;
  if (!ReadWholeFile(h.file, text, &ec)) {
    error = FileLabel(h.file) + L": cannot be read: " + Utf8ToWide(ec.message());
  } else if (!h.content.Parse(text, FileLabel(h.file), &h, &warnings, &error)) {
    // error is already set by the parser
  }
  if (!error.empty()) {
    // A file we cannot read is kept as it is: the registry shows it empty and refuses to write it.
    empty();
    h.broken = true;
    h.loadError = error;
    SetError(error);
  }
  if (!warnings.empty()) {
    size_t shown = 0;
    for (const auto& w : warnings)
      if (shown++ < 20) std::fprintf(stderr, "registry: %s\n", WideToUtf8(w).c_str());
    if (warnings.size() > 20)
      std::fprintf(stderr, "registry: %s: %zu more lines skipped\n", h.file.string().c_str(), warnings.size() - 20);
    std::lock_guard lock(messagesMutex_);
    warnings_.insert(warnings_.end(), warnings.begin(), warnings.end());
  }
}

void RegistryStore::RebuildUsersRoot() {
  Hive& user = *hives_[1];
  Hive& def = *hives_[2];
  std::wstring sid = kDefaultSid;
  const std::wstring& rel = user.content.relativeTo;
  size_t slash = rel.rfind(L'\\');
  if (StartsWithNoCase(rel, L"REGISTRY\\User\\") && slash != std::wstring::npos && slash + 1 < rel.size())
    sid = rel.substr(slash + 1);
  user.root()->SetName(sid);
  def.root()->SetName(L".Default");
  usersRoot_ = std::make_shared<Key>();
  usersRoot_->subkeys.push_back(def.content.root);
  usersRoot_->subkeys.push_back(user.content.root);
  if (CompareNoCase(sid, L".Default") < 0) std::swap(usersRoot_->subkeys[0], usersRoot_->subkeys[1]);
}

void RegistryStore::Changed(Key& key, bool structure) {
  if (key.hive) key.hive->dirty = true;
  if (structure) ++structureStamp_;
  Saver().Touch();
}

AutoSaver& RegistryStore::Saver() {
  std::lock_guard lock(saverMutex_);
  if (saver_ && !saver_->OwnedByThisProcess()) {
    auto delay = saver_->delay();
    Abandon(std::move(saver_));
    saver_ = std::make_unique<AutoSaver>([this] { SaveDirty(); }, delay);
  }
  if (!saver_) saver_ = std::make_unique<AutoSaver>([this] { SaveDirty(); }, std::chrono::milliseconds(1000));
  return *saver_;
}

void RegistryStore::SetAutoSaveDelay(std::chrono::milliseconds delay) { Saver().SetDelay(delay); }

LONG RegistryStore::WritesAllowed(const Hive& hive) {
  if (hive.broken) {
    SetError(hive.loadError + L" (the registry file is left untouched; nothing can be changed in it)");
    return ERROR_ACCESS_DENIED;
  }
  std::lock_guard lock(serverMutex_);
  auto now = std::chrono::steady_clock::now();
  if (now - serverChecked_ > std::chrono::milliseconds(250) || serverChecked_.time_since_epoch().count() == 0) {
    serverRunning_ = WineServerRunning(prefix_);
    serverChecked_ = now;
  }
  if (serverRunning_) {
    SetError(L"Wine is running on the prefix " + FileLabel(prefix_) +
             L": it holds the registry and would overwrite our changes, so nothing is written. "
             L"Close the Wine programs (or run wineserver -k) and try again.");
    return ERROR_ACCESS_DENIED;
  }
  return ERROR_SUCCESS;
}

LONG RegistryStore::SaveDirty() {
  if (!loaded_ || inTransaction_) return ERROR_SUCCESS;
  std::lock_guard saveLock(saveMutex_);
  std::shared_lock treeLock(treeMutex_);
  std::vector<Hive*> dirty;
  for (auto& h : hives_)
    if (h->dirty) dirty.push_back(h.get());
  return dirty.empty() ? ERROR_SUCCESS : SaveHivesLocked(dirty);
}

// All the changed files or none: every check is made and every new file written before the first one
// replaces its old self.
LONG RegistryStore::SaveHivesLocked(const std::vector<Hive*>& hives) {
  const std::wstring nothingSaved = hives.size() > 1 ? L"; none of the changed files was saved" : L"";
  for (Hive* h : hives)
    if (h->broken) {
      SetError(h->loadError + L" (not overwritten" + (hives.size() > 1 ? L", and nothing else was saved)" : L")"));
      return ERROR_REGISTRY_IO_FAILED;
    }
  {
    std::lock_guard lock(serverMutex_);
    serverChecked_ = {};
  }
  if (WritesAllowed(*hives[0]) != ERROR_SUCCESS) return ERROR_SHARING_VIOLATION;
  RegistryLockHold lock(prefix_, kRegistryLockWait, true);
  if (!lock.held()) {
    SetError(lock.error() + L"; the changes were not saved");
    return ERROR_SHARING_VIOLATION;
  }
  FinishSaveIntent(prefix_);
  RemoveStaleTemporaries(prefix_, {std::begin(kFileNames), std::end(kFileNames)});
  for (Hive* h : hives)
    if (!(StampOf(h->file) == h->stamp)) {
      SetError(FileLabel(h->file) +
               L" was changed by another program since it was loaded; our changes are not saved over it" +
               nothingSaved);
      return ERROR_SHARING_VIOLATION;
    }
  std::vector<StagedFile> staged;
  auto discard = [&] {
    for (const auto& f : staged) ::unlink(f.temp.c_str());
  };
  for (Hive* h : hives) {
    std::filesystem::path temp;
    std::error_code ec;
    if (!StageFile(h->file, h->content.Format(), &temp, &ec)) {
      discard();
      SetError(FileLabel(h->file) + L" could not be saved: " + Utf8ToWide(ec.message()) + nothingSaved);
      return ERROR_REGISTRY_IO_FAILED;
    }
    staged.push_back({h->file, std::move(temp)});
  }
  Step(SaveStep::TempsWritten);
  if (staged.size() > 1) {
    std::error_code ec;
    if (!RecordSaveIntent(prefix_, staged, &ec)) {
      discard();
      SetError(FileLabel(SaveIntentFile(prefix_)) + L" could not be written: " + Utf8ToWide(ec.message()) +
               nothingSaved);
      return ERROR_REGISTRY_IO_FAILED;
    }
    Step(SaveStep::IntentRecorded);
  }
  for (size_t i = 0; i < staged.size(); ++i) {
    if (::rename(staged[i].temp.c_str(), staged[i].target.c_str()) != 0) {
      std::wstring why = Utf8ToWide(std::error_code(errno, std::generic_category()).message());
      if (i == 0) {
        discard();
        if (staged.size() > 1) DropSaveIntent(prefix_);
        SetError(FileLabel(staged[i].target) + L" could not be replaced: " + why + nothingSaved);
      } else {
        // Past the first rename the recorded intent is the way forward: it is finished at the next open.
        SetError(FileLabel(staged[i].target) + L" could not be replaced: " + why +
                 L"; the save is recorded in " + FileLabel(SaveIntentFile(prefix_)) +
                 L" and is finished the next time the registry is opened");
      }
      return ERROR_REGISTRY_IO_FAILED;
    }
    Step(SaveStep::FileReplaced);
  }
  SyncFolder(prefix_);
  if (staged.size() > 1) {
    DropSaveIntent(prefix_);
    Step(SaveStep::IntentRemoved);
  }
  for (Hive* h : hives) {
    h->dirty = false;
    h->stamp = StampOf(h->file);
  }
  return ERROR_SUCCESS;
}

void RegistryStore::ReloadIfChanged(bool throttled) {
  if (!loaded_) return;
  {
    constexpr std::int64_t kThrottleNs = 20'000'000;
    const std::int64_t now = SteadyNs();
    if (throttled && now - lastReloadCheck_.load(std::memory_order_relaxed) < kThrottleNs) return;
    std::lock_guard lock(reloadCheckMutex_);
    if (throttled && now - lastReloadCheck_.load(std::memory_order_relaxed) < kThrottleNs) return;
    lastReloadCheck_.store(now, std::memory_order_relaxed);
  }
  std::lock_guard saveLock(saveMutex_);
  bool changed = false;
  for (auto& h : hives_)
    if (!h->dirty && !(StampOf(h->file) == h->stamp)) changed = true;
  if (!changed || inTransaction_) return;
  RegistryLockHold lock(prefix_, kRegistryLockWait, false);
  if (lock.held()) FinishSaveIntent(prefix_);
  std::unique_lock treeLock(treeMutex_);
  for (auto& h : hives_) {
    if (h->dirty || StampOf(h->file) == h->stamp) continue;
    LoadHive(*h);
    h->content.arch = arch_;
  }
  RebuildUsersRoot();
  ApplyHiveListLocked(*this);
  ++generation_;
  ++structureStamp_;
}

void RegistryStore::Reset() {
  SaveDirty();
  {
    std::lock_guard saveLock(saveMutex_);
    std::unique_lock treeLock(treeMutex_);
    for (auto& h : hives_) {
      h->content = WineRegFile{};
      h->dirty = false;
      h->broken = false;
    }
    usersRoot_.reset();
    loaded_ = false;
    ++generation_;
    ++structureStamp_;
    admin = true;
    std::lock_guard lock(serverMutex_);
    serverChecked_ = {};
  }
  handles_.Clear();  // the handles go once the table's lock is let go
}

HKEY RegistryStore::AddHandle(std::shared_ptr<Handle> handle) { return handles_.Add(std::move(handle)); }

std::shared_ptr<Handle> RegistryStore::FindHandle(HKEY key) { return handles_.Find(key); }

bool RegistryStore::RemoveHandle(HKEY key) { return handles_.Remove(key) != nullptr; }

void RegistryStore::SetError(std::wstring message) {
  std::lock_guard lock(messagesMutex_);
  lastError_ = std::move(message);
}

std::wstring RegistryStore::LastError() {
  std::lock_guard lock(messagesMutex_);
  return lastError_;
}

std::vector<std::wstring> RegistryStore::LoadErrors() {
  EnsureLoaded();
  std::shared_lock treeLock(treeMutex_);
  std::vector<std::wstring> errors;
  for (auto& h : hives_)
    if (h->broken) errors.push_back(h->loadError);
  return errors;
}

std::vector<std::wstring> RegistryStore::Warnings() {
  std::lock_guard lock(messagesMutex_);
  return warnings_;
}

void RegistryStore::BeginTransaction() {
  transactionMutex_.lock();
  EnsureLoaded();
  std::lock_guard saveLock(saveMutex_);
  std::unique_lock treeLock(treeMutex_);
  for (int i = 0; i < 3; ++i) {
    snapshot_[i] = CloneTree(*hives_[i]->root(), nullptr);
    snapshotDirty_[i] = hives_[i]->dirty;
  }
  inTransaction_ = true;
}

void RegistryStore::EndTransaction(bool commit) {
  if (!commit) {
    std::lock_guard saveLock(saveMutex_);
    std::unique_lock treeLock(treeMutex_);
    for (int i = 0; i < 3; ++i) {
      if (!snapshot_[i]) continue;
      hives_[i]->content.root = std::move(snapshot_[i]);
      hives_[i]->dirty = snapshotDirty_[i];
    }
    RebuildUsersRoot();
    ++generation_;
    ++structureStamp_;
  }
  for (auto& s : snapshot_) s.reset();
  inTransaction_ = false;
  transactionMutex_.unlock();
}

}  // namespace mx::reg
