#pragma once
// The 8-bit text of REGEDIT4 files: the ANSI code page of a western Windows installation (Windows-1252).
#include <string>
#include <string_view>

namespace mx {

std::wstring AnsiToWide(std::string_view bytes);

}  // namespace mx
