#include "app/SplitPath.h"

#include "platform/fs/PathApi.h"

CSplitPath& CSplitPath::Split(const std::wstring& path) {
  wchar_t drive[_MAX_DRIVE] = {}, dir[_MAX_DIR] = {}, fname[_MAX_FNAME] = {}, ext[_MAX_EXT] = {};
  win::_wsplitpath(path.c_str(), drive, dir, fname, ext);
  m_drive = drive;
  m_dir = dir;
  m_fname = fname;
  m_ext = ext;
  return *this;
}
