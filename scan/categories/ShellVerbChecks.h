#pragma once
// What the shell would use from a key of HKEY_CLASSES_ROOT that the file-types walk visits: the command of each
// verb under "shell" and the icon under "DefaultIcon". Each check has one form per registry view; the forms
// differ only in the view of their opens, the string reader and the 32BitEntry of their reports. The walk
// ignores their results.
#include <string>

class CCategory;

// Whether the command key holds a non-empty "DelegateExecute" value, read in the 64-bit view when view64 is set
// and in the 32-bit view when not (on 32-bit Windows in the one view there is).
bool HasDelegateExecute(const std::wstring& commandKeyPath, bool view64);

// commandKeyPath is keyName + "\shell\" + verb + "\command". Reports a command that is empty or names a missing
// program (type 21) and a verb without any command (type 22). Always 1.
int CheckShellVerbCommand(CCategory& category, const std::wstring& commandKeyPath, const std::wstring& keyName,
                          const std::wstring& verb);
int CheckShellVerbCommand64(CCategory& category, const std::wstring& commandKeyPath, const std::wstring& keyName,
                            const std::wstring& verb);
int CheckShellVerbCommand32(CCategory& category, const std::wstring& commandKeyPath, const std::wstring& keyName,
                            const std::wstring& verb);

// Reports an icon naming a missing file (type 17, once per Key across the views) and a "DefaultIcon" key
// without an icon (type 18). False when the icon names a missing file, whether or not it was reported.
bool CheckDefaultIcon(CCategory& category, const std::wstring& keyName);
bool CheckDefaultIcon64(CCategory& category, const std::wstring& keyName);
bool CheckDefaultIcon32(CCategory& category, const std::wstring& keyName);
