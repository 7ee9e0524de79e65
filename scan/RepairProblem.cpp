#include "scan/RepairProblem.h"

#include <algorithm>
#include <cwchar>

#include "app/AppPaths.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/base/Text.h"
#include "platform/fs/PathApi.h"
#include "platform/registry/Registry.h"
#include "scan/Backup.h"
#include "scan/BackupSession.h"
#include "scan/Problem.h"
#include "scan/categories/DanglingProgIdRepair.h"
#include "scan/categories/Software.h"

const int kRepairActionOfType[44] = {0, 1, 2, 3, 1, 1, 3, 0, 1, 1, 1, 3, 3, 3, 4, 3, 4, 3, 1, 0, 1, 0,
                                     3, 2, 2, 2, 5, 6, 2, 2, 2, 2, 7, 2, 8, 1, 3, 9, 1, 3, 8, 2, 2, 2};

namespace {

constexpr const wchar_t* kFileExtsPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";

// A problem's key text split into its root index and the path below the root.
struct SplitKey {
  int rootIndex = -1;
  std::wstring path;
};

bool Split(const std::wstring& text, SplitKey& out) {
  const size_t slash = text.find(L'\\');
  if (text.empty() || slash == std::wstring::npos) return false;
  out.rootIndex = RootIndexFromName(text.substr(0, slash));
  out.path = text.substr(slash + 1);
  return out.rootIndex >= 0;
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

struct RepairContext {
  CProblem& problem;
  BackupHolder* holder;
  BYTE view64;
  REGSAM mask;
};

// The parent of a deleted key goes too when nothing is left in it; through the undo run, so a restore
// brings it back.
void RemoveEmptyParent(const RepairContext& c, int rootIndex, const std::wstring& keyPath) {
  const size_t slash = keyPath.rfind(L'\\');
  if (slash == std::wstring::npos) return;
  const std::wstring parent = keyPath.substr(0, slash);
  DWORD subKeys = 0, values = 0;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(RootKeyFromIndex(rootIndex), parent.c_str(), 0, c.mask, key.receive()) != ERROR_SUCCESS) return;
    if (win::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
      return;
  }
  if (subKeys == 0 && values == 0) DeleteKeyWithBackup(c.holder, rootIndex, parent, TRUE, c.view64);
}

bool RepairFileExtsKey(const RepairContext& c) {
  SplitKey alternate;
  if (!Split(c.problem.AlternateKey, alternate)) return false;
  int rootIndex = alternate.rootIndex;
  std::wstring target = alternate.path;
  {
    mx::RegKeyHandle key;
    const bool opens = win::RegOpenKeyEx(RootKeyFromIndex(alternate.rootIndex), alternate.path.c_str(), 0,
                                         KEY_READ | KEY_WRITE, key.receive()) == ERROR_SUCCESS;
    if (!opens) {
      SplitKey own;
      if (!Split(c.problem.Key, own) || mx::EqualsNoCase(own.path, kFileExtsPath)) {
        // Nothing to delete: keep the entry out of later scans, but do not call it fixed.
        if (CZUNApp* app = AfxGetZunApp()) app->m_arrExcludeList.push_back(alternate.path);
        return false;
      }
      rootIndex = own.rootIndex;  // the Key's path belongs under the Key's own root
      target = own.path;
    }
  }
  if (!DeleteKeyWithBackup(c.holder, rootIndex, target, FALSE, c.view64)) return false;
  RemoveEmptyParent(c, rootIndex, target);
  return true;
}

bool RepairMruEntry(const RepairContext& c, const SplitKey& key) {
  const std::wstring& name = c.problem.ValueName;
  if (!DeleteValueWithBackup(c.holder, key.rootIndex, key.path, name, c.view64)) return false;
  std::wstring list;
  {
    mx::RegKeyHandle open;
    if (win::RegOpenKeyEx(RootKeyFromIndex(key.rootIndex), key.path.c_str(), 0, c.mask, open.receive()) != ERROR_SUCCESS)
      return false;
    BYTE buffer[260 * 2] = {};
    DWORD size = sizeof buffer;
    DWORD type = 0;
    if (win::RegQueryValueEx(open.get(), L"MRUList", nullptr, &type, buffer, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
      list = mx::Utf16LeToWide(std::string_view(reinterpret_cast<const char*>(buffer), size & ~1u));
      list.resize(wcsnlen(list.c_str(), list.size()));  // up to the terminator, if any
    }
  }
  if (!list.empty() && !name.empty()) {
    const size_t at = list.find(name);
    if (at != std::wstring::npos) {
      list.erase(at, 1);
      SetValueWithBackup(c.holder, key.rootIndex, key.path, L"MRUList", list, c.view64);
    }
  }
  return true;
}

}  // namespace

void PathToFileUrl(std::wstring& text) {
  if (text.empty()) return;
  ReplaceAll(text, L" ", L"%20");
  ReplaceAll(text, L"\\", L"/");
  text = L"file:///" + text;
  ReplaceAll(text, L"[", L"%5B");
  ReplaceAll(text, L"]", L"%5D");
}

bool DeleteUrlFromHistory(const std::wstring& url) {
  // This machine keeps no Internet history store that the program could change: the URL stays.
  (void)url;
  return false;
}

bool RepairProblem(CProblem& problem) {
  RepairContext c{problem, problem.m_pBackupHolder, 0, KEY_READ | KEY_WRITE};
  if (IsWow64()) {
    c.view64 = problem.m_n32BitEntry == 0 ? 1 : 0;
    c.mask |= c.view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  }
  if (problem.EntryType < 0 || problem.EntryType >= 44) return false;
  // A dangling ProgID leaves the extension's other registrations (OpenWithProgids, ShellNew, ...) in place:
  // only the default value goes, and the key only when nothing else is left in it.
  if (problem.EntryType == 15) return RepairDanglingProgId(problem);
  // A missing installer folder is one value of Installer\Folders: only that value goes, never the key that
  // registers every other folder.
  const int action = IsInstallerFolderProblem(problem) ? 2 : kRepairActionOfType[problem.EntryType];

  if (action == 7) {
    std::wstring url = problem.GetDetail(1);
    PathToFileUrl(url);
    return DeleteUrlFromHistory(url);
  }
  if (action == 8) {
    const std::wstring file = problem.GetDetail(1);
    if (!win::PathFileExists(file.c_str())) return false;
    return MoveFileToRecycleBin(file.size(), file.c_str()) != FALSE;
  }
  if (action == 5) return RepairFileExtsKey(c);

  const bool usesAlternate = action == 0 || action == 1;
  SplitKey key;
  if (!Split(usesAlternate && !problem.AlternateKey.empty() ? problem.AlternateKey : problem.Key, key)) return false;
  switch (action) {
    case 0:
      if (!DeleteKeyWithBackup(c.holder, key.rootIndex, key.path, TRUE, c.view64)) return false;
      RemoveEmptyParent(c, key.rootIndex, key.path);
      return true;
    case 1:
    case 4: return DeleteKeyWithBackup(c.holder, key.rootIndex, key.path, FALSE, c.view64) != 0;
    case 3: return DeleteKeyWithBackup(c.holder, key.rootIndex, key.path, TRUE, c.view64) != 0;
    case 2: return DeleteValueWithBackup(c.holder, key.rootIndex, key.path, problem.ValueName, c.view64) != 0;
    case 6: return RepairMruEntry(c, key);
    case 9: return SetValueWithBackup(c.holder, key.rootIndex, key.path, problem.ValueName, L"", c.view64) != 0;
    default: return false;
  }
}
