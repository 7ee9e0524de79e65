#pragma once
// One file a folder search found: its full path, attributes, size and times, as the shortcut checks collect
// them.
#include <cstdint>
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/fs/FileApi.h"

class CFileInfo {
 public:
  // Fills the element from a directory entry of folder (which ends with a backslash). Times that do not
  // convert to seconds since 1970 make all three the current time.
  void Create(const std::wstring& folder, const WIN32_FIND_DATAW& entry);

  std::wstring m_strFilePath;  // folder + file name
  DWORD m_dwAttributes = 0;
  std::uint64_t m_nFileSize = 0;
  std::int64_t m_timCreation = 0;  // seconds since 1970
  std::int64_t m_timLastAccess = 0;
  std::int64_t m_timLastWrite = 0;
};
