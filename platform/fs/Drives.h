#pragma once
// The machine's drives: the prefix's dosdevices links ("c:" -> ../drive_c, "z:" -> /, others as present).
// Read on first use, read again after the prefix changes.
#include <filesystem>
#include <optional>

#include "platform/base/WinTypes.h"

inline constexpr UINT DRIVE_UNKNOWN = 0;
inline constexpr UINT DRIVE_NO_ROOT_DIR = 1;
inline constexpr UINT DRIVE_REMOVABLE = 2;
inline constexpr UINT DRIVE_FIXED = 3;
inline constexpr UINT DRIVE_REMOTE = 4;
inline constexpr UINT DRIVE_CDROM = 5;
inline constexpr UINT DRIVE_RAMDISK = 6;

namespace mx {

// The host folder behind a drive letter (either case), or nothing when the prefix has no such drive.
std::optional<std::filesystem::path> DriveHostRoot(wchar_t letter);
// Forgets the drive map (tests that add links to dosdevices).
void ResetDrives();
// Test hook: the type a letter reports (DRIVE_UNKNOWN clears it); real drives report DRIVE_FIXED, or the
// type Wine's "Drives" registry key gives them.
void SetDriveTypeOverride(wchar_t letter, UINT type);

}  // namespace mx

namespace win {

// "C:\<NUL>Z:\<NUL><NUL>": upper-case roots in letter order. Returns the length without the final null; when
// size is too small nothing is written and the result is the size needed including it.
DWORD GetLogicalDriveStrings(DWORD size, LPWSTR buffer);
// A bit per existing drive, A = bit 0.
DWORD GetLogicalDrives();
// root is "c:\", "C:", "c:/..." or nullptr (the current drive). A letter the prefix lacks gives
// DRIVE_NO_ROOT_DIR; an unreadable text DRIVE_UNKNOWN.
UINT GetDriveType(LPCWSTR root);

// The volume of a drive root ("C:\\"): no label, a serial number made from the letter, 255-character names,
// "NTFS". Any output may be null. FALSE with ERROR_PATH_NOT_FOUND for a drive the prefix lacks.
BOOL GetVolumeInformation(LPCWSTR root, LPWSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                          LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                          DWORD fileSystemNameSize);
// Space of the host file system behind an existing folder of a drive. Any output may be null.
BOOL GetDiskFreeSpaceEx(LPCWSTR directory, ULONGLONG* freeBytesAvailable, ULONGLONG* totalBytes,
                        ULONGLONG* totalFreeBytes);

}  // namespace win
