#pragma once
// The C runtime's split of a path into drive, folder, file name and extension.
#include <string>

class CSplitPath {
 public:
  virtual ~CSplitPath() = default;
  CSplitPath& Split(const std::wstring& path);

  const std::wstring& GetDrive() const { return m_drive; }  // with its colon
  const std::wstring& GetDirectory() const { return m_dir; }  // with its trailing separator
  const std::wstring& GetFileName() const { return m_fname; }
  const std::wstring& GetExtension() const { return m_ext; }  // with its dot

 private:
  std::wstring m_drive, m_dir, m_fname, m_ext;
};
