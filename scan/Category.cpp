#include "scan/Category.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/fs/WinPath.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/shell/ShellLink.h"
#include "platform/system/Environment.h"
#include "platform/win/Sync.h"
#include "scan/FileReferenceCheck.h"
#include "scan/ScanPathKinds.h"

std::wstring g_strSysWow64Folder;

namespace {

constexpr REGSAM kExamineAccess = 0x2001F;  // KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY
constexpr DWORD kSubKeyNameChars = 255;
constexpr DWORD kValueNameChars = 1024;
constexpr DWORD kShortValueNameChars = 255;
constexpr size_t kMinStringBufferChars = 260;
constexpr DWORD kExpandLimit = 2048;

// Caches that describe the machine start again when the program is pointed at another prefix.
void ForgetMachineCaches() {
  g_strSysWow64Folder.clear();
  ClearFileReferenceCaches();
}

void RegisterPrefixListener() {
  static const bool registered = [] {
    mx::OnPrefixChanged(&ForgetMachineCaches);
    return true;
  }();
  (void)registered;
}

// The text of a string value's bytes, up to its first null; an odd last byte is a unit of its own.
std::wstring Utf16BytesToText(const BYTE* data, size_t bytes) {
  std::wstring text;
  text.reserve(bytes / 2 + 1);
  for (size_t i = 0; i < bytes; i += 2) {
    const wchar_t unit = static_cast<wchar_t>(data[i] | (i + 1 < bytes ? data[i + 1] << 8 : 0));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

bool ReadRegStringInView(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName,
                         REGSAM view) {
  out.clear();
  mx::RegKeyHandle key;
  LONG rc = win::RegOpenKeyEx(root, subKey.c_str(), 0, kExamineAccess | view, key.receive());
  if (rc == ERROR_ACCESS_DENIED) rc = win::RegOpenKeyEx(root, subKey.c_str(), 0, KEY_READ | view, key.receive());
  if (rc != ERROR_SUCCESS) return false;
  DWORD type = 0, size = 0;
  if (win::RegQueryValueEx(key.get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
    return true;
  if (type != REG_SZ && type != REG_EXPAND_SZ) return true;
  // Room for the stored bytes and a terminator, whatever the stored length; kept for the thread's next read,
  // as the scans read tens of thousands of values.
  const size_t capacity = std::max<size_t>(kMinStringBufferChars * 2, static_cast<size_t>(size) + 2);
  thread_local std::vector<BYTE> buffer;
  if (buffer.size() < capacity) buffer.resize(capacity);
  DWORD cb = static_cast<DWORD>(capacity - 2);
  if (win::RegQueryValueEx(key.get(), valueName.c_str(), nullptr, &type, buffer.data(), &cb) != ERROR_SUCCESS)
    return true;
  out = mx::Trim(Utf16BytesToText(buffer.data(), std::min<size_t>(cb, capacity - 2)));
  return true;
}

// Views are chosen only on 64-bit Windows; on 32-bit Windows there is one registry.
REGSAM ViewFlag(bool view64) {
  if (!IsWow64()) return 0;
  return view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

std::wstring RootPrefix(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT\\";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER\\";
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE\\";
  if (root == HKEY_USERS) return L"HKEY_USERS\\";
  if (root == HKEY_CURRENT_CONFIG) return L"HKEY_CURRENT_CONFIG\\";
  return {};
}

// Areas where an empty key is part of how the system or a runtime works, in the order tested.
const std::vector<std::wstring>& ProtectedEmptyKeyFragments() {
  static const std::vector<std::wstring> fragments = {
      L"WOW6432NODE", L"MICROSOFT\\SECURITY CENTER", L"MICROSOFT\\SPEECH\\RECOGNIZERS",
      L"MICROSOFT\\SYSTEMCERTIFICATES", L"MICROSOFT\\VISUALSTUDIO", L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\NETWORK",
      L"MICROSOFT\\WINDOWS NT\\CURRENTVERSION\\SECEDIT", L"POLICIES\\MICROSOFT", L"MICROSOFT\\WINDOWS\\CURRENTVERSION",
      L"\\DATAPROVIDERS\\", L"\\OPENWITHLIST", L"MICROSOFT\\ASP.NET", L"\\PRINTERS\\SHELL", L"\\SHELLEX\\",
      L"MICROSOFT\\ODBC", L"MICROSOFT\\ENTERPRISECERTIFICATES", L"MICROSOFT\\WBEM", L"MICROSOFT\\KEYRING",
      L"SOFTWARE\\CLASSES\\.", L"SOFTWARE\\CLASSES\\CLSID\\", L"SOFTWARE\\CLASSES\\TYPELIB\\",
      L"SOFTWARE\\CLASSES\\INTERFACE\\", L"SOFTWARE\\MICROSOFT\\SAPI LAYER", L"SOFTWARE\\MICROSOFT",
      L"MICROSOFT\\CRYPTOGRAPHY", L"WINDOWS 3.1 MIGRATION STATUS", L"\\VIRTUALSTORE\\", L"\\IMPLEMENTED CATEGORIES",
      L"INTERNET EXPLORER", L"SOFTWARE\\MICROSOFT\\WINDOWS NT",
  };
  return fragments;
}

const std::vector<std::wstring>& ProtectedRuntimeFragments() {
  static const std::vector<std::wstring> fragments = {L"SOFTWARE\\MICROSOFT\\VISUAL BASIC\\6.0"};
  return fragments;
}

bool HasClassKey(const std::wstring& tree, const std::wstring& guid, REGSAM access) {
  mx::RegKeyHandle key;
  return win::RegOpenKeyEx(HKEY_CLASSES_ROOT, (tree + guid).c_str(), 0, access, key.receive()) == ERROR_SUCCESS;
}

// Hands take each value name the key lists (names longer than bufferChars cannot be read and are passed over)
// until take returns false; false when the key cannot be asked.
template <typename Take>
bool ForEachValueName(HKEY key, DWORD bufferChars, bool skipDefault, Take take) {
  DWORD count = 0;
  if (win::RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
    return false;
  thread_local std::vector<wchar_t> name;
  name.resize(std::max<size_t>(name.size(), bufferChars + 1));
  for (DWORD i = 0; i < count; ++i) {
    DWORD cch = bufferChars;
    if (win::RegEnumValue(key, i, name.data(), &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
    const std::wstring_view text(name.data(), cch);
    // The unnamed default value is not a value name; it need not come first in the enumeration.
    if (skipDefault && (text.empty() || (i == 0 && mx::Trim(text).empty()))) continue;
    if (!take(text)) break;
  }
  return true;
}

bool ReadValueNames(HKEY key, std::vector<std::wstring>& names, DWORD bufferChars, bool skipDefault) {
  names.clear();
  return ForEachValueName(key, bufferChars, skipDefault, [&](std::wstring_view text) {
    names.emplace_back(text);
    return true;
  });
}

// Hands take each subkey name EnumSubKeys lists until take returns false.
template <typename Take>
void ForEachSubKeyName(HKEY key, Take take) {
  DWORD count = 0;
  if (win::RegQueryInfoKey(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr, nullptr,
                           nullptr, nullptr) != ERROR_SUCCESS)
    return;
  const bool wow64 = IsWow64() != FALSE;
  thread_local std::vector<wchar_t> name(kSubKeyNameChars + 1);
  for (DWORD i = 0; i < count; ++i) {
    DWORD cch = kSubKeyNameChars;
    if (win::RegEnumKeyEx(key, i, name.data(), &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) continue;
    const std::wstring_view text(name.data(), cch);
    // the 32-bit mirror is scanned through its own view, never as a child of the 64-bit one
    if (wow64 && mx::Trim(mx::ToLower(text)).rfind(L"wow6432node", 0) == 0) continue;
    if (!take(text)) break;
  }
}

}  // namespace

CCategory::CCategory() {
  RegisterPrefixListener();
  // Categories are made afresh for every scan: a reference found valid in an earlier scan (the program lives
  // for days in the tray) is checked again, and drives added since then are searched.
  ClearFileReferenceCaches();
  wchar_t folder[MAX_PATH + 1] = {};
  const UINT length = win::GetSystemDirectory(folder, MAX_PATH);
  m_strSystemFolder.assign(folder, std::min<UINT>(length, MAX_PATH));
  m_strSystemFolder += L"\\";
  if (g_strSysWow64Folder.empty()) {
    wchar_t wow64[MAX_PATH + 1] = {};
    const UINT n = win::GetSystemWow64Directory(wow64, MAX_PATH);
    if (n > 0 && n < MAX_PATH) g_strSysWow64Folder.assign(wow64, n);
  }
}

CCategory::~CCategory() = default;

bool CCategory::IsStopRequested() const {
  return m_pStopEvent && *m_pStopEvent && win::WaitForSingleObject(*m_pStopEvent, 0) == win::WAIT_OBJECT_0;
}

void CCategory::AddProblemDetail(int index, const std::wstring& text) {
  if (index < 0 || static_cast<size_t>(index) >= m_arrProblems.size()) return;
  m_arrProblems[static_cast<size_t>(index)]->m_arrDetails.push_back(text);
}

namespace {

std::wstring TypeKeyForm(int entryType, const std::wstring& key) { return std::to_wstring(entryType) + L'\n' + key; }

}  // namespace

// A search of the whole list for every missing icon made a scan's cost per problem grow with the problems. A
// scan only appends; a list shortened or reordered since the last question is indexed again.
bool CCategory::FindProblem(int entryType, const std::wstring& key) const {
  m_typeKeyIndex.Update(m_arrProblems,
                        [](const CProblem& problem) { return TypeKeyForm(problem.EntryType, problem.Key); });
  return m_typeKeyIndex.Holds(TypeKeyForm(entryType, key));
}

void CCategory::SortProblems() {
  if (m_arrProblems.size() < 2) return;
  // A sort only reorders the problems: the indexes keep what they hold, which every category's next question
  // would otherwise build again from each problem of the list.
  const bool duplicatesCurrent = m_duplicateIndex.IsCurrent(m_arrProblems);
  const bool typeKeysCurrent = m_typeKeyIndex.IsCurrent(m_arrProblems);
  SortProblemRange(m_arrProblems, 0, static_cast<int>(m_arrProblems.size()) - 1);
  if (duplicatesCurrent) m_duplicateIndex.Reordered(m_arrProblems);
  if (typeKeysCurrent) m_typeKeyIndex.Reordered(m_arrProblems);
}

bool CCategory::CheckEmptyKey(HKEY root, const std::wstring& subKey, bool view64,
                              const std::vector<std::wstring>& skipFragments, bool recursive) {
  if (SetChkSkipEmptyKeys != 0) return false;
  if (IsStopRequested()) return true;
  const std::wstring lowerPath = mx::ToLower(subKey);
  for (const std::wstring& fragment : skipFragments)
    if (!fragment.empty() && lowerPath.find(fragment) != std::wstring::npos) return false;

  const bool wow64 = IsWow64() != FALSE;
  const REGSAM view = ViewFlag(view64);
  std::wstring defaultText;
  std::vector<std::wstring> subKeys, values;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(root, subKey.c_str(), 0, kExamineAccess | view, key.receive()) != ERROR_SUCCESS)
      return true;
    if (!recursive) {
      // Every key of the deep scan passes here and nearly all hold something: the first name that would be
      // listed settles it, before the default value is read or a list of names is made.
      bool holds = false;
      auto found = [&](std::wstring_view) { return !(holds = true); };
      ForEachValueName(key.get(), kValueNameChars, false, found);
      if (!holds) ForEachSubKeyName(key.get(), found);
      if (holds) return false;
    }
    if (!wow64)
      ReadRegString(defaultText, root, subKey, L"");
    else if (view64)
      ReadRegString64(defaultText, root, subKey, L"");
    else
      ReadRegString32(defaultText, root, subKey, L"");
    EnumSubKeys(key.get(), subKeys);
    EnumValueNames(key.get(), values);
  }

  bool empty;
  if (!recursive)
    empty = values.empty() && subKeys.empty();
  else
    empty = subKeys.empty() && (values.empty() || (values.size() == 1 && defaultText.empty()));

  if (empty) {
    const std::wstring fullPath = RootPrefix(root) + subKey;
    const std::wstring upperPath = mx::ToUpper(fullPath);
    bool report = !mx::EqualsNoCase(subKey, L"SOFTWARE\\CLASSES");
    for (const auto* list : {&ProtectedEmptyKeyFragments(), &ProtectedRuntimeFragments()}) {
      for (const std::wstring& fragment : *list) {
        if (!report) break;
        if (IsStopRequested()) return true;
        if (upperPath.find(fragment) != std::wstring::npos) report = false;
      }
    }
    const size_t open = upperPath.rfind(L'{');
    if (report && open != std::wstring::npos) {
      const size_t close = upperPath.find(L'}', open);
      if (close != std::wstring::npos) {
        // a GUID key is only left over when the class, its type library and its interface are all registered
        const std::wstring guid = fullPath.substr(open, close - open + 1);
        const REGSAM read = KEY_READ | view;
        report = HasClassKey(L"clsid\\", guid, read) && HasClassKey(L"typelib\\", guid, read) &&
                 HasClassKey(L"interface\\", guid, read);
      }
    }
    if (report) {
      const int index = AddProblem(kEntryTypeEmptyKey, fullPath, L"", defaultText, L"", (IsWow64() && !view64) ? 1 : 0);
      AddProblemDetail(index, GetLocalizedString(L"IDS_EMPTY_KEY"));
      AddProblemDetail(index, fullPath);
    }
  }

  if (recursive) {
    for (const std::wstring& name : subKeys) {
      if (IsStopRequested()) return true;
      std::wstring child = subKey;
      AppendPath(child, name);
      CheckEmptyKey(root, child, view64, skipFragments, recursive);
    }
  }
  return false;
}

bool EnumSubKeys(HKEY key, std::vector<std::wstring>& names) {
  names.clear();
  ForEachSubKeyName(key, [&](std::wstring_view text) {
    names.emplace_back(text);
    return true;
  });
  return !names.empty();
}

int EnumValueNames(HKEY key, std::vector<std::wstring>& names) {
  ReadValueNames(key, names, kValueNameChars, false);
  return static_cast<int>(names.size());
}

int EnumValueNamesSkipDefault(HKEY key, std::vector<std::wstring>& names) {
  ReadValueNames(key, names, kShortValueNameChars, true);
  return static_cast<int>(names.size());
}

bool ReadRegString(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
  if (IsWow64()) {
    out.clear();
    return true;
  }
  return ReadRegStringInView(out, root, subKey, valueName, 0);
}

bool ReadRegString32(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
  return ReadRegStringInView(out, root, subKey, valueName, KEY_WOW64_32KEY);
}

bool ReadRegString64(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName) {
  return ReadRegStringInView(out, root, subKey, valueName, KEY_WOW64_64KEY);
}

bool CutAfterSubstring(std::wstring& text, const std::wstring& part) {
  size_t at = text.find(part);
  if (at == std::wstring::npos) at = text.find(mx::ToUpper(part));
  if (at == std::wstring::npos) return false;
  text.erase(at + part.size());
  return true;
}

std::wstring ExtractFilePathFromCommand(const std::wstring& command) {
  std::wstring text = mx::Trim(command);
  const size_t firstNonQuote = text.find_first_not_of(L'"');
  text.erase(0, firstNonQuote == std::wstring::npos ? text.size() : firstNonQuote);
  if (!text.empty() && text.back() == L'"') text.pop_back();

  if (const size_t at = text.find(L" \""); at != std::wstring::npos) text.erase(at);
  if (!CutAfterSubstring(text, L".exe") && !CutAfterSubstring(text, L".dll")) CutAfterSubstring(text, L".ocx");
  if (const size_t at = text.find(L" /"); at != std::wstring::npos) text.erase(at);

  if (const size_t comma = text.find(L','); comma != std::wstring::npos) {
    const std::wstring lower = mx::ToLower(text);
    // the extension as a path splitter sees it: from the last dot of the file name to the end
    const size_t slash = lower.find_last_of(L"\\/");
    const size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    const size_t dot = lower.rfind(L'.');
    const std::wstring extension = dot == std::wstring::npos || dot < nameStart ? std::wstring() : lower.substr(dot);
    if (extension.size() > 1) {
      const size_t found = text.find(extension, comma + 1);
      if (found == std::wstring::npos) text.erase(comma);
    }
  }

  if (const size_t blank = text.find(L' '); blank != std::wstring::npos) {
    const size_t slash = text.find(L'\\');
    if (slash == std::wstring::npos || blank < slash) text = mx::Trim(text.substr(0, blank));
  }

  if (const size_t percent = text.find(L'%');
      percent != std::wstring::npos && text.find(L'%', percent + 1) != std::wstring::npos) {
    std::vector<wchar_t> expanded(kExpandLimit, L'\0');
    const DWORD n = win::ExpandEnvironmentStrings(text.c_str(), expanded.data(), kExpandLimit);
    if (n > 0 && n <= kExpandLimit) text = expanded.data();
  }
  return text;
}

int GetPathKind(const std::wstring& path) {
  if (const auto kept = KeptPathKind(path)) return *kept;
  const int kind = mx::WinPathKind(path);
  KeepPathKind(path, kind);
  return kind;
}

bool IsExistingFolder(const std::wstring& path) { return GetPathKind(path) == 0; }

std::wstring GetFileNamePart(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring GetFolderPart(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring ResolveShortcutTarget(const std::wstring& shortcutPath) {
  if (shortcutPath.empty() || shortcutPath.size() >= MAX_PATH) return {};
  std::string bytes;
  if (mx::ReadWinFile(shortcutPath, bytes, 16u << 20) != ERROR_SUCCESS) return {};
  mx::ShellLinkData link;
  if (!mx::ParseShellLink(bytes, link)) return {};
  std::wstring target = mx::ShellLinkTarget(link, SLGP_UNCPRIORITY);
  if (target.size() >= 1024) return {};
  return target;
}

bool IsGuidString(const std::wstring& text) {
  return !text.empty() && (text.front() == L'{' || text.back() == L'}');
}

namespace {

// Hoare's partition around the middle element, on each problem's rank among the lowered details of the range
// (ranked as CompareNoCase orders them; equal details, equal ranks). The same list always comes out in the same
// order, equal details included. A category's two views, two sorted runs one after the other, make this
// partition take off one or two problems at a time: comparing ranks instead of texts keeps that cheap, and the
// smaller side is sorted first with the larger taken on in the same loop, so that a long list cannot use up the
// stack. The two sides are apart, so the order they are sorted in changes nothing.
void SortByRanks(std::vector<std::unique_ptr<CProblem>>& problems, std::vector<std::uint32_t>& ranks, int lo,
                 int hi) {
  auto rank = [&](int i) -> std::uint32_t& { return ranks[static_cast<size_t>(i)]; };
  while (lo < hi) {
    const std::uint32_t pivot = rank((lo + hi) / 2);
    int left = lo, right = hi;
    while (left <= right) {
      while (rank(left) < pivot) ++left;
      while (pivot < rank(right)) --right;
      if (left <= right) {
        std::swap(problems[static_cast<size_t>(left)], problems[static_cast<size_t>(right)]);
        std::swap(rank(left), rank(right));
        ++left;
        --right;
      }
    }
    if (right - lo < hi - left) {
      if (lo < right) SortByRanks(problems, ranks, lo, right);
      lo = left;
    } else {
      if (left < hi) SortByRanks(problems, ranks, left, hi);
      hi = right;
    }
  }
}

}  // namespace

void SortProblemRange(std::vector<std::unique_ptr<CProblem>>& problems, int lo, int hi) {
  if (lo < 0 || hi >= static_cast<int>(problems.size()) || lo >= hi) return;
  // The lowered details are compared as wide strings, a block of units at a time: the units of a text (UTF-16
  // units, or code points at most 0x10FFFF) are all positive, so their order is the unsigned one CompareNoCase
  // gives.
  const size_t count = static_cast<size_t>(hi - lo) + 1;
  std::vector<std::wstring> keys(count);
  for (size_t i = 0; i < count; ++i) {
    const auto& details = problems[static_cast<size_t>(lo) + i]->m_arrDetails;
    if (!details.empty()) keys[i] = mx::ToLower(details.front());
  }
  std::vector<std::uint32_t> order(count);
  for (size_t i = 0; i < count; ++i) order[i] = static_cast<std::uint32_t>(i);
  std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
  std::vector<std::uint32_t> ranks(problems.size());
  std::uint32_t rank = 0;
  for (size_t k = 0; k < count; ++k) {
    if (k > 0 && keys[order[k]] != keys[order[k - 1]]) ++rank;
    ranks[static_cast<size_t>(lo) + order[k]] = rank;
  }
  SortByRanks(problems, ranks, lo, hi);
}
