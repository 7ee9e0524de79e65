#include "scan/categories/ProgramsFolders.h"

#include "app/SystemUtils.h"
#include "scan/Category.h"

namespace {

const std::wstring kShellFoldersKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void WithTrailingBackslash(std::wstring& folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
}

}  // namespace

void ReadProgramsFolders(std::wstring& commonPrograms, std::wstring& userPrograms) {
  commonPrograms.clear();
  userPrograms.clear();
  if (IsWow64()) {
    ReadRegString64(commonPrograms, HKEY_LOCAL_MACHINE, kShellFoldersKey, L"Common Programs");
    ReadRegString32(userPrograms, HKEY_CURRENT_USER, kShellFoldersKey, L"Programs");
  } else {
    ReadRegString(commonPrograms, HKEY_LOCAL_MACHINE, kShellFoldersKey, L"Common Programs");
    ReadRegString(userPrograms, HKEY_CURRENT_USER, kShellFoldersKey, L"Programs");
  }
  WithTrailingBackslash(commonPrograms);
  WithTrailingBackslash(userPrograms);
}
