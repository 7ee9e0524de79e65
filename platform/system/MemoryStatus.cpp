#include "platform/system/MemoryStatus.h"

#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace win {

BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status) {
  if (!status || status->dwLength != sizeof(MEMORYSTATUSEX)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::ifstream in("/proc/meminfo");
  std::map<std::string, ULONGLONG> kib;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string name;
    ULONGLONG value = 0;
    if (fields >> name >> value && !name.empty() && name.back() == ':') kib[name.substr(0, name.size() - 1)] = value;
  }
  if (!kib.count("MemTotal")) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const ULONGLONG total = kib["MemTotal"] * 1024;
  const ULONGLONG avail = (kib.count("MemAvailable") ? kib["MemAvailable"] : kib["MemFree"]) * 1024;
  status->ullTotalPhys = total;
  status->ullAvailPhys = avail;
  status->ullTotalPageFile = total + kib["SwapTotal"] * 1024;
  status->ullAvailPageFile = avail + kib["SwapFree"] * 1024;
  status->ullTotalVirtual = 0x80000000ull;  // a 32-bit program's address space
  status->ullAvailVirtual = 0x70000000ull;
  status->dwMemoryLoad = total ? static_cast<DWORD>(100 - avail * 100 / total) : 0;
  return TRUE;
}

}  // namespace win
