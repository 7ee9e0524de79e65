#include "scan/ScanPathKinds.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Kinds {
  std::mutex lock;
  int scopes = 0;
  std::unordered_map<std::wstring, signed char> byPath;
};

Kinds& State() {
  static Kinds kinds;
  return kinds;
}

}  // namespace

ScanPathKindScope::ScanPathKindScope() {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (kinds.scopes++ == 0) kinds.byPath.clear();
}

ScanPathKindScope::~ScanPathKindScope() {
  Kinds& kinds = State();
  std::lock_guard guard(kinds.lock);
  if (--kinds.scopes == 0) std::unordered_map<std::wstring, signed char>().swap(kinds.byPath);
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
