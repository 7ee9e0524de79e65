#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/FsInternal.h"
#include "platform/fs/WinPath.h"
#include "platform/system/Time.h"

namespace mx {

class FindState {
 public:
  std::vector<WIN32_FIND_DATAW> entries;
  size_t next = 0;
};

namespace {

namespace fs = std::filesystem;

bool HasWildcard(std::wstring_view s) { return s.find_first_of(L"*?") != std::wstring_view::npos; }

// Windows' matching of a name against a pattern, without case: * any run, ? any one character; "*.*" is every
// name and a pattern ending in "." also takes names without an extension.
bool Match(std::wstring_view pattern, std::wstring_view name) {
  if (pattern == L"*" || pattern == L"*.*") return true;
  if (pattern.size() > 1 && pattern.back() == L'.' && name.find(L'.') == std::wstring_view::npos &&
      Match(pattern.substr(0, pattern.size() - 1), name))
    return true;
  size_t p = 0, n = 0, star = std::wstring_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == L'?' || ToLowerChar(pattern[p]) == ToLowerChar(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      mark = n;
    } else if (star != std::wstring_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

FILETIME ToFileTime(const struct timespec& ts) {
  std::uint64_t ticks = UnixToFileTime(ts.tv_sec) + static_cast<std::uint64_t>(ts.tv_nsec) / 100;
  return U64ToFileTime(ticks);
}

WIN32_FIND_DATAW MakeEntry(const std::wstring& name, const std::wstring& shortName, const fs::path& host,
                           const struct stat& st) {
  WIN32_FIND_DATAW d;
  d.dwFileAttributes = AttributesOf(host, st);
  d.ftCreationTime = ToFileTime(st.st_mtim);
  d.ftLastAccessTime = ToFileTime(st.st_atim);
  d.ftLastWriteTime = ToFileTime(st.st_mtim);
  if (!S_ISDIR(st.st_mode)) {
    auto size = static_cast<std::uint64_t>(st.st_size);
    d.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    d.nFileSizeLow = static_cast<DWORD>(size);
  }
  size_t n = std::min<size_t>(name.size(), MAX_PATH - 1);
  name.copy(d.cFileName, n);
  d.cFileName[n] = 0;
  if (!shortName.empty() && shortName != name && shortName.size() < 14) {
    shortName.copy(d.cAlternateFileName, shortName.size());
    d.cAlternateFileName[shortName.size()] = 0;
  }
  return d;
}

HFIND Fail(LONG error) {
  win::SetLastError(static_cast<DWORD>(error));
  return INVALID_FIND_HANDLE;
}

}  // namespace

}  // namespace mx

namespace win {

namespace fs = std::filesystem;

HFIND FindFirstFile(LPCWSTR patternText, WIN32_FIND_DATAW* data) {
  if (!patternText || !data) return mx::Fail(ERROR_INVALID_PARAMETER);
  std::wstring_view pattern = patternText;
  if (pattern.empty()) return mx::Fail(ERROR_PATH_NOT_FOUND);
  // "C:\dir\" names no entry: Windows fails it.
  if (pattern.back() == L'\\' || pattern.back() == L'/') return mx::Fail(ERROR_FILE_NOT_FOUND);
  size_t sep = pattern.find_last_of(L"\\/");
  std::wstring_view last = sep == std::wstring_view::npos ? pattern : pattern.substr(sep + 1);
  if (pattern.size() == 2 && pattern[1] == L':') last = {};
  auto state = std::make_unique<mx::FindState>();
  if (!mx::HasWildcard(last)) {
    LONG error = ERROR_SUCCESS;
    auto r = mx::ResolveWinPath(pattern, &error);
    if (!r) return mx::Fail(error);
    if (!r->exists || r->device) return mx::Fail(ERROR_FILE_NOT_FOUND);
    struct stat st {};
    if (::stat(r->host.c_str(), &st) != 0) return mx::Fail(ERROR_FILE_NOT_FOUND);
    std::wstring name = mx::Utf8ToWide(r->host.filename().string());
    state->entries.push_back(mx::MakeEntry(name, L"", r->host, st));
  } else {
    if (last.find_first_of(L"<>|\":") != std::wstring_view::npos) return mx::Fail(ERROR_INVALID_NAME);
    std::wstring folder = sep == std::wstring_view::npos ? std::wstring(L".") : std::wstring(pattern.substr(0, sep + 1));
    if (folder.size() == 2 && folder[1] == L':') folder += L'.';
    LONG error = ERROR_SUCCESS;
    auto r = mx::ResolveWinPath(folder, &error);
    if (!r) return mx::Fail(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
    struct stat st {};
    if (!r->exists || ::stat(r->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return mx::Fail(ERROR_PATH_NOT_FOUND);
    std::wstring win = r->win;
    bool isRoot = win.size() <= 3;
    if (!isRoot) {
      for (const wchar_t* dot : {L".", L".."}) {
        if (!mx::Match(last, dot)) continue;
        struct stat dst {};
        fs::path p = std::wstring_view(dot) == L"." ? r->host : r->host.parent_path();
        if (::stat(p.c_str(), &dst) == 0) state->entries.push_back(mx::MakeEntry(dot, L"", p, dst));
      }
    }
    auto listing = mx::ListFolder(r->host);
    if (listing) {
      for (size_t i = 0; i < listing->names.size(); ++i) {
        const std::wstring& name = listing->names[i];
        if (!mx::Match(last, name)) continue;
        fs::path host = r->host / listing->hostNames[i];
        struct stat est {};
        if (::stat(host.c_str(), &est) != 0 && ::lstat(host.c_str(), &est) != 0) continue;
        state->entries.push_back(mx::MakeEntry(name, mx::ShortNameOf(*listing, i), host, est));
      }
    }
  }
  if (state->entries.empty()) return mx::Fail(ERROR_FILE_NOT_FOUND);
  *data = state->entries[0];
  state->next = 1;
  return state.release();
}

BOOL FindNextFile(HFIND find, WIN32_FIND_DATAW* data) {
  if (!find || !data) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (find->next >= find->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = find->entries[find->next++];
  return TRUE;
}

BOOL FindClose(HFIND find) {
  if (!find) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::unique_ptr<mx::FindState> owned(find);
  return TRUE;
}

}  // namespace win
