#include "platform/shell/RecycleBin.h"

#include <algorithm>
#include <random>
#include <string>

#include "platform/base/Clock.h"
#include "platform/base/FileIO.h"
#include "platform/base/Prefix.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/WinPath.h"
#include "platform/system/SystemInfo.h"

namespace mx {

namespace fs = std::filesystem;

fs::path RecycleBinDir() {
  auto c = DriveHostRoot(L'C');
  fs::path drive = c ? *c : PrefixDir() / "drive_c";
  return drive / "$Recycle.Bin" / WideToUtf8(CurrentUserSid());
}

std::vector<fs::path> RecycledItems() {
  std::vector<fs::path> out;
  std::error_code ec;
  for (auto it = fs::directory_iterator(RecycleBinDir(), ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    if (it->path().filename().string().rfind("$R", 0) == 0) out.push_back(it->path());
  }
  std::sort(out.begin(), out.end());
  return out;
}

namespace {

std::string RandomTag() {
  static thread_local std::mt19937 rng{std::random_device{}()};
  const char* chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::string tag;
  for (int i = 0; i < 6; ++i) tag += chars[rng() % 36];
  return tag;
}

// Moves one object into the recycle folder as $R<tag><ext>, with $I<tag><ext> telling where it came from.
LONG Recycle(const ResolvedPath& item) {
  std::error_code ec;
  fs::path bin = RecycleBinDir();
  fs::create_directories(bin, ec);
  if (ec) return ERROR_ACCESS_DENIED;
  std::string ext = item.host.extension().string();
  fs::path target;
  std::string tag;
  for (int attempt = 0; attempt < 100; ++attempt) {
    tag = RandomTag();
    target = bin / ("$R" + tag + ext);
    if (!fs::exists(target, ec) && !fs::exists(bin / ("$I" + tag + ext), ec)) break;
  }
  std::string info = "Path=" + WideToUtf8(item.win) + "\nDeleted=" + std::to_string(GetClock().NowFileTime()) + "\n";
  if (!WriteFileAtomic(bin / ("$I" + tag + ext), info, &ec)) return ERROR_WRITE_FAULT;
  fs::rename(item.host, target, ec);
  if (ec) {
    // Another host file system (a drive other than C:): copy the file, then remove the original.
    if (fs::is_directory(item.host) || !fs::copy_file(item.host, target, ec) || !fs::remove(item.host, ec)) {
      fs::remove(bin / ("$I" + tag + ext), ec);
      fs::remove(target, ec);
      return ERROR_ACCESS_DENIED;
    }
  }
  return ERROR_SUCCESS;
}

}  // namespace

}  // namespace mx

namespace win {

int SHFileOperation(SHFILEOPSTRUCTW* op) {
  if (!op || op->wFunc != FO_DELETE || !op->pFrom || !op->pFrom[0]) return ERROR_INVALID_PARAMETER;
  std::vector<std::wstring> paths;
  for (LPCWSTR p = op->pFrom; *p; p += std::char_traits<wchar_t>::length(p) + 1) paths.emplace_back(p);
  for (const auto& path : paths) {
    LONG error = ERROR_SUCCESS;
    auto r = mx::ResolveWinPath(path, &error);
    if (!r) return error;
    if (!r->exists) return ERROR_FILE_NOT_FOUND;
    if (r->device || r->win.size() <= 3) return ERROR_ACCESS_DENIED;
    if (op->fFlags & FOF_ALLOWUNDO) {
      if (LONG rc = mx::Recycle(*r); rc != ERROR_SUCCESS) return rc;
    } else {
      std::error_code ec;
      std::filesystem::remove_all(r->host, ec);
      if (ec) return ERROR_ACCESS_DENIED;
    }
  }
  op->fAnyOperationsAborted = FALSE;
  return 0;
}

}  // namespace win
