#include "scan/categories/FileInfoArray.h"

#include <filesystem>
#include <set>
#include <system_error>

#include "platform/base/Prefix.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/WinPath.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kGrowthStep = 50;

// The real host folder behind a Windows folder path, every link resolved; empty when there is none.
fs::path RealFolder(const std::wstring& folder) {
  const auto resolved = mx::ResolveWinPath(folder);
  if (!resolved || !resolved->exists) return {};
  std::error_code error;
  fs::path real = fs::canonical(resolved->host, error);
  if (error || !fs::is_directory(real, error)) return {};
  return real;
}

bool IsHostRoot(const fs::path& real) { return real == real.root_path(); }

bool IsInside(const fs::path& real, const fs::path& area) {
  auto a = area.begin();
  auto r = real.begin();
  for (; a != area.end(); ++a, ++r)
    if (r == real.end() || *r != *a) return false;
  return true;
}

bool IsDotEntry(const wchar_t* name) {
  return (name[0] == L'.' && name[1] == 0) || (name[0] == L'.' && name[1] == L'.' && name[2] == 0);
}

}  // namespace

struct CFileInfoArray::Walk {
  std::wstring mask;
  bool recurse = false;
  int sortMode = 0;
  bool addFolders = false;
  const volatile BOOL* stop = nullptr;
  int* counter = nullptr;
  std::vector<fs::path> areas;  // where the walk may go: its start folder and the prefix's drives
  fs::path prefix;  // the prefix's own folder
  std::set<fs::path> visited;  // real folders already walked: links that lead back, or twice to one place

  bool stopped() const { return stop && *stop; }
};

int CFileInfoArray::AddFileInfo(const CFileInfo& info, int /*sortMode*/) {
  if (m_arrFiles.size() == m_arrFiles.capacity()) m_arrFiles.reserve(m_arrFiles.size() + kGrowthStep);
  m_arrFiles.push_back(info);
  return static_cast<int>(m_arrFiles.size()) - 1;
}

int CFileInfoArray::AddDir(const std::wstring& folder, const std::wstring& mask, BOOL recurse, int sortMode,
                           BOOL addFolders, const volatile BOOL* stop, int* counter) {
  const fs::path start = RealFolder(folder);
  // A start folder that is the host's root (a drive mapped onto "/") would walk the whole host.
  if (start.empty() || IsHostRoot(start)) return 0;

  Walk walk;
  walk.mask = mask;
  walk.recurse = recurse != FALSE;
  walk.sortMode = sortMode;
  walk.addFolders = addFolders != FALSE;
  walk.stop = stop;
  walk.counter = counter;
  walk.areas.push_back(start);
  std::error_code error;
  walk.prefix = fs::canonical(mx::PrefixDir(), error);
  for (wchar_t letter = L'a'; letter <= L'z'; ++letter) {
    const auto root = mx::DriveHostRoot(letter);
    if (!root) continue;
    const fs::path real = fs::canonical(*root, error);
    if (!error && !IsHostRoot(real)) walk.areas.push_back(real);
  }
  return AddDirLevel(walk, folder, 0);
}

int CFileInfoArray::AddDirLevel(Walk& walk, const std::wstring& folder, int depth) {
  const fs::path here = RealFolder(folder);
  if (here.empty() || IsHostRoot(here)) return 0;
  bool allowed = false;
  for (const fs::path& area : walk.areas) allowed = allowed || IsInside(here, area);
  if (!allowed) return 0;
  // A user folder linked to the host's home holds the prefix itself: its drives are no part of that folder.
  if (here == walk.prefix) return 0;
  if (!walk.visited.insert(here).second) return 0;

  int added = 0;
  WIN32_FIND_DATAW entry;
  if (walk.recurse && depth < kMaxDepth) {
    mx::FindPtr find(win::FindFirstFile((folder + L"*").c_str(), &entry));
    for (bool more = find != nullptr; more && !walk.stopped(); more = win::FindNextFile(find.get(), &entry)) {
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || IsDotEntry(entry.cFileName)) continue;
      added += AddDirLevel(walk, folder + entry.cFileName + L"\\", depth + 1);
    }
  }

  mx::FindPtr find(win::FindFirstFile((folder + walk.mask).c_str(), &entry));
  for (bool more = find != nullptr; more && !walk.stopped(); more = win::FindNextFile(find.get(), &entry)) {
    const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (IsDotEntry(entry.cFileName) || (isFolder && !walk.addFolders)) continue;
    CFileInfo info;
    info.Create(folder, entry);
    AddFileInfo(info, walk.sortMode);
    ++added;
    if (walk.counter) ++*walk.counter;
  }
  return added;
}
