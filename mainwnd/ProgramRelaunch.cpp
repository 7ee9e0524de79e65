#include "mainwnd/ProgramRelaunch.h"

#include <cstdio>
#include <cstdlib>

#include "app/AppSettings.h"
#include "app/AppLog.h"
#include "app/ExclusionLists.h"
#include "app/ZUNApp.h"
#include "platform/shell/ShellExecute.h"
#include "platform/system/Module.h"
#include "scan/ResultsFile.h"
#include "scan/ScanManager.h"

namespace {

std::function<void()>& ExitHook() {
  static std::function<void()> hook;
  return hook;
}

}  // namespace

void SetRelaunchExitHook(std::function<void()> exit) { ExitHook() = std::move(exit); }

BOOL RelaunchProgram(HWND owner, const std::wstring& parameters) {
  SaveSettings();
  SaveExclusionList();
  SaveTemporaryList();
  if (CZUNApp* app = AfxGetZunApp(); app && app->m_pScanManager) SaveProblemsToDisk(*app->m_pScanManager);

  const std::wstring program = mx::ProgramWinPath();
  if (win::ShellExecute(owner, L"open", program.c_str(), parameters.c_str(), L"", SW_SHOWNORMAL) <= 32) {
    WriteLogLine(L"The program could not be started again: " + program + L" " + parameters);
    return FALSE;
  }
  if (ExitHook()) {
    ExitHook()();
    return TRUE;
  }
  std::fflush(nullptr);
  std::_Exit(0);
}
