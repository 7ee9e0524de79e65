#include "app/AppPaths.h"

#include <mutex>

#include "platform/base/Prefix.h"
#include "platform/fs/FileApi.h"
#include "platform/shell/RecycleBin.h"
#include "platform/shell/SpecialFolders.h"

namespace {

std::mutex g_dataFolderLock;
std::wstring g_dataFolder;

void ForgetDataFolder() {
  std::lock_guard<std::mutex> guard(g_dataFolderLock);
  g_dataFolder.clear();
}

// A test that switches the machine must not see the previous machine's folder.
const bool g_registered = (mx::OnPrefixChanged(&ForgetDataFolder), true);

bool IsFolder(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HFIND find = win::FindFirstFile(path.c_str(), &data);
  if (find == INVALID_FIND_HANDLE) return false;
  win::FindClose(find);
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

void AppendPath(std::wstring& path, const std::wstring& part) {
  if (path.empty() || part.empty()) {
    path += part;
    return;
  }
  const std::wstring tail = part[0] == L'\\' ? part.substr(1) : part;
  if (path.back() != L'\\') path += L'\\';
  path += tail;
}

BOOL FileExists(const std::wstring& path) {
  return !path.empty() && win::GetFileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

BOOL CreateDirectoryPath(const std::wstring& input) {
  std::wstring path = input;
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  if (path.empty()) return FALSE;
  if (IsFolder(path)) return TRUE;
  // Every prefix up to a backslash, then the whole path; the first one is the drive.
  bool first = true;
  for (size_t pos = path.find(L'\\');; pos = path.find(L'\\', pos + 1)) {
    const std::wstring prefix = pos == std::wstring::npos ? path : path.substr(0, pos);
    if (!first && !prefix.empty() && win::CreateDirectory(prefix.c_str(), nullptr))
      win::SetFileAttributes(prefix.c_str(), FILE_ATTRIBUTE_NORMAL);
    first = false;
    if (pos == std::wstring::npos) break;
  }
  return IsFolder(path);
}

BOOL GetShellFolderPath(std::wstring& out, int csidl) {
  LPITEMIDLIST raw = nullptr;
  if (win::SHGetSpecialFolderLocation(nullptr, csidl, &raw) != S_OK) return FALSE;
  const mx::ItemIdListPtr pidl(raw);
  wchar_t buffer[520] = {};
  if (!win::SHGetPathFromIDList(pidl.get(), buffer)) return FALSE;
  out = buffer;
  return TRUE;
}

BOOL GetAppDataFolder(wchar_t (&buffer)[MAX_PATH]) {
  std::lock_guard<std::mutex> guard(g_dataFolderLock);
  if (g_dataFolder.empty() || !FileExists(g_dataFolder)) {
    g_dataFolder.clear();
    std::wstring folder;
    if (!GetShellFolderPath(folder, CSIDL_APPDATA)) return FALSE;
    AppendPath(folder, kDataFolderPart);
    if (!FileExists(folder) && !CreateDirectoryPath(folder)) return FALSE;
    if (!FileExists(folder)) return FALSE;
    g_dataFolder = folder;
  }
  if (g_dataFolder.size() >= MAX_PATH) return FALSE;
  g_dataFolder.copy(buffer, g_dataFolder.size());
  buffer[g_dataFolder.size()] = L'\0';
  return TRUE;
}

std::wstring GetAppDataFolderPath() {
  wchar_t buffer[MAX_PATH] = {};
  return GetAppDataFolder(buffer) ? std::wstring(buffer) : std::wstring();
}

BOOL MoveFileToRecycleBin(size_t pathLength, const wchar_t* path) {
  if (path == nullptr || pathLength >= 520) return FALSE;
  // The shell takes a list of paths ended by an empty one: the path, then two nulls.
  wchar_t from[521] = {};
  std::wstring(path, pathLength).copy(from, pathLength);
  SHFILEOPSTRUCTW op{};
  op.wFunc = FO_DELETE;
  op.pFrom = from;
  op.fFlags = FOF_ALLOWUNDO | FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI | FOF_NOCONFIRMMKDIR;
  return win::SHFileOperation(&op) == 0;
}
