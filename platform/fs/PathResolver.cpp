#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <list>
#include <mutex>
#include <unordered_map>

#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FsInternal.h"
#include "platform/fs/WinPath.h"
#include "platform/system/Module.h"
#include "platform/system/Wow64Redirection.h"

namespace mx {

namespace {

namespace fs = std::filesystem;

// Listings of the folders used last, the least recently used one dropped when full: a scan walks far more
// folders than the cache holds, and dropping them all at once made it list the same folders again and again.
struct CachedListing {
  struct timespec mtime {};
  std::shared_ptr<FolderListing> listing;
  std::list<std::string>::iterator use;  // its place in the use order
};

std::mutex g_cacheMutex;
std::unordered_map<std::string, CachedListing> g_cache;
std::list<std::string> g_useOrder;  // most recently used first
size_t g_cachedNames = 0;           // entries of all cached listings
// Enough for every folder a scan of a large prefix walks; the bound on names keeps huge folders in check.
constexpr size_t kCacheLimit = 65536;
constexpr size_t kCachedNamesLimit = 262144;

bool SameTime(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// A folder's modification time moves in coarse steps: an entry made in the same step as the listing leaves
// it unchanged. A listing taken this long after the folder's last change cannot have missed anything.
constexpr time_t kSettledSeconds = 2;

// A hash of a name without case: equal for any two names EqualsNoCase holds equal.
uint64_t NameHash(std::wstring_view name) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (const wchar_t c : name) hash = (hash ^ static_cast<uint32_t>(ToLowerChar(c))) * 0x100000001b3u;
  return hash;
}

// Fills the listing's table of names. Equal names without case sit side by side in the sorted names: only
// the first of each run goes in.
void IndexNames(FolderListing& listing) {
  const auto& names = listing.names;
  if (names.empty()) return;
  size_t size = 8;
  while (size < names.size() * 2) size *= 2;
  listing.byName.assign(size, {});
  const size_t mask = size - 1;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0 && EqualsNoCase(names[i - 1], names[i])) continue;
    const uint64_t hash = NameHash(names[i]);
    size_t at = static_cast<size_t>(hash) & mask;
    while (listing.byName[at].entryPlusOne != 0) at = (at + 1) & mask;
    listing.byName[at] = {static_cast<uint32_t>(i + 1), static_cast<uint32_t>(hash >> 32)};
  }
}

time_t NowSeconds() {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec;
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

std::shared_ptr<FolderListing> ListFolder(const fs::path& dir, const struct stat* known, bool fresh) {
  struct stat st {};
  if (known)
    st = *known;
  else if (::stat(dir.c_str(), &st) != 0)
    return nullptr;
  if (!S_ISDIR(st.st_mode)) return nullptr;
  {
    std::lock_guard lock(g_cacheMutex);
    auto it = g_cache.find(dir.native());  // the path's own text: no copy for a lookup
    // An unsettled listing is taken again once the folder has been quiet long enough to settle it.
    if (!fresh && it != g_cache.end() && SameTime(it->second.mtime, st.st_mtim) &&
        (it->second.listing->settled || NowSeconds() - st.st_mtim.tv_sec < kSettledSeconds)) {
      g_useOrder.splice(g_useOrder.begin(), g_useOrder, it->second.use);
      return it->second.listing;
    }
  }
  auto listing = std::make_shared<FolderListing>();
  listing->settled = NowSeconds() - st.st_mtim.tv_sec >= kSettledSeconds;
  struct Entry {
    std::wstring name;
    std::string host;
    bool plainFolder, plainFile;
  };
  std::vector<Entry> entries;
  if (DIR* folder = ::opendir(dir.c_str())) {
    const int fd = ::dirfd(folder);
    while (const struct dirent* entry = ::readdir(folder)) {
      const std::string_view host = entry->d_name;
      if (host == "." || host == "..") continue;
      // The listing's own type: a stat of an entry only where the file system does not give it.
      bool plainFolder = entry->d_type == DT_DIR, plainFile = entry->d_type == DT_REG;
      if (entry->d_type == DT_UNKNOWN) {
        struct stat entryStat {};
        const bool known = ::fstatat(fd, entry->d_name, &entryStat, AT_SYMLINK_NOFOLLOW) == 0;
        plainFolder = known && S_ISDIR(entryStat.st_mode);
        plainFile = known && S_ISREG(entryStat.st_mode);
      }
      entries.push_back({Utf8ToWide(host), std::string(host), plainFolder, plainFile});
    }
    ::closedir(folder);
  }
  std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    int c = CompareNoCase(a.name, b.name);
    return c != 0 ? c < 0 : a.host < b.host;
  });
  for (auto& entry : entries) {
    listing->names.push_back(std::move(entry.name));
    listing->hostNames.push_back(std::move(entry.host));
    listing->plainFolders.push_back(entry.plainFolder);
    listing->plainFiles.push_back(entry.plainFile);
  }
  IndexNames(*listing);
  std::lock_guard lock(g_cacheMutex);
  const std::string key = dir.string();
  if (auto it = g_cache.find(key); it != g_cache.end()) {
    g_cachedNames -= it->second.listing->names.size();
    g_useOrder.erase(it->second.use);
    g_cache.erase(it);
  }
  while (!g_useOrder.empty() &&
         (g_cache.size() >= kCacheLimit || g_cachedNames + listing->names.size() > kCachedNamesLimit)) {
    auto oldest = g_cache.find(g_useOrder.back());
    g_cachedNames -= oldest->second.listing->names.size();
    g_cache.erase(oldest);
    g_useOrder.pop_back();
  }
  g_useOrder.push_front(key);
  g_cache.emplace(key, CachedListing{st.st_mtim, listing, g_useOrder.begin()});
  g_cachedNames += listing->names.size();
  return listing;
}

