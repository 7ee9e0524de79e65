#pragma once
// The shell's file operation, delete only: FO_DELETE with FOF_ALLOWUNDO moves each file into the prefix's
// recycle folder (drive_c/$Recycle.Bin/<user SID>/) under a fresh name, so nothing is lost; without
// FOF_ALLOWUNDO the file is deleted.
#include <filesystem>
#include <vector>

#include "platform/base/WinTypes.h"

inline constexpr UINT FO_MOVE = 1;
inline constexpr UINT FO_COPY = 2;
inline constexpr UINT FO_DELETE = 3;
inline constexpr UINT FO_RENAME = 4;
inline constexpr WORD FOF_SILENT = 0x4;
inline constexpr WORD FOF_NOCONFIRMATION = 0x10;
inline constexpr WORD FOF_ALLOWUNDO = 0x40;
inline constexpr WORD FOF_NOCONFIRMMKDIR = 0x200;
inline constexpr WORD FOF_NOERRORUI = 0x400;

struct SHFILEOPSTRUCTW {
  void* hwnd = nullptr;
  UINT wFunc = 0;
  LPCWSTR pFrom = nullptr;  // one or more paths, each null-terminated, the list ends with an extra null
  LPCWSTR pTo = nullptr;
  WORD fFlags = 0;
  BOOL fAnyOperationsAborted = FALSE;
  void* hNameMappings = nullptr;
  LPCWSTR lpszProgressTitle = nullptr;
};

namespace win {

// 0 on success; a non-zero error (ERROR_FILE_NOT_FOUND, ERROR_ACCESS_DENIED, ERROR_INVALID_PARAMETER for
// another operation or an empty list) otherwise. Folders are moved whole.
int SHFileOperation(SHFILEOPSTRUCTW* op);

}  // namespace win

namespace mx {

// The host folder that recycled files go to, and what it holds (for tests).
std::filesystem::path RecycleBinDir();
std::vector<std::filesystem::path> RecycledItems();

}  // namespace mx
