#include "tools/BootCompactor.h"

#include <set>
#include <vector>

#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/WinPath.h"
#include "platform/registry/Registry.h"
#include "platform/registry/RegistryControl.h"
#include "platform/registry/WineRegFile.h"
#include "platform/system/Wow64Redirection.h"
#include "tools/HiveOptimizer.h"
#include "tools/RegCompact.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kMaxFile = 16u << 20;
constexpr std::uint32_t kMaxChars = 32767;

struct Entry {
  std::wstring name, ntPath;
};

std::uint32_t U32At(const std::string& b, size_t pos) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[pos + i])) << (8 * i);
  return v;
}

bool ParseEntries(const std::string& b, std::vector<Entry>& out) {
  if (b.size() < 12) return false;
  std::uint32_t count = U32At(b, 0);
  size_t pos = 12;
  if (count > (b.size() - pos) / 16) return false;
  auto text = [&](std::uint32_t chars, std::wstring& s) {
    if (chars > kMaxChars || (b.size() - pos) / 2 < chars) return false;
    for (std::uint32_t i = 0; i < chars; ++i, pos += 2)
      s += static_cast<wchar_t>(static_cast<unsigned char>(b[pos]) | static_cast<unsigned char>(b[pos + 1]) << 8);
    return true;
  };
  for (std::uint32_t i = 0; i < count; ++i) {
    if (b.size() - pos < 16) return false;
    std::uint32_t a = U32At(b, pos), bl = U32At(b, pos + 4);
    pos += 16;
    Entry e;
    if (!text(a, e.name) || !text(bl, e.ntPath)) return false;
    out.push_back(std::move(e));
  }
  return true;
}

bool SetStatus(const fs::path& file, std::string bytes, std::uint32_t status) {
  for (int i = 0; i < 4; ++i) bytes[8 + i] = static_cast<char>((status >> (8 * i)) & 0xFF);
  return mx::WriteFileAtomic(file, bytes);
}

// Takes our entries out of BootExecute, so the compaction runs once.
LONG RemoveOurBootEntry() {
  HKEY key = nullptr;
  if (LONG rc = win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key);
      rc != ERROR_SUCCESS)
    return rc;
  DWORD type = 0, size = 0;
  std::vector<BYTE> data;
  if (win::RegQueryValueEx(key, L"BootExecute", nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size);
    win::RegQueryValueEx(key, L"BootExecute", nullptr, &type, data.data(), &size);
  }
  std::vector<std::wstring> kept;
  for (const auto& s : ParseMultiString(data)) {
    std::wstring upper;
    for (wchar_t c : s) upper += mx::ToUpperChar(c);
    if (upper.rfind(L"QZBOOT ", 0) == 0 || upper.rfind(L"QZBOOT64 ", 0) == 0 || upper == L"QZBOOT" || upper == L"QZBOOT64")
      continue;
    kept.push_back(s);
  }
  std::vector<BYTE> value = MakeMultiString(kept);
  LONG rc = win::RegSetValueEx(key, L"BootExecute", 0, REG_MULTI_SZ, value.data(), static_cast<DWORD>(value.size()));
  win::RegCloseKey(key);
  return rc != ERROR_SUCCESS ? rc : mx::reg::FlushRegistry();
}

}  // namespace

BootCompactionResult RunBootCompaction(const std::wstring& argument) {
  BootCompactionResult result;
  // A native program: the system folder is the real one.
  mx::ScopedFsRedirectionOff redirection;
  std::wstring path = argument.rfind(L"\\??\\", 0) == 0 ? argument.substr(4) : argument;
  auto resolved = mx::ResolveWinPath(path);
  std::string bytes;
  std::error_code ec;
  std::vector<Entry> entries;
  if (!resolved || !resolved->exists || fs::file_size(resolved->host, ec) > kMaxFile ||
      !mx::ReadWholeFile(resolved->host, bytes) || !ParseEntries(bytes, entries)) {
    result.exitCode = 2;
    result.message = L"the parameter file " + path + L" is missing or damaged; nothing was changed";
    return result;
  }
  if (U32At(bytes, 8) != kBootStatusPending) {
    result.exitCode = 1;
    result.message = L"the parameter file was processed before; nothing to do";
    return result;
  }
  const fs::path prefix = mx::PrefixDir();
  // The files are rewritten whole below the registry: no other program of ours may save between our read
  // and our rename, or one of the two writes would be lost.
  mx::reg::ExclusiveRegistry exclusive;
  if (!exclusive.held()) {
    result.exitCode = 3;
    result.message = L"the registry is busy: no registry file was compacted (" + mx::reg::LastRegistryError() + L")";
    return result;
  }
  if (mx::reg::WineServerRunning(prefix)) {
    SetStatus(resolved->host, bytes, kBootStatusRefused);
    result.exitCode = 3;
    result.message = L"Wine is running on the prefix: no registry file was compacted";
    return result;
  }
  if (LONG rc = RemoveOurBootEntry(); rc != ERROR_SUCCESS) {
    result.exitCode = 3;
    result.message = L"the boot entry could not be removed (error " + std::to_wstring(rc) + L"): " +
                     mx::reg::LastRegistryError();
    return result;
  }
  // The files are rewritten below the registry's in-memory copy: it reads them afresh afterwards.
  mx::reg::ResetRegistry();
  std::set<fs::path> done;
  for (const Entry& e : entries) {
    std::wstring drive = DevicePathToDosPath(e.ntPath);
    auto file = drive.empty() ? std::nullopt : mx::ResolveWinPath(drive);
    if (!file || !file->exists) continue;
    fs::path host = fs::weakly_canonical(file->host, ec);
    // Only the prefix's own registry files, each once.
    std::string leaf = host.filename().string();
    if (ec || host.parent_path() != fs::weakly_canonical(prefix, ec) ||
        (leaf != "system.reg" && leaf != "user.reg" && leaf != "userdef.reg") || !done.insert(host).second)
      continue;
    std::string text;
    mx::reg::WineRegFile parsed;
    std::wstring error;
    if (!mx::ReadWholeFile(host, text) || !parsed.Parse(text, mx::Utf8ToWide(leaf), nullptr, nullptr, &error)) continue;
    if (mx::WriteFileAtomic(host, parsed.Format())) ++result.filesRewritten;
  }
  SetStatus(resolved->host, bytes, kBootStatusProcessed);
  result.message = L"compacted " + std::to_wstring(result.filesRewritten) + L" registry file(s)";
  return result;
}
