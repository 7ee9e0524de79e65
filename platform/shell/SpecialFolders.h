#pragma once
// Special folders by CSIDL, from the prefix's "User Shell Folders" (expanded) and "Shell Folders" keys (HKCU
// for the user's folders, HKLM for the common ones), and the fixed Windows folders. Virtual folders
// (CSIDL_NETWORK, CSIDL_DRIVES, ...) have no path and fail as on Windows.
#include <memory>
#include <string>

#include "platform/base/WinTypes.h"

inline constexpr int CSIDL_DESKTOP = 0x00;
inline constexpr int CSIDL_PROGRAMS = 0x02;
inline constexpr int CSIDL_PERSONAL = 0x05;
inline constexpr int CSIDL_FAVORITES = 0x06;
inline constexpr int CSIDL_STARTUP = 0x07;
inline constexpr int CSIDL_RECENT = 0x08;
inline constexpr int CSIDL_SENDTO = 0x09;
inline constexpr int CSIDL_STARTMENU = 0x0B;
inline constexpr int CSIDL_DESKTOPDIRECTORY = 0x10;
inline constexpr int CSIDL_DRIVES = 0x11;
inline constexpr int CSIDL_NETWORK = 0x12;
inline constexpr int CSIDL_NETHOOD = 0x13;
inline constexpr int CSIDL_FONTS = 0x14;
inline constexpr int CSIDL_TEMPLATES = 0x15;
inline constexpr int CSIDL_COMMON_STARTMENU = 0x16;
inline constexpr int CSIDL_COMMON_PROGRAMS = 0x17;
inline constexpr int CSIDL_COMMON_STARTUP = 0x18;
inline constexpr int CSIDL_COMMON_DESKTOPDIRECTORY = 0x19;
inline constexpr int CSIDL_APPDATA = 0x1A;
inline constexpr int CSIDL_PRINTHOOD = 0x1B;
inline constexpr int CSIDL_LOCAL_APPDATA = 0x1C;
inline constexpr int CSIDL_COMMON_FAVORITES = 0x1F;
inline constexpr int CSIDL_INTERNET_CACHE = 0x20;
inline constexpr int CSIDL_COOKIES = 0x21;
inline constexpr int CSIDL_HISTORY = 0x22;
inline constexpr int CSIDL_COMMON_APPDATA = 0x23;
inline constexpr int CSIDL_WINDOWS = 0x24;
inline constexpr int CSIDL_SYSTEM = 0x25;
inline constexpr int CSIDL_PROGRAM_FILES = 0x26;
inline constexpr int CSIDL_MYPICTURES = 0x27;
inline constexpr int CSIDL_PROFILE = 0x28;
inline constexpr int CSIDL_SYSTEMX86 = 0x29;
inline constexpr int CSIDL_PROGRAM_FILESX86 = 0x2A;
inline constexpr int CSIDL_PROGRAM_FILES_COMMON = 0x2B;
inline constexpr int CSIDL_PROGRAM_FILES_COMMONX86 = 0x2C;
inline constexpr int CSIDL_COMMON_TEMPLATES = 0x2D;
inline constexpr int CSIDL_COMMON_DOCUMENTS = 0x2E;
inline constexpr int CSIDL_COMMON_ADMINTOOLS = 0x2F;
inline constexpr int CSIDL_ADMINTOOLS = 0x30;
inline constexpr int CSIDL_FLAG_CREATE = 0x8000;

// An item list names one folder; the shell allocates it and the caller frees it with ILFree/CoTaskMemFree.
struct ITEMIDLIST {
  int csidl = 0;
  std::wstring path;
};
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

namespace win {

// flags may hold CSIDL_FLAG_CREATE (creates a missing folder). S_OK and the path (MAX_PATH buffer);
// E_INVALIDARG for an unknown or virtual CSIDL; E_FAIL when the folder is not in the registry.
HRESULT SHGetFolderPath(void* owner, int csidl, void* token, DWORD flags, LPWSTR path);
// Virtual folders succeed here (they have an item list) but give no path below.
HRESULT SHGetSpecialFolderLocation(void* owner, int csidl, LPITEMIDLIST* pidl);
// FALSE (and path set to "") for an item list without a file-system path.
BOOL SHGetPathFromIDList(LPCITEMIDLIST pidl, LPWSTR path);
void ILFree(LPITEMIDLIST pidl);
void CoTaskMemFree(void* p);

}  // namespace win

namespace mx {

struct ItemIdListDeleter {
  void operator()(ITEMIDLIST* p) const { win::ILFree(p); }
};
using ItemIdListPtr = std::unique_ptr<ITEMIDLIST, ItemIdListDeleter>;

// The folder's Windows path, or "" when it has none.
std::wstring SpecialFolderPath(int csidl);

}  // namespace mx
