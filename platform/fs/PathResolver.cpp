#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <list>
#include <mutex>
#include <optional>
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

// A host name as Windows sees it: plain ASCII as it is, anything else through the UTF-8 conversion.
std::wstring WindowsNameOf(std::string_view host) {
  if (std::all_of(host.begin(), host.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::wstring(host.begin(), host.end());
  return Utf8ToWide(host);
}

// A hash of a name without case: equal for any two names EqualsNoCase holds equal. It folds each unit to its
// lower case with bit 5 set, a little more than case, which costs plain ASCII one instruction.
uint64_t NameHash(std::wstring_view name) {
  uint64_t hash = 0xcbf29ce484222325u;
  for (const wchar_t c : name) {
    const auto u = static_cast<uint32_t>(c);
    const uint32_t folded = (u < 0x80 ? u : static_cast<uint32_t>(ToLowerBeyondAscii(c))) | 0x20;
    hash = (hash ^ folded) * 0x100000001b3u;
  }
  return hash;
}

// EqualsNoCase, inline: the units that are equal as they stand need no folding.
bool SameNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && ToLowerChar(a[i]) != ToLowerChar(b[i])) return false;
  return true;
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
    if (i > 0 && SameNoCase(names[i - 1], names[i])) continue;
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

std::shared_ptr<FolderListing> ListFolder(const std::string& dir, const struct stat* known, bool fresh) {
  struct stat st {};
  if (known)
    st = *known;
  else if (::stat(dir.c_str(), &st) != 0)
    return nullptr;
  if (!S_ISDIR(st.st_mode)) return nullptr;
  {
    std::lock_guard lock(g_cacheMutex);
    auto it = g_cache.find(dir);
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
      entries.push_back({WindowsNameOf(host), std::string(host), plainFolder, plainFile});
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
  const std::string& key = dir;
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
    if (slot.tag == tag && SameNoCase(names[slot.entryPlusOne - 1], name)) return slot.entryPlusOne - 1;
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

bool HasSurrogate(std::wstring_view text) {
  return std::any_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; });
}

// The host's form of a Windows name: plain ASCII as it is, anything else through the UTF-8 conversion.
void AppendHostName(std::string& out, std::wstring_view name) {
  if (std::all_of(name.begin(), name.end(), [](wchar_t c) { return static_cast<uint32_t>(c) < 0x80; })) {
    for (const wchar_t c : name) out.push_back(static_cast<char>(c));
  } else {
    out += WideToUtf8(name);
  }
}

// Whether host is the host's form of the Windows name, without converting it when it is plain ASCII.
bool IsHostFormOf(std::string_view host, std::wstring_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const auto c = static_cast<uint32_t>(name[i]);
    if (c >= 0x80) return host == WideToUtf8(name);
    if (i >= host.size() || static_cast<unsigned char>(host[i]) != c) return false;
  }
  return host.size() == name.size();
}

// dir + "/" + name, as fs::path's append joins them.
void AppendToPath(std::string& dir, std::string_view name) {
  if (!dir.empty() && dir.back() != '/') dir.push_back('/');
  dir += name;
}

// Folders resolved on this thread while a FolderMemoScope lives on it, by their Windows path as written
// (the case counts: a folder may hold names that differ only in case).
struct RememberedFolder {
  std::string host;
  struct stat st {};
  // The folder's listing once one was found settled (it holds every name the folder had): while the cache
  // keeps it, no question to the cache is needed for it.
  std::weak_ptr<FolderListing> listing;
};

// A key and its hash, taken with the hashes of all shorter folders of the same path in one pass.
struct MemoKey {
  std::wstring text;
  uint64_t hash;
};
struct MemoKeyView {
  std::wstring_view text;
  uint64_t hash;
};

struct MemoHash {
  using is_transparent = void;
  size_t operator()(const MemoKey& key) const { return key.hash; }
  size_t operator()(const MemoKeyView& key) const { return key.hash; }
};

struct MemoEqual {
  using is_transparent = void;
  template <typename A, typename B>
  bool operator()(const A& a, const B& b) const {
    return a.hash == b.hash && std::wstring_view(a.text) == std::wstring_view(b.text);
  }
};

constexpr uint64_t kPathHashStart = 0xcbf29ce484222325u;
uint64_t PathHashStep(uint64_t hash, wchar_t c) { return (hash ^ static_cast<uint32_t>(c)) * 0x100000001b3u; }

struct FolderMemo {
  int scopes = 0;
  std::unordered_map<MemoKey, RememberedFolder, MemoHash, MemoEqual> folders;
  // The program's Windows folder as it was when the scope first needed it: it decides which folders are
  // remembered under which host folder, so it holds as long as they are remembered.
  std::optional<std::wstring> programDir;
};

thread_local FolderMemo t_memo;

