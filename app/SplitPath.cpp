#include "app/SplitPath.h"

#include "platform/fs/PathApi.h"

CSplitPath& CSplitPath::Split(const std::wstring& path) {
  wchar_t drive[win::_MAX_DRIVE] = {}, dir[win::_MAX_DIR] = {}, fname[win::_MAX_FNAME] = {}, ext[win::_MAX_EXT] = {};
  win::_wsplitpath(path.c_str(), drive, dir, fname, ext);
  m_drive = drive;
  m_dir = dir;
  m_fname = fname;
  m_ext = ext;
  return *this;
}
