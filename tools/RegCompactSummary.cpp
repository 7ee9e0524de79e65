// The analysis summary "summary2.bin": what the analysis found, kept across the restart that compacts.
#include <ctime>

#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "platform/base/Archive.h"
#include "platform/fs/FileApi.h"
#include "platform/system/Time.h"
#include "platform/system/UserDateFormat.h"
#include "platform/system/Wow64Redirection.h"
#include "tools/RegCompact.h"

namespace {

// Every record needs at least its four numbers and five empty strings.
constexpr size_t kMinRecordBytes = 16 + 5 * 4;
constexpr std::int32_t kMaxRecords = 4096;

std::wstring SummaryPath() {
  std::wstring path = GetAppDataFolderPath();
  if (path.empty()) return {};
  AppendPath(path, L"summary2.bin");
  return path;
}

void DeleteSummary(const std::wstring& path) {
  win::SetFileAttributes(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  win::DeleteFile(path.c_str());
}

bool CopyPathAllowed(const std::wstring& path) { return path.empty() || IsAnalysisCopyPath(path); }

}  // namespace

BOOL CRegCompact::SaveSummary() {
  const CRegCompact* self = g_pRegCompact;
  std::wstring path = SummaryPath();
  if (path.empty() || !self) return FALSE;
  mx::ArchiveWriter ar;
  ar.WriteI32(self->m_pHives ? self->m_nHives : 0);
  for (int i = 0; self->m_pHives && i < self->m_nHives; ++i) {
    const SHiveCompactInfo& r = self->m_pHives[i];
    ar.WriteI32(r.nSaved);
    ar.WriteU32(r.hRootKey);
    ar.WriteU32(r.dwCopySize);
    ar.WriteU32(r.dwLiveSize);
    ar.WriteString(r.strSubKey);
    ar.WriteString(r.strHiveFile);
    ar.WriteString(r.strCopyPath);
    ar.WriteString(r.strTempPath);
    ar.WriteString(r.strHiveName);
  }
  std::tm local{};
  mx::LocalTimeFromUnix(mx::UnixTimeNow(), local);
  ar.WriteString(mx::FormatTime(L"%a. %B %d, %Y. %I:%M %p", local));
  ar.WriteString(mx::FormatUserDateTime(local));
  // Replaced whole: a full disk or a crash leaves the previous summary, never half of this one.
  return mx::WriteWinFile(path, ar.bytes()) == ERROR_SUCCESS;
}

BOOL CRegCompact::LoadSummary() {
  std::wstring path = SummaryPath();
  std::string bytes;
  {
    mx::ScopedFsRedirectionOff redirection;
    if (path.empty() || !FileExists(path)) return FALSE;
    if (mx::ReadWinFile(path, bytes, 16u << 20) != ERROR_SUCCESS) return FALSE;
  }
  mx::ArchiveReader ar(bytes);
  std::int32_t count = 0;
  if (!ar.ReadI32(count)) {
    DeleteSummary(path);
    return FALSE;
  }
  if (count == 0) {
    m_nHives = 0;
    return FALSE;
  }
  // A count the rest of the file cannot hold is damage, not a reason to allocate.
  if (count < 0 || count > kMaxRecords || static_cast<size_t>(count) > ar.remaining() / kMinRecordBytes) {
    DeleteSummary(path);
    return FALSE;
  }
  m_pHives = std::make_unique<SHiveCompactInfo[]>(count);
  m_nHives = count;
  for (int i = 0; i < count; ++i) {
    SHiveCompactInfo& r = m_pHives[i];
    std::int32_t saved = 0;
    std::uint32_t root = 0, copy = 0, live = 0;
    SHiveCompactInfo read;
    bool ok = ar.ReadI32(saved) && ar.ReadU32(root) && ar.ReadU32(copy) && ar.ReadU32(live) &&
              ar.ReadString(read.strSubKey) && ar.ReadString(read.strHiveFile) && ar.ReadString(read.strCopyPath) &&
              ar.ReadString(read.strTempPath) && ar.ReadString(read.strHiveName);
    // A record naming files the analysis never makes is not ours to trust (its copies would be deleted).
    if (!ok || !CopyPathAllowed(read.strCopyPath) || !CopyPathAllowed(read.strTempPath)) {
      DeleteSummary(path);
      return FALSE;
    }
    read.nSaved = saved;
    read.hRootKey = root;
    read.dwCopySize = copy;
    read.dwLiveSize = live;
    r = std::move(read);
  }
  std::wstring fixedTime, userTime;
  if (!ar.ReadString(fixedTime)) {
    DeleteSummary(path);
    return FALSE;
  }
  StrLatestRegDefrag = fixedTime;
  if (!ar.ReadString(userTime)) {
    DeleteSummary(path);
    return FALSE;
  }
  StrLastOptimizeTime = userTime;
  SaveSettings();
  return TRUE;
}