// Finds component in the folder dir (a host path) and appends its host name to dir: the exact name first,
// then a case-insensitive match, then an 8.3 name. False, dir unchanged, when there is none. dirStat is
// dir's own stat when the caller has it; remembered the folder's memo entry, which keeps its settled
// listing. The folder's listing answers all three: asking the host for a name first cost a failed lookup for
// nearly every component of a Windows path (its case seldom matches), and left the kernel a negative entry
// for each. *st receives the lstat of the name when it had to be asked of the host (mode 0 otherwise);
// *listed the kind of entry the listing found (S_IFDIR or S_IFREG for a plain folder or file, 0 for anything
// else).
bool FindComponent(std::string& dir, const struct stat* dirStat, RememberedFolder* remembered,
                   std::wstring_view component, struct stat* st, unsigned* listed) {
  st->st_mode = 0;
  *listed = 0;
  std::shared_ptr<FolderListing> held = remembered ? remembered->listing.lock() : nullptr;
  FolderListing* listing = held.get();
  if (!listing) {
    held = ListFolder(dir, dirStat);
    listing = held.get();
    if (remembered && held && held->settled) remembered->listing = held;
  }
  // An unreadable folder can still be passed through, and a lone surrogate does not survive the listing's
  // conversion: the host is asked for the exact name.
  if (!listing || HasSurrogate(component)) {
    const size_t dirSize = dir.size();
    if (!dir.empty() && dir.back() != '/') dir.push_back('/');
    AppendHostName(dir, component);
    if (::lstat(dir.c_str(), st) == 0) return true;
    dir.resize(dirSize);
    st->st_mode = 0;
    if (!listing) return false;
  }
  // Names are sorted without case (ties by host name), so the first match is where a search lands.
  auto found = [&](const FolderListing& folder, size_t i) {
    *listed = folder.plainFolders[i] ? S_IFDIR : folder.plainFiles[i] ? S_IFREG : 0;
    AppendToPath(dir, folder.hostNames[i]);
    return true;
  };
  auto search = [&](const FolderListing& folder) {
    const auto& names = folder.names;
    const size_t first = FirstNamedNoCase(folder, component);
    if (first == names.size()) return false;
    for (size_t i = first; i < names.size() && SameNoCase(names[i], component); ++i)
      if (IsHostFormOf(folder.hostNames[i], component)) return found(folder, i);
    return found(folder, first);
  };
  if (search(*listing)) return true;
  // A folder changed moments ago may hold a name made after its listing, in the same step of its time.
  if (!listing->settled) {
    if (auto again = ListFolder(dir, dirStat, true)) {
      held = std::move(again);
      listing = held.get();
    }
    if (search(*listing)) return true;
  }
  if (component.find(L'~') != std::wstring_view::npos) {
    for (size_t i = 0; i < listing->names.size(); ++i)
      if (EqualsNoCase(ShortNameOf(*listing, i), component)) return found(*listing, i);
  }
  return false;
}

}  // namespace

FolderMemoScope::FolderMemoScope() { ++t_memo.scopes; }

FolderMemoScope::~FolderMemoScope() {
  if (--t_memo.scopes == 0) {
    decltype(t_memo.folders)().swap(t_memo.folders);
    t_memo.programDir.reset();
  }
}

