#include "scan/categories/Software.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/win/Sync.h"
#include "scan/categories/KeyTreeWalk.h"
#include "scan/categories/RegDataText.h"
#include "scan/categories/RegStringQuery.h"

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;
constexpr int kEntryTypeIncomplete = 35;
constexpr int kEntryTypeNoUninstaller = 36;
constexpr int kEntryTypeMissingFile = 42;
constexpr REGSAM kExamineAccess = KEY_READ | KEY_WRITE;  // 0x2001F
constexpr DWORD kDisplayNameChars = 260;  // up to 259 characters, terminator included
constexpr DWORD kCheckedValueChars = 520;  // up to 519 characters
constexpr DWORD kInstallerNameChars = 1024;  // terminator included
constexpr DWORD kMaxDataBytes = 2045;
constexpr DWORD kMinDataBytes = 3;
constexpr DWORD kPauseMs = 1;  // keeps the long passes from monopolising a processor

const wchar_t* const kCheckedValues[] = {L"UninstallString", L"QuietUninstallString", L"InstallSource", L"DisplayIcon",
                                         L"Installlocation", L"helpstring", L"readme"};
const wchar_t* const kSkipMarkers[] = {L"noremove", L"systemcomponent", L"windowscomponent"};

// The views of the machine passes: the 32-bit view first on 64-bit Windows; one pass without a flag elsewhere.
std::vector<std::pair<REGSAM, int>> MachineViews() {
  if (IsWow64()) return {{KEY_WOW64_32KEY, 1}, {KEY_WOW64_64KEY, 0}};
  return {{0, 0}};
}

const FileCheckOptions kInstallerCheck{.bUsePathSkipList = true,
                                       .bUseFolderSkipList = true,
                                       .bCheckArguments = true,
                                       .bCheckNetworkPaths = true};

bool ValueExists(HKEY key, const wchar_t* name) {
  return win::RegQueryValueEx(key, name, nullptr, nullptr, nullptr, nullptr) != ERROR_FILE_NOT_FOUND;
}

// A drive path, plain ("C:\...") or after an opening quote ("\"C:\...").
bool NameLooksLikePath(const std::wstring& name) {
  if (name.size() <= 3) return false;
  if (name[0] == L'"' && name[2] == L':' && name[3] == L'\\') return true;
  return name[1] == L':' && name[2] == L'\\';
}

}  // namespace

bool KeyHasSubkeys(REGSAM view, const std::wstring& keyPath) {
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS)
    return false;
  DWORD subKeys = 0;
  return win::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                              nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
         subKeys > 0;
}

bool IsInstallerFolderProblem(const CProblem& problem) {
  return problem.EntryType == kEntryTypeNoUninstaller && !problem.ValueName.empty() &&
         mx::EqualsNoCase(problem.Key, std::wstring(L"HKEY_LOCAL_MACHINE\\") + kInstallerFoldersKey);
}

int CSoftware::Scan() {
  for (const auto& [view, is32BitEntry] : MachineViews())
    if (ScanUninstallEntries(view, is32BitEntry) == kStopped) return kStopped;
  ScanArpCache();
  if (IsStopRequested()) return kStopped;
  ScanInstallerFolders();
  if (IsStopRequested()) return kStopped;
  ScanKeyForMissingFiles(HKEY_CLASSES_ROOT, kInstallerSubKey, L"HKEY_CLASSES_ROOT", IsWow64() != FALSE);
  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CSoftware::ScanUninstallEntries(REGSAM view, int is32BitEntry) {
  std::vector<std::wstring> entries;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS)
      return kRanToEnd;
    EnumSubKeys(key.get(), entries);
  }
  for (const std::wstring& name : entries) {
    win::Sleep(kPauseMs);
    if (IsStopRequested()) return kStopped;
    mx::RegKeyHandle entry;
    if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, (std::wstring(kUninstallKey) + L"\\" + name).c_str(), 0,
                          kExamineAccess | view, entry.receive()) != ERROR_SUCCESS)
      continue;
    CheckUninstallEntry(entry.get(), name, view, is32BitEntry);
  }
  return kRanToEnd;
}

void CSoftware::CheckUninstallEntry(HKEY entry, const std::wstring& name, REGSAM view, int is32BitEntry) {
  const std::wstring entryPath = std::wstring(kUninstallKey) + L"\\" + name;
  const std::wstring key = L"HKEY_LOCAL_MACHINE\\" + entryPath;
  std::vector<std::wstring> valueNames;
  EnumValueNames(entry, valueNames);
  for (const std::wstring& valueName : valueNames) {
    const std::wstring lower = mx::ToLower(valueName);
    for (const wchar_t* marker : kSkipMarkers)
      if (lower == marker) return;  // parts of the system, never checked
  }

  if (valueNames.empty() || (valueNames.size() == 1 && valueNames[0].empty())) {
    if (KeyHasSubkeys(view, entryPath) || SetChkSkipEmptyKeys) return;
    const int index = AddProblem(kEntryTypeIncomplete, key, L"UninstallString", L"", L"", is32BitEntry);
    AddProblemDetail(index, GetLocalizedString(L"IDS_INCOMPLETE_ENTRY") + name);
    return;
  }

  std::wstring displayName;
  QueryRegString(entry, L"DisplayName", displayName, kDisplayNameChars);
  const std::wstring detail = displayName.empty() ? name : displayName;

  if (!ValueExists(entry, L"UninstallString") && !ValueExists(entry, L"QuietUninstallString")) {
    const int index = AddProblem(kEntryTypeNoUninstaller, key, L"UninstallString", L"", L"", is32BitEntry);
    AddProblemDetail(index, detail);
    return;
  }

  for (const wchar_t* checked : kCheckedValues) {
    std::wstring text;
    if (QueryRegString(entry, checked, text, kCheckedValueChars) != ERROR_SUCCESS || text.empty()) continue;
    if (IsFileReferenceValid(text, TRUE, TRUE, TRUE, FALSE, FALSE, TRUE, TRUE) ||
        IsFileReferenceValid(m_strSystemFolder + text, TRUE, TRUE, TRUE, FALSE, FALSE, TRUE, FALSE))
      continue;
    const std::wstring valueName = checked;
    const bool uninstaller = valueName == L"UninstallString" || valueName == L"QuietUninstallString";
    const int index = AddProblem(uninstaller ? kEntryTypeNoUninstaller : kEntryTypeMissingFile, key, valueName, text,
                                 L"", is32BitEntry);
    AddProblemDetail(index, detail);
  }
}

