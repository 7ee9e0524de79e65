#pragma once
// The buffer convention of the Win32 calls that hand out text: the length without the null when the text fits
// into size characters (null included), else nothing written and the size needed with the null.
#include <string_view>

#include "platform/base/WinTypes.h"

namespace mx {

inline DWORD CopyOutOrNeeded(std::wstring_view text, LPWSTR buffer, DWORD size) {
  if (!buffer || size < text.size() + 1) return static_cast<DWORD>(text.size() + 1);
  text.copy(buffer, text.size());
  buffer[text.size()] = 0;
  return static_cast<DWORD>(text.size());
}

}  // namespace mx
