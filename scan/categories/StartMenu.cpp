#include "scan/categories/StartMenu.h"

#include <vector>

#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/fs/FileApi.h"
#include "platform/regedit/RegKeyHandle.h"
#include "scan/categories/FileInfoArray.h"
#include "scan/categories/ProgramsFolders.h"
#include "scan/categories/Shortcuts.h"

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;
constexpr int kEntryTypeEmptyOrderKey = 38;
constexpr int kEntryTypeOrderKeyOfMissingFolder = 39;
constexpr REGSAM kExaminedKeyAccess = KEY_READ | KEY_WRITE;  // 0x2001F

const std::wstring kMenuOrderKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu\\Programs";
const std::wstring kMenuOrderKey2 =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\MenuOrder\\Start Menu2\\Programs";
const std::wstring kRootFolderText = L"<Root folder>";

// The first folder below "\Programs\" in the shortcut's folder, or the root-folder text.
std::wstring TopProgramsFolder(const std::wstring& shortcutPath) {
  const std::wstring marker = L"\\Programs\\";
  const std::wstring folder = GetFolderPart(shortcutPath);
  std::wstring top;
  const size_t at = folder.find(marker);
  if (at != std::wstring::npos) {
    top = folder.substr(at + marker.size());
    top = top.substr(0, top.find(L'\\'));
  }
  return top.empty() ? kRootFolderText : top;
}

bool IsWritableFile(const std::wstring& path) {
  mx::WinFile file;
  return file.Open(path, mx::WinFile::kWrite, mx::WinFile::kOpenExisting) == ERROR_SUCCESS;
}

}  // namespace

CStartMenu::CStartMenu()
    : m_strEmptyKeyText(GetLocalizedString(L"IDS_EMPTY_KEY_STARTMENU")),
      m_strInvalidRefText(GetLocalizedString(L"IDS_INVALID_REF_STARTMENU")) {}

int CStartMenu::Scan() {
  ReadProgramsFolders(m_strCommonPrograms, m_strPrograms);

  if (ScanMenuOrderKey(kMenuOrderKey, L"") == kStopped) return kStopped;
  if (GetOSMajorVersion() > 5 && ScanMenuOrderKey(kMenuOrderKey2, L"") == kStopped) return kStopped;

  if (ScanProgramsShortcuts(m_strCommonPrograms) == kStopped) return kStopped;
  if (ScanProgramsShortcuts(m_strPrograms) == kStopped) return kStopped;

  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}

bool CStartMenu::FolderMayExist(const std::wstring& relativeFolder) const {
  if (!m_strCommonPrograms.empty() && IsExistingFolder(m_strCommonPrograms + relativeFolder)) return true;
  if (!m_strPrograms.empty() && IsExistingFolder(m_strPrograms + relativeFolder)) return true;
  // While either Programs folder is unknown the folder may live there: the order key is not judged missing.
  return m_strCommonPrograms.empty() || m_strPrograms.empty();
}

int CStartMenu::ScanMenuOrderKey(const std::wstring& keyPath, const std::wstring& relativePath) {
  std::vector<std::wstring> names;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, keyPath.c_str(), 0, kExaminedKeyAccess, key.receive()) != ERROR_SUCCESS)
      return kRanToEnd;
    if (!EnumSubKeys(key.get(), names)) return kRanToEnd;
  }

  for (const std::wstring& name : names) {
    if (IsStopRequested()) return kStopped;
    const std::wstring subKeyPath = keyPath + L"\\" + name;
    const std::wstring problemKey = L"HKEY_CURRENT_USER\\" + subKeyPath;
    if (!FolderMayExist(relativePath + name)) {
      const int index = AddProblem(kEntryTypeOrderKeyOfMissingFolder, problemKey, L"", L"", L"", 0);
      AddProblemDetail(index, m_strInvalidRefText + name);
      AddProblemDetail(index, name);
      continue;
    }

    ScanMenuOrderKey(subKeyPath, relativePath + name + L"\\");
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CURRENT_USER, subKeyPath.c_str(), 0, kExaminedKeyAccess, key.receive()) != ERROR_SUCCESS)
      continue;
    DWORD subKeys = 0, values = 0;
    if (win::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      continue;
    // The repair deletes the key with everything below it: an order key that still holds the records of
    // its subfolders is not empty.
    if (values != 0 || subKeys != 0) continue;
    const int index = AddProblem(kEntryTypeEmptyOrderKey, problemKey, L"", L"", L"", 0);
    AddProblemDetail(index, m_strEmptyKeyText + name);
    AddProblemDetail(index, name);
  }
  return kRanToEnd;
}

int CStartMenu::ScanProgramsShortcuts(const std::wstring& folder) {
  // An unknown folder is not searched: its empty path would name the current folder.
  if (folder.empty()) return kRanToEnd;
  CFileInfoArray files;
  files.AddDir(folder, L"*.lnk", TRUE, 0, FALSE);

  for (const CFileInfo& file : files) {
    if (IsStopRequested()) return kStopped;
    const std::wstring& path = file.m_strFilePath;
    // a shortcut we may not change could not be repaired
    if (!IsWritableFile(path)) continue;
    const std::wstring target = ResolveShortcutTarget(path);
    ReportScanProgress(L"Start Menu shortcut: " + path);
    if (target.empty()) continue;
    if (IsFileReferenceValid(target, FileCheckOptions{.bUsePathSkipList = true, .bUseFolderSkipList = true,
                                                      .bPassedBack = true}))
      continue;

    const int index = AddProblem(kEntryTypeStartMenuShortcut, L"", L"", L"", L"", 0);
    AddProblemDetail(index, ShortcutDisplayName(path));
    AddProblemDetail(index, path);
    AddProblemDetail(index, target);
    AddProblemDetail(index, TopProgramsFolder(path));
  }
  return kRanToEnd;
}
