#include "scan/categories/DeepScan.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "scan/DeepScanExclusions.h"
#include "scan/Problem.h"
#include "scan/categories/KeyTreeWalk.h"
#include "scan/categories/RegDataText.h"

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;
constexpr DWORD kValueNameChars = 2046;
constexpr DWORD kMaxDataBytes = 2045;
constexpr DWORD kDataBufferBytes = 4096;
constexpr DWORD kMinDataBytes = 3;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring RootPrefix(HKEY root) {
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE\\";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER\\";
  return {};
}

}  // namespace

CDeepScan::CDeepScan(HKEY rootKey, std::wstring keyPath, std::wstring rootName, int entryType)
    : m_hRootKey(rootKey), m_strKeyPath(std::move(keyPath)), m_strRootName(std::move(rootName)),
      m_nEntryType(entryType) {}

int CDeepScan::Scan() {
  if (m_hRootKey != HKEY_CURRENT_USER && IsWow64()) return ScanBothViews();
  m_bStopSeen = false;
  m_strKeyPath = mx::ToLower(m_strKeyPath);
  ReportScanProgress(L"Initializing...", TRUE);
  if (IsStopRequested()) return kStopped;
  const int result = ScanKey(m_hRootKey, m_strKeyPath, m_strRootName);
  m_bStopSeen = true;
  SortProblems();
  return IsStopRequested() ? kStopped : result;
}

int CDeepScan::ScanBothViews() {
  m_bStopSeen = false;
  m_strKeyPath = mx::ToLower(m_strKeyPath);
  ReportScanProgress(L"Initializing...", TRUE);
  if (IsStopRequested()) return kStopped;
  int result = ScanKeyInView(m_hRootKey, m_strKeyPath, m_strRootName, true);
  if (m_hRootKey != HKEY_CURRENT_USER) {
    if (IsStopRequested()) return kStopped;
    result = ScanKeyInView(m_hRootKey, m_strKeyPath, m_strRootName, false);
  }
  m_bStopSeen = true;
  SortProblems();
  return IsStopRequested() ? kStopped : result;
}

int CDeepScan::ScanKey(HKEY root, const std::wstring& path, std::wstring rootName) {
  return Walk(root, path, rootName, 0, false);
}

int CDeepScan::ScanKeyInView(HKEY root, const std::wstring& path, std::wstring rootName, bool view64) {
  return Walk(root, path, rootName, view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY, true);
}

bool CDeepScan::StopCheck() {
  if (m_bStopSeen || IsStopRequested()) m_bStopSeen = true;
  return m_bStopSeen;
}

bool CDeepScan::LooksLikePath(const std::wstring& text, bool skip) {
  if (skip) return false;
  if (text.size() > 4) {
    const size_t scheme = text.find(L"://");
    if (scheme != std::wstring::npos && scheme >= 3 && scheme <= 6) {
      const std::wstring name = mx::ToLower(text.substr(0, scheme));
      return name == L"res" || name == L"file";
    }
    const size_t drive = text.find(L":\\");
    if (drive != std::wstring::npos && drive >= 2 && (IsDigit(text[0]) || IsDigit(text[1])))
      return false;
  }
  return text.find_first_of(L"\\:") != std::wstring::npos;
}

int CDeepScan::Walk(HKEY root, const std::wstring& path, const std::wstring& rootName, REGSAM view, bool viewPass) {
  const int is32BitEntry = view == KEY_WOW64_32KEY ? 1 : 0;
  KeyTreeWalk walk;
  walk.root = root;
  walk.rootName = rootName;
  walk.access = KEY_READ | view;
  walk.stopRequested = [this] { return StopCheck(); };
  walk.onSubKey = [&](const std::wstring& parentPath, const std::wstring& childPath, int ordinal) {
    if (ordinal % 2 == 0) ReportScanProgress(rootName + L"\\" + childPath, FALSE);
    if (IsDeepScanExcludedKey(childPath) || mx::EqualsNoCase(childPath, parentPath)) return WalkStep::Skip;
    if (viewPass && StopCheck()) return WalkStep::Stop;
    return WalkStep::Descend;
  };
  walk.onKeyDone = [&](HKEY key, const std::wstring& keyPath) {
    if (!TestValues(key, root, keyPath, is32BitEntry)) return false;
    if (viewPass && StopCheck()) return false;
    CheckEmptyKey(root, keyPath, view == KEY_WOW64_64KEY, {}, false);
    return true;
  };
  return WalkKeyTree(walk, path);
}

bool CDeepScan::TestValues(HKEY key, HKEY root, const std::wstring& path, int is32BitEntry) {
  DWORD count = 0;
  if (win::RegQueryInfoKey(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                           nullptr) != ERROR_SUCCESS)
    return true;
  // Every key of the tree passes here: its buffers are made once. Only what a call writes is ever read.
  thread_local std::vector<wchar_t> name(kValueNameChars);
  thread_local std::vector<char> data(kDataBufferBytes);
  for (DWORD i = 0; i < count; ++i) {
    if (StopCheck()) return false;
    DWORD nameChars = kValueNameChars;
    DWORD type = REG_NONE;
    // Read with its name: a value too large for the buffer is too large to test.
    DWORD bytes = kDataBufferBytes;
    const LONG rc = win::RegEnumValue(key, i, name.data(), &nameChars, nullptr, &type,
                                      reinterpret_cast<LPBYTE>(data.data()), &bytes);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || bytes > kMaxDataBytes) continue;
    const bool binaryAllowed = root == HKEY_CURRENT_USER && type == REG_BINARY;
    if (type != REG_SZ && type != REG_EXPAND_SZ && !binaryAllowed) continue;
    if (StopCheck()) return false;
    if (bytes < kMinDataBytes) continue;
    const std::wstring text = RegDataText(data, bytes);
    if (!LooksLikePath(text, false) || IsFileReferenceValid(text, TRUE, TRUE, TRUE, FALSE, FALSE, FALSE, FALSE))
      continue;
    const std::wstring valueName(name.data(), nameChars);
    const int index = AddProblem(m_nEntryType, RootPrefix(root) + path, valueName, text, L"", is32BitEntry);
    AddProblemDetail(index, GetLocalizedString(L"IDS_ENG_MISSING_FILE") + text);
  }
  return true;
}
