#pragma once
// Child processes. The one program this machine can start is the registry editor stand-in: a command line
// naming C:\windows\regedit.exe (or just regedit.exe) starts its 64-bit form, C:\windows\syswow64\regedit.exe
// its 32-bit form; a bare name or a System32 path follows the calling thread's file-system redirection, as
// Windows' search would. The editor is always started by its full host path, after the registry has been
// flushed so that it reads what we wrote. Anything else cannot run here: CreateProcess fails with
// ERROR_FILE_NOT_FOUND and the attempt is recorded as a launch (see platform/shell/ShellExecute.h).
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/WinTypes.h"

namespace mx {
class ChildProcess;
}

// A process handle. Deliberately not a pointer: it must not pass for a HANDLE of the window layer's waits
// (win::WaitForSingleObject), so waits on a child go through WaitForProcess.
class HPROCESS {
 public:
  HPROCESS() = default;
  explicit HPROCESS(mx::ChildProcess* p) : p_(p) {}
  mx::ChildProcess* get() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  bool operator==(const HPROCESS&) const = default;

 private:
  mx::ChildProcess* p_ = nullptr;
};

struct STARTUPINFOW {
  DWORD cb = 0;
  DWORD dwFlags = 0;
  WORD wShowWindow = 0;
};

struct PROCESS_INFORMATION {
  HPROCESS hProcess;  // owned by the caller: CloseProcessHandle (or mx::ProcessPtr)
  DWORD dwProcessId = 0;
};

inline constexpr DWORD NORMAL_PRIORITY_CLASS = 0x20;
inline constexpr DWORD STILL_ACTIVE = 259;
// WaitForProcess answers with the WAIT_* results of platform/base/WinTypes.h.

namespace win {

// The Windows call shape; only applicationName/commandLine/currentDirectory/info are used.
BOOL CreateProcess(LPCWSTR applicationName, LPWSTR commandLine, void* processAttributes, void* threadAttributes,
                   BOOL inheritHandles, DWORD creationFlags, void* environment, LPCWSTR currentDirectory,
                   STARTUPINFOW* startupInfo, PROCESS_INFORMATION* info);
// Waits for the process to end, at most ms milliseconds (INFINITE waits for ever). The wait is on the real
// child, in real time: WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED (null handle).
DWORD WaitForProcess(HPROCESS process, DWORD ms);
// STILL_ACTIVE while it runs; the exit status once it ended (a signal gives 0xC0000000 | signal number).
BOOL GetExitCodeProcess(HPROCESS process, LPDWORD exitCode);
BOOL TerminateProcess(HPROCESS process, UINT exitCode);
// Releases the handle; a still running child goes on and is reaped in the background.
BOOL CloseProcessHandle(HPROCESS process);

}  // namespace win

namespace mx {

struct ProcessCloser {
  void operator()(ChildProcess* p) const { win::CloseProcessHandle(HPROCESS(p)); }
};
using ProcessPtr = std::unique_ptr<ChildProcess, ProcessCloser>;

// The registry editor stand-in's host binary: <folder of this program>/regedit unless a test set another one
// (an empty path returns to the default).
std::filesystem::path RegeditBinary();
void SetRegeditBinary(const std::filesystem::path& binary);

// Splits a command line the way the C runtime splits a Windows program's arguments (quotes, backslashes
// before quotes). The first element is the program token.
std::vector<std::wstring> SplitCommandLine(std::wstring_view commandLine);

}  // namespace mx
