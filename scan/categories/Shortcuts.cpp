#include "scan/categories/Shortcuts.h"

#include <vector>

#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/SplitPath.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/PathApi.h"
#include "platform/shell/SpecialFolders.h"
#include "scan/categories/FileInfoArray.h"

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;
constexpr size_t kMaxShortcutPath = 225;
constexpr size_t kLinkExtensionLength = 4;  // ".lnk"

std::wstring ShellFolderLower(int csidl) {
  std::wstring folder;
  if (GetShellFolderPath(folder, csidl) && !folder.empty() && folder.back() != L'\\') folder += L'\\';
  return mx::ToLower(folder);
}

// Targets that are no plain file of this machine: help-centre links, shares, shell objects and the
// advertised targets of installed packages.
bool IsJudgedTarget(const std::wstring& target) {
  if (target.empty()) return false;
  const std::wstring lower = mx::ToLower(target);
  if (lower.rfind(L"hcp:", 0) == 0) return false;
  if (win::PathIsNetworkPath(target.c_str())) return false;
  if (target.front() == L'{' && target.back() == L'}') return false;
  return lower.find(L"installer\\{") == std::wstring::npos;
}

}  // namespace

std::wstring ShortcutDisplayName(const std::wstring& shortcutPath) {
  std::wstring name = GetFileNamePart(shortcutPath);
  name.resize(name.size() > kLinkExtensionLength ? name.size() - kLinkExtensionLength : 0);
  return name;
}

void CShortcuts::GetFolders() {
  m_strDesktop = ShellFolderLower(CSIDL_DESKTOP);
  m_strLocalAppData = ShellFolderLower(CSIDL_LOCAL_APPDATA);
  m_strAppData = ShellFolderLower(CSIDL_APPDATA);
  m_strRecent = ShellFolderLower(CSIDL_RECENT);
  m_strCommonDesktop = ShellFolderLower(CSIDL_COMMON_DESKTOPDIRECTORY);
  const std::vector<std::wstring> found = {m_strDesktop, m_strLocalAppData, m_strAppData, m_strRecent,
                                           m_strCommonDesktop};

  std::wstring* const fields[] = {&m_strDesktop, &m_strCommonDesktop, &m_strAppData, &m_strLocalAppData,
                                  &m_strRecent};
  for (const std::wstring& folder : found)
    for (std::wstring* field : fields)
      if (folder != *field && folder.rfind(*field, 0) == 0) field->clear();
}

int CShortcuts::Scan() {
  GetFolders();
  CFileInfoArray files;
  for (const std::wstring* folder : {&m_strLocalAppData, &m_strAppData, &m_strRecent, &m_strDesktop,
                                     &m_strCommonDesktop})
    if (!folder->empty()) files.AddDir(*folder, L"*.lnk", TRUE, 0, FALSE);

  for (const CFileInfo& file : files) {
    if (IsStopRequested()) return kStopped;
    if (file.m_strFilePath.size() > kMaxShortcutPath) continue;
    CheckShortcut(file.m_strFilePath);
  }

  if (m_arrProblems.size() >= 2) SortProblemRange(m_arrProblems, 0, static_cast<int>(m_arrProblems.size()) - 1);
  return IsStopRequested() ? kStopped : kRanToEnd;
}

void CShortcuts::CheckShortcut(const std::wstring& shortcutPath) {
  const std::wstring target = ResolveShortcutTarget(shortcutPath);
  ReportScanProgress(L"Shortcut: " + shortcutPath);
  if (!IsJudgedTarget(target)) return;

  if (SetChkREmovableMedia != 0) {
    const std::wstring driveRoot = CSplitPath().Split(target).GetDrive() + L"\\";
    if (win::GetDriveType(driveRoot.c_str()) != DRIVE_FIXED) return;
  }
  if (IsFileReferenceValid(target, FileCheckOptions{.bUsePathSkipList = true, .bUseFolderSkipList = true,
                                                    .bPassedBack = true}))
    return;
  if (IsExistingFolder(target)) return;

  const int index = AddProblem(kEntryTypeShortcut, shortcutPath, L"", L"", L"", 0);
  AddProblemDetail(index, ShortcutDisplayName(shortcutPath));
  AddProblemDetail(index, shortcutPath);
  AddProblemDetail(index, target);
}
