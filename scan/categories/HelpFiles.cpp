#include "scan/categories/HelpFiles.h"

#include <vector>

#include "app/AppPaths.h"
#include "app/SystemUtils.h"
#include "platform/fs/PathApi.h"
#include "platform/regedit/RegKeyHandle.h"

namespace {

const std::wstring kHelpKey = L"SOFTWARE\\Microsoft\\Windows\\Help";
const std::wstring kHtmlHelpKey = L"SOFTWARE\\Microsoft\\Windows\\HTML Help";
constexpr REGSAM kExamineAccess = 0x2001F;  // KEY_READ | KEY_WRITE

std::wstring WindowsFolder() {
  wchar_t buffer[MAX_PATH] = {};
  const UINT length = win::GetWindowsDirectory(buffer, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

bool IsAbsolutePath(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') || path.rfind(L"\\\\", 0) == 0;
}

}  // namespace

int CHelpFiles::Scan() {
  GetItemCount();
  int result = 1;
  if (IsWow64()) {
    ScanHelpKey64(kHelpKey, 24, L"Help file: ", L"Missing help file ");
    ScanHelpKey64(kHtmlHelpKey, 25, L"HTML help file: ", L"Missing HTML help file ");
    ScanHelpKey32(kHelpKey, 24, L"Help file: ", L"Missing help file ");
    result = ScanHelpKey32(kHtmlHelpKey, 25, L"HTML help file: ", L"Missing HTML help file ");
  } else {
    if (ScanHelpKey(kHelpKey, 24, L"Help file: ", L"Missing help file ") == 2) return 2;
    result = ScanHelpKey(kHtmlHelpKey, 25, L"HTML help file: ", L"Missing HTML help file ");
  }
  if (m_arrProblems.size() >= 2) SortProblemRange(m_arrProblems, 0, static_cast<int>(m_arrProblems.size()) - 1);
  return result == 2 || IsStopRequested() ? 2 : 1;
}

int CHelpFiles::ScanHelpKey64(const std::wstring& keyPath, int entryType, const std::wstring& progressPrefix,
                              const std::wstring& detailPrefix) {
  return ScanHelpPass(KEY_WOW64_64KEY, &ReadRegString64, 0, keyPath, entryType, progressPrefix, detailPrefix);
}

int CHelpFiles::ScanHelpKey32(const std::wstring& keyPath, int entryType, const std::wstring& progressPrefix,
                              const std::wstring& detailPrefix) {
  return ScanHelpPass(KEY_WOW64_32KEY, &ReadRegString32, 1, keyPath, entryType, progressPrefix, detailPrefix);
}

int CHelpFiles::ScanHelpKey(const std::wstring& keyPath, int entryType, const std::wstring& progressPrefix,
                            const std::wstring& detailPrefix) {
  return ScanHelpPass(0, &ReadRegString, 0, keyPath, entryType, progressPrefix, detailPrefix);
}

int CHelpFiles::ScanHelpPass(REGSAM view, Reader reader, int is32BitEntry, const std::wstring& keyPath, int entryType,
                             const std::wstring& progressPrefix, const std::wstring& detailPrefix) {
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, kExamineAccess | view, key.receive()) != ERROR_SUCCESS)
    return 1;
  std::vector<std::wstring> names;
  EnumValueNames(key.get(), names);

  const FileCheckOptions passedBackOnly{.bPassedBack = true};
  for (const std::wstring& name : names) {
    if (IsStopRequested()) return 2;
    ReportScanProgress(progressPrefix + name);

    std::wstring folder;
    if (!reader(folder, HKEY_LOCAL_MACHINE, keyPath, name)) continue;
    if (!folder.empty()) {
      if (folder.back() != L'\\') folder += L'\\';
      if (IsFileReferenceValid(folder + name, passedBackOnly)) continue;
    } else if (HelpFileWithoutFolderExists(name)) {
      continue;
    }
    const int index = AddProblem(entryType, L"HKEY_LOCAL_MACHINE\\" + keyPath, name, folder, L"", is32BitEntry);
    AddProblemDetail(index, detailPrefix + name);
  }
  return 1;
}

bool CHelpFiles::HelpFileWithoutFolderExists(const std::wstring& name) {
  // A registration without a folder means "where the help viewers look", never the folder this process
  // happens to run in.
  if (IsAbsolutePath(name)) return IsFileReferenceValid(name, FileCheckOptions{.bPassedBack = true});
  const std::wstring windows = WindowsFolder();
  std::vector<std::wstring> folders;
  if (!windows.empty()) {
    std::wstring help = windows;
    AppendPath(help, L"help");
    folders.push_back(help);
    folders.push_back(windows);
  }
  if (!m_strSystemFolder.empty()) folders.push_back(m_strSystemFolder);
  for (std::wstring candidate : folders) {
    AppendPath(candidate, name);
    if (win::PathFileExists(candidate.c_str())) return true;
  }
  return false;
}
