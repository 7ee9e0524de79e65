#include "platform/fs/WinPath.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <mutex>
#include <map>
#include <set>

#include "platform/base/Prefix.h"
#include "platform/fs/FsInternal.h"
#include "platform/base/Text.h"
#include "platform/system/BufferOut.h"
#include "platform/system/Environment.h"
#include "platform/system/Module.h"

namespace mx {

namespace {

constexpr size_t kMaxInput = 32767;  // the longest path Windows knows at all

bool IsSep(wchar_t c) { return c == L'\\' || c == L'/'; }
bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

void SetError(LONG* error, LONG value) {
  if (error) *error = value;
}

// The names of s between separators of either kind, empty ones left out.
void SplitNames(std::wstring_view s, std::vector<std::wstring_view>& names) {
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && !IsSep(s[i])) continue;
    if (i > start) names.push_back(s.substr(start, i - start));
    start = i + 1;
  }
}

// Trailing dots and blanks of a component mean nothing to Windows; "." and ".." stay what they are.
std::wstring_view StripTrailing(std::wstring_view c) {
  if (c == L"." || c == L"..") return c;
  while (!c.empty() && (c.back() == L'.' || c.back() == L' ')) c.remove_suffix(1);
  return c;
}

// The characters a strict path may not hold after its drive: control characters, <>|"?* and ":".
constexpr bool IsRefusedChar(wchar_t c) {
  if (c >= 0x40) return c == L'|';
  constexpr uint64_t kMarks = 1ull << '"' | 1ull << '*' | 1ull << ':' | 1ull << '<' | 1ull << '>' | 1ull << '?';
  return c < 0x20 || ((kMarks >> c) & 1) != 0;
}

// Whether a name with no separator in it is a device: CON, PRN, AUX, NUL, COM1-9 or LPT1-9, also with an
// extension or blanks before it.
bool IsDeviceName(std::wstring_view name) {
  // Every name is asked about and nearly none is a device: its first letter turns most away. Only ASCII
  // letters fold to these.
  if (name.size() < 3) return false;
  switch (name[0] | 0x20) {
    case L'a': case L'c': case L'l': case L'n': case L'p': break;
    default: return false;
  }
  size_t dot = name.find(L'.');
  if (dot != std::wstring_view::npos) name = name.substr(0, dot);
  while (!name.empty() && (name.back() == L' ')) name.remove_suffix(1);
  if (name.size() != 3 && name.size() != 4) return false;
  wchar_t upper[4] = {};
  for (size_t i = 0; i < name.size(); ++i) upper[i] = ToUpperChar(name[i]);
  const std::wstring_view first(upper, 3);
  if (name.size() == 3) return first == L"CON" || first == L"PRN" || first == L"AUX" || first == L"NUL";
  return (first == L"COM" || first == L"LPT") && upper[3] >= L'1' && upper[3] <= L'9';
}

std::mutex g_cwdMutex;
std::wstring g_cwd;  // empty: not set yet, the program's folder

void ResetCwd() {
  std::lock_guard lock(g_cwdMutex);
  g_cwd.clear();
}

[[maybe_unused]] const bool g_registered = [] {
  OnPrefixChanged(&ResetCwd);
  return true;
}();

}  // namespace

std::wstring CurrentDirectory() {
  {
    std::lock_guard lock(g_cwdMutex);
    if (!g_cwd.empty()) return g_cwd;
  }
  return ProgramWinDir();
}

void SetCurrentDirectoryUnchecked(const std::wstring& dir) {
  std::lock_guard lock(g_cwdMutex);
  g_cwd = dir;
}

bool IsDosDeviceName(std::wstring_view path) {
  size_t start = path.size();
  while (start > 0 && path[start - 1] != L'\\' && path[start - 1] != L'/' && path[start - 1] != L':') --start;
  return IsDeviceName(path.substr(start));
}

