#include "scan/ScanPathKinds.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace {

struct Kinds {
  std::mutex lock;
  int scopes = 0;
  std::unordered_map<std::wstring, signed char> byPath;
  std::unordered_map<std::wstring, std::shared_ptr<const mx::FolderNames>> folders;
  std::unordered_map<std::wstring, std::vector<unsigned short>> rootPrefixes;
  std::uint64_t scopesBegun = 0;
  std::atomic<std::uint64_t> current{0};
};

Kinds& State() {
  static Kinds kinds;
  return kinds;
}

}  // namespace

ScanPathKindScope::ScanPathKindScope() {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes++ == 0) {
    kinds.byPath.clear();
    kinds.folders.clear();
    kinds.rootPrefixes.clear();
    kinds.current.store(++kinds.scopesBegun, std::memory_order_release);
  }
}

ScanPathKindScope::~ScanPathKindScope() {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (--kinds.scopes == 0) {
    std::unordered_map<std::wstring, signed char>().swap(kinds.byPath);
    decltype(kinds.folders)().swap(kinds.folders);
    decltype(kinds.rootPrefixes)().swap(kinds.rootPrefixes);
    kinds.current.store(0, std::memory_order_release);
  }
}

namespace {

// What one of the memos holds for key: nothing outside a scan or when not kept yet.
template <typename Map>
std::optional<typename Map::mapped_type> Kept(Map Kinds::*memo, const std::wstring& key) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes == 0) return std::nullopt;
  const auto it = (kinds.*memo).find(key);
  if (it == (kinds.*memo).end()) return std::nullopt;
  return it->second;
}

template <typename Map>
void Keep(Map Kinds::*memo, const std::wstring& key, typename Map::mapped_type value) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes > 0) (kinds.*memo).emplace(key, std::move(value));
}

}  // namespace

std::optional<int> KeptPathKind(const std::wstring& path) { return Kept(&Kinds::byPath, path); }

void KeepPathKind(const std::wstring& path, int kind) { Keep(&Kinds::byPath, path, static_cast<signed char>(kind)); }

std::optional<std::shared_ptr<const mx::FolderNames>> KeptFolder(const std::wstring& folder) {
  return Kept(&Kinds::folders, folder);
}

void KeepFolder(const std::wstring& folder, std::shared_ptr<const mx::FolderNames> names) {
  Keep(&Kinds::folders, folder, std::move(names));
}

std::optional<std::vector<unsigned short>> KeptRootPrefixes(const std::wstring& text) {
  return Kept(&Kinds::rootPrefixes, text);
}

void KeepRootPrefixes(const std::wstring& text, std::vector<unsigned short> lengths) {
  Keep(&Kinds::rootPrefixes, text, std::move(lengths));
}

std::uint64_t CurrentScanScope() { return State().current.load(std::memory_order_acquire); }
