#include "scan/SkipLists.h"

#include "platform/base/Text.h"

std::wstring NormaliseSkipEntry(const std::wstring& text) { return mx::ToLower(mx::Trim(text)); }

bool ContainsAnyEntry(const std::wstring& text, const std::vector<std::wstring>& entries) {
  const std::wstring lower = mx::ToLower(text);
  for (const std::wstring& entry : entries)
    if (lower.find(entry) != std::wstring::npos) return true;
  return false;
}
