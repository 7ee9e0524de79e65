#include "scan/categories/Fonts.h"

#include <vector>

#include "app/AppPaths.h"
#include "app/SystemUtils.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/shell/SpecialFolders.h"
#include "scan/categories/RegStringQuery.h"

namespace {

const std::wstring kFontsKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts";

// 64-bit Windows reads the 64-bit view only; the 32-bit view shares this key.
REGSAM FontKeyAccess() { return IsWow64() ? (KEY_READ | KEY_WOW64_64KEY) : KEY_READ; }

// A file name (or a path below it) lives in the fonts folder; a drive path, a share, a rooted path or one
// built on an environment variable already says where the file is.
bool IsInFontsFolder(const std::wstring& data) {
  if (data.find_first_of(L":%") != std::wstring::npos) return false;
  return data.front() != L'\\' && data.front() != L'/';
}

}  // namespace

std::wstring CFonts::GetFontsFolder() {
  std::wstring folder;
  if (!GetShellFolderPath(folder, CSIDL_FONTS)) return {};
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}

int CFonts::GetItemCount() {
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kFontsKey.c_str(), 0, FontKeyAccess(), key.receive()) != ERROR_SUCCESS)
    return 0;
  DWORD values = 0;
  if (win::RegQueryInfoKey(key.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
    return 0;
  return static_cast<int>(values);
}

int CFonts::Scan() {
  if (m_strFontsFolder.empty()) m_strFontsFolder = GetFontsFolder();
  GetItemCount();

  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kFontsKey.c_str(), 0, FontKeyAccess(), key.receive()) == ERROR_SUCCESS) {
    std::vector<std::wstring> names;
    EnumValueNames(key.get(), names);
    for (const std::wstring& name : names) {
      if (IsStopRequested()) return 2;
      ReportScanProgress(L"Font: " + name);

      std::wstring data;
      if (QueryRegString(key.get(), name, data) != ERROR_SUCCESS) continue;
      bool missing = data.empty();
      if (!missing) {
        const std::wstring file = IsInFontsFolder(data) ? m_strFontsFolder + data : data;
        missing = !IsFileReferenceValid(file, FileCheckOptions{});
      }
      if (!missing) continue;
      const int index = AddProblem(23, L"HKEY_LOCAL_MACHINE\\" + kFontsKey, name, data, L"", 0);
      AddProblemDetail(index, L"Missing font " + name);
    }
  }
  key.reset();
  if (m_arrProblems.size() >= 2) SortProblemRange(m_arrProblems, 0, static_cast<int>(m_arrProblems.size()) - 1);
  return IsStopRequested() ? 2 : 1;
}
