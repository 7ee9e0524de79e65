#pragma once
// The helpers of CCategory::IsFileReferenceValid (declared in Category.h), exposed for the categories that
// need one of them and for tests.
#include <string>
#include <string_view>

// True when the lower-cased path contains an entry of the folder skip list.
bool IsExcludedPath(const std::wstring& path);
// 1 when the path is empty or names an existing file; otherwise FindFileInText of it.
int GetPathKindChecked(const std::wstring& path);
// 1 when an existing file is found in the text, 0 when it holds no drive root or no plausible path, -1 when
// it is a plausible path to a missing file.
int FindFileInText(const std::wstring& text);
// True when the path (longer than four characters) ends with a device name such as "\CON".
bool EndsWithDeviceName(std::wstring_view path);
// GetPathKindChecked that also tries the twin folder of 64-bit Windows (System32/SysWOW64, Program Files
// and Program Files (x86)).
int GetPathKindWow64(const std::wstring& path, bool noSystemFolderTwin);
// True when the name's App Paths entry names an existing or protected file; name becomes that path then.
bool IsRegisteredAppPath(std::wstring& name);
// Cuts the lower-cased text after the first occurrence of the extension when more text follows it.
bool TruncateAfterExtension(std::wstring& text, std::wstring_view extension);

// Forgets the remembered valid references and the drive roots; every scan starts with this.
void ClearFileReferenceCaches();
