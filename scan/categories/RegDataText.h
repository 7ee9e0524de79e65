#pragma once
// Registry data read into a byte buffer, taken as UTF-16 text up to its first zero character; an odd last
// byte is no part of the text.
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

std::wstring RegDataText(const std::vector<char>& buffer, DWORD bytes);
