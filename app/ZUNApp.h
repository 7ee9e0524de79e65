#pragma once
// The application object: start-up and exit, the single-instance rule and what a second instance tells the
// first, the command word, the shared fonts, and the program state other parts read and set.
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandWord.h"
#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinApp.h"

class CScanManager;
class CZUNDlg;

namespace win {
class CWnd;
}

// Requests a second instance posts to the first one's main window (wParam 0, lParam 0).
inline constexpr UINT WM_START_SCHEDULED_SCAN = WM_APP + 151;
inline constexpr UINT WM_ASK_DLL_FIXED = WM_APP + 152;
// Any other second start: the first instance shows its window for the user, whatever it was doing unattended.
inline constexpr UINT WM_BRING_TO_FRONT = WM_APP + 153;

// The busy counter of the modal prompts shown over the main window (raised and lowered with atomic steps).
extern std::atomic<int> g_nModalCount;

inline constexpr const wchar_t* kMutexName = L"Local\\XJV_4E7965C1-F27A-44e1-90D1-46EBDFE07955";
inline constexpr const wchar_t* kFirewallRuleName = L"Tarvolen MENDRIX";

// How the application object reaches the scan engine, which registers itself here: create the manager with
// the last results loaded, save the results, stop a running worker and wait for it, delete the manager.
struct ScanManagerHooks {
  std::function<CScanManager*()> create;
  std::function<void(CScanManager*)> saveProblems;
  std::function<void(CScanManager*)> stopWorkersAndWait;
  std::function<void(CScanManager*)> destroy;
};
void SetScanManagerHooks(ScanManagerHooks hooks);

// Fourteen fonts shared by the screens; deleted with the object.
class AppFonts {
 public:
  AppFonts() = default;
  ~AppFonts();
  AppFonts(const AppFonts&) = delete;
  AppFonts& operator=(const AppFonts&) = delete;
  void Set(int index, HFONT font);
  HFONT Get(int index) const { return index >= 0 && index < 14 ? m_fonts[index] : nullptr; }

 private:
  std::array<HFONT, 14> m_fonts{};
};

class CZUNApp : public win::CWinApp {
 public:
  CZUNApp();
  ~CZUNApp() override;

  BOOL InitInstance() override;
  int ExitInstance() override;

  // The program above the screens makes the main window: it shows the splash of an interactive start,
  // creates the window hidden, sets m_pMainDlg and m_pMainWnd and keeps the window until the object goes.
  // The core alone makes a bare hidden window with the localized title, so that a second instance finds it.
  virtual BOOL CreateMainWindow();
  // Registers the program with the firewall at start-up (the program above the core does it).
  virtual void AddProgramFirewallRule() {}
  // The completion of an optimisation in the start after its restart: TRUE when its summary is to be shown.
  // The program above the core completes it (the compaction tools); the core alone has nothing to finish.
  virtual BOOL FinishAfterOptimization() { return FALSE; }
  // Swallows the keys the hosted browser must never see (KeyFilter.h).
  BOOL PreTranslateMessage(MSG* msg) override;

  // REG_DWORD values under the product key (joined with section when it is not empty).
  UINT GetProfileInt(const std::wstring& section, const std::wstring& entry, int defaultValue);
  BOOL WriteProfileInt(const std::wstring& section, const std::wstring& entry, int value);

  BOOL m_bShowSplash = FALSE;
  CZUNDlg* m_pMainDlg = nullptr;
  CScanManager* m_pScanManager = nullptr;
  std::vector<std::wstring> m_arrExcludeList;
  BOOL m_bAskUserMode = FALSE;
  BOOL m_bStartedAfterOptimization = FALSE;
  std::vector<std::wstring> m_arrTempList;
  std::wstring m_strMutexName = kMutexName;
  BOOL m_bOtherInstanceFound = FALSE;
  BOOL m_bUpdateCheckMode = FALSE;
  std::atomic<bool> m_bUpdateFromPopup{false};
  BOOL m_bScheduledScanMode = FALSE;
  // Written by the workers, read by the UI thread.
  std::atomic<bool> m_bScanRunning{false};
  std::atomic<bool> m_bCleanRunning{false};
  std::atomic<bool> m_bRestoreRunning{false};
  BOOL m_bElevatedScan = FALSE;
  BOOL m_bElevatedDefrag = FALSE;
  BOOL m_bElevatedFullBackup = FALSE;
  BOOL m_bElevatedFullBackupRestore = FALSE;
  BOOL m_bElevatedPartialBackupRestore = FALSE;
  BOOL m_bElevatedSchedule = FALSE;
  BOOL m_bStartedByLogon = FALSE;
  BOOL m_bDefaultMode = FALSE;
  BOOL m_bDllFileMode = FALSE;
  BOOL m_bSegoeUIAvailable = FALSE;
  std::atomic<bool> m_bDefragRunning{false};
  BOOL m_bCreatingAskUserTask = FALSE;
  int m_nSavedProblemCount = 0;
  int m_nLoadedProblemCount = 0;
  std::wstring m_strLangIniPath;
  AppFonts m_fonts;
  int m_nLangID = 0;
  std::wstring m_strDllMD5List;

  // The command word of this start (normalised first argument).
  std::wstring m_strCommandWord;

 private:
  // Acts on the command word; FALSE ends the start-up ("askuser" already asked, "rem" switched off).
  BOOL ApplyCommandWord();
  void ForwardToFirstInstance();
  void CreateAppFonts();

  HANDLE m_hMutex = nullptr;
  std::unique_ptr<win::CWnd> m_bareMainWnd;
};

// The process's application object, or nullptr.
CZUNApp* AfxGetZunApp();

// The program's folder (with its trailing backslash) followed by the current language's file name; stored
// in app->m_strLangIniPath when app is given.
void BuildLanguageFilePath(std::wstring& out, CZUNApp* app);
// Stops a running worker, waits for it, and deletes the manager.
void DeleteScanManager(CScanManager* manager);

// Opens the help file beside the program ("tarvmend.chm"); TRUE when the shell took it.
BOOL OpenHelpFile();

// The two messages the main window registers for itself (the same numbers in every process).
UINT PostMainUIContinueMessage();  // "PostMainUI Continue {974AD229-...}"
UINT ShowChildScreenMessage();     // "WM_SHOW_CHILD_HTM_DLG {974AD229-...}"
