#include <cstring>
#include <string_view>

#include "platform/fs/PathApi.h"

namespace win {

namespace {

// Copies part into out (size characters with the null); false when it does not fit.
bool Put(std::wstring_view part, LPWSTR out, size_t size, bool cut) {
  if (!out) return true;
  if (size == 0) return part.empty();
  if (part.size() + 1 > size) {
    if (!cut) return false;
    part = part.substr(0, size - 1);
  }
  part.copy(out, part.size());
  out[part.size()] = 0;
  return true;
}

struct Parts {
  std::wstring_view drive, dir, fname, ext;
};

Parts Split(std::wstring_view p) {
  Parts parts;
  if (p.size() >= 2 && p[1] == L':') {
    parts.drive = p.substr(0, 2);
    p.remove_prefix(2);
  }
  size_t lastSep = p.find_last_of(L"\\/");
  if (lastSep != std::wstring_view::npos) {
    parts.dir = p.substr(0, lastSep + 1);
    p.remove_prefix(lastSep + 1);
  }
  size_t dot = p.find_last_of(L'.');
  if (dot != std::wstring_view::npos) {
    parts.fname = p.substr(0, dot);
    parts.ext = p.substr(dot);
  } else {
    parts.fname = p;
  }
  return parts;
}

}  // namespace

void _wsplitpath(LPCWSTR path, LPWSTR drive, LPWSTR dir, LPWSTR fname, LPWSTR ext) {
  Parts parts = Split(path ? std::wstring_view(path) : std::wstring_view());
  Put(parts.drive, drive, _MAX_DRIVE, true);
  Put(parts.dir, dir, _MAX_DIR, true);
  Put(parts.fname, fname, _MAX_FNAME, true);
  Put(parts.ext, ext, _MAX_EXT, true);
}

int _wsplitpath_s(LPCWSTR path, LPWSTR drive, size_t driveSize, LPWSTR dir, size_t dirSize, LPWSTR fname,
                  size_t fnameSize, LPWSTR ext, size_t extSize) {
  auto clear = [&] {
    if (drive && driveSize) drive[0] = 0;
    if (dir && dirSize) dir[0] = 0;
    if (fname && fnameSize) fname[0] = 0;
    if (ext && extSize) ext[0] = 0;
  };
  if (!path) {
    clear();
    return 22;  // EINVAL
  }
  Parts parts = Split(path);
  if (!Put(parts.drive, drive, driveSize, false) || !Put(parts.dir, dir, dirSize, false) ||
      !Put(parts.fname, fname, fnameSize, false) || !Put(parts.ext, ext, extSize, false)) {
    clear();
    return 34;  // ERANGE
  }
  return 0;
}

}  // namespace win
