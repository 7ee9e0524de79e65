#include "platform/shell/ShellExecute.h"

#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/system/Process.h"
#include "platform/system/RestartRequest.h"

namespace win {

namespace {

bool NamesEditor(std::wstring_view file) {
  std::wstring f = mx::ToLower(file);
  size_t slash = f.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? f : f.substr(slash + 1);
  return name == L"regedit.exe" || name == L"regedit";
}

// The shutdown program asked to restart ("-r" or "/r"): the machine's restart is carried out for the prefix
// once the asking program has ended.
bool AsksRestart(std::wstring_view file, std::wstring_view parameters) {
  std::wstring f = mx::ToLower(file);
  size_t slash = f.find_last_of(L"\\/");
  std::wstring name = slash == std::wstring::npos ? f : f.substr(slash + 1);
  if (name != L"shutdown.exe" && name != L"shutdown") return false;
  for (const auto& arg : mx::SplitCommandLine(L"x " + std::wstring(parameters)))
    if (mx::EqualsNoCase(arg, L"-r") || mx::EqualsNoCase(arg, L"/r")) return true;
  return false;
}

// The program itself, started again (a language change): it runs here as it runs on Windows.
bool NamesOwnProgram(std::wstring_view file) { return mx::EqualsNoCase(file, mx::ProgramWinPath()); }

}  // namespace

BOOL ShellExecuteEx(SHELLEXECUTEINFOW* info) {
  if (!info || !info->lpFile) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::wstring verb = info->lpVerb ? info->lpVerb : L"";
  std::wstring file = info->lpFile;
  std::wstring parameters = info->lpParameters ? info->lpParameters : L"";
  std::wstring directory = info->lpDirectory ? info->lpDirectory : L"";
  info->hProcess = HPROCESS();
  // The registry editor and the program itself are the programs this machine runs; "runas" would need an
  // elevation we cannot give.
  if ((NamesEditor(file) || NamesOwnProgram(file)) && !mx::EqualsNoCase(verb, L"runas")) {
    std::wstring commandLine = L"\"" + file + L"\"";
    if (!parameters.empty()) commandLine += L" " + parameters;
    PROCESS_INFORMATION pi;
    if (CreateProcess(file.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), nullptr, &pi)) {
      info->hInstApp = 42;
      if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
        info->hProcess = pi.hProcess;
      else
        CloseProcessHandle(pi.hProcess);
      return TRUE;
    }
  } else {
    mx::RecordLaunch({verb, file, parameters, directory, info->nShow, false});
    if (!mx::EqualsNoCase(verb, L"runas") && AsksRestart(file, parameters) &&
        mx::RecordRestartRequest(mx::RestartWhen::Now, parameters)) {
      info->hInstApp = 42;
      return TRUE;
    }
  }
  info->hInstApp = SE_ERR_FNF;
  SetLastError(ERROR_FILE_NOT_FOUND);
  return FALSE;
}

std::intptr_t ShellExecute(void* hwnd, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                           int show) {
  SHELLEXECUTEINFOW info;
  info.hwnd = hwnd;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = show;
  if (!file) return SE_ERR_FNF;
  ShellExecuteEx(&info);
  return info.hInstApp;
}

}  // namespace win
