#include "scan/ScanPathKinds.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Kinds {
  std::mutex lock;
  int scopes = 0;
  std::unordered_map<std::wstring, signed char> byPath;
  std::unordered_map<std::wstring, std::shared_ptr<const mx::FolderNames>> folders;
  std::unordered_map<std::wstring, std::vector<unsigned short>> rootPrefixes;
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
  }
}

ScanPathKindScope::~ScanPathKindScope() {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (--kinds.scopes == 0) {
    std::unordered_map<std::wstring, signed char>().swap(kinds.byPath);
    decltype(kinds.folders)().swap(kinds.folders);
    decltype(kinds.rootPrefixes)().swap(kinds.rootPrefixes);
  }
}

std::optional<int> KeptPathKind(const std::wstring& path) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes == 0) return std::nullopt;
  const auto it = kinds.byPath.find(path);
  if (it == kinds.byPath.end()) return std::nullopt;
  return it->second;
}

void KeepPathKind(const std::wstring& path, int kind) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes > 0) kinds.byPath.emplace(path, static_cast<signed char>(kind));
}

std::optional<std::shared_ptr<const mx::FolderNames>> KeptFolder(const std::wstring& folder) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes == 0) return std::nullopt;
  const auto it = kinds.folders.find(folder);
  if (it == kinds.folders.end()) return std::nullopt;
  return it->second;
}

void KeepFolder(const std::wstring& folder, std::shared_ptr<const mx::FolderNames> names) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes > 0) kinds.folders.emplace(folder, std::move(names));
}

std::optional<std::vector<unsigned short>> KeptRootPrefixes(const std::wstring& text) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes == 0) return std::nullopt;
  const auto it = kinds.rootPrefixes.find(text);
  if (it == kinds.rootPrefixes.end()) return std::nullopt;
  return it->second;
}

void KeepRootPrefixes(const std::wstring& text, std::vector<unsigned short> lengths) {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes > 0) kinds.rootPrefixes.emplace(text, std::move(lengths));
}