size_t FirstNamedNoCase(const FolderListing& listing, std::wstring_view name) {
  const auto& names = listing.names;
  const auto& slots = listing.byName;
  if (slots.empty()) return names.size();
  const uint64_t hash = NameHash(name);
  const size_t mask = slots.size() - 1;
  const auto tag = static_cast<uint32_t>(hash >> 32);
  for (size_t at = static_cast<size_t>(hash) & mask;; at = (at + 1) & mask) {
    const FolderListing::Slot& slot = slots[at];
    if (slot.entryPlusOne == 0) return names.size();
    if (slot.tag == tag && EqualsNoCase(names[slot.entryPlusOne - 1], name)) return slot.entryPlusOne - 1;
  }
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

bool HasSurrogate(const std::wstring& text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; });
}

// Finds the host name of component in dir: the exact name first, then a case-insensitive match, then an 8.3
// name. Empty when there is none. dirStat is dir's own stat when the caller has it. The folder's cached
// listing answers all three: asking the host for a name first cost a failed lookup for nearly every
// component of a Windows path (its case seldom matches), and left the kernel a negative entry for each.
// *st receives the lstat of the name when it had to be asked of the host (mode 0 otherwise); *listed the
// kind of entry the listing found (S_IFDIR or S_IFREG for a plain folder or file, 0 for anything else).
std::string FindComponent(const fs::path& dir, const struct stat* dirStat, const std::wstring& component,
                          struct stat* st, unsigned* listed) {
  std::string exact = WideToUtf8(component);
  st->st_mode = 0;
  *listed = 0;
  auto listing = ListFolder(dir, dirStat);
  // An unreadable folder can still be passed through, and a lone surrogate does not survive the listing's
  // conversion: the host is asked for the exact name.
  if (!listing || HasSurrogate(component)) {
    if (::lstat((dir / exact).c_str(), st) == 0) return exact;
    st->st_mode = 0;
    if (!listing) return {};
  }
  // Names are sorted without case (ties by host name), so the first match is where a search lands.
  auto kindOf = [&](const FolderListing& folder, size_t i) {
    *listed = folder.plainFolders[i] ? S_IFDIR : folder.plainFiles[i] ? S_IFREG : 0;
  };
  auto search = [&](const FolderListing& folder) -> std::string {
    const auto& names = folder.names;
    const size_t first = FirstNamedNoCase(folder, component);
    if (first == names.size()) return {};
    for (size_t i = first; i < names.size() && EqualsNoCase(names[i], component); ++i)
      if (folder.hostNames[i] == exact) {
        kindOf(folder, i);
        return exact;
      }
    kindOf(folder, first);
    return folder.hostNames[first];
  };
  if (std::string found = search(*listing); !found.empty()) return found;
  // A folder changed moments ago may hold a name made after its listing, in the same step of its time.
  if (!listing->settled) {
    if (auto again = ListFolder(dir, dirStat, true)) listing = std::move(again);
    if (std::string found = search(*listing); !found.empty()) return found;
  }
  if (component.find(L'~') != std::wstring::npos) {
    for (size_t i = 0; i < listing->names.size(); ++i)
      if (EqualsNoCase(ShortNameOf(*listing, i), component)) {
        kindOf(*listing, i);
        return listing->hostNames[i];
      }
  }
  return {};
}