namespace {

// "X:\name\name...": backslashes only, none doubled, no "." or ".." and no last name ending in a dot or a
// blank; such a path is its own normal form. *refused tells whether it holds a character a strict path
// refuses, found on the same pass.
bool IsWholePath(std::wstring_view path, bool* refused) {
  *refused = false;
  if (path.size() < 3 || !IsLetter(path[0]) || path[1] != L':' || path[2] != L'\\') return false;
  // What each character below 0x80 is to this pass: nearly every character of a path is none of these.
  constexpr uint8_t kPlain = 0, kBackslash = 1, kSlash = 2, kRefused = 3;
  static constexpr auto kKinds = [] {
    std::array<uint8_t, 0x80> kinds{};
    for (wchar_t c = 0; c < 0x80; ++c) kinds[c] = IsRefusedChar(c) ? kRefused : kPlain;
    kinds[L'\\'] = kBackslash;
    kinds[L'/'] = kSlash;
    return kinds;
  }();
  size_t start = 3;
  for (size_t i = 3; i < path.size(); ++i) {
    const auto c = static_cast<uint32_t>(path[i]);
    const uint8_t kind = c < 0x80 ? kKinds[c] : kPlain;
    if (kind == kPlain) continue;
    if (kind == kSlash) return false;
    if (kind == kRefused) {
      *refused = true;
      continue;
    }
    if (i == start) return false;  // a doubled backslash
    if (i - start <= 2 && path[start] == L'.' && path[i - 1] == L'.') return false;  // "." or ".."
    start = i + 1;
  }
  // The last name ("." and ".." end in a dot too), unless the path ends in a backslash.
  return start == path.size() || (path.back() != L'.' && path.back() != L' ');
}

std::optional<std::wstring> Finish(std::wstring full, std::wstring_view last, bool strict, bool charsChecked,
                                   LONG* error);

}  // namespace

std::optional<std::wstring> NormalizeWinPath(std::wstring_view path, LONG* error, bool strict) {
  SetError(error, ERROR_SUCCESS);
  if (path.empty()) {
    SetError(error, ERROR_PATH_NOT_FOUND);
    return std::nullopt;
  }
  if (path.size() > kMaxInput || path.find(L'\0') != std::wstring_view::npos) {
    SetError(error, path.size() > kMaxInput ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME);
    return std::nullopt;
  }
  std::wstring_view rest;
  if (path.size() >= 4 && IsSep(path[0]) && IsSep(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
      IsSep(path[3])) {
    std::wstring_view inner = path.substr(4);
    if (inner.size() >= 2 && IsLetter(inner[0]) && inner[1] == L':') {
      path = inner;  // \\?\C:\x is C:\x
    } else {
      if (IsDosDeviceName(inner) && inner.find_first_of(L"\\/") == std::wstring_view::npos)
        return L"\\\\.\\" + ToUpper(inner);
      SetError(error, ERROR_PATH_NOT_FOUND);
      return std::nullopt;
    }
  }
  bool refused = false;
  if (IsWholePath(path, &refused)) {
    // Nearly every path asked about is whole already: it comes out as it went in, its drive upper-cased.
    if (strict && refused) {
      SetError(error, ERROR_INVALID_NAME);
      return std::nullopt;
    }
    std::wstring full(path);
    full[0] = ToUpperChar(full[0]);
    std::wstring_view last = path.substr(3);
    if (!last.empty() && last.back() == L'\\') last.remove_suffix(1);
    if (const size_t slash = last.rfind(L'\\'); slash != std::wstring_view::npos) last.remove_prefix(slash + 1);
    return Finish(std::move(full), last, strict, true, error);  // the last name is all the checks look at
  }
  // Every name of the text but a drive's letter comes out in the result unless a ".." drops it: a character
  // a strict path refuses fails it without the work of building it.
  if (strict && path.find(L"..") == std::wstring_view::npos) {
    const size_t from = path.size() >= 2 && IsLetter(path[0]) && path[1] == L':' ? 2 : 0;
    if (std::any_of(path.begin() + static_cast<std::ptrdiff_t>(from), path.end(), IsRefusedChar)) {
      SetError(error, ERROR_INVALID_NAME);
      return std::nullopt;
    }
  }
  std::wstring drive;  // "C:" or "\\server\share"
  std::wstring base;   // the folder a relative text starts from
  std::vector<std::wstring_view> parts;
  std::wstring uncTail;
  if (path.size() >= 2 && IsSep(path[0]) && IsSep(path[1])) {
    // UNC: \\server\share is the root and cannot be left by "..".
    std::vector<std::wstring_view> unc;
    SplitNames(path.substr(2), unc);
    if (unc.empty()) {
      SetError(error, ERROR_BAD_NETPATH);
      return std::nullopt;
    }
    drive = L"\\\\";
    drive += unc[0];
    if (unc.size() > 1) (drive += L'\\') += unc[1];
    for (size_t i = 2; i < unc.size(); ++i) (uncTail += L'\\') += unc[i];
    if (IsSep(path.back())) uncTail += L"\\";
    rest = uncTail;
  } else {
    if (path.size() >= 2 && IsLetter(path[0]) && path[1] == L':') {
      wchar_t letter = ToUpperChar(path[0]);
      rest = path.substr(2);
      if (!rest.empty() && IsSep(rest[0])) {
        base = std::wstring(1, letter) + L":\\";
      } else {
        // "X:" and "X:name" are relative to that drive's current folder: ours when it is the current drive,
        // else the drive's root.
        std::wstring cwd = CurrentDirectory();
        base = cwd.size() >= 2 && ToUpperChar(cwd[0]) == letter ? cwd : std::wstring(1, letter) + L":\\";
      }
    } else if (IsSep(path[0])) {
      base = CurrentDirectory().substr(0, 2) + L"\\";
      rest = path;
    } else {
      base = CurrentDirectory();
      rest = path;
    }
    drive = base.substr(0, 2);
    SplitNames(std::wstring_view(base).substr(2), parts);
  }
  std::vector<std::wstring_view> more;
  SplitNames(rest, more);
  if (!more.empty() && !(rest.size() && IsSep(rest.back()))) more.back() = StripTrailing(more.back());
  for (const std::wstring_view c : more) {
    if (c.empty() || c == L".") continue;
    if (c == L"..") {
      if (!parts.empty()) parts.pop_back();  // never above the drive's root
      continue;
    }
    parts.push_back(c);
  }
  std::wstring full = drive + L"\\";
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) full += L'\\';
    full += parts[i];
  }
  if (!more.empty() && IsSep(rest.back()) && full.back() != L'\\') full += L'\\';
  return Finish(std::move(full), parts.empty() ? std::wstring_view() : parts.back(), strict, false, error);
}

