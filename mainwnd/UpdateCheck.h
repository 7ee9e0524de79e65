#pragma once
// The update check: asks the web service for the description of the newest version (kvtupdate.ini), compares
// its four-part version with ours and, when the user agrees, downloads the installer into the data folder and
// starts it. It runs on its own thread, CCheckUpdateThread: quiet from the main window's automatic check,
// with messages from the Help menu, and in the unattended "updatecheck" run, where a newer version is handed
// to the pop-up notifier and anything else ends the program.
#include <atomic>
#include <functional>
#include <string>

#include "app/ProgramVersion.h"
#include "platform/base/WinTypes.h"
#include "platform/win/Thread.h"

extern std::atomic<bool> g_bQuietUpdateCheck;
extern std::atomic<bool> g_bUpdateCheckRunning;
extern std::atomic<bool> g_bSetupDownloadRunning;
extern std::atomic<bool> g_bOpenUpdateInBrowser;
// Written and read by the one running check (g_bUpdateCheckRunning keeps a second one out).
extern std::wstring g_strUpdateUrl;
extern std::wstring g_strSetupPath;
extern const std::wstring g_strUpdateIniName;   // "kvtupdate.ini"
extern const std::wstring g_strSetupTempName;   // "proupdate.tmp"
// Path and query on the web service; the two %s are the program's version and the last fixed DLL's name.
extern const std::wstring g_strUpdateRequestFormat;

class CCheckUpdateThread : public win::CWinThread {
 public:
  // Runs one check and returns FALSE, so the thread ends after it.
  BOOL InitInstance() override;
};

// The check thread's work: one check (quiet as g_bQuietUpdateCheck says); in the unattended run, no newer
// version ends the program and a newer one runs the pop-up notifier on this thread.
void RunUpdateCheck(BOOL updateCheckMode, BOOL fromPopup);
// Starts the check thread, as the automatic check (quiet) and the Help menu command (not quiet) do.
void StartUpdateCheck(bool quiet);

int CheckForUpdatesGuarded(BOOL updateCheckMode, BOOL fromPopup);
// 1 when a newer installer was started or, in the unattended run, when a newer version exists; else 0.
int CheckForUpdates(BOOL quiet, BOOL updateCheckMode, BOOL fromPopup);
// TRUE when the description at path names a newer version at an http or https address; sets g_strUpdateUrl
// then, and g_bOpenUpdateInBrowser from every description read.
BOOL ParseUpdateInfo(const std::wstring& path);
// Compares two version texts the way the check does: blanks removed and commas read as dots in ours, four
// dot-separated parts each cut to 16 bits. 1: remote newer, 0: not newer, -1: one has fewer than four parts.
int CompareUpdateVersions(const std::wstring& own, const std::wstring& remote);
// Downloads g_strUpdateUrl to the installer's dated name in the data folder and sets g_strSetupPath:
// 1 done, 0 the transfer or the move failed, -1 no connection (with the connection message unless quiet).
int DownloadAndRunSetup(BOOL quiet);
// Starts the downloaded installer; TRUE only when it really started, and then the program ends through the
// end hook. A Windows installer cannot run on this machine: the launch is recorded and FALSE returned.
BOOL RunDownloadedSetup();

// How the check reaches the rest of the program. endProgram asks the UI thread to save settings, lists and
// results and end (by default: WM_QUIT to the application's thread, whose exit saves them); popupNotifier
// runs the pop-up about the new version on the calling thread (the unattended run). ownerWindow is the
// message boxes' owner (by default the application's main window).
struct UpdateCheckHooks {
  std::function<void()> endProgram;
  std::function<void()> popupNotifier;
  std::function<HWND()> ownerWindow;
};
void SetUpdateCheckHooks(UpdateCheckHooks hooks);
