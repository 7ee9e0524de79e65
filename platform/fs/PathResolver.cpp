#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>

#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FsInternal.h"
#include "platform/fs/WinPath.h"
#include "platform/system/Module.h"
#include "platform/system/Wow64Redirection.h"

namespace mx {

namespace {

namespace fs = std::filesystem;

struct CachedListing {
  struct timespec mtime {};
  std::shared_ptr<FolderListing> listing;
};

std::mutex g_cacheMutex;
std::map<std::string, CachedListing> g_cache;
constexpr size_t kCacheLimit = 512;

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

LONG ErrnoToWin(int err) {
  switch (err) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EBUSY:
    case ETXTBSY:
      return ERROR_SHARING_VIOLATION;
    default:
      return ERROR_ACCESS_DENIED;
  }
}

std::shared_ptr<FolderListing> ListFolder(const fs::path& dir) {
  struct stat st {};
  if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  {
    std::lock_guard lock(g_cacheMutex);
    auto it = g_cache.find(dir.string());
    if (it != g_cache.end() && SameTime(it->second.mtime, st.st_mtim)) return it->second.listing;
  }
  auto listing = std::make_shared<FolderListing>();
  std::vector<std::pair<std::wstring, std::string>> entries;
  std::error_code ec;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string host = it->path().filename().string();
    entries.emplace_back(Utf8ToWide(host), host);
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    int c = CompareNoCase(a.first, b.first);
    return c != 0 ? c < 0 : a.second < b.second;
  });
  for (auto& [name, host] : entries) {
    listing->names.push_back(std::move(name));
    listing->hostNames.push_back(std::move(host));
  }
  std::lock_guard lock(g_cacheMutex);
  if (g_cache.size() >= kCacheLimit) g_cache.clear();
  g_cache[dir.string()] = CachedListing{st.st_mtim, listing};
  return listing;
}

std::wstring ShortNameOf(FolderListing& listing, size_t i) {
  std::lock_guard lock(g_cacheMutex);
  if (!listing.shortNamesReady) {
    listing.shortNames = ShortNamesFor(listing.names);
    listing.shortNamesReady = true;
  }
  return listing.shortNames[i];
}

namespace {

// Finds the host name of component in dir: the exact name first, then a case-insensitive match, then an 8.3
// name. Empty when there is none.
// *st receives the lstat of the exact name when that one exists (mode 0 otherwise).
std::string FindComponent(const fs::path& dir, const std::wstring& component, struct stat* st) {
  std::string exact = WideToUtf8(component);
  st->st_mode = 0;
  if (::lstat((dir / exact).c_str(), st) == 0) return exact;
  st->st_mode = 0;
  auto listing = ListFolder(dir);
  if (!listing) return {};
  for (size_t i = 0; i < listing->names.size(); ++i)
    if (EqualsNoCase(listing->names[i], component)) return listing->hostNames[i];
  if (component.find(L'~') != std::wstring::npos) {
    for (size_t i = 0; i < listing->names.size(); ++i)
      if (EqualsNoCase(ShortNameOf(*listing, i), component)) return listing->hostNames[i];
  }
  return {};
}

}  // namespace

