#include <sys/statvfs.h>

#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/WinPath.h"

namespace win {

BOOL GetVolumeInformation(LPCWSTR root, LPWSTR volumeName, DWORD volumeNameSize, LPDWORD serialNumber,
                          LPDWORD maxComponentLength, LPDWORD fileSystemFlags, LPWSTR fileSystemName,
                          DWORD fileSystemNameSize) {
  if (!root || !root[0] || root[1] != L':' || !mx::DriveHostRoot(root[0])) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const std::wstring fsName = L"NTFS";
  if ((volumeName && volumeNameSize < 1) || (fileSystemName && fileSystemNameSize < fsName.size() + 1)) {
    SetLastError(ERROR_MORE_DATA);
    return FALSE;
  }
  if (volumeName) volumeName[0] = 0;
  // A fixed number per letter, so the same drive always reports the same serial.
  if (serialNumber) *serialNumber = 0x4D580000u | static_cast<DWORD>(mx::ToUpperChar(root[0]));
  if (maxComponentLength) *maxComponentLength = 255;
  // Case-preserved names and Unicode names on disk.
  if (fileSystemFlags) *fileSystemFlags = 0x2 | 0x4;
  if (fileSystemName) {
    fsName.copy(fileSystemName, fsName.size());
    fileSystemName[fsName.size()] = 0;
  }
  return TRUE;
}

BOOL GetDiskFreeSpaceEx(LPCWSTR directory, ULONGLONG* freeBytesAvailable, ULONGLONG* totalBytes,
                        ULONGLONG* totalFreeBytes) {
  LONG error = ERROR_SUCCESS;
  auto r = mx::ResolveWinPath(directory ? directory : L".", &error);
  if (!r) {
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
  }
  if (!r->exists || r->device) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  struct statvfs st {};
  if (::statvfs(r->host.c_str(), &st) != 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  const ULONGLONG unit = st.f_frsize ? st.f_frsize : st.f_bsize;
  if (freeBytesAvailable) *freeBytesAvailable = unit * st.f_bavail;
  if (totalBytes) *totalBytes = unit * st.f_blocks;
  if (totalFreeBytes) *totalFreeBytes = unit * st.f_bfree;
  return TRUE;
}

}  // namespace win
