#pragma once
// The settings values of the program: globals named by their registry values under the product key of
// HKEY_CURRENT_USER, loaded once at start-up and written back by every SaveSettings. Written on the UI thread
// only, never while a worker that reads them runs.
#include <string>

#include "platform/base/WinTypes.h"

inline constexpr const wchar_t* kProductKey = L"Software\\Tarvolen\\Mendrix\\Version 1.0";
inline constexpr const wchar_t* kLangSubKey = L"Software\\Tarvolen\\Mendrix\\Version 1.0\\LANG";

// DWORD settings.
extern DWORD StartWhenWinBoots;
extern DWORD GoToSystemTrayOnClose;
extern DWORD SetChkREmovableMedia;
extern DWORD SetChkSkipEmptyKeys;
extern DWORD ImprovementProgram;
extern DWORD ConfirmBkUps;
extern DWORD StartScan;
extern DWORD StartMinimized;
extern DWORD AutoRepair;
extern DWORD RegErrFoundTillDate;
extern DWORD RegErrsFixedTillDate;
extern DWORD RegErrsFixedLast;
extern DWORD NumTimesKVTRunned;
extern DWORD ChkAgreeToUploadDLLs;

// String settings (display texts, stored unchanged).
extern std::wstring StrLastScan;
extern std::wstring StrLastOptimizeTime;
extern std::wstring StrLatestRegDefrag;
extern std::wstring StrLatestRestorePoint;
extern std::wstring StrLastStartupOpt;
extern std::wstring ScheduledTime;
// The problem count of the last scan as a decimal text; stored as "StrLastScanResults".
extern std::wstring StrLastScanResults;

void ApplyDefaultSettings();
void LoadSettings();
void SaveSettings();

int LoadLastScanResultCount();
void SaveLastScanResultCount(int count);

BOOL SaveLastScanTime(const SYSTEMTIME& localTime);
BOOL SaveLastDllInstallTime(const SYSTEMTIME& localTime);
BOOL LoadLastScanTime(SYSTEMTIME& out);
BOOL LoadLastDllInstallTime(SYSTEMTIME& out);
// Whole days since the stored time; -1 when nothing valid is stored.
int DaysSinceLastScan();
int DaysSinceLastDllInstall();

// The language index 0-19: the machine's LangID, overridden by a valid user LangID; read anew each call.
int GetLangID();
// The user's LangCode, "en" until one is stored.
std::wstring GetLangCode();

// _wtol as the Windows C runtime has it: optional blanks and sign, leading decimal digits, 32-bit result.
LONG WtoL(const std::wstring& text);
