#pragma once
// The DLL installation: downloads up to three versions of one DLL, checks them against their checksums, puts
// them into the prefix's system folders (or a folder the user picks), keeps a backup of every file it
// replaces, records what it installed and arranges the follow-up question.
#include <functional>
#include <string>
#include <string_view>

#include "app/DllResultData.h"
#include "platform/base/WinTypes.h"

// A reply's file name is used only as a plain leaf name: no separators or drive colon, not "." or "..", no
// control or wildcard characters, no trailing dot or blank, no device name, at most 255 characters.
bool IsSafeDllFileName(std::wstring_view name);
// "64" for a 64-bit version, "32" for everything else.
std::wstring NormaliseDllBits(std::wstring_view bits);

// The custom install folder question: fileName and the folder proposed; TRUE when the user confirmed, with
// chosenFolder empty when the proposal stands. Without one installed every folder choice counts as cancelled.
using InstallFolderChooser =
    std::function<BOOL(const std::wstring& fileName, const std::wstring& initialFolder, std::wstring& chosenFolder)>;
void SetInstallFolderChooser(InstallFolderChooser chooser);

// Set while an installation runs; a second call meanwhile does nothing.
extern bool g_bDllInstallRunning;

// TRUE when every present version was checked, copied and recorded; FALSE on every failure, refusal or cancel.
BOOL InstallDlls(DLL_RESULT_DATA_EX a, DLL_RESULT_DATA_EX b, DLL_RESULT_DATA_EX c, BOOL chooseFolder);
// Moves a file about to be replaced into "backup_overwrite\<bits>" of the data folder. An earlier backup of
// the same name is kept; later ones get numbered names.
BOOL BackupExistingDll(const std::wstring& targetPath, const std::wstring& fileName, const std::wstring& bits);
BOOL MoveAndRegisterDll(const std::wstring& downloadedPath, const std::wstring& targetPath, const std::wstring& fileName);
