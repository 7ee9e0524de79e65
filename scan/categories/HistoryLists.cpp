#include "scan/categories/HistoryLists.h"

#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/win/Sync.h"
#include "scan/Problem.h"
#include "scan/categories/ProgramsFolders.h"
#include "scan/categories/RegStringQuery.h"

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;
constexpr int kEntryTypeFileExts = 26;
constexpr int kEntryTypeFileDialog = 27;
constexpr int kEntryTypeRecentFiles = 28;
constexpr int kEntryTypeUserAssistShortcut = 29;
constexpr int kEntryTypeUserAssistFolder = 30;
constexpr REGSAM kExamineAccess = KEY_READ | KEY_WRITE;  // 0x2001F
constexpr DWORD kPauseMs = 1;  // gives the user interface time during the long walks
constexpr const wchar_t* kOpenWithList = L"OpenWithList";
constexpr const wchar_t* kMruListValue = L"MRUList";
constexpr const wchar_t* kUserAssistPrefix = L"UEME_RUNPIDL:";
constexpr const wchar_t* kProgramsEntryPrefix = L"UEME_RUNPIDL:%csidl2%\\";

struct RecentFileList {
  const wchar_t* application;
  const wchar_t* key;
  bool folders;
};

const RecentFileList kRecentFileLists[] = {
    {L"Media Player", L"Software\\Microsoft\\MediaPlayer\\Player\\RecentFileList", false},
    {L"WinRAR", L"Software\\WinRAR\\ArcHistory", false},
    {L"WinRAR", L"Software\\WinRAR\\DialogEditHistory\\ExtrPath", true},
    {L"WinZip", L"Software\\Nico Mak Computing\\WinZip\\filemenu", false},
    {L"WinZip", L"Software\\Nico Mak Computing\\WinZip\\extract", true},
    {L"Excel 9.0", L"Software\\Microsoft\\Office\\9.0\\Excel\\Recent Files", false},
    {L"Excel 10.0", L"Software\\Microsoft\\Office\\10.0\\Excel\\Recent Files", false},
    {L"Excel 11.0", L"Software\\Microsoft\\Office\\11.0\\Excel\\Recent Files", false},
    {L"Power Point 9.0", L"Software\\Microsoft\\Office\\9.0\\PowerPoint\\Recent File List", false},
    {L"Power Point 10.0", L"Software\\Microsoft\\Office\\10.0\\PowerPoint\\Recent File List", false},
    {L"Power Point 11.0", L"Software\\Microsoft\\Office\\11.0\\PowerPoint\\Recent File List", false},
    {L"MSPaper", L"Software\\Microsoft\\MSPaper 11.0\\Persist File Name", false},
    {L"MSPaper", L"Software\\Microsoft\\MSPaper 11.0\\Recent File List", false},
    {L"Wordpad", L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Wordpad\\Recent File List", false},
    {L"Paint", L"Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Paint\\Recent File List", false},
};

const FileCheckOptions kHistoryCheck{.bUsePathSkipList = true, .bUseFolderSkipList = true, .bPassedBack = true};

// The view of the history keys and of the classes root: the 32-bit view on 64-bit Windows.
REGSAM HistoryView() { return IsWow64() ? KEY_WOW64_32KEY : 0; }

std::wstring UserKey(const std::wstring& keyPath) { return L"HKEY_CURRENT_USER\\" + keyPath; }

std::wstring ReadDefault(const std::wstring& keyPath) {
  mx::RegKeyHandle key;
  std::wstring text;
  if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, KEY_READ | HistoryView(), key.receive()) ==
      ERROR_SUCCESS)
    QueryRegString(key.get(), L"", text);
  return text;
}

// An extension key that holds nothing, or nothing but an empty "OpenWithList".
bool IsUnneededExtension(const std::wstring& extension) {
  if (mx::EqualsNoCase(extension, kOpenWithList)) return false;
  const std::wstring path = std::wstring(kFileExtsKey) + L"\\" + extension;
  std::vector<std::wstring> subKeys;
  std::vector<std::wstring> values;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | HistoryView(), key.receive()) !=
        ERROR_SUCCESS)
      return false;
    EnumSubKeys(key.get(), subKeys);
    EnumValueNames(key.get(), values);
  }
  if (subKeys.empty() && values.empty()) return true;
  if (subKeys.size() != 1 || subKeys[0] != kOpenWithList) return false;
  mx::RegKeyHandle openWith;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, (path + L"\\" + kOpenWithList).c_str(), 0, KEY_READ | HistoryView(),
                        openWith.receive()) != ERROR_SUCCESS)
    return false;
  std::vector<std::wstring> openWithValues;
  return EnumValueNames(openWith.get(), openWithValues) == 0;
}

}  // namespace

std::wstring DescribeFileType(const std::wstring& extension) {
  const std::wstring className = ReadDefault(extension);
  if (!className.empty()) {
    std::wstring description = ReadDefault(className);
    if (description.empty()) description = className;
    return description + L" (*" + extension + L")";
  }
  return mx::ToUpper(extension) + L" file (*" + extension + L")";
}

