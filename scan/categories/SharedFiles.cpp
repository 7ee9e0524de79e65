#include "scan/categories/SharedFiles.h"

#include <vector>

#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"

namespace {

const std::wstring kSharedDllsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring kApprovedKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr REGSAM kExamineAccess = 0x2001F;  // KEY_READ, KEY_SET_VALUE, KEY_CREATE_SUB_KEY
constexpr size_t kMaxSharedNameLength = 225;
constexpr DWORD kDescriptionBytes = 520;

// The description of an approved extension: the text up to its first terminator. Data that is no text, or
// does not fit, gives no description (it only feeds the progress text and the details).
std::wstring ReadDescription(HKEY key, const std::wstring& name) {
  std::string bytes(kDescriptionBytes, '\0');
  DWORD type = REG_NONE;
  DWORD size = kDescriptionBytes;
  if (win::RegQueryValueEx(key, name.c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(bytes.data()), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  bytes.resize(size - size % 2);
  std::wstring text = mx::Utf16LeToWide(bytes);
  const size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}

}  // namespace

bool ClsidKeyExists(const std::wstring& text) {
  const std::wstring path = L"CLSID\\" + text;
  mx::RegKeyHandle key64;
  mx::RegKeyHandle key32;
  const bool found64 =
      win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, key64.receive()) ==
      ERROR_SUCCESS;
  const bool found32 =
      win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, key32.receive()) ==
      ERROR_SUCCESS;
  return found64 || found32;
}

int CSharedFiles::Scan() {
  if (GetItemCount() < 1) return 1;

  std::vector<std::pair<REGSAM, int>> views;  // view flag and 32BitEntry
  if (IsWow64())
    views = {{KEY_WOW64_32KEY, 1}, {KEY_WOW64_64KEY, 0}};
  else
    views = {{0, 0}};

  const FileCheckOptions options{.bUsePathSkipList = true, .bUseFolderSkipList = true, .bPassedBack = true};
  for (const auto& [view, is32BitEntry] : views) {
    std::vector<std::wstring> names;
    {
      mx::RegKeyHandle key;
      if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kSharedDllsKey.c_str(), 0, kExamineAccess | view, key.receive()) !=
          ERROR_SUCCESS)
        continue;
      EnumValueNames(key.get(), names);
    }
    for (const std::wstring& name : names) {
      if (IsStopRequested()) return 2;
      if (name.size() > kMaxSharedNameLength) continue;
      ReportScanProgress(L"Shared DLL: " + name);
      if (IsFileReferenceValid(name, options)) continue;
      ReportSharedFile(kSharedDllsKey, name, GetFileNamePart(name), GetFolderPart(name), is32BitEntry);
    }
  }

  for (const auto& [view, is32BitEntry] : views) {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kApprovedKey.c_str(), 0, kExamineAccess | view, key.receive()) !=
        ERROR_SUCCESS)
      continue;
    std::vector<std::wstring> names;
    EnumValueNames(key.get(), names);
    for (const std::wstring& name : names) {
      const std::wstring description = ReadDescription(key.get(), name);
      ReportScanProgress(L"Approved Shell Extensions: " + description);
      if (!name.empty() && name.front() == L'{' && !ClsidKeyExists(name))
        ReportSharedFile(kApprovedKey, name, description, description, is32BitEntry);
    }
  }

  SortProblems();
  return IsStopRequested() ? 2 : 1;
}

void CSharedFiles::ReportSharedFile(const std::wstring& keyPath, const std::wstring& valueName,
                                    const std::wstring& argument, const std::wstring& secondDetail, int is32BitEntry) {
  const int index = AddProblem(kEntryTypeSharedFile, L"HKEY_LOCAL_MACHINE\\" + keyPath, valueName, L"", L"", is32BitEntry);
  if (index < 0) return;
  // the template comes from a language file: formatted safely whatever placeholders a translation holds
  AddProblemDetail(index, mx::SafeFormat(GetLocalizedString(L"IDS_MISSING_SHARED_FILE"), {argument}));
  AddProblemDetail(index, secondDetail);
}