namespace {

// The checks of a normalized path: its characters (unless the caller checked them), a device as its last
// name, its length.
std::optional<std::wstring> Finish(std::wstring full, std::wstring_view last, bool strict, bool charsChecked,
                                   LONG* error) {
  if (strict && !charsChecked &&
      std::any_of(full.begin() + static_cast<std::ptrdiff_t>(std::min<size_t>(2, full.size())), full.end(),
                  IsRefusedChar)) {
    SetError(error, ERROR_INVALID_NAME);
    return std::nullopt;
  }
  // A strict path that got here has no ":" in its last name: the name is the device's whole text.
  if (strict ? IsDeviceName(last) : IsDosDeviceName(last)) {
    std::wstring_view name = last;
    size_t dot = name.find(L'.');
    if (dot != std::wstring_view::npos) name = name.substr(0, dot);
    while (!name.empty() && name.back() == L' ') name.remove_suffix(1);
    return L"\\\\.\\" + ToUpper(name);
  }
  if (strict && full.size() >= MAX_PATH) {
    SetError(error, ERROR_FILENAME_EXCED_RANGE);
    return std::nullopt;
  }
  return full;
}

}  // namespace

std::wstring ApplyFsRedirection(std::wstring_view normalizedPath) {
  std::wstring windir = GetEnv(L"windir").value_or(L"C:\\windows");
  while (!windir.empty() && windir.back() == L'\\') windir.pop_back();
  std::wstring_view p = normalizedPath;
  if (p.size() <= windir.size() || !StartsWithNoCase(p, windir) || p[windir.size()] != L'\\')
    return std::wstring(p);
  std::wstring_view tail = p.substr(windir.size() + 1);  // after "C:\windows\"
  auto componentIs = [](std::wstring_view t, std::wstring_view name) {
    return t.size() >= name.size() && StartsWithNoCase(t, name) && (t.size() == name.size() || t[name.size()] == L'\\');
  };
  if (EqualsNoCase(tail, L"regedit.exe")) return windir + L"\\syswow64\\regedit.exe";
  if (componentIs(tail, L"sysnative")) return windir + L"\\system32" + std::wstring(tail.substr(9));
  if (!componentIs(tail, L"system32")) return std::wstring(p);
  std::wstring_view inner = tail.size() > 8 ? tail.substr(9) : std::wstring_view();
  static const wchar_t* const kExempt[] = {L"catroot", L"catroot2", L"driverstore", L"drivers\\etc", L"logfiles",
                                           L"spool"};
  for (const wchar_t* e : kExempt)
    if (componentIs(inner, e)) return std::wstring(p);
  return windir + L"\\syswow64" + std::wstring(tail.substr(8));
}

