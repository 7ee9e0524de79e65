#include "scan/categories/AppPaths.h"

#include <vector>

#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "scan/categories/RegStringQuery.h"

namespace {

const std::wstring kAppPathsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
const std::wstring kApplicationsKey = L"SOFTWARE\\Classes\\Applications";
constexpr REGSAM kExamineAccess = 0x2001F;  // KEY_READ, KEY_SET_VALUE, KEY_CREATE_SUB_KEY

const wchar_t* RootPrefix(HKEY root) {
  return root == HKEY_CURRENT_USER ? L"HKEY_CURRENT_USER\\" : L"HKEY_LOCAL_MACHINE\\";
}

// The view flag of a pass: none on 32-bit Windows.
REGSAM ViewFlag(bool view64) {
  if (!IsWow64()) return 0;
  return view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::vector<std::wstring> SubKeysOf(HKEY key) {
  std::vector<std::wstring> names;
  EnumSubKeys(key, names);
  return names;
}

}  // namespace

int CAppPaths::Scan() {
  if (IsWow64()) return ScanByView(true);

  if (WalkAppPaths(HKEY_LOCAL_MACHINE, 0, 0, true) == 2) return 2;
  if (WalkAppPaths(HKEY_CURRENT_USER, 0, 0, true) == 2) return 2;
  CheckApplicationsShellCommands(this, false);
  SortProblems();
  return IsStopRequested() ? 2 : 1;
}

int CAppPaths::ScanByView(bool view64) {
  if (view64) {
    if (WalkAppPaths(HKEY_CURRENT_USER, KEY_WOW64_64KEY, 0, false) == 2) return 2;
    if (WalkAppPaths(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, 0, false) == 2) return 2;
  } else {
    if (WalkAppPaths(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, 1, false) == 2) return 2;
  }
  if (IsStopRequested()) return 2;
  if (!view64) return 1;

  ScanByView(false);
  CheckApplicationsShellCommands(this, true);
  CheckApplicationsShellCommands(this, false);
  SortProblems();
  // a stop during the later walks must not let a partial scan pass for a completed one
  return IsStopRequested() ? 2 : 1;
}

int CAppPaths::WalkAppPaths(HKEY root, REGSAM view, int is32BitEntry, bool consultSkipSetting) {
  std::vector<std::wstring> entries;
  {
    mx::RegKeyHandle list;
    if (win::RegOpenKeyEx(root, kAppPathsKey.c_str(), 0, KEY_READ | view, list.receive()) != ERROR_SUCCESS) return 1;
    if (!EnumSubKeys(list.get(), entries)) return 1;
  }
  const bool reportEmpty = !consultSkipSetting || SetChkSkipEmptyKeys == 0;

  for (const std::wstring& entry : entries) {
    if (IsStopRequested()) return 2;
    ReportScanProgress(L"Application Paths: " + entry);

    const std::wstring subKey = kAppPathsKey + L"\\" + entry;
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(root, subKey.c_str(), 0, kExamineAccess | view, key.receive()) != ERROR_SUCCESS) continue;
    const std::wstring problemKey = RootPrefix(root) + subKey;

    std::wstring program;
    const LONG rc = QueryRegString(key.get(), L"", program);
    if (rc == ERROR_FILE_NOT_FOUND) {
      std::vector<std::wstring> values;
      if (EnumValueNames(key.get(), values) == 0 && reportEmpty) {
        const int index = AddProblem(14, problemKey, L"", L"", L"", is32BitEntry);
        AddProblemDetail(index, entry);
      }
      continue;
    }
    if (rc != ERROR_SUCCESS) continue;  // present but unreadable: not judged

    if (!program.empty()) {
      if (!IsFileReferenceValid(ExtractFilePathFromCommand(program), FileCheckOptions{})) {
        const int index = AddProblem(13, problemKey, L"", program, L"", is32BitEntry);
        AddProblemDetail(index, entry);
      }
      continue;
    }

    if (!SubKeysOf(key.get()).empty()) continue;
    std::vector<std::wstring> values;
    if (EnumValueNamesSkipDefault(key.get(), values) == 0) {
      if (reportEmpty) {
        const int index = AddProblem(kEntryTypeEmptyKey, problemKey, L"", L"", L"", is32BitEntry);
        AddProblemDetail(index, entry);
        AddProblemDetail(index, entry);
      }
      continue;
    }
    for (const std::wstring& name : values) {
      if (!mx::EqualsNoCase(name, L"path")) continue;
      std::wstring folder;
      if (QueryRegString(key.get(), name, folder) != ERROR_SUCCESS || folder.empty()) continue;
      std::wstring file = folder;
      AppendPath(file, entry);
      if (!IsFileReferenceValid(ExtractFilePathFromCommand(file), FileCheckOptions{})) {
        const int index = AddProblem(13, problemKey, L"", file, L"", is32BitEntry);
        AddProblemDetail(index, entry);
      }
    }
  }
  return 1;
}

