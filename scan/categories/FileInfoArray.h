#pragma once
// The files of a folder tree that match a mask, collected for the shortcut checks. The walk stays on the
// machine's own folders: a linked folder is followed only into the folder the walk started from or onto a
// drive of the prefix (never into the host's root folder nor into the prefix's own folder), each real
// folder is walked once (so a file reached through two links is collected once, and a link back up the
// tree ends there), and the walk goes at most kMaxDepth levels down.
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "scan/categories/FileInfo.h"

class CFileInfoArray {
 public:
  static constexpr int kMaxDepth = 32;

  virtual ~CFileInfoArray() = default;

  // Sort mode 0 appends; the index of the new element.
  virtual int AddFileInfo(const CFileInfo& info, int sortMode);
  // Collects the entries of folder (ending with a backslash) that match mask; with recurse, the files of
  // every subfolder come first, in the order the search returns the subfolders. Folders are added only with
  // addFolders. Stops early when *stop becomes non-zero; *counter counts the entries added. Returns that
  // number, subfolders included.
  int AddDir(const std::wstring& folder, const std::wstring& mask, BOOL recurse, int sortMode, BOOL addFolders,
             const volatile BOOL* stop = nullptr, int* counter = nullptr);

  int GetSize() const { return static_cast<int>(m_arrFiles.size()); }
  const CFileInfo& operator[](int index) const { return m_arrFiles[static_cast<size_t>(index)]; }
  std::vector<CFileInfo>::const_iterator begin() const { return m_arrFiles.begin(); }
  std::vector<CFileInfo>::const_iterator end() const { return m_arrFiles.end(); }

 private:
  struct Walk;
  int AddDirLevel(Walk& walk, const std::wstring& folder, int depth);

  std::vector<CFileInfo> m_arrFiles;
};
