#include "platform/shell/SpecialFolders.h"

#include <memory>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/registry/Registry.h"
#include "platform/system/Environment.h"
#include "platform/system/RegRead.h"
#include "platform/system/SystemInfo.h"

namespace mx {

namespace {

enum class Source { UserKey, MachineKey, Fixed, Virtual };

struct FolderInfo {
  int csidl;
  Source source;
  const wchar_t* valueName;     // Shell Folders value, or the fixed folder's kind
  const wchar_t* defaultPath;   // where Windows and Wine put it when the keys say nothing
};

// Fixed folders are computed; the others come from the Explorer keys Wine writes.
const FolderInfo kFolders[] = {
    {0x00, Source::UserKey, L"Desktop", L"%USERPROFILE%\\Desktop"},
    {0x01, Source::Virtual, nullptr, nullptr},  // Internet
    {0x02, Source::UserKey, L"Programs", L"%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs"},
    {0x03, Source::Virtual, nullptr, nullptr},  // Control Panel
    {0x04, Source::Virtual, nullptr, nullptr},  // Printers
    {0x05, Source::UserKey, L"Personal", L"%USERPROFILE%\\Documents"},
    {0x06, Source::UserKey, L"Favorites", L"%USERPROFILE%\\Favorites"},
    {0x07, Source::UserKey, L"Startup", L"%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
    {0x08, Source::UserKey, L"Recent", L"%APPDATA%\\Microsoft\\Windows\\Recent"},
    {0x09, Source::UserKey, L"SendTo", L"%APPDATA%\\Microsoft\\Windows\\SendTo"},
    {0x0A, Source::Virtual, nullptr, nullptr},  // Recycle Bin
    {0x0B, Source::UserKey, L"Start Menu", L"%APPDATA%\\Microsoft\\Windows\\Start Menu"},
    {0x0D, Source::UserKey, L"My Music", L"%USERPROFILE%\\Music"},
    {0x0E, Source::UserKey, L"My Videos", L"%USERPROFILE%\\Videos"},
    {0x10, Source::UserKey, L"Desktop", L"%USERPROFILE%\\Desktop"},
    {0x11, Source::Virtual, nullptr, nullptr},  // My Computer
    {0x12, Source::Virtual, nullptr, nullptr},  // Network
    {0x13, Source::UserKey, L"NetHood", L"%APPDATA%\\Microsoft\\Windows\\Network Shortcuts"},
    {0x14, Source::Fixed, L"fonts", nullptr},
    {0x15, Source::UserKey, L"Templates", L"%APPDATA%\\Microsoft\\Windows\\Templates"},
    {0x16, Source::MachineKey, L"Common Start Menu", L"%ProgramData%\\Microsoft\\Windows\\Start Menu"},
    {0x17, Source::MachineKey, L"Common Programs", L"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs"},
    {0x18, Source::MachineKey, L"Common Startup",
     L"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\StartUp"},
    {0x19, Source::MachineKey, L"Common Desktop", L"%PUBLIC%\\Desktop"},
    {0x1A, Source::UserKey, L"AppData", L"%APPDATA%"},
    {0x1B, Source::UserKey, L"PrintHood", L"%APPDATA%\\Microsoft\\Windows\\Printer Shortcuts"},
    {0x1C, Source::UserKey, L"Local AppData", L"%LOCALAPPDATA%"},
    {0x1F, Source::MachineKey, L"Common Favorites", L"%USERPROFILE%\\Favorites"},
    {0x20, Source::UserKey, L"Cache", L"%LOCALAPPDATA%\\Microsoft\\Windows\\INetCache"},
    {0x21, Source::UserKey, L"Cookies", L"%LOCALAPPDATA%\\Microsoft\\Windows\\INetCookies"},
    {0x22, Source::UserKey, L"History", L"%LOCALAPPDATA%\\Microsoft\\Windows\\History"},
    {0x23, Source::MachineKey, L"Common AppData", L"%ProgramData%"},
    {0x24, Source::Fixed, L"windows", nullptr},
    {0x25, Source::Fixed, L"system", nullptr},
    {0x26, Source::Fixed, L"programfiles", nullptr},
    {0x27, Source::UserKey, L"My Pictures", L"%USERPROFILE%\\Pictures"},
    {0x28, Source::Fixed, L"profile", nullptr},
    {0x29, Source::Fixed, L"systemx86", nullptr},
    {0x2A, Source::Fixed, L"programfilesx86", nullptr},
    {0x2B, Source::Fixed, L"commonfiles", nullptr},
    {0x2C, Source::Fixed, L"commonfilesx86", nullptr},
    {0x2D, Source::MachineKey, L"Common Templates", L"%ProgramData%\\Microsoft\\Windows\\Templates"},
    {0x2E, Source::MachineKey, L"Common Documents", L"%PUBLIC%\\Documents"},
    {0x2F, Source::MachineKey, L"Common Administrative Tools",
     L"%ProgramData%\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"},
    {0x30, Source::UserKey, L"Administrative Tools",
     L"%APPDATA%\\Microsoft\\Windows\\Start Menu\\Programs\\Administrative Tools"},
    {0x31, Source::Virtual, nullptr, nullptr},  // Network Connections
    {0x35, Source::MachineKey, L"CommonMusic", L"%PUBLIC%\\Music"},
    {0x36, Source::MachineKey, L"CommonPictures", L"%PUBLIC%\\Pictures"},
    {0x37, Source::MachineKey, L"CommonVideo", L"%PUBLIC%\\Videos"},
};

const FolderInfo* Find(int csidl) {
  for (const auto& f : kFolders)
    if (f.csidl == csidl) return &f;
  return nullptr;
}

const wchar_t* const kUserShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t* const kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::wstring FromKeys(HKEY root, const wchar_t* value) {
  REGSAM view = root == HKEY_LOCAL_MACHINE ? KEY_WOW64_64KEY : 0;
  if (auto v = ReadRegString(root, kUserShellFolders, value, view); v && !v->text.empty())
    return ExpandEnvironment(v->text);
  if (auto v = ReadRegString(root, kShellFolders, value, view); v && !v->text.empty()) return v->text;
  return {};
}

std::wstring Fixed(std::wstring_view kind) {
  std::wstring windir = GetEnv(L"SystemRoot").value_or(L"C:\\windows");
  const bool wow64 = PrefixIs64Bit();
  if (kind == L"fonts") {
    std::wstring fromKeys = FromKeys(HKEY_CURRENT_USER, L"Fonts");
    return fromKeys.empty() ? windir + L"\\Fonts" : fromKeys;
  }
  if (kind == L"windows") return windir;
  if (kind == L"system") return windir + L"\\system32";
  if (kind == L"systemx86") return windir + (wow64 ? L"\\syswow64" : L"\\system32");
  if (kind == L"programfiles") return GetEnv(L"ProgramFiles").value_or(L"");
  if (kind == L"programfilesx86") return GetEnv(wow64 ? L"ProgramFiles(x86)" : L"ProgramFiles").value_or(L"");
  if (kind == L"commonfiles") return GetEnv(L"CommonProgramFiles").value_or(L"");
  if (kind == L"commonfilesx86")
    return GetEnv(wow64 ? L"CommonProgramFiles(x86)" : L"CommonProgramFiles").value_or(L"");
  if (kind == L"profile") return GetEnv(L"USERPROFILE").value_or(L"");
  return {};
}

}  // namespace

std::wstring SpecialFolderPath(int csidl) {
  const FolderInfo* info = Find(csidl & 0xFF);
  if (!info) return {};
  switch (info->source) {
    case Source::UserKey:
    case Source::MachineKey: {
      std::wstring path =
          FromKeys(info->source == Source::UserKey ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, info->valueName);
      return path.empty() ? ExpandEnvironment(info->defaultPath) : path;
    }
    case Source::Fixed:
      return Fixed(info->valueName);
    case Source::Virtual:
      break;
  }
  return {};
}

}  // namespace mx

namespace win {

namespace {

// Creates every missing folder of path.
bool CreateAll(const std::wstring& path) {
  DWORD attributes = GetFileAttributes(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
  for (size_t pos = 3; pos <= path.size(); ++pos) {
    if (pos == path.size() || path[pos] == L'\\') {
      std::wstring prefix = path.substr(0, pos);
      if (GetFileAttributes(prefix.c_str()) == INVALID_FILE_ATTRIBUTES && !CreateDirectory(prefix.c_str(), nullptr))
        return false;
    }
  }
  return true;
}

}  // namespace

HRESULT SHGetFolderPath(void* /*owner*/, int csidl, void* /*token*/, DWORD /*flags*/, LPWSTR path) {
  if (!path) return E_INVALIDARG;
  path[0] = 0;
  std::wstring folder = mx::SpecialFolderPath(csidl);
  if (folder.empty()) return mx::Find(csidl & 0xFF) ? E_FAIL : E_INVALIDARG;
  if (folder.size() >= MAX_PATH) return E_FAIL;
  if ((csidl & CSIDL_FLAG_CREATE) && !CreateAll(folder)) return E_FAIL;
  folder.copy(path, folder.size());
  path[folder.size()] = 0;
  return S_OK;
}

HRESULT SHGetSpecialFolderLocation(void* /*owner*/, int csidl, LPITEMIDLIST* pidl) {
  if (!pidl) return E_INVALIDARG;
  *pidl = nullptr;
  const auto* info = mx::Find(csidl);
  if (!info) return E_INVALIDARG;
  auto item = std::make_unique<ITEMIDLIST>();
  item->csidl = csidl;
  if (info->source != mx::Source::Virtual) {
    item->path = mx::SpecialFolderPath(csidl);
    // An item list names something that is there.
    DWORD attributes = item->path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributes(item->path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return E_FAIL;
  }
  *pidl = item.release();
  return S_OK;
}

BOOL SHGetPathFromIDList(LPCITEMIDLIST pidl, LPWSTR path) {
  if (!path) return FALSE;
  path[0] = 0;
  if (!pidl || pidl->path.empty() || pidl->path.size() >= MAX_PATH) return FALSE;
  pidl->path.copy(path, pidl->path.size());
  path[pidl->path.size()] = 0;
  return TRUE;
}

void ILFree(LPITEMIDLIST pidl) { std::unique_ptr<ITEMIDLIST> owned(pidl); }

void CoTaskMemFree(void* p) { ILFree(static_cast<LPITEMIDLIST>(p)); }

}  // namespace win
