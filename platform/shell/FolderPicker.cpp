#include "platform/shell/FolderPicker.h"

#include <algorithm>
#include <cwchar>
#include <mutex>

namespace win {
namespace {

std::mutex g_mutex;

FolderPicker& Picker() {
  static FolderPicker picker;
  return picker;
}

}  // namespace

void SetFolderPicker(FolderPicker picker) {
  std::lock_guard lock(g_mutex);
  Picker() = std::move(picker);
}

ItemIdList SHBrowseForFolder(const BROWSEINFOW* info) {
  FolderPicker picker;
  {
    std::lock_guard lock(g_mutex);
    picker = Picker();
  }
  if (!info || !picker) return nullptr;
  FolderPickerRequest request;
  request.owner = info->hwndOwner;
  request.title = info->lpszTitle ? info->lpszTitle : L"";
  request.flags = info->ulFlags;
  std::optional<std::wstring> chosen = picker(request);
  if (!chosen) return nullptr;
  if (info->pszDisplayName) {
    const size_t slash = chosen->find_last_of(L'\\');
    std::wstring name = slash == std::wstring::npos || slash + 1 == chosen->size() ? *chosen : chosen->substr(slash + 1);
    name.resize(std::min<size_t>(name.size(), MAX_PATH - 1));
    std::wcsncpy(info->pszDisplayName, name.c_str(), MAX_PATH);
  }
  return ItemIdList(new ITEMIDLIST{std::move(*chosen)});
}

BOOL SHGetPathFromIDList(const ITEMIDLIST* item, LPWSTR path, size_t capacity) {
  if (!path || capacity == 0) return FALSE;
  path[0] = L'\0';
  if (!item || item->path.empty() || item->path.size() >= capacity) return FALSE;
  std::wcsncpy(path, item->path.c_str(), capacity);
  return TRUE;
}

}  // namespace win
