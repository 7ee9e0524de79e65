#include "platform/system/Module.h"

#include <mutex>
#include <system_error>

#include "platform/system/Environment.h"

namespace mx {

namespace {
std::mutex g_mutex;
std::filesystem::path g_hostDirOverride;
}  // namespace

std::wstring ProgramWinDir() {
  // ProgramFiles as our 32-bit program sees it: the x86 folder on a 64-bit prefix.
  std::wstring base = GetEnv(L"ProgramFiles").value_or(L"C:\\Program Files");
  while (!base.empty() && base.back() == L'\\') base.pop_back();
  return base + L"\\Tarvolen\\Mendrix";
}

std::wstring ProgramWinPath() { return ProgramWinDir() + L"\\mendrix.exe"; }

std::filesystem::path ProgramHostDir() {
  {
    std::lock_guard lock(g_mutex);
    if (!g_hostDirOverride.empty()) return g_hostDirOverride;
  }
  // The running program's own file does not move while it runs.
  static const std::filesystem::path exeDir = [] {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
  }();
  if (exeDir.empty()) {
    std::error_code ec;
    return std::filesystem::current_path(ec);
  }
  return exeDir;
}

void SetProgramHostDir(const std::filesystem::path& dir) {
  std::lock_guard lock(g_mutex);
  g_hostDirOverride = dir;
}

}  // namespace mx

namespace win {

DWORD GetModuleFileName(void* module, LPWSTR buffer, DWORD size) {
  if (module) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::wstring path = mx::ProgramWinPath();
  if (path.size() >= size) {
    path.copy(buffer, size - 1);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  path.copy(buffer, path.size());
  buffer[path.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

}  // namespace win
