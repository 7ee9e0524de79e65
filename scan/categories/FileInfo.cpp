#include "scan/categories/FileInfo.h"

#include <optional>

#include "platform/base/Clock.h"

namespace {

constexpr std::uint64_t kFileTimeOf1970 = 116444736000000000ull;  // 100 ns ticks from 1601 to 1970
constexpr std::uint64_t kTicksPerSecond = 10000000ull;

std::optional<std::int64_t> SecondsSince1970(std::uint64_t fileTime) {
  if (fileTime < kFileTimeOf1970) return std::nullopt;
  return static_cast<std::int64_t>((fileTime - kFileTimeOf1970) / kTicksPerSecond);
}

std::uint64_t Ticks(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

void CFileInfo::Create(const std::wstring& folder, const WIN32_FIND_DATAW& entry) {
  m_strFilePath = folder + entry.cFileName;
  m_dwAttributes = entry.dwFileAttributes;
  m_nFileSize = (static_cast<std::uint64_t>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
  const auto creation = SecondsSince1970(Ticks(entry.ftCreationTime));
  const auto access = SecondsSince1970(Ticks(entry.ftLastAccessTime));
  const auto write = SecondsSince1970(Ticks(entry.ftLastWriteTime));
  if (creation && access && write) {
    m_timCreation = *creation;
    m_timLastAccess = *access;
    m_timLastWrite = *write;
    return;
  }
  const std::int64_t now = SecondsSince1970(mx::GetClock().NowFileTime()).value_or(0);
  m_timCreation = m_timLastAccess = m_timLastWrite = now;
}
