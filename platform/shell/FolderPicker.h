#pragma once
// The shell's folder picker. SHBrowseForFolder asks the process's picker (the real display installs one, tests
// script one) and hands back an item list owned by the caller; SHGetPathFromIDList gives the item's
// file-system path. Without a picker every request counts as cancelled, so a headless run never waits.
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/base/WinTypes.h"

// The window handle of the window layer, named here without needing that layer.
struct HWND__;
using HWND = HWND__*;

inline constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
inline constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
inline constexpr UINT BIF_RETURNFSANCESTORS = 0x0008;
inline constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;

namespace win {

// An item chosen in the picker: a folder of the prefix, or a place without a file-system path.
struct ITEMIDLIST {
  std::wstring path;  // empty for a place that is no folder (a network or computer view)
};
struct ItemIdListFree {
  void operator()(ITEMIDLIST* item) const { delete item; }
};
// The shell's allocator frees what the picker returned; here the owner does.
using ItemIdList = std::unique_ptr<ITEMIDLIST, ItemIdListFree>;

struct BROWSEINFOW {
  HWND hwndOwner = nullptr;
  const ITEMIDLIST* pidlRoot = nullptr;
  LPWSTR pszDisplayName = nullptr;  // at least MAX_PATH characters when set: the chosen item's name
  LPCWSTR lpszTitle = nullptr;
  UINT ulFlags = 0;
};

// nullptr when the user cancelled.
ItemIdList SHBrowseForFolder(const BROWSEINFOW* info);
// FALSE when the item has no file-system path or the path does not fit capacity characters with its end.
BOOL SHGetPathFromIDList(const ITEMIDLIST* item, LPWSTR path, size_t capacity);

// What a picker is asked: the owner, the title and the BIF_* flags.
struct FolderPickerRequest {
  HWND owner = nullptr;
  std::wstring title;
  UINT flags = 0;
};
// The chosen item's Windows path ("" for a place without one), or nothing when cancelled.
using FolderPicker = std::function<std::optional<std::wstring>(const FolderPickerRequest&)>;
// Installs the process's picker; nullptr removes it.
void SetFolderPicker(FolderPicker picker);

}  // namespace win
