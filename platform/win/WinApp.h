#pragma once
// The application object and its entry: one CWinApp per process (constructed as a global or by the test),
// run by AfxWinMain on the UI thread: the command line is stored, the instance channel starts (Instance.h),
// InitInstance runs; TRUE enters Run (the message loop, PumpMessage after PumpMessage until WM_QUIT, then
// ExitInstance's result); FALSE calls ExitInstance at once and ends with its result.
#include <string>
#include <vector>

#include "platform/win/Thread.h"

namespace win {

class CWinApp : public CWinThread {
 public:
  explicit CWinApp(LPCWSTR appName = nullptr);
  ~CWinApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;  // returns the exit code of the WM_QUIT that ended Run (0 when none)

  std::wstring m_pszAppName;
  // The command line after the program's name, joined with single spaces.
  std::wstring m_lpCmdLine;
};

// The process's application object (the last one constructed and not yet destroyed), or nullptr.
CWinApp* AfxGetApp();
// The main window of the calling thread's CWinThread, else the application's.
CWnd* AfxGetMainWnd();

// The program's arguments as __argc/__wargv give them: [0] is the program.
const std::vector<std::wstring>& CommandLineArgs();
void SetCommandLineArgs(std::vector<std::wstring> args);

// Runs AfxGetApp() as described above; argv is UTF-8 from the host. Returns the exit code.
int AfxWinMain(int argc, char** argv);

}  // namespace win