namespace {

// What resolving a path found: ResolvedPath with the host path as text, which a caller that needs only the
// kind never turns into a path of components.
struct Resolution {
  std::wstring win;
  bool exists = false;
  bool device = false;
  unsigned mode = 0;
};

// kindOnly: the caller needs only whether the object is a folder, which a listing that holds the last name
// as a plain file or folder tells without asking the host. host receives the host path.
bool Resolve(std::wstring_view path, LONG* error, bool kindOnly, Resolution& result, std::string& host) {
  LONG err = ERROR_SUCCESS;
  auto normalized = NormalizeWinPath(path, &err);
  if (error) *error = ERROR_SUCCESS;
  auto fail = [&](LONG e) {
    if (error) *error = e;
    return false;
  };
  if (!normalized) return fail(err);
  if (normalized->rfind(L"\\\\.\\", 0) == 0) {
    result.win = std::move(*normalized);
    host = "/dev/null";
    result.device = true;
    result.exists = true;
    return true;
  }
  if (normalized->rfind(L"\\\\", 0) == 0) return fail(ERROR_BAD_NETPATH);
  result.win = IsFsRedirectionActive() ? ApplyFsRedirection(*normalized) : std::move(*normalized);
  std::wstring_view win = result.win;
  const bool wantDir = win.size() > 3 && win.back() == L'\\';
  if (wantDir) win.remove_suffix(1);

  // The program's own folder lives in its build folder.
  const bool remember = t_memo.scopes > 0;
  std::wstring programDirNow;
  if (remember && !t_memo.programDir) t_memo.programDir = ProgramWinDir();
  if (!remember) programDirNow = ProgramWinDir();
  const std::wstring& programDir = remember ? *t_memo.programDir : programDirNow;
  const bool inProgramDir = StartsWithNoCase(win, programDir) &&
                            (win.size() == programDir.size() || win[programDir.size()] == L'\\');
  const size_t restAt = inProgramDir ? programDir.size() : 2;

  // The components after the base, each with the hash of win up to its end when folders are remembered.
  struct Component {
    size_t begin, end;
    uint64_t hash;
  };
  thread_local std::vector<Component> components;
  components.clear();
  uint64_t hash = kPathHashStart;
  if (remember)
    for (size_t i = 0; i < restAt; ++i) hash = PathHashStep(hash, win[i]);
  const uint64_t baseHash = hash;
  for (size_t pos = restAt; pos < win.size();) {
    if (win[pos] == L'\\') {
      if (remember) hash = PathHashStep(hash, win[pos]);
      ++pos;
      continue;
    }
    const size_t begin = pos;
    if (remember)
      for (; pos < win.size() && win[pos] != L'\\'; ++pos) hash = PathHashStep(hash, win[pos]);
    else
      pos = std::min(win.find(L'\\', pos), win.size());
    components.push_back({begin, pos, hash});
  }

  // Starts below the deepest folder remembered, else at the base.
  std::string& cur = host;
  struct stat dirStat {};
  bool haveDirStat = false;
  RememberedFolder* folder = nullptr;
  size_t first = 0;
  if (remember) {
    for (size_t i = components.size(); i-- > 1;) {
      const auto it = t_memo.folders.find(MemoKeyView{win.substr(0, components[i - 1].end), components[i - 1].hash});
      if (it == t_memo.folders.end()) continue;
      folder = &it->second;
      cur = folder->host;
      dirStat = folder->st;
      haveDirStat = true;
      first = i;
      break;
    }
  }
  // The base itself is remembered by its text as written ("C:" or the program's folder).
  const MemoKeyView baseKey{win.substr(0, restAt), baseHash};
  if (remember && !folder && !components.empty()) {
    if (const auto it = t_memo.folders.find(baseKey); it != t_memo.folders.end()) {
      folder = &it->second;
      cur = folder->host;
      dirStat = folder->st;
      haveDirStat = true;
    }
  }
  if (!folder) {
    if (inProgramDir) {
      cur = ProgramHostDir().native();
    } else {
      auto root = DriveHostRoot(win[0]);
      if (!root) return fail(ERROR_PATH_NOT_FOUND);
      cur = root->native();
    }
    haveDirStat = !components.empty() && ::stat(cur.c_str(), &dirStat) == 0;
    if (remember && haveDirStat)
      folder = &t_memo.folders
                    .try_emplace(MemoKey{std::wstring(baseKey.text), baseKey.hash}, RememberedFolder{cur, dirStat, {}})
                    .first->second;
  }
  for (size_t i = first; i < components.size(); ++i) {
    const bool last = i + 1 == components.size();
    const std::wstring_view component = win.substr(components[i].begin, components[i].end - components[i].begin);
    struct stat st {};
    unsigned listed = 0;
    if (!FindComponent(cur, haveDirStat ? &dirStat : nullptr, folder, component, &st, &listed)) {
      if (!last) return fail(ERROR_PATH_NOT_FOUND);
      thread_local std::string name;
      name.clear();
      AppendHostName(name, component);
      AppendToPath(cur, name);
      result.exists = false;
      return true;
    }
    if (last && kindOnly && st.st_mode == 0 && listed != 0) st.st_mode = listed;
    // A link (or a name found by a listing) needs the stat that follows it.
    if ((st.st_mode == 0 || S_ISLNK(st.st_mode)) && ::stat(cur.c_str(), &st) != 0) {
      // A dangling link or a loop: nothing is there.
      if (!last) return fail(ERROR_PATH_NOT_FOUND);
      result.exists = false;
      return true;
    }
    if (!last && !S_ISDIR(st.st_mode)) return fail(ERROR_PATH_NOT_FOUND);
    if (last && wantDir && !S_ISDIR(st.st_mode)) return fail(ERROR_INVALID_NAME);
    folder = nullptr;
    if (!last && remember)
      folder = &t_memo.folders
                    .try_emplace(MemoKey{std::wstring(win.substr(0, components[i].end)), components[i].hash},
                                 RememberedFolder{cur, st, {}})
                    .first->second;
    dirStat = st;  // the next component's folder, followed through any link
    haveDirStat = true;
    result.mode = st.st_mode;
  }
  result.exists = true;
  return true;
}

}  // namespace

std::optional<ResolvedPath> ResolveWinPath(std::wstring_view path, LONG* error) {
  Resolution found;
  std::string host;
  if (!Resolve(path, error, false, found, host)) return std::nullopt;
  ResolvedPath result;
  result.host = std::move(host);
  result.win = std::move(found.win);
  result.exists = found.exists;
  result.device = found.device;
  result.mode = found.mode;
  return result;
}

int WinPathKind(std::wstring_view path) {
  Resolution found;
  thread_local std::string host;  // kept for its room: nearly every question is on one thread
  host.clear();
  if (!Resolve(path, nullptr, true, found, host) || !found.exists) return -1;
  if (found.device) return 1;
  struct stat st {};
  st.st_mode = found.mode;
  if (st.st_mode == 0 && ::stat(host.c_str(), &st) != 0) return -1;  // a drive's root: nothing resolved
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
