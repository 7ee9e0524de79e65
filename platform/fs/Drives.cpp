#include "platform/fs/Drives.h"

#include <array>
#include <mutex>

#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/FsInternal.h"
#include "platform/registry/Registry.h"
#include "platform/system/RegRead.h"

namespace mx {

namespace {

namespace fs = std::filesystem;

struct DriveMap {
  std::array<std::optional<fs::path>, 26> roots;
};

std::mutex g_mutex;
std::optional<DriveMap> g_map;
std::array<UINT, 26> g_typeOverride{};

void ResetOnPrefixChange() {
  std::lock_guard lock(g_mutex);
  g_map.reset();
  g_typeOverride.fill(DRIVE_UNKNOWN);
}

[[maybe_unused]] const bool g_registered = [] {
  OnPrefixChanged(&ResetOnPrefixChange);
  return true;
}();

int LetterIndex(wchar_t letter) {
  wchar_t up = ToUpperChar(letter);
  return up >= L'A' && up <= L'Z' ? up - L'A' : -1;
}

DriveMap Load() {
  DriveMap map;
  fs::path prefix = PrefixDir();
  fs::path devices = prefix / "dosdevices";
  std::error_code ec;
  for (auto it = fs::directory_iterator(devices, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = it->path().filename().string();
    // "c:" is a drive; "c::" is Wine's raw device and "com1" a port: neither is a drive.
    if (name.size() != 2 || name[1] != ':') continue;
    int index = LetterIndex(static_cast<wchar_t>(static_cast<unsigned char>(name[0])));
    if (index < 0) continue;
    std::error_code dirEc;
    if (fs::is_directory(it->path(), dirEc)) map.roots[index] = it->path();
  }
  // A prefix without dosdevices still has its C: drive.
  if (!map.roots[2] && fs::is_directory(prefix / "drive_c", ec)) map.roots[2] = prefix / "drive_c";
  return map;
}

const DriveMap& Map() {
  if (!g_map) g_map = Load();
  return *g_map;
}

}  // namespace

std::optional<fs::path> DriveHostRoot(wchar_t letter) {
  int index = LetterIndex(letter);
  if (index < 0) return std::nullopt;
  std::lock_guard lock(g_mutex);
  return Map().roots[index];
}

void ResetDrives() {
  std::lock_guard lock(g_mutex);
  g_map.reset();
}

void SetDriveTypeOverride(wchar_t letter, UINT type) {
  int index = LetterIndex(letter);
  if (index < 0) return;
  std::lock_guard lock(g_mutex);
  g_typeOverride[index] = type;
}

}  // namespace mx

namespace win {

DWORD GetLogicalDriveStrings(DWORD size, LPWSTR buffer) {
  std::wstring out;
  for (wchar_t c = L'A'; c <= L'Z'; ++c) {
    if (mx::DriveHostRoot(c)) {
      out += c;
      out += L":\\";
      out += L'\0';
    }
  }
  DWORD length = static_cast<DWORD>(out.size());
  if (!buffer || size < length + 1) return length + 1;
  out.copy(buffer, out.size());
  buffer[out.size()] = 0;
  return length;
}

DWORD GetLogicalDrives() {
  DWORD mask = 0;
  for (int i = 0; i < 26; ++i)
    if (mx::DriveHostRoot(static_cast<wchar_t>(L'A' + i))) mask |= 1u << i;
  return mask;
}

UINT GetDriveType(LPCWSTR root) {
  std::wstring text = root ? root : L"";
  // No root, or "\" alone, is the root of the current folder's drive.
  if (text.empty() || text == L"\\" || text == L"/") text = mx::CurrentDirectory().substr(0, 3);
  // A network share has no root here: there is no network.
  if (text.size() < 2 || text[1] != L':' || mx::LetterIndex(text[0]) < 0) return DRIVE_NO_ROOT_DIR;
  // Only a drive's root is a root: "C:\dir\" is not.
  if (text.size() > 3 || (text.size() == 3 && text[2] != L'\\' && text[2] != L'/')) return DRIVE_NO_ROOT_DIR;
  int index = mx::LetterIndex(text[0]);
  {
    std::lock_guard lock(mx::g_mutex);
    if (mx::g_typeOverride[index] != DRIVE_UNKNOWN) return mx::g_typeOverride[index];
  }
  if (!mx::DriveHostRoot(text[0])) return DRIVE_NO_ROOT_DIR;
  // Wine keeps the type of a drive it was told about under HKLM\Software\Wine\Drives ("d:"="cdrom"), in the
  // prefix's own view: a 32-bit program on a 64-bit prefix asks the same key.
  std::wstring name = std::wstring(1, mx::ToLowerChar(text[0])) + L":";
  if (auto v = mx::ReadRegString(HKEY_LOCAL_MACHINE, L"Software\\Wine\\Drives", name, KEY_WOW64_64KEY)) {
    std::wstring t = mx::ToLower(v->text);
    if (t == L"cdrom") return DRIVE_CDROM;
    if (t == L"floppy") return DRIVE_REMOVABLE;
    if (t == L"network") return DRIVE_REMOTE;
    if (t == L"ramdisk") return DRIVE_RAMDISK;
  }
  return DRIVE_FIXED;
}

}  // namespace win
