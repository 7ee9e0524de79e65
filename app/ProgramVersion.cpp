#include "app/ProgramVersion.h"

#include <mutex>

#include "app/FileVersionInfo.h"
#include "platform/shell/VersionInfo.h"
#include "platform/system/Module.h"

void EnsureProgramVersionResource() {
  static std::once_flag once;
  std::call_once(once, RegisterProgramVersionResource);
}

void RegisterProgramVersionResource() {
  const WORD version[4] = {MX_VERSION_MAJOR, MX_VERSION_MINOR, MX_VERSION_PATCH, MX_VERSION_TWEAK};
  const std::wstring text = std::to_wstring(version[0]) + L"." + std::to_wstring(version[1]) + L"." +
                            std::to_wstring(version[2]) + L"." + std::to_wstring(version[3]);
  mx::SetModuleVersionResource(mx::BuildVersionResource(
      version, {{L"CompanyName", L"Tarvolen"}, {L"FileDescription", L"Tarvolen Mendrix"},
                {L"FileVersion", text}, {L"ProductName", L"Tarvolen Mendrix"}, {L"ProductVersion", text}}));
}

BOOL GetExeFileVersion(std::wstring& out) {
  out.clear();
  EnsureProgramVersionResource();
  wchar_t path[MAX_PATH] = {};
  if (win::GetModuleFileName(nullptr, path, MAX_PATH) == 0) return FALSE;
  CFileVersionInfo info;
  if (!info.Load(path)) return FALSE;
  out = info.GetFileVersion();
  return out.empty() ? FALSE : TRUE;
}
