#include "platform/base/Prefix.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace mx {

namespace {
std::mutex g_mutex;
std::filesystem::path g_override;
std::vector<void (*)()>& Callbacks() {
  static std::vector<void (*)()> callbacks;
  return callbacks;
}
}  // namespace

std::filesystem::path PrefixDir() {
  std::lock_guard lock(g_mutex);
  if (!g_override.empty()) return g_override;
  if (const char* p = std::getenv("WINEPREFIX"); p && *p) return std::filesystem::path(p);
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/") / ".wine";
}

void SetPrefixDir(const std::filesystem::path& dir) {
  std::vector<void (*)()> callbacks;
  {
    std::lock_guard lock(g_mutex);
    g_override = dir;
    callbacks = Callbacks();
  }
  for (auto cb : callbacks) cb();
}

void OnPrefixChanged(void (*callback)()) {
  std::lock_guard lock(g_mutex);
  Callbacks().push_back(callback);
}

}  // namespace mx