int CHistoryLists::Scan() {
  const REGSAM view = HistoryView();

  std::vector<std::wstring> extensions;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, kFileExtsKey, 0, KEY_READ | view, key.receive()) == ERROR_SUCCESS)
      EnumSubKeys(key.get(), extensions);
  }
  const std::wstring unneeded = GetLocalizedString(L"IDS_HISTLIST_UNNEEDED");
  for (const std::wstring& extension : extensions) {
    win::Sleep(kPauseMs);
    if (IsStopRequested()) return kStopped;
    ReportScanProgress(GetLocalizedString(L"IDS_HISTORY_LIST_FOR") + extension);
    if (!IsUnneededExtension(extension)) continue;
    const std::wstring key = UserKey(std::wstring(kFileExtsKey) + L"\\" + extension);
    const int index = AddProblem(kEntryTypeFileExts, key, L"", L"", key + L"\\" + kOpenWithList, 0);
    AddProblemDetail(index, L"Explorer " + unneeded + L" " + DescribeFileType(extension));
    AddProblemDetail(index, extension);
  }

  std::vector<std::wstring> dialogs;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, kOpenSaveMruKey, 0, kExamineAccess | view, key.receive()) ==
        ERROR_SUCCESS)
      EnumSubKeys(key.get(), dialogs);
  }
  for (const std::wstring& dialog : dialogs) {
    win::Sleep(kPauseMs);
    if (IsStopRequested()) return kStopped;
    ReportScanProgress(GetLocalizedString(L"IDS_OPEN_SAVE_MRU") + dialog);
    if (ScanMruList(*this, std::wstring(kOpenSaveMruKey) + L"\\" + dialog, kEntryTypeFileDialog, L"File", false) ==
        kStopped)
      return kStopped;
  }

  ReportScanProgress(GetLocalizedString(L"IDS_USER_ASSIST_KEYS"));
  if (ScanUserAssist() == kStopped) return kStopped;

  ReportScanProgress(GetLocalizedString(L"IDS_USER_ASSIST_KEYS"));
  for (const RecentFileList& list : kRecentFileLists)
    if (ScanMruList(*this, list.key, kEntryTypeRecentFiles, list.application, list.folders) == kStopped)
      return kStopped;

  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CHistoryLists::ScanMruList(CCategory& category, const std::wstring& keyPath, int entryType,
                               const std::wstring& appName, bool folders) {
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_CURRENT_USER, keyPath.c_str(), 0, kExamineAccess | HistoryView(), key.receive()) !=
      ERROR_SUCCESS)
    return kRanToEnd;
  std::vector<std::wstring> names;
  if (EnumValueNames(key.get(), names) == 0) return kRanToEnd;
  const std::wstring invalid = GetLocalizedString(L"IDS_HISTLIST_INVALID");
  for (const std::wstring& name : names) {
    if (category.IsStopRequested()) return kStopped;
    if (name == kMruListValue) continue;
    std::wstring text;
    if (QueryRegString(key.get(), name, text) != ERROR_SUCCESS || text.empty()) continue;
    const std::wstring path = ExtractFilePathFromCommand(text);
    const bool valid = folders ? IsExistingFolder(path) : category.IsFileReferenceValid(path, kHistoryCheck);
    if (valid) continue;
    const int index = category.AddProblem(entryType, UserKey(keyPath), name, text, L"", 0);
    category.AddProblemDetail(index, appName + L" " + invalid + L" " + GetFileNamePart(text));
    category.AddProblemDetail(index, GetFolderPart(text));
    category.AddProblemDetail(index, appName);
  }
  return kRanToEnd;
}

void CHistoryLists::LoadProgramsFolders() { ReadProgramsFolders(m_strCommonPrograms, m_strUserPrograms); }

int CHistoryLists::ScanUserAssist() {
  std::vector<ValuePair> listA;
  std::vector<ValuePair> listB;
  CollectUserAssistEntries(kUserAssistPrefix, listA, listB);
  LoadProgramsFolders();
  CheckUserAssistEntries(*this, listA, kUserAssistCountKeyA);
  if (IsStopRequested()) return kStopped;
  CheckUserAssistEntries(*this, listB, kUserAssistCountKeyB);
  return IsStopRequested() ? kStopped : kRanToEnd;
}

void CHistoryLists::CheckUserAssistEntries(CHistoryLists& category, const std::vector<ValuePair>& entries,
                                           const std::wstring& countKeyPath) {
  const std::wstring prefix = kProgramsEntryPrefix;
  const std::wstring& common = category.m_strCommonPrograms;
  const std::wstring& user = category.m_strUserPrograms;
  for (const ValuePair& entry : entries) {
    if (entry.decoded.compare(0, prefix.size(), prefix) != 0) continue;
    ReportScanProgress(GetLocalizedString(L"IDS_USERASSIST_KEY") + entry.decoded);
    // while a Programs folder is unknown nothing can be tested against it: the record counts as valid rather
    // than being tested as a relative path
    if (common.empty() || user.empty()) continue;
    const std::wstring relative = entry.decoded.substr(prefix.size());
    const size_t lnk = relative.find(L".lnk");
    const bool shortcut = lnk != std::wstring::npos && lnk + 4 == relative.size();
    const bool valid = shortcut ? category.IsFileReferenceValid(common + relative, kHistoryCheck) ||
                                      category.IsFileReferenceValid(user + relative, kHistoryCheck)
                                : IsExistingFolder(common + relative) || IsExistingFolder(user + relative);
    if (valid) continue;

    std::wstring folderPart = GetFolderPart(relative);
    const std::wstring filePart = GetFileNamePart(relative);
    if (!shortcut && folderPart.empty()) folderPart = relative;
    const int index = category.AddProblem(shortcut ? kEntryTypeUserAssistShortcut : kEntryTypeUserAssistFolder,
                                          UserKey(countKeyPath), entry.stored, L"", L"", 0);
    // the template comes from a language file: formatted safely whatever placeholders a translation holds
    category.AddProblemDetail(index, mx::SafeFormat(GetLocalizedString(L"IDS_STARTMENU_HIST"),
                                                    {shortcut ? L"shortcut" : L"folder",
                                                     shortcut ? filePart : folderPart}));
    category.AddProblemDetail(index, shortcut ? filePart : folderPart);
    category.AddProblemDetail(index, folderPart.empty() ? L"<Root folder>" : folderPart);
  }
}