// Folders resolved on this thread while a FolderMemoScope lives on it, by their Windows path as written
// (the case counts: a folder may hold names that differ only in case).
struct RememberedFolder {
  fs::path host;
  struct stat st {};
};

struct ViewHash {
  using is_transparent = void;
  size_t operator()(std::wstring_view text) const { return std::hash<std::wstring_view>{}(text); }
};

struct FolderMemo {
  int scopes = 0;
  std::unordered_map<std::wstring, RememberedFolder, ViewHash, std::equal_to<>> folders;
};

thread_local FolderMemo t_memo;

}  // namespace

FolderMemoScope::FolderMemoScope() { ++t_memo.scopes; }

FolderMemoScope::~FolderMemoScope() {
  if (--t_memo.scopes == 0) decltype(t_memo.folders)().swap(t_memo.folders);
}

namespace {

// kindOnly: the caller needs only whether the object is a folder, which a listing that holds the last name
// as a plain file or folder tells without asking the host.
std::optional<ResolvedPath> Resolve(std::wstring_view path, LONG* error, bool kindOnly) {
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
  std::vector<size_t> ends;  // where each component ends in win: the folder it closes is win up to there
  const size_t restAt = static_cast<size_t>(rest.data() - win.data());
  size_t pos = 0;
  while (pos < rest.size()) {
    size_t next = rest.find(L'\\', pos);
    if (next == std::wstring_view::npos) next = rest.size();
    if (next > pos) {
      components.emplace_back(rest.substr(pos, next - pos));
      ends.push_back(restAt + next);
    }
    pos = next + 1;
  }
  fs::path cur = base;
  struct stat dirStat {};
  bool haveDirStat = false;
  size_t first = 0;
  const bool remember = t_memo.scopes > 0;
  if (remember) {
    for (size_t i = components.size(); i-- > 1;) {
      const auto it = t_memo.folders.find(std::wstring_view(win).substr(0, ends[i - 1]));
      if (it == t_memo.folders.end()) continue;
      cur = it->second.host;
      dirStat = it->second.st;
      haveDirStat = true;
      first = i;
      break;
    }
  }
  if (first == 0) haveDirStat = !components.empty() && ::stat(base.c_str(), &dirStat) == 0;
  for (size_t i = first; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    struct stat st {};
    unsigned listed = 0;
    std::string host = FindComponent(cur, haveDirStat ? &dirStat : nullptr, components[i], &st, &listed);
    if (host.empty()) {
      if (!last) return fail(ERROR_PATH_NOT_FOUND);
      result.host = cur / WideToUtf8(components[i]);
      result.exists = false;
      return result;
    }
    cur /= host;
    if (last && kindOnly && st.st_mode == 0 && listed != 0) st.st_mode = listed;
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
    if (!last && remember) t_memo.folders.try_emplace(win.substr(0, ends[i]), RememberedFolder{cur, st});
    dirStat = st;  // the next component's folder, followed through any link
    haveDirStat = true;
    result.mode = st.st_mode;
  }
  result.host = cur;
  result.exists = true;
  return result;
}

}  // namespace

std::optional<ResolvedPath> ResolveWinPath(std::wstring_view path, LONG* error) { return Resolve(path, error, false); }

int WinPathKind(std::wstring_view path) {
  const auto r = Resolve(path, nullptr, true);
  if (!r || !r->exists) return -1;
  if (r->device) return 1;
  struct stat st {};
  st.st_mode = r->mode;
  if (st.st_mode == 0 && ::stat(r->host.c_str(), &st) != 0) return -1;  // a drive's root: nothing resolved
  return S_ISDIR(st.st_mode) ? 0 : 1;
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
