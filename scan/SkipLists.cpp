#include "scan/SkipLists.h"

#include <algorithm>

#include "platform/base/Text.h"

std::wstring NormaliseSkipEntry(const std::wstring& text) { return mx::ToLower(mx::Trim(text)); }

std::vector<std::wstring> NormaliseSkipList(const std::vector<std::wstring>& entries) {
  std::vector<std::wstring> list;
  list.reserve(entries.size());
  for (const std::wstring& entry : entries) {
    std::wstring normal = NormaliseSkipEntry(entry);
    if (!normal.empty() && std::find(list.begin(), list.end(), normal) == list.end()) list.push_back(std::move(normal));
  }
  return list;
}

bool ContainsAnyEntry(const std::wstring& text, const std::vector<std::wstring>& entries) {
  const std::wstring lower = mx::ToLower(text);
  for (const std::wstring& entry : entries)
    if (lower.find(entry) != std::wstring::npos) return true;
  return false;
}