namespace {

bool IsShortChar(wchar_t c) {
  if (c >= L'A' && c <= L'Z') return true;
  if (c >= L'a' && c <= L'z') return true;
  if (c >= L'0' && c <= L'9') return true;
  return std::wstring_view(L"!#$%&'()-@^_`{}~").find(c) != std::wstring_view::npos;
}

bool IsValidShortName(std::wstring_view name) {
  if (name.empty() || name == L"." || name == L"..") return false;
  size_t dot = name.find(L'.');
  std::wstring_view base = name.substr(0, dot);
  std::wstring_view ext = dot == std::wstring_view::npos ? std::wstring_view() : name.substr(dot + 1);
  if (base.empty() || base.size() > 8 || ext.size() > 3) return false;
  if (dot != std::wstring_view::npos && (ext.empty() || ext.find(L'.') != std::wstring_view::npos)) return false;
  for (wchar_t c : base)
    if (!IsShortChar(c)) return false;
  for (wchar_t c : ext)
    if (!IsShortChar(c)) return false;
  return true;
}

std::wstring CleanForShort(std::wstring_view s) {
  std::wstring out;
  for (wchar_t c : s) {
    if (c == L' ' || c == L'.') continue;
    if (std::wstring_view(L"+,;=[]").find(c) != std::wstring_view::npos || c > 0x7F)
      out.push_back(L'_');
    else
      out.push_back(ToUpperChar(c));
  }
  return out;
}

}  // namespace

std::vector<std::wstring> ShortNamesFor(const std::vector<std::wstring>& folderNames) {
  // Names that are 8.3 already take their own names; the others get ~N in the folder's sorted order.
  std::vector<std::wstring> out(folderNames.size());
  std::set<std::wstring> used;
  std::vector<size_t> needing;
  for (size_t i = 0; i < folderNames.size(); ++i) {
    if (IsValidShortName(folderNames[i])) {
      out[i] = ToUpper(folderNames[i]);
      used.insert(out[i]);
    } else {
      needing.push_back(i);
    }
  }
  std::stable_sort(needing.begin(), needing.end(),
                   [&](size_t a, size_t b) { return CompareNoCase(folderNames[a], folderNames[b]) < 0; });
  // The next ~N worth trying for each base and extension: every smaller N is taken already, so a
  // folder of thousands of like names is named in one pass instead of counting up from 1 for each.
  std::map<std::wstring, unsigned> nextTail;
  for (size_t i : needing) {
    const std::wstring& n = folderNames[i];
    size_t lastDot = n.find_last_of(L'.');
    std::wstring base, ext;
    if (lastDot == std::wstring::npos || lastDot == 0) {
      base = CleanForShort(n);
    } else {
      base = CleanForShort(std::wstring_view(n).substr(0, lastDot));
      ext = CleanForShort(std::wstring_view(n).substr(lastDot + 1)).substr(0, 3);
    }
    if (base.empty()) base = L"_";
    // Candidates use at most the first six characters of the base, so names alike there share one count.
    unsigned& k = nextTail.try_emplace(base.substr(0, 6) + L"." + ext, 1u).first->second;
    for (; k < 1000000; ++k) {
      std::wstring tail = L"~" + std::to_wstring(k);
      std::wstring candidate = base.substr(0, 8 - tail.size()) + tail + (ext.empty() ? L"" : L"." + ext);
      if (used.insert(candidate).second) {
        out[i] = std::move(candidate);
        ++k;
        break;
      }
    }
    if (out[i].empty()) out[i] = ToUpper(n);
  }
  return out;
}

std::wstring ShortNameFor(std::wstring_view name, const std::vector<std::wstring>& folderNames) {
  if (IsValidShortName(name)) return ToUpper(name);
  std::vector<std::wstring> names = folderNames;
  auto at = std::find(names.begin(), names.end(), name);
  if (at == names.end()) at = names.insert(names.end(), std::wstring(name));
  return ShortNamesFor(names)[static_cast<size_t>(at - names.begin())];
}

}  // namespace mx

namespace win {

DWORD GetCurrentDirectory(DWORD size, LPWSTR buffer) {
  return mx::CopyOutOrNeeded(mx::CurrentDirectory(), buffer, size);
}

BOOL SetCurrentDirectory(LPCWSTR path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  LONG error = ERROR_SUCCESS;
  auto resolved = mx::ResolveWinPath(path, &error);
  if (!resolved) {
    SetLastError(static_cast<DWORD>(error));
    return FALSE;
  }
  std::error_code ec;
  if (!resolved->exists || !std::filesystem::is_directory(resolved->host, ec)) {
    SetLastError(resolved->exists ? ERROR_DIRECTORY : ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  auto full = mx::NormalizeWinPath(path, &error);
  std::wstring dir = full ? *full : resolved->win;
  if (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  mx::SetCurrentDirectoryUnchecked(dir);
  return TRUE;
}

}  // namespace win
