#pragma once
// Windows paths on a case-sensitive host. Normalisation follows Win32 (both separators, repeated separators,
// "." and "..", trailing dots and blanks of the last component, "X:" alone, relative paths against the
// process-wide current directory); resolution looks each component up without case, understands 8.3 short
// names (PROGRA~1), applies the calling thread's WOW64 redirection and never leaves the prefix's drives.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

namespace mx {

// The full Windows form of path: "C:\Dir\file" (a drive root keeps its backslash, a UNC path stays UNC,
// device names become "\\.\NUL"). Fails (returns nothing, error set) for an empty text (ERROR_PATH_NOT_FOUND),
// embedded nulls, control characters, <>|"?* or a ":" after the drive (ERROR_INVALID_NAME), and results of
// MAX_PATH characters or more (ERROR_FILENAME_EXCED_RANGE). GetFullPathName's form (strict = false) skips
// the character and length checks.
std::optional<std::wstring> NormalizeWinPath(std::wstring_view path, LONG* error = nullptr, bool strict = true);

// True when the last component of a path is a DOS device name (CON, PRN, AUX, NUL, COM1-9, LPT1-9, also with
// an extension: "nul.txt"), which exist in every folder.
bool IsDosDeviceName(std::wstring_view path);

struct ResolvedPath {
  std::filesystem::path host;  // the host object, or where it would be created
  std::wstring win;            // the normalised Windows path, after redirection
  bool exists = false;
  bool device = false;  // a DOS device name: exists, is neither file nor folder
  unsigned mode = 0;    // the host object's mode (links followed) as resolving it found it; 0 when not taken
};

// Resolves path. Existing components are matched without case (exact match first), then as 8.3 short names.
// When only the last component is missing, host names where it would be created (exists false). Fails with
// ERROR_PATH_NOT_FOUND (a missing folder on the way, or a drive the prefix lacks), ERROR_INVALID_NAME,
// ERROR_FILENAME_EXCED_RANGE or ERROR_BAD_NETPATH (UNC paths: there is no network). Symbolic links under a
// drive are followed as the host follows them; a loop counts as missing.
std::optional<ResolvedPath> ResolveWinPath(std::wstring_view path, LONG* error = nullptr);

// What GetFileAttributes tells of path: -1 nothing there, 0 a folder, 1 anything else (a file, a device). A
// folder's listing that holds the last name as a plain file or folder answers without a question to the host.
int WinPathKind(std::wstring_view path);

// While one lives on a thread, resolutions on that thread remember the folders they pass through (the drive's
// root or the program's folder a path starts from among them) and start below the deepest one remembered
// instead of at the drive. For a caller that takes the files as they were when it began and changes none of
// them (a scan): a folder renamed or replaced meanwhile is not noticed, nor a program folder moved by a change
// of the environment. Scopes nest; the folders are forgotten when the thread's outermost scope ends.
class FolderMemoScope {
 public:
  FolderMemoScope();
  ~FolderMemoScope();
  FolderMemoScope(const FolderMemoScope&) = delete;
  FolderMemoScope& operator=(const FolderMemoScope&) = delete;
};

// The Windows path of a host path under one of the drives (for tests and for paths the host hands back).
std::optional<std::wstring> HostToWinPath(const std::filesystem::path& host);

// Windows' redirection of a normalised path for a redirected thread: "%windir%\System32\x" ->
// "%windir%\SysWOW64\x", except the exempt folders (catroot, catroot2, driverstore, drivers\etc, logfiles,
// spool) and "%windir%\regedit.exe" -> "%windir%\SysWOW64\regedit.exe". Unchanged when not redirected.
std::wstring ApplyFsRedirection(std::wstring_view normalizedPath);

// The 8.3 name Windows generates for name among the names of one folder ("Program Files" -> "PROGRA~1",
// "Program Files (x86)" -> "PROGRA~2" beside it). Names that already are valid 8.3 names come back upper-cased.
std::wstring ShortNameFor(std::wstring_view name, const std::vector<std::wstring>& folderNames);
// The 8.3 names of every name of a folder at once, in the folder's order.
std::vector<std::wstring> ShortNamesFor(const std::vector<std::wstring>& folderNames);

}  // namespace mx

namespace win {

// The process-wide current directory, a Windows path; it starts as the program's own folder (as when the
// program is started from its shortcut). SetCurrentDirectory fails for a missing folder. GetCurrentDirectory
// returns the length without the null, or the size needed including it when the buffer is short.
DWORD GetCurrentDirectory(DWORD size, LPWSTR buffer);
BOOL SetCurrentDirectory(LPCWSTR path);

}  // namespace win
