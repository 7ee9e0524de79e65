#include "scan/categories/DanglingProgIdRepair.h"

#include <string>

#include "app/SystemUtils.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/registry/Registry.h"
#include "scan/Backup.h"
#include "scan/BackupSession.h"
#include "scan/Problem.h"

bool RepairDanglingProgId(CProblem& problem) {
  BYTE view64 = 0;
  REGSAM mask = KEY_READ | KEY_WRITE;
  if (IsWow64()) {
    view64 = problem.m_n32BitEntry == 0 ? 1 : 0;
    mask |= view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  }
  const size_t slash = problem.Key.find(L'\\');
  if (slash == std::wstring::npos) return false;
  const int rootIndex = RootIndexFromName(problem.Key.substr(0, slash));
  const std::wstring path = problem.Key.substr(slash + 1);
  if (rootIndex < 0 || path.empty()) return false;

  DWORD subKeys = 0, values = 0;
  bool hasDefault = false;
  {
    mx::RegKeyHandle key;
    const LONG rc = win::RegOpenKeyEx(RootKeyFromIndex(rootIndex), path.c_str(), 0, mask, key.receive());
    if (rc == ERROR_FILE_NOT_FOUND) return DeleteKeyWithBackup(problem.m_pBackupHolder, rootIndex, path, TRUE, view64) != 0;
    if (rc != ERROR_SUCCESS) return false;
    if (win::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
      return false;
    hasDefault = win::RegQueryValueEx(key.get(), L"", nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  }
  if (subKeys == 0 && values == (hasDefault ? 1u : 0u))
    return DeleteKeyWithBackup(problem.m_pBackupHolder, rootIndex, path, TRUE, view64) != 0;
  if (!hasDefault) return true;  // someone took the ProgID out already
  return DeleteValueWithBackup(problem.m_pBackupHolder, rootIndex, path, L"", view64) != 0;
}
