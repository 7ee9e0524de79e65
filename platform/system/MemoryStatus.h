#pragma once
// The machine's memory figures, from the host's /proc/meminfo (Wine reports the host's memory too).
#include "platform/base/WinTypes.h"

struct MEMORYSTATUSEX {
  DWORD dwLength = sizeof(MEMORYSTATUSEX);
  DWORD dwMemoryLoad = 0;
  ULONGLONG ullTotalPhys = 0;
  ULONGLONG ullAvailPhys = 0;
  ULONGLONG ullTotalPageFile = 0;  // physical memory and swap together, as Windows counts its commit limit
  ULONGLONG ullAvailPageFile = 0;
  ULONGLONG ullTotalVirtual = 0;
  ULONGLONG ullAvailVirtual = 0;
  ULONGLONG ullAvailExtendedVirtual = 0;
};

namespace win {

// FALSE with ERROR_INVALID_PARAMETER when dwLength is not the structure's size, or when the figures cannot be
// read.
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);

}  // namespace win
