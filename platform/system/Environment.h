#pragma once
// The environment of the machine, never the host's: HKLM
// "System\CurrentControlSet\Control\Session Manager\Environment", HKCU "Environment" and "Volatile Environment", plus the variables Windows itself sets for a
// process (SystemRoot, windir, ProgramFiles as our 32-bit program sees it, ...). Built on first use, rebuilt
// when the prefix changes; the process may set its own variables on top.
#include <map>
#include <optional>
#include <string>

#include "platform/base/Text.h"
#include "platform/base/WinTypes.h"

namespace mx {

using EnvironmentMap = std::map<std::wstring, std::wstring, LessNoCase>;

// The whole block as the process sees it, names case-insensitive, values expanded.
EnvironmentMap EnvironmentBlock();
std::optional<std::wstring> GetEnv(std::wstring_view name);
// Expands %NAME% references; unknown names and a lone % stay as they are.
std::wstring ExpandEnvironment(std::wstring_view text);
// Forgets the block so the next read builds it again from the registry (after a test changed the registry).
void ResetEnvironment();

}  // namespace mx

namespace win {

// Returns the characters of the expansion including the null. When size is too small the buffer is not
// filled and the result is the size needed; 0 on failure (src null).
DWORD ExpandEnvironmentStrings(LPCWSTR src, LPWSTR dst, DWORD size);

// Returns the length without the null when it fits, else the size needed including the null; 0 with
// ERROR_ENVVAR_NOT_FOUND when the variable does not exist.
DWORD GetEnvironmentVariable(LPCWSTR name, LPWSTR buffer, DWORD size);
// Sets or (value null) removes a variable of this process only.
BOOL SetEnvironmentVariable(LPCWSTR name, LPCWSTR value);

}  // namespace win

inline constexpr LONG ERROR_ENVVAR_NOT_FOUND = 203;
