#pragma once
// The categories' strict string query of an open key: only a REG_SZ or REG_EXPAND_SZ value that fits a fixed
// buffer and ends with its terminator is read; anything else counts as unreadable. The text is not expanded.
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"

// The default room of the query, terminator included.
inline constexpr DWORD kQueryStringChars = 260;

// ERROR_SUCCESS with out set (up to its first null); ERROR_FILE_NOT_FOUND when the value is absent;
// ERROR_MORE_DATA when it needs more than maxChars characters; ERROR_BAD_FORMAT for another type, an odd byte
// count or a last character that is not a terminator. out is emptied first.
LONG QueryRegString(HKEY key, const std::wstring& valueName, std::wstring& out, DWORD maxChars = kQueryStringChars);
