#pragma once
// The light-weight path functions, the search functions and the system folders, with the semantics the
// scan's file-reference check relies on. Buffers are counted in characters.
#include <string>
#include <string_view>

#include "platform/base/WinTypes.h"

// Buffer sizes of the C runtime's path split.
inline constexpr size_t _MAX_DRIVE = 3;
inline constexpr size_t _MAX_DIR = 256;
inline constexpr size_t _MAX_FNAME = 256;
inline constexpr size_t _MAX_EXT = 256;

namespace win {

// TRUE when GetFileAttributes succeeds (files, folders and device names alike).
BOOL PathFileExists(LPCWSTR path);
// FALSE when the text contains "\" or ":" (forward slashes do not count).
BOOL PathIsFileSpec(LPCWSTR path);
// TRUE for a leading "\\" and for a drive letter whose type is DRIVE_REMOTE; "//server" is FALSE.
BOOL PathIsNetworkPath(LPCWSTR path);
// The text after the first blank outside double quotes (one blank skipped), or the empty text at its end.
LPCWSTR PathGetArgs(LPCWSTR path);
// Only for a file spec: tries the system folder, Windows\System, the Windows folder, the folders of
// otherDirs (may be nullptr), then each PATH entry; on success buffer (MAX_PATH) receives the full path.
BOOL PathFindOnPath(LPWSTR buffer, LPCWSTR* otherDirs);
// SearchPath(name), else GetFullPathName(name). TRUE when either gives a path that fits into size.
BOOL PathSearchAndQualify(LPCWSTR path, LPWSTR out, UINT size);

// path nullptr: the program's folder, the system folder, the 16-bit system folder, the Windows folder, the
// current folder, then PATH. extension (".dll") is added only when the name has none. Returns the length of
// the found path without the null, the size needed when it does not fit, 0 (ERROR_FILE_NOT_FOUND) on failure.
// filePart (may be null) points into buffer at the name.
DWORD SearchPath(LPCWSTR path, LPCWSTR fileName, LPCWSTR extension, DWORD size, LPWSTR buffer, LPWSTR* filePart);
// Normalises against the current directory without looking at the disk. Length without the null, or the
// size needed; 0 on failure.
DWORD GetFullPathName(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart);

// "C:\windows\system32" even for our 32-bit program; "C:\windows\SysWOW64" (0 on a 32-bit prefix);
// "C:\windows". Length without the null, or the size needed including it.
UINT GetSystemDirectory(LPWSTR buffer, UINT size);
UINT GetSystemWow64Directory(LPWSTR buffer, UINT size);
UINT GetWindowsDirectory(LPWSTR buffer, UINT size);
// The TEMP folder of the environment with a trailing backslash.
DWORD GetTempPath(DWORD size, LPWSTR buffer);
// path with each existing component in its 8.3 form ("C:\PROGRA~2\INTERN~1"). Length without the null, or the
// size needed; 0 with ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND when the path does not exist.
DWORD GetShortPathName(LPCWSTR longPath, LPWSTR shortPath, DWORD size);
// "<path>\<first 3 of prefix><hex of the number>.TMP" into a MAX_PATH buffer. unique 0: a number not in use
// is chosen and the empty file is created; otherwise the name is only made. Returns the number, 0 on failure.
UINT GetTempFileName(LPCWSTR path, LPCWSTR prefix, UINT unique, LPWSTR tempFileName);

// The C runtime's path split: drive only when the second character is ":", the folder keeps its trailing
// separator ("\" or "/"), the extension runs from the last dot of the last component. Any output may be null.
// _wsplitpath writes at most _MAX_DRIVE, _MAX_DIR, _MAX_FNAME, _MAX_EXT characters (null included) and cuts
// longer parts instead of overrunning the caller's buffers. _wsplitpath_s fails with ERANGE (34) and empties
// every output when a part does not fit its given size.
void _wsplitpath(LPCWSTR path, LPWSTR drive, LPWSTR dir, LPWSTR fname, LPWSTR ext);
int _wsplitpath_s(LPCWSTR path, LPWSTR drive, size_t driveSize, LPWSTR dir, size_t dirSize, LPWSTR fname,
                  size_t fnameSize, LPWSTR ext, size_t extSize);

}  // namespace win