std::optional<ResolvedPath> ResolveWinPath(std::wstring_view path, LONG* error) {
  LONG err = ERROR_SUCCESS;
  auto normalized = NormalizeWinPath(path, &err);
  if (error) *error = ERROR_SUCCESS;
  auto fail = [&](LONG e) -> std::optional<ResolvedPath> {
    if (error) *error = e;
    return std::nullopt;
  };
  if (!normalized) return fail(err);
  ResolvedPath result;
  if (normalized->rfind(L"\\\\.\\", 0) == 0) {
    result.win = *normalized;
    result.host = "/dev/null";
    result.device = true;
    result.exists = true;
    return result;
  }
  if (normalized->rfind(L"\\\\", 0) == 0) return fail(ERROR_BAD_NETPATH);
  std::wstring win = IsFsRedirectionActive() ? ApplyFsRedirection(*normalized) : *normalized;
  result.win = win;
  bool wantDir = win.size() > 3 && win.back() == L'\\';
  if (wantDir) win.pop_back();

  // The program's own folder lives in its build folder.
  fs::path base;
  std::wstring_view rest;
  std::wstring programDir = ProgramWinDir();
  if (StartsWithNoCase(win, programDir) && (win.size() == programDir.size() || win[programDir.size()] == L'\\')) {
    base = ProgramHostDir();
    rest = std::wstring_view(win).substr(programDir.size());
  } else {
    auto root = DriveHostRoot(win[0]);
    if (!root) return fail(ERROR_PATH_NOT_FOUND);
    base = *root;
    rest = std::wstring_view(win).substr(2);
  }
  std::vector<std::wstring> components;
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t next = rest.find(L'\\', pos);
    if (next == std::wstring_view::npos) next = rest.size();
    if (next > pos) components.emplace_back(rest.substr(pos, next - pos));
    pos = next + 1;
  }
  fs::path cur = base;
  for (size_t i = 0; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    struct stat st {};
    std::string host = FindComponent(cur, components[i], &st);
    if (host.empty()) {
      if (!last) return fail(ERROR_PATH_NOT_FOUND);
      result.host = cur / WideToUtf8(components[i]);
      result.exists = false;
      return result;
    }
    cur /= host;
    // A link (or a name found by a listing) needs the stat that follows it.
    if ((st.st_mode == 0 || S_ISLNK(st.st_mode)) && ::stat(cur.c_str(), &st) != 0) {
      // A dangling link or a loop: nothing is there.
      if (!last) return fail(ERROR_PATH_NOT_FOUND);
      result.host = cur;
      result.exists = false;
      return result;
    }
    if (!last && !S_ISDIR(st.st_mode)) return fail(ERROR_PATH_NOT_FOUND);
    if (last && wantDir && !S_ISDIR(st.st_mode)) return fail(ERROR_INVALID_NAME);
  }
  result.host = cur;
  result.exists = true;
  return result;
}

std::optional<std::wstring> HostToWinPath(const fs::path& host) {
  std::error_code ec;
  fs::path target = fs::weakly_canonical(host, ec);
  if (ec) return std::nullopt;
  auto under = [](const fs::path& root, const fs::path& p) -> std::optional<fs::path> {
    auto r = root.lexically_normal().string();
    auto s = p.lexically_normal().string();
    while (r.size() > 1 && r.back() == '/') r.pop_back();
    if (r == "/") return fs::path(s.substr(1));
    if (s == r) return fs::path();
    if (s.size() > r.size() && s.compare(0, r.size(), r) == 0 && s[r.size()] == '/') return fs::path(s.substr(r.size() + 1));
    return std::nullopt;
  };
  auto join = [](std::wstring prefix, const fs::path& rel) {
    for (const auto& part : rel) {
      std::wstring w = Utf8ToWide(part.string());
      if (w.empty()) continue;
      if (prefix.back() != L'\\') prefix += L'\\';
      prefix += w;
    }
    return prefix;
  };
  fs::path programHost = fs::weakly_canonical(ProgramHostDir(), ec);
  if (!ec) {
    if (auto rel = under(programHost, target)) return join(ProgramWinDir(), *rel);
  }
  // The drive with the longest root that holds the path (z: -> / holds everything).
  std::optional<std::wstring> best;
  size_t bestLength = 0;
  for (wchar_t c = L'A'; c <= L'Z'; ++c) {
    auto root = DriveHostRoot(c);
    if (!root) continue;
    fs::path canon = fs::weakly_canonical(*root, ec);
    if (ec) continue;
    auto rel = under(canon, target);
    if (!rel) continue;
    size_t length = canon.string().size();
    if (!best || length > bestLength) {
      best = join(std::wstring(1, c) + L":\\", *rel);
      bestLength = length;
    }
  }
  return best;
}

}  // namespace mx
