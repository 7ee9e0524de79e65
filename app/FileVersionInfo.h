#pragma once
// The version resource of one file: its block and first translation.
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"

class CFileVersionInfo {
 public:
  // FALSE (and nothing kept) when the file has no version resource.
  BOOL Load(const std::wstring& path);
  void Free();
  // The "FileVersion" string of the first translation; "" without one.
  std::wstring QueryFileVersion() const;
  std::wstring GetFileVersion() const { return QueryFileVersion(); }
  // "%u,%u,%u,%u" of the fixed file version; "" without one.
  std::wstring GetFixedFileVersion() const;
  DWORD GetTranslation() const { return m_translation; }

 private:
  std::vector<BYTE> m_block;
  DWORD m_translation = 0;  // language << 16 | code page
};