int CheckApplicationsShellCommands(CCategory* category, bool view64) {
  const REGSAM view = ViewFlag(view64);
  const int is32BitEntry = view == KEY_WOW64_32KEY ? 1 : 0;

  std::vector<std::wstring> applications;
  {
    mx::RegKeyHandle list;
    if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kApplicationsKey.c_str(), 0, KEY_READ | view, list.receive()) ==
        ERROR_SUCCESS)
      EnumSubKeys(list.get(), applications);
  }

  for (const std::wstring& application : applications) {
    if (category->IsStopRequested()) return 2;
    const std::wstring appKey = kApplicationsKey + L"\\" + application;
    ReportScanProgress(appKey);

    size_t subKeyCount = 0;
    {
      mx::RegKeyHandle key;
      if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, appKey.c_str(), 0, kExamineAccess | view, key.receive()) !=
          ERROR_SUCCESS)
        continue;
      subKeyCount = SubKeysOf(key.get()).size();
    }
    if (subKeyCount == 0) continue;

    std::wstring shellKey = appKey;
    AppendPath(shellKey, L"SHELL");
    std::vector<std::wstring> verbs;
    {
      mx::RegKeyHandle key;
      if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, shellKey.c_str(), 0, kExamineAccess | view, key.receive()) !=
          ERROR_SUCCESS)
        continue;
      verbs = SubKeysOf(key.get());
    }

    for (const std::wstring& verb : verbs) {
      const std::wstring commandPart = L"shell\\" + verb + L"\\command";
      const std::wstring commandKey = appKey + L"\\" + commandPart;
      mx::RegKeyHandle command;
      if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, commandKey.c_str(), 0, kExamineAccess | view, command.receive()) !=
          ERROR_SUCCESS)
        continue;
      std::wstring text;
      if (QueryRegString(command.get(), L"", text) != ERROR_SUCCESS || text.empty()) continue;
      if (category->IsFileReferenceValid(ExtractFilePathFromCommand(text), FileCheckOptions{})) continue;

      // the report names the smallest key whose removal takes the broken command and nothing else with it
      const std::wstring verbKey = appKey + L"\\shell\\" + verb;
      std::wstring reportKey = appKey;
      if (subKeyCount > 1 || verbs.size() > 1) {
        reportKey = verbKey;
      } else {
        mx::RegKeyHandle verbHandle;
        if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, verbKey.c_str(), 0, kExamineAccess | view, verbHandle.receive()) ==
                ERROR_SUCCESS &&
            SubKeysOf(verbHandle.get()).size() > 1)
          reportKey = commandKey;
      }
      const int index = category->AddProblem(13, L"HKEY_LOCAL_MACHINE\\" + reportKey, L"", text, L"", is32BitEntry);
      category->AddProblemDetail(index, application);
    }
  }
  return category->IsStopRequested() ? 2 : 1;
}
