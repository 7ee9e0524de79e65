#include "platform/gdi/ResourceDir.h"

#include <cstdlib>
#include <mutex>
#include <system_error>

namespace gdi {
namespace {
std::mutex g_mutex;
std::filesystem::path g_override;
}  // namespace

std::filesystem::path ResourceDir() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_override.empty()) return g_override;
  }
  if (const char* env = std::getenv("MX_RES_DIR"); env && *env) return env;
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return exe.parent_path() / "res";
  return "res";
}

void SetResourceDir(const std::filesystem::path& dir) {
  std::lock_guard lock(g_mutex);
  g_override = dir;
}

}  // namespace gdi
