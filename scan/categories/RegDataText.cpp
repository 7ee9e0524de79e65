#include "scan/categories/RegDataText.h"

#include <algorithm>
#include <string_view>

#include "platform/base/Text.h"

std::wstring RegDataText(const std::vector<char>& buffer, DWORD bytes) {
  const size_t usable = std::min<size_t>(bytes, buffer.size());
  std::wstring text = mx::Utf16LeToWide(std::string_view(buffer.data(), usable - usable % 2));
  const size_t end = text.find(L'\0');
  if (end != std::wstring::npos) text.resize(end);
  return text;
}
