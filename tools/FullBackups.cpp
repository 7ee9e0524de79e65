#include "tools/FullBackups.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cwctype>
#include <limits>

#include "app/AppPaths.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/WinPath.h"
#include "platform/system/Time.h"

int GetPathType(const std::wstring& path) {
  const DWORD attributes = win::GetFileAttributes(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 2 : 1;
}

void ListFullBackupsIn(const std::wstring& folder, std::vector<std::wstring>& out) {
  out.clear();
  if (folder.empty()) return;
  std::wstring pattern = folder;
  AppendPath(pattern, L"*.*");
  WIN32_FIND_DATAW data;
  mx::FindPtr find(win::FindFirstFile(pattern.c_str(), &data));
  if (!find) return;
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    const size_t at = name.find(L"reg");
    if (at == std::wstring::npos || at + 3 != name.size()) continue;
    std::wstring path = folder;
    AppendPath(path, name);
    if (GetPathType(path) == 1) out.push_back(path);
  } while (win::FindNextFile(find.get(), &data));
}

void ListFullBackups(std::vector<std::wstring>& out) { ListFullBackupsIn(GetAppDataFolderPath(), out); }

BOOL FullBackupNameToSeconds(const std::wstring& fileName, std::int64_t& seconds) {
  const size_t dot = fileName.find(L'.');
  if (dot == std::wstring::npos) return FALSE;
  // Read as the C runtime reads a leading number: blanks, a sign, digits; no digits gives 0.
  size_t i = 0;
  while (i < dot && std::iswspace(fileName[i])) ++i;
  bool negative = false;
  if (i < dot && (fileName[i] == L'+' || fileName[i] == L'-')) negative = fileName[i++] == L'-';
  std::int64_t value = 0;
  for (; i < dot && fileName[i] >= L'0' && fileName[i] <= L'9'; ++i) {
    if (value > (std::numeric_limits<std::int64_t>::max() - 9) / 10) break;  // far beyond any date
    value = value * 10 + (fileName[i] - L'0');
  }
  if (negative) {
    // the low 32 bits of a time after 2038, written as a signed number
    value = value <= 0x80000000LL ? (1LL << 32) - value : 0;
  }
  seconds = value;
  return TRUE;
}

void FullBackupNameToText(const std::wstring& fileName, std::wstring& text) {
  text.clear();
  std::int64_t seconds = 0;
  if (!FullBackupNameToSeconds(fileName, seconds)) return;
  std::tm tm{};
  if (!mx::LocalTimeFromUnix(seconds, tm)) return;
  text = mx::FormatTime(L"%a. %b %d, %Y. %I:%M %p", tm);
}

std::wstring ClaimFullBackupPath(const std::wstring& folder, std::int64_t seconds) {
  // A folder marked read-only (its owner may not write) takes no backup, whoever runs the program.
  auto where = mx::ResolveWinPath(folder);
  struct stat st {};
  if (!where || ::stat(where->host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) return {};
  // A few thousand tries: more backups than that in one second means the folder refuses new files.
  for (int attempt = 0; attempt < 4096; ++attempt) {
    std::wstring path = folder;
    AppendPath(path, std::to_wstring(seconds + attempt) + L".reg");
    auto resolved = mx::ResolveWinPath(path);
    if (!resolved) return {};
    // Created exclusively, so a second program saving in the same second takes the next number.
    const int fd = ::open(resolved->host.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return path;
    }
    if (errno != EEXIST) return {};
  }
  return {};
}
