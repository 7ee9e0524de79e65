#include "platform/fs/PathApi.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/FsInternal.h"
#include "platform/fs/WinPath.h"
#include "platform/system/BufferOut.h"
#include "platform/system/Environment.h"
#include "platform/system/Module.h"
#include "platform/system/SystemInfo.h"

namespace mx {

namespace {

std::wstring WindowsDir() {
  std::wstring dir = GetEnv(L"SystemRoot").value_or(L"C:\\windows");
  while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  return dir;
}

std::wstring Join(const std::wstring& dir, std::wstring_view name) {
  if (dir.empty()) return std::wstring(name);
  return dir.back() == L'\\' ? dir + std::wstring(name) : dir + L"\\" + std::wstring(name);
}

std::vector<std::wstring> PathEntries() {
  std::vector<std::wstring> out;
  std::wstring path = GetEnv(L"PATH").value_or(L"");
  size_t pos = 0;
  while (pos <= path.size()) {
    size_t end = path.find(L';', pos);
    if (end == std::wstring::npos) end = path.size();
    std::wstring entry = path.substr(pos, end - pos);
    size_t start = entry.find_first_not_of(L' ');
    if (start != std::wstring::npos) out.push_back(entry.substr(start));
    pos = end + 1;
  }
  return out;
}

bool Exists(const std::wstring& path) { return win::GetFileAttributes(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

LPWSTR FilePartOf(LPWSTR buffer, size_t length) {
  for (size_t i = length; i > 0; --i)
    if (buffer[i - 1] == L'\\') return i < length ? buffer + i : nullptr;
  return buffer;
}

}  // namespace

}  // namespace mx

namespace win {

BOOL PathFileExists(LPCWSTR path) {
  if (!path) return FALSE;
  return GetFileAttributes(path) != INVALID_FILE_ATTRIBUTES ? TRUE : FALSE;
}

BOOL PathIsFileSpec(LPCWSTR path) {
  if (!path) return FALSE;
  for (const wchar_t* p = path; *p; ++p)
    if (*p == L'\\' || *p == L':') return FALSE;
  return TRUE;
}

BOOL PathIsNetworkPath(LPCWSTR path) {
  if (!path) return FALSE;
  if (path[0] == L'\\' && path[1] == L'\\') return TRUE;
  if (path[0] && path[1] == L':') {
    wchar_t root[4] = {path[0], L':', L'\\', 0};
    return GetDriveType(root) == DRIVE_REMOTE ? TRUE : FALSE;
  }
  return FALSE;
}

LPCWSTR PathGetArgs(LPCWSTR path) {
  if (!path) return nullptr;
  bool inQuotes = false;
  for (const wchar_t* p = path; *p; ++p) {
    if (*p == L'"') inQuotes = !inQuotes;
    if (*p == L' ' && !inQuotes) return p + 1;
  }
  return path + std::char_traits<wchar_t>::length(path);
}

BOOL PathFindOnPath(LPWSTR buffer, LPCWSTR* otherDirs) {
  if (!buffer || !*buffer || !PathIsFileSpec(buffer)) return FALSE;
  std::wstring name = buffer;
  std::vector<std::wstring> dirs;
  for (LPCWSTR* d = otherDirs; d && *d; ++d) dirs.emplace_back(*d);
  std::wstring windows = mx::WindowsDir();
  dirs.push_back(windows + L"\\system32");
  dirs.push_back(windows + L"\\system");
  dirs.push_back(windows);
  for (auto& p : mx::PathEntries()) dirs.push_back(std::move(p));
  for (const auto& dir : dirs) {
    std::wstring candidate = mx::Join(dir, name);
    if (candidate.size() >= MAX_PATH || !mx::Exists(candidate)) continue;
    candidate.copy(buffer, candidate.size());
    buffer[candidate.size()] = 0;
    return TRUE;
  }
  return FALSE;
}

DWORD GetFullPathName(LPCWSTR path, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
  if (filePart) *filePart = nullptr;
  if (!path || !*path) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  LONG error = ERROR_SUCCESS;
  auto full = mx::NormalizeWinPath(path, &error, false);
  if (!full) {
    SetLastError(static_cast<DWORD>(error));
    return 0;
  }
  DWORD rc = mx::CopyOutOrNeeded(*full, buffer, size);
  if (rc == full->size() && filePart) *filePart = mx::FilePartOf(buffer, full->size());
  return rc;
}

DWORD SearchPath(LPCWSTR path, LPCWSTR fileName, LPCWSTR extension, DWORD size, LPWSTR buffer, LPWSTR* filePart) {
  if (filePart) *filePart = nullptr;
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring name = fileName;
  // The default extension only when the name's last component has none.
  size_t lastSep = name.find_last_of(L"\\/");
  size_t dot = name.find(L'.', lastSep == std::wstring::npos ? 0 : lastSep + 1);
  if (extension && *extension && dot == std::wstring::npos) name += extension;

  std::vector<std::wstring> candidates;
  const bool hasFolder = name.find_first_of(L"\\/:") != std::wstring::npos;
  if (hasFolder) {
    // A name with a folder or drive is looked up there only.
    candidates.push_back(name);
  } else if (path && *path) {
    size_t pos = 0;
    std::wstring dirs = path;
    while (pos <= dirs.size()) {
      size_t end = dirs.find(L';', pos);
      if (end == std::wstring::npos) end = dirs.size();
      if (end > pos) candidates.push_back(mx::Join(dirs.substr(pos, end - pos), name));
      pos = end + 1;
    }
  } else {
    std::wstring windows = mx::WindowsDir();
    candidates.push_back(mx::Join(mx::ProgramWinDir(), name));
    candidates.push_back(mx::Join(windows + L"\\system32", name));
    candidates.push_back(mx::Join(windows + L"\\system", name));
    candidates.push_back(mx::Join(windows, name));
    candidates.push_back(name);  // the current folder
    for (const auto& p : mx::PathEntries()) candidates.push_back(mx::Join(p, name));
  }
  for (const auto& candidate : candidates) {
    if (!mx::Exists(candidate)) continue;
    auto full = mx::NormalizeWinPath(candidate, nullptr, false);
    if (!full) continue;
    DWORD rc = mx::CopyOutOrNeeded(*full, buffer, size);
    if (rc == full->size() && filePart) *filePart = mx::FilePartOf(buffer, full->size());
    return rc;
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return 0;
}

BOOL PathSearchAndQualify(LPCWSTR path, LPWSTR out, UINT size) {
  if (!path || !out) return FALSE;
  DWORD rc = SearchPath(nullptr, path, nullptr, size, out, nullptr);
  if (rc > 0 && rc < size) return TRUE;
  rc = GetFullPathName(path, size, out, nullptr);
  return rc > 0 && rc < size ? TRUE : FALSE;
}

UINT GetWindowsDirectory(LPWSTR buffer, UINT size) { return mx::CopyOutOrNeeded(mx::WindowsDir(), buffer, size); }

UINT GetSystemDirectory(LPWSTR buffer, UINT size) {
  return mx::CopyOutOrNeeded(mx::WindowsDir() + L"\\system32", buffer, size);
}

UINT GetSystemWow64Directory(LPWSTR buffer, UINT size) {
  if (!mx::PrefixIs64Bit()) {
    SetLastError(120);  // ERROR_CALL_NOT_IMPLEMENTED
    return 0;
  }
  return mx::CopyOutOrNeeded(mx::WindowsDir() + L"\\syswow64", buffer, size);
}

DWORD GetTempPath(DWORD size, LPWSTR buffer) {
  std::wstring temp = mx::GetEnv(L"TMP").value_or(mx::GetEnv(L"TEMP").value_or(mx::WindowsDir()));
  if (temp.empty() || temp.back() != L'\\') temp += L'\\';
  return mx::CopyOutOrNeeded(temp, buffer, size);
}

DWORD GetShortPathName(LPCWSTR longPath, LPWSTR shortPath, DWORD size) {
  if (!longPath) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  LONG error = ERROR_SUCCESS;
  auto r = mx::ResolveWinPath(longPath, &error);
  if (!r || !r->exists || r->device) {
    SetLastError(static_cast<DWORD>(r ? ERROR_FILE_NOT_FOUND : error));
    return 0;
  }
  // Walk the resolved Windows path again, naming each component by its 8.3 form in its folder.
  std::wstring_view win = r->win;
  std::wstring out(win.substr(0, 3));
  std::filesystem::path host = r->host;
  std::vector<std::wstring> components;
  for (size_t pos = 3; pos < win.size();) {
    size_t end = win.find(L'\\', pos);
    if (end == std::wstring_view::npos) end = win.size();
    if (end > pos) components.emplace_back(win.substr(pos, end - pos));
    pos = end + 1;
  }
  std::vector<std::wstring> shortNames(components.size());
  for (size_t i = components.size(); i-- > 0;) {
    std::wstring name = mx::Utf8ToWide(host.filename().string());
    auto listing = mx::ListFolder(host.parent_path());
    shortNames[i] = name;
    if (listing) {
      for (size_t k = 0; k < listing->names.size(); ++k)
        // A name that is an 8.3 name already has no other form.
        if (listing->names[k] == name && !mx::EqualsNoCase(mx::ShortNameOf(*listing, k), name))
          shortNames[i] = mx::ShortNameOf(*listing, k);
    }
    host = host.parent_path();
  }
  for (size_t i = 0; i < shortNames.size(); ++i) {
    if (i) out += L'\\';
    out += shortNames[i];
  }
  return mx::CopyOutOrNeeded(out, shortPath, size);
}

UINT GetTempFileName(LPCWSTR path, LPCWSTR prefix, UINT unique, LPWSTR tempFileName) {
  if (!path || !tempFileName) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::wstring base = path;
  if (!base.empty() && base.back() != L'\\' && base.back() != L'/') base += L'\\';
  std::wstring pfx = prefix ? std::wstring(prefix).substr(0, 3) : L"";
  auto nameFor = [&](UINT n) {
    wchar_t hex[8];
    std::swprintf(hex, 8, L"%X", n & 0xFFFF);
    return base + pfx + hex + L".TMP";
  };
  auto put = [&](const std::wstring& name) {
    if (name.size() >= MAX_PATH) return false;
    name.copy(tempFileName, name.size());
    tempFileName[name.size()] = 0;
    return true;
  };
  if (unique != 0) {
    if (!put(nameFor(unique))) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    return unique & 0xFFFF;
  }
  UINT start = static_cast<UINT>(mx::GetClock().TickMs() & 0xFFFF) | 1;
  for (UINT k = 0; k < 0xFFFF; ++k) {
    UINT n = ((start + k - 1) % 0xFFFF) + 1;
    std::wstring name = nameFor(n);
    LONG error = ERROR_SUCCESS;
    auto r = mx::ResolveWinPath(name, &error);
    if (!r) {
      SetLastError(static_cast<DWORD>(error == ERROR_FILE_NOT_FOUND ? ERROR_DIRECTORY : error));
      return 0;
    }
    if (r->exists) continue;
    int fd = ::open(r->host.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      SetLastError(static_cast<DWORD>(errno == ENOENT ? ERROR_DIRECTORY : mx::ErrnoToWin(errno)));
      return 0;
    }
    ::close(fd);
    if (!put(name)) return 0;
    return n;
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

}  // namespace win