void CSoftware::ScanArpCache() {
  for (const auto& [view, is32BitEntry] : MachineViews()) {
    std::vector<std::wstring> entries;
    {
      mx::RegKeyHandle key;
      if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kArpCacheKey, 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS)
        continue;
      EnumSubKeys(key.get(), entries);
    }
    for (const std::wstring& name : entries) {
      win::Sleep(kPauseMs);
      if (IsStopRequested()) return;
      mx::RegKeyHandle entry;
      const LONG rc = win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, (std::wstring(kUninstallKey) + L"\\" + name).c_str(), 0,
                                        kExamineAccess | view, entry.receive());
      // an entry we may not open for writing is still there
      if (rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED) continue;
      const int index = AddProblem(kEntryTypeIncomplete, std::wstring(L"HKEY_LOCAL_MACHINE\\") + kArpCacheKey + L"\\" + name,
                                   L"", L"", L"", is32BitEntry);
      AddProblemDetail(index, GetLocalizedString(L"IDS_INCOMPLETE_ENTRY") + name);
    }
  }
}

void CSoftware::ScanInstallerFolders() {
  for (const auto& [view, is32BitEntry] : MachineViews()) {
    std::vector<std::wstring> folders;
    {
      mx::RegKeyHandle key;
      if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kInstallerFoldersKey, 0, kExamineAccess | view, key.receive()) !=
          ERROR_SUCCESS)
        continue;
      EnumValueNames(key.get(), folders);
    }
    for (const std::wstring& folder : folders) {
      win::Sleep(kPauseMs);
      if (IsStopRequested()) return;
      ReportScanProgress(L"Install Folder: " + folder);
      if (IsFileReferenceValid(folder, kInstallerCheck)) continue;
      const int index = AddProblem(kEntryTypeNoUninstaller, std::wstring(L"HKEY_LOCAL_MACHINE\\") + kInstallerFoldersKey,
                                   folder, L"", L"", is32BitEntry);
      AddProblemDetail(index, folder);
    }
  }
}

int CSoftware::ScanKeyForMissingFiles(HKEY root, const std::wstring& path, std::wstring displayRoot, bool view64) {
  REGSAM view = 0;
  if (IsWow64()) view = view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  // what the walk reports lives in the view it read, whatever kind of Windows this is
  const int is32BitEntry = view == KEY_WOW64_32KEY ? 1 : 0;
  const std::wstring missingFile = GetLocalizedString(L"IDS_ENG_MISSING_FILE");

  auto report = [&](const std::wstring& keyPath, const std::wstring& valueName, const std::wstring& tested) {
    const int index =
        AddProblem(kEntryTypeMissingFile, L"HKEY_CLASSES_ROOT\\" + keyPath, valueName, tested, L"", is32BitEntry);
    AddProblemDetail(index, missingFile + tested);
  };

  KeyTreeWalk walk;
  walk.root = root;
  walk.rootName = displayRoot;
  walk.access = kExamineAccess | view;
  walk.stopRequested = [this] { return IsStopRequested(); };
  walk.onSubKey = [&](const std::wstring& parentPath, const std::wstring& childPath, int ordinal) {
    if (ordinal % 2 == 0) ReportScanProgress(displayRoot + L"\\" + childPath);
    if (mx::ToLower(childPath).find(L"\\wow6432node") != std::wstring::npos ||
        mx::EqualsNoCase(childPath, parentPath))
      return WalkStep::Skip;
    return WalkStep::Descend;
  };
  walk.onKeyDone = [&](HKEY key, const std::wstring& keyPath) {
    DWORD count = 0;
    if (win::RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                             nullptr, nullptr) != ERROR_SUCCESS)
      return true;
    std::vector<wchar_t> nameBuffer(kInstallerNameChars);
    std::vector<char> data(kMaxDataBytes + 1);
    for (DWORD i = 0; i < count; ++i) {
      DWORD nameChars = kInstallerNameChars;
      DWORD type = REG_NONE;
      DWORD size = 0;
      const LONG rc = win::RegEnumValue(key, i, nameBuffer.data(), &nameChars, nullptr, &type, nullptr, &size);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS || size > kMaxDataBytes) continue;
      const std::wstring name(nameBuffer.data(), nameChars);
      std::fill(data.begin(), data.end(), '\0');
      DWORD bytes = kMaxDataBytes;
      if (win::RegQueryValueEx(key, name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data.data()), &bytes) !=
          ERROR_SUCCESS)
        continue;
      if (IsStopRequested()) return false;
      if (NameLooksLikePath(name) && !IsFileReferenceValid(name, kInstallerCheck)) report(keyPath, name, name);
      if ((type == REG_SZ || type == REG_EXPAND_SZ) && bytes >= kMinDataBytes) {
        const std::wstring text = RegDataText(data, bytes);
        if (!IsFileReferenceValid(text, kInstallerCheck)) report(keyPath, name, text);
      }
    }
    return true;
  };
  return WalkKeyTree(walk, path);
}
