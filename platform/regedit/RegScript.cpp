#include "platform/regedit/RegScript.h"

#include <string>

#include "platform/base/Text.h"

namespace mx {

namespace {
struct RootName {
  HKEY root;
  std::wstring_view name;
};
const RootName kRoots[] = {
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT"}, {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER"},
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE"}, {HKEY_USERS, L"HKEY_USERS"},
    {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG"},
};
}  // namespace

HKEY RegRootFromName(std::wstring_view name) {
  for (const auto& r : kRoots)
    if (EqualsNoCase(r.name, name)) return r.root;
  return nullptr;
}

std::wstring_view RegRootName(HKEY root) {
  for (const auto& r : kRoots)
    if (r.root == root) return r.name;
  return {};
}

}  // namespace mx

namespace mx {

std::string SplitRegKeyName(std::wstring_view fullName, HKEY* root, std::wstring* path) {
  size_t slash = fullName.find(L'\\');
  std::wstring_view rootName = fullName.substr(0, slash);
  *root = RegRootFromName(rootName);
  if (!*root) return "unknown root key \"" + WideToUtf8(rootName.substr(0, 64)) + "\"";
  path->clear();
  if (slash == std::wstring_view::npos) return {};
  std::wstring_view rest = fullName.substr(slash + 1);
  if (!rest.empty() && rest.back() == L'\\') rest.remove_suffix(1);
  size_t start = 0;
  while (start <= rest.size() && !rest.empty()) {
    size_t end = rest.find(L'\\', start);
    if (end == std::wstring_view::npos) end = rest.size();
    if (end == start) return "empty key name in \"" + WideToUtf8(fullName.substr(0, 300)) + "\"";
    if (end - start > kMaxRegKeyNameLength)
      return "key name longer than " + std::to_string(kMaxRegKeyNameLength) + " characters";
    start = end + 1;
  }
  path->assign(rest);
  return {};
}

}  // namespace mx
