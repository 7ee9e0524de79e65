#include "scan/FileReferenceCheck.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cwctype>
#include <filesystem>
#include <memory>
#include <optional>
#include <mutex>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/SplitPath.h"
#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FolderNames.h"
#include "platform/fs/PathApi.h"
#include "platform/fs/WinPath.h"
#include "platform/system/Environment.h"
#include "platform/system/Sfc.h"
#include "scan/Category.h"
#include "scan/ScanPathKinds.h"
#include "scan/SkipLists.h"

namespace {

constexpr DWORD kExpandChars = 2048;
constexpr size_t kOnPathChars = 1040;
constexpr size_t kLongTextChars = 1039;
constexpr DWORD kDriveStringChars = 2048;
constexpr DWORD kDriveFixed = 3;

// Answers remembered, by everything that decided them (the options and the removable-media setting) and then
// the reference: a map for each combination, so a question builds no key. A valid answer holds until the next
// scan's categories are made; "no file" holds only within the scan that found it (its number is kept), since
// only a scan takes the files as they were when it began. A reference every category reads is asked once.
struct AnswerCache {
  static constexpr std::uint64_t kValid = ~std::uint64_t{0};
  std::mutex lock;
  std::array<std::unordered_map<std::wstring, std::uint64_t>, 128> byOptions;
};

AnswerCache& Cache() {
  static AnswerCache cache;
  return cache;
}

struct DriveRoots {
  std::mutex lock;
  // Made once per scan and shared: every file check that finds no file looks for a drive in its text.
  std::shared_ptr<const std::vector<std::wstring>> roots;
  // The type of each drive root asked about in this scan (each answer is a read of the registry).
  std::unordered_map<std::wstring, UINT> types;
};

DriveRoots& Drives() {
  static DriveRoots drives;
  return drives;
}

size_t OptionsIndex(const FileCheckOptions& o) {
  size_t index = 0;
  for (bool flag : {o.bUsePathSkipList, o.bUseFolderSkipList, o.bWow64TwinOnlyForProgramFiles,
                    o.bNoSystemFolderTwin, o.bCheckArguments, o.bCheckNetworkPaths, SetChkREmovableMedia != 0})
    index = index * 2 + (flag ? 1 : 0);
  return index;
}

enum class Remembered { kNothing, kValid, kMissing };

Remembered RememberedAnswer(const std::wstring& reference, size_t options) {
  AnswerCache& cache = Cache();
  std::lock_guard guard(cache.lock);
  const auto& answers = cache.byOptions[options];
  const auto it = answers.find(reference);
  if (it == answers.end()) return Remembered::kNothing;
  if (it->second == AnswerCache::kValid) return Remembered::kValid;
  const std::uint64_t scan = CurrentScanScope();
  return scan != 0 && it->second == scan ? Remembered::kMissing : Remembered::kNothing;
}

void Remember(const std::wstring& reference, const FileCheckOptions& o) {
  AnswerCache& cache = Cache();
  const size_t options = OptionsIndex(o);
  std::lock_guard guard(cache.lock);
  cache.byOptions[options].insert_or_assign(reference, AnswerCache::kValid);
}

void RememberMissing(const std::wstring& reference, size_t options) {
  const std::uint64_t scan = CurrentScanScope();
  if (scan == 0) return;
  AnswerCache& cache = Cache();
  std::lock_guard guard(cache.lock);
  cache.byOptions[options].insert_or_assign(reference, scan);
}

UINT DriveTypeOf(const std::wstring& root) {
  DriveRoots& drives = Drives();
  {
    std::lock_guard guard(drives.lock);
    if (const auto it = drives.types.find(root); it != drives.types.end()) return it->second;
  }
  const UINT type = win::GetDriveType(root.c_str());
  std::lock_guard guard(drives.lock);
  drives.types.emplace(root, type);
  return type;
}

std::shared_ptr<const std::vector<std::wstring>> DriveRootList() {
  DriveRoots& drives = Drives();
  std::lock_guard guard(drives.lock);
  if (!drives.roots) {
    std::vector<wchar_t> buffer(kDriveStringChars + 1, L'\0');
    const DWORD length = win::GetLogicalDriveStrings(kDriveStringChars, buffer.data());
    std::wstring joined(buffer.data(), std::min<DWORD>(length, kDriveStringChars));
    std::replace(joined.begin(), joined.end(), L'\0', L'#');
    std::vector<std::wstring> roots;
    size_t start = 0;
    while (start < joined.size()) {
      size_t end = joined.find(L'#', start);
      if (end == std::wstring::npos) end = joined.size();
      if (end > start) roots.push_back(mx::ToUpper(joined.substr(start, end - start)));
      start = end + 1;
    }
    drives.roots = std::make_shared<const std::vector<std::wstring>>(std::move(roots));
  }
  return drives.roots;
}

bool Exists(const std::wstring& path) { return !path.empty() && GetPathKind(path) >= 0; }  // PathFileExists
bool Protected(const std::wstring& path) { return win::SfcIsFileProtected(nullptr, path.c_str()) != 0; }
bool Contains(const std::wstring& text, const wchar_t* part) { return text.find(part) != std::wstring::npos; }
bool StartsWith(const std::wstring& text, const wchar_t* part) { return text.rfind(part, 0) == 0; }

std::wstring GetArgs(const std::wstring& text) { return win::PathGetArgs(text.c_str()); }

// PathFindOnPath for a text; false without a search when it cannot fit the buffer.
bool FindOnPath(const std::wstring& text, std::wstring& found) {
  if (text.empty() || text.size() >= kOnPathChars) return false;
  std::vector<wchar_t> buffer(kOnPathChars, L'\0');
  std::copy(text.begin(), text.end(), buffer.begin());
  if (!win::PathFindOnPath(buffer.data(), nullptr)) return false;
  found = buffer.data();
  return true;
}

// The expansion when it fits the buffer; the text unchanged otherwise.
std::wstring Expand(const std::wstring& text, DWORD bufferChars) {
  std::vector<wchar_t> buffer(bufferChars, L'\0');
  const DWORD n = win::ExpandEnvironmentStrings(text.c_str(), buffer.data(), bufferChars);
  if (n < 1 || n >= bufferChars) return text;
  buffer[bufferChars - 1] = L'\0';
  return buffer.data();
}

bool HasPercentPair(const std::wstring& text) {
  const size_t first = text.find(L'%');
  return first != std::wstring::npos && text.find(L'%', first + 1) != std::wstring::npos;
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to) {
  for (size_t at = text.find(from); at != std::wstring::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// Removes the opening quote and its partner, so that "C:\App\app.exe" /arg is checked as the program it
// names instead of being waved through when the extension cut drops the closing quote.
void UnquoteLeadingPart(std::wstring& s) {
  if (s.empty() || s[0] != L'"') return;
  const size_t close = s.find(L'"', 1);
  if (close == std::wstring::npos) return;
  s.erase(close, 1);
  s.erase(0, 1);
}

class ReferenceCheck {
 public:
  ReferenceCheck(CCategory& category, const std::wstring& reference, const FileCheckOptions& options)
      : category_(category), r_(reference), o_(options) {}

  bool Run();

 private:
  // Everything after the remembered answers.
  bool Decide();
  bool Stopped() const { return category_.IsStopRequested(); }
  bool ValidRemembered() {
    Remember(r_, o_);
    return true;
  }
  bool CheckWithDriveRoot(const CSplitPath& split);
  bool CheckWithoutDriveRoot(const CSplitPath& split);
  bool Finish();
  // Argument mode: 1 valid, 0 invalid, -1 go on; remembered answers are stored here.
  int CheckArguments();

  CCategory& category_;
  const std::wstring& r_;
  const FileCheckOptions& o_;
  std::wstring s_;
};

bool ReferenceCheck::Run() {
  if (r_.size() < 4) return true;
  if (StartsWith(r_, L".\\")) return true;
  if (Stopped()) return true;
  const size_t options = OptionsIndex(o_);
  switch (RememberedAnswer(r_, options)) {
    case Remembered::kValid:
      return true;
    case Remembered::kMissing:
      return false;
    case Remembered::kNothing:
      break;
  }
  // "No file" is answered only by a check that ran to its end: a stopped one answers valid.
  if (Decide()) return true;
  RememberMissing(r_, options);
  return false;
}

bool ReferenceCheck::Decide() {
  s_ = mx::Trim(mx::ToLower(r_));
  if (Exists(s_) || s_.size() < 4) return ValidRemembered();

  int identityParts = 0;
  for (const wchar_t* part : {L"type=", L"version=", L"token=", L"architecture="})
    if (Contains(s_, part)) ++identityParts;
  if (identityParts >= 2) {
    if (win::PathIsFileSpec(s_.c_str())) return ValidRemembered();
    if (!iswalpha(s_[0])) return ValidRemembered();
    if (identityParts >= 3) return ValidRemembered();
    if (std::count(s_.begin(), s_.end(), L'.') > 4) return ValidRemembered();
  }

  if (Stopped()) return true;
  if (StartsWith(s_, L"rundll32") || StartsWith(s_, L"\"rundll32")) {
    const bool valid = category_.CheckRundll32Command(r_, o_);
    if (valid) Remember(r_, o_);
    return valid;
  }

  const size_t scheme = s_.find(L"://");
  if (scheme != std::wstring::npos && scheme >= 3 && scheme <= 6) {
    const std::wstring name = s_.substr(0, scheme);
    if (name != L"res" && name != L"file") return ValidRemembered();
    s_.erase(0, scheme + 3);
    s_.erase(0, s_.find_first_not_of(L'/') == std::wstring::npos ? s_.size() : s_.find_first_not_of(L'/'));
    std::replace(s_.begin(), s_.end(), L'/', L'\\');
  }

  if (Contains(s_, L";")) return ValidRemembered();

  if (Stopped()) return true;
  if (const size_t star = s_.find(L'*'); star != std::wstring::npos) {
    size_t tail = s_.find(L"\\*");
    if (tail == std::wstring::npos) tail = s_.find(L"/*");
    if (tail != std::wstring::npos && tail + 2 == s_.size()) s_.pop_back();
    if (s_.find(L'\\', star + 1) != std::wstring::npos || s_.find(L'*', star + 1) != std::wstring::npos ||
        Contains(s_, L"?") || Contains(s_, L"\\*\\"))
      return ValidRemembered();
  }

  if (Stopped()) return true;
  if (s_.size() > 1 && s_[0] == L'@' && (s_[1] == L'%' || iswalpha(s_[1]))) s_.erase(0, 1);

  if (!o_.bCheckNetworkPaths) {
    if (Stopped()) return true;
    if (win::PathIsNetworkPath(s_.c_str())) return ValidRemembered();
  }

  if (Stopped()) return true;
  if (o_.bUseFolderSkipList && IsExcludedPath(s_)) return ValidRemembered();

  if (o_.bCheckArguments) {
    const int answer = CheckArguments();
    if (answer >= 0) return answer == 1;
  } else {
    UnquoteLeadingPart(s_);
    for (const std::wstring_view extension : {L".exe", L".dll", L".ocx", L".ax", L".sys"})
      if (TruncateAfterExtension(s_, extension)) break;
  }

  if (!s_.empty() && s_[0] == L'"') {
    if (s_.size() == 1 || s_.find(L'"', 1) == std::wstring::npos) return ValidRemembered();
    std::replace(s_.begin(), s_.end(), L'"', L' ');
  }
  s_ = mx::Trim(s_);

  if (Stopped()) return true;
  if (o_.bUsePathSkipList && !IsReportablePath(s_)) return ValidRemembered();

  if (Stopped()) return true;
  if (HasPercentPair(s_)) {
    const std::wstring expanded = Expand(s_, kExpandChars);
    if (expanded != s_) s_ = mx::ToLower(expanded);
  }

  if (StartsWith(s_, L"rundll32") && s_.size() > 7) {
    const size_t blank = s_.find(L' ', 7);
    if (blank != std::wstring::npos) {
      s_.erase(0, blank);
      s_.erase(0, std::min(s_.size(), s_.find_first_not_of(L" \t\r\n")));
      if (const size_t comma = s_.find(L','); comma != std::wstring::npos) s_.erase(comma);
      if (Exists(s_)) return ValidRemembered();
    }
  }

  if (Stopped()) return true;
  s_ = mx::ToLower(s_);

  if (s_.size() > kLongTextChars) {
    if (std::count(s_.begin(), s_.end(), L'\\') < 2) return ValidRemembered();
    if (win::PathIsNetworkPath(s_.c_str())) return ValidRemembered();
    if (GetPathKindChecked(s_) >= 0) return ValidRemembered();
    return false;
  }
  if (s_.size() > MAX_PATH) return ValidRemembered();

  if (Stopped()) return true;
  CSplitPath split;
  split.Split(s_);
  if (Contains(s_, L":\\")) return CheckWithDriveRoot(split);
  return CheckWithoutDriveRoot(split);
}

int ReferenceCheck::CheckArguments() {
  std::wstring tail = s_;
  for (;;) {
    if (Stopped()) return 1;
    std::wstring next = GetArgs(tail);
    if (next.empty() || next.size() >= tail.size()) break;
    tail = std::move(next);
    if (GetPathKindChecked(tail) >= 0) continue;
    const bool isProtected = Protected(tail);
    tail = mx::ToLower(tail);
    if (Contains(tail, L" ") && tail.find(L".exe", 1) == std::wstring::npos) continue;
    if (isProtected) continue;
    return 0;
  }

  if (Stopped()) return 1;
  std::wstring token;
  bool haveToken = false;
  if (!s_.empty() && s_[0] == L'"') {
    const size_t close = s_.find(L'"', 1);
    if (close == std::wstring::npos) return 1;
    const size_t open = s_.find(L'"', close + 1);
    const size_t end = open == std::wstring::npos ? open : s_.find(L'"', open + 1);
    if (end != std::wstring::npos) {
      token = s_.substr(open + 1, end - open - 1);
      haveToken = true;
    }
  } else {
    const size_t open = s_.find(L'"');
    const size_t end = open == std::wstring::npos ? open : s_.find(L'"', open + 1);
    if (end != std::wstring::npos) {
      token = s_.substr(open + 1, end - open - 1);
      haveToken = true;
    }
  }
  if (!haveToken) return -1;
  if (GetPathKindChecked(token) >= 0) return 1;
  if (Protected(token)) {
    Remember(r_, o_);
    return 1;
  }
  return 0;
}

bool ReferenceCheck::CheckWithDriveRoot(const CSplitPath& split) {
  if (!split.GetDrive().empty() && SetChkREmovableMedia != 0 &&
      DriveTypeOf(split.GetDrive() + L"\\") != kDriveFixed)
    return ValidRemembered();
  if (Exists(s_)) return ValidRemembered();
  if (Stopped()) return true;
  std::wstring found;
  if (FindOnPath(s_, found)) return ValidRemembered();

  int kind;
  if (IsWow64() && !(o_.bWow64TwinOnlyForProgramFiles && !Contains(s_, L"program files")))
    kind = GetPathKindWow64(s_, o_.bNoSystemFolderTwin);
  else
    kind = GetPathKindChecked(s_);

  if (Stopped()) return true;
  if (kind == -1) return Protected(s_) ? ValidRemembered() : false;
  if (kind != 0) return ValidRemembered();
  if (Contains(s_, L".")) return Exists(s_) || Protected(s_);
  if (Exists(s_) || Exists(s_ + L".exe") || Contains(s_, L"\\system32")) return ValidRemembered();
  return Exists(s_) || Protected(s_);
}

bool ReferenceCheck::CheckWithoutDriveRoot(const CSplitPath& split) {
  if (Stopped()) return true;
  s_ = mx::ToLower(s_);
  std::wstring found;
  if (FindOnPath(s_, found)) return Exists(found) || Protected(found);

  if (Stopped()) return true;
  {
    std::vector<wchar_t> buffer(kLongTextChars + 1, L'\0');
    const std::wstring& extension = split.GetExtension();
    const DWORD n = win::SearchPath(nullptr, split.GetFileName().c_str(),
                                    extension.empty() ? nullptr : extension.c_str(),
                                    static_cast<DWORD>(kLongTextChars), buffer.data(), nullptr);
    if (n > 0 && n < kLongTextChars) return ValidRemembered();
  }

  const bool namesModule = Contains(s_, L".dll") || Contains(s_, L".ocx") || Contains(s_, L".exe") ||
                           Contains(s_, L".ax");
  if (!namesModule || Contains(s_, L":")) return Finish();

  const auto slashes = std::count(s_.begin(), s_.end(), L'\\');
  if (slashes >= 2) return ValidRemembered();
  if (slashes == 1) {
    const size_t at = s_.find(L'\\');
    s_ = at + 1 == s_.size() ? std::wstring(L"\\") : s_.substr(at + 1);
  }

  if (Contains(s_, L"/")) {
    if (Stopped()) return true;
    wchar_t qualified[MAX_PATH] = {};
    if (win::PathSearchAndQualify(s_.c_str(), qualified, MAX_PATH))
      return GetPathKindChecked(qualified) >= 0 || Protected(qualified);
  }

  std::wstring name = s_;
  if (!split.GetExtension().empty()) {
    CSplitPath again;
    again.Split(s_);
    std::wstring extension = again.GetExtension();
    if (const size_t blank = extension.find(L' '); blank != std::wstring::npos) extension.erase(blank);
    if (!extension.empty()) {
      if (const size_t at = s_.find(extension); at != std::wstring::npos) name = s_.substr(0, at + extension.size());
    }
  }
  name = mx::Trim(name);

  if (Stopped()) return true;
  if (IsRegisteredAppPath(name)) return ValidRemembered();

  std::wstring inSystem = category_.m_strSystemFolder;
  AppendPath(inSystem, name);
  if (Exists(inSystem)) return Finish();

  if (IsWow64()) {
    std::wstring inWow64 = g_strSysWow64Folder;
    AppendPath(inWow64, name);
    if (Exists(inWow64) || Protected(inWow64)) return ValidRemembered();
  }

  if (FindOnPath(name, found)) return Exists(found) || Protected(found);
  return Exists(inSystem) || Protected(inSystem);
}

bool ReferenceCheck::Finish() {
  if (Stopped()) return true;
  if (o_.bCheckNetworkPaths && win::PathIsNetworkPath(s_.c_str())) return Exists(s_) || Protected(s_);
  return ValidRemembered();
}

}  // namespace

bool CCategory::IsFileReferenceValid(const std::wstring& reference, const FileCheckOptions& options) {
  try {
    return ReferenceCheck(*this, reference, options).Run();
  } catch (...) {
    // a text the check cannot take apart is never reported
    try {
      Remember(reference, options);
    } catch (...) {
    }
    return true;
  }
}

bool CCategory::IsFileReferenceValid(const std::wstring& reference, BOOL usePathSkipList, BOOL useFolderSkipList,
                                     BOOL passedBack, BOOL wow64TwinOnlyForProgramFiles, BOOL noSystemFolderTwin,
                                     BOOL checkArguments, BOOL checkNetworkPaths) {
  FileCheckOptions options;
  options.bUsePathSkipList = usePathSkipList != 0;
  options.bUseFolderSkipList = useFolderSkipList != 0;
  options.bPassedBack = passedBack != 0;
  options.bWow64TwinOnlyForProgramFiles = wow64TwinOnlyForProgramFiles != 0;
  options.bNoSystemFolderTwin = noSystemFolderTwin != 0;
  options.bCheckArguments = checkArguments != 0;
  options.bCheckNetworkPaths = checkNetworkPaths != 0;
  return IsFileReferenceValid(reference, options);
}

bool CCategory::CheckRundll32Command(std::wstring command, const FileCheckOptions& options) {
  command.erase(0, std::min(command.size(), command.find_first_not_of(L" \t\r\n")));
  if (command.size() < 11) return true;
  std::wstring head = mx::ToLower(command.substr(0, 9));
  head.erase(0, std::min(head.size(), head.find_first_not_of(L" \t\r\n")));
  const size_t at = head.find(L"rundll32");
  if (at == std::wstring::npos) return true;
  if (at == 1 && head[0] != L'"') return true;

  const DWORD bufferChars = static_cast<DWORD>(std::max<size_t>(8 * command.size(), kExpandChars));
  command = Expand(command, bufferChars);

  std::vector<std::wstring> tails;
  for (std::wstring tail = GetArgs(command); !tail.empty();) {
    tails.push_back(tail);
    std::wstring next = GetArgs(tail);
    if (next.size() >= tail.size()) break;
    tail = std::move(next);
  }

  bool allValid = true;
  for (std::wstring tail : tails) {
    tail = mx::Trim(mx::ToLower(tail));
    if (Contains(tail, L"rundll32")) {
      tail = GetArgs(tail);
      if (tail.empty()) continue;
    }
    if (!IsFileReferenceValid(tail, options)) {
      allValid = false;
      break;
    }
  }
  if (allValid) return true;

  // An entry point may take a file of its own after the DLL: "dll,Entry file,..." or "dll,Entry file -x".
  const size_t comma = command.find(L',');
  if (comma == std::wstring::npos) return false;
  size_t second = command.find(L',', comma + 1);
  const size_t blank = command.find(L' ', comma);
  if (blank == std::wstring::npos) return false;
  if (second == std::wstring::npos) {
    second = command.find(L'-', blank);
    if (second == std::wstring::npos) return false;
  }
  if (second <= blank) return false;
  return Exists(mx::Trim(command.substr(blank, second - blank)));
}

bool IsExcludedPath(const std::wstring& path) {
  static const std::array<const wchar_t*, 25> kFolders = {
      L"outlook", L"microsoft office", L"common files\\crystal decisions", L"common files\\installshield",
      L"common files\\speechengines", L"common files\\adobe", L"common files\\system", L"common files\\microsoft",
      L"\\application data\\microsoft", L"microsoft.net", L"net\\framework", L"%windir%\\tracing", L"mcafee",
      L"symantec", L"navw32", L"navw64", L"msocache", L";", L"|", L"?", L"*", L"a:\\", L"b:\\", L"\\tracing",
      L"\\drm",
  };
  static const SkipListMatcher matcher(std::vector<std::wstring>(kFolders.begin(), kFolders.end()));
  return matcher.FoundInAnyCase(path);
}

// Whether a path ending in this unit could end in a device name: they all end in one of these.
static bool MayEndInDeviceName(wchar_t last) {
  switch (last) {
    case L'N': case L'n': case L'X': case L'x': case L'$': case L'L': case L'l':
    case L'1': case L'2': case L'3': case L'4':
      return true;
    default:
      return false;
  }
}

bool EndsWithDeviceName(std::wstring_view path) {
  static constexpr std::array<std::wstring_view, 12> kDevices = {
      L"\\CON", L"\\PRN", L"\\AUX", L"\\CLOCK$", L"\\NUL", L"\\COM1",
      L"\\LPT1", L"\\LPT2", L"\\LPT3", L"\\COM2", L"\\COM3", L"\\COM4",
  };
  // Nearly every path is turned away by its last character.
  if (path.size() <= 4 || !MayEndInDeviceName(path.back())) return false;
  // Compared unit by unit in upper case: every path of a scan's file checks passes here, most of them
  // several times over.
  return std::any_of(kDevices.begin(), kDevices.end(), [&](std::wstring_view name) {
    if (path.size() < name.size()) return false;
    const std::wstring_view tail = path.substr(path.size() - name.size());
    for (size_t i = 0; i < name.size(); ++i)
      if (mx::ToUpperChar(tail[i]) != name[i]) return false;
    return true;
  });
}

namespace {

// Answers, from the listing of its folder, that a prefix of a path names no file: a name the folder does not
// hold is missing however its case or its trailing dots and blanks are written, and a name it holds only as
// folders is no file. Only plain names on a drive are judged; whatever the path rules treat apart (devices, 8.3
// names, "." and "..", the other separator, a folder written with trailing dots) is left to the file system.
// Prefixes are asked from the longest down, so each folder is judged and looked up once for all its names.
class PrefixFolder {
 public:
  explicit PrefixFolder(std::wstring_view path) : path_(path) {}

  // Whether the path's first n units can name no file; n must shrink from one question to the next.
  bool CannotBeFile(size_t n) {
    if (!entered_ || (slash_ != std::wstring_view::npos && slash_ >= n)) Enter(path_.rfind(L'\\', n - 1));
    if (!onDrive_) return false;
    // A path that ends in a backslash asks for a folder: it is one or it is missing, unless it names a device.
    if (slash_ + 1 == n) return !mx::IsDosDeviceName(path_.substr(0, slash_));
    if (specialAt_ < n) return false;
    std::wstring_view name = path_.substr(slash_ + 1, n - slash_ - 1);
    const size_t last = name.find_last_not_of(L". ");
    if (last == std::wstring_view::npos) return false;
    name = name.substr(0, last + 1);
    if ((nameMayBeDevice_ && mx::IsDosDeviceName(name)) || !plainFolder_) return false;
    if (!looked_) Look();
    switch (state_) {
      case State::Missing:
        return true;  // a file needs its folder
      case State::Listed:
        return !names_->HoldsNoCase(name) || names_->OnlyFoldersNamed(name);
      default:
        return false;
    }
  }

 private:
  enum class State { Missing, Listed, Unknown };

  // The prefixes from here on end in the folder before slash (none when there is no backslash).
  void Enter(size_t slash) {
    entered_ = true;
    slash_ = slash;
    looked_ = false;
    onDrive_ = slash != std::wstring_view::npos && slash >= 2 && path_[1] == L':';
    if (!onDrive_) return;
    specialAt_ = path_.find_first_of(L"/~:", slash + 1);
    // Every device name starts with one of these letters; the names asked here all start where the folder ends.
    nameMayBeDevice_ = slash + 1 < path_.size() && std::wstring_view(L"acilnpACILNP").find(path_[slash + 1]) !=
                                                       std::wstring_view::npos;
    // A drive's root keeps its backslash ("C:" alone is the drive's current folder).
    folder_ = path_.substr(0, slash == 2 ? 3 : slash);
    plainFolder_ = folder_.find(L'/') == std::wstring_view::npos &&
                   !(slash > 2 && std::wstring_view(L". \\").find(folder_.back()) != std::wstring_view::npos);
  }

  void Look() {
    looked_ = true;
    const std::wstring folder(folder_);
    names_.reset();
    if (const auto kept = KeptFolder(folder)) {
      names_ = *kept;
    } else {
      const auto resolved = mx::ResolveWinPath(folder);
      std::error_code ec;
      if (resolved && resolved->device) {
        state_ = State::Unknown;  // a device name here may still be a real folder further down
        return;
      }
      if (resolved && resolved->exists &&
          (resolved->mode != 0 ? S_ISDIR(resolved->mode) : std::filesystem::is_directory(resolved->host, ec)))
        names_ = std::make_shared<const mx::FolderNames>(resolved->host);
      KeepFolder(folder, names_);
    }
    if (!names_) {
      state_ = State::Missing;
      return;
    }
    state_ = names_->settled() ? State::Listed : State::Unknown;
  }

  std::wstring_view path_;
  bool entered_ = false;
  size_t slash_ = std::wstring_view::npos;      // the last backslash of the prefixes asked now
  bool onDrive_ = false;                         // a drive path with a folder before slash_
  size_t specialAt_ = std::wstring_view::npos;  // the first '/', '~' or ':' after slash_: no plain name reaches it
  std::wstring_view folder_;
  bool plainFolder_ = false;
  bool nameMayBeDevice_ = true;
  bool looked_ = false;
  State state_ = State::Unknown;
  std::shared_ptr<const mx::FolderNames> names_;
};

}  // namespace

int FindFileInText(const std::wstring& text) {
  const std::wstring u0 = mx::ToUpper(text);
  int result = 0;
  const auto roots = DriveRootList();
  for (const std::wstring& root : *roots) {
    const size_t i = u0.find(root);
    if (i == std::wstring::npos) continue;
    result = -1;
    // The drive is found in upper case; the path is asked about as written (the file system ignores case),
    // so that its answers are the ones the caller's own question about the text already kept.
    const std::wstring u = text.substr(i);
    const int kind = GetPathKind(u);
    if (kind == 1) return 1;
    if (kind == 0) return 0;
    // No path of MAX_PATH characters or more can exist, so longer prefixes need no question. The prefixes are
    // taken a folder at a time, longest first; those that could name a file are asked about.
    PrefixFolder folder(u);
    const std::wstring_view whole(u);
    for (size_t n = std::min<size_t>(u.size(), MAX_PATH - 1); n >= 1;) {
      const size_t slash = whole.rfind(L'\\', n - 1);
      const size_t low = slash == std::wstring_view::npos ? 1 : slash + 1;  // [low, n] end in one folder
      const bool rootLevel = slash == 2 && whole[1] == L':';
      std::optional<std::vector<unsigned short>> candidates;
      if (rootLevel) candidates = KeptRootPrefixes(std::wstring(whole.substr(0, n)));
      if (!candidates) {
        candidates.emplace();
        for (size_t m = n; m >= low; --m) {
          const std::wstring_view prefix = whole.substr(0, m);
          if (EndsWithDeviceName(prefix)) continue;
          if (folder.CannotBeFile(m)) continue;
          candidates->push_back(static_cast<unsigned short>(m));
        }
        if (rootLevel) KeepRootPrefixes(std::wstring(whole.substr(0, n)), *candidates);
      }
      for (const unsigned short m : *candidates)
        if (GetPathKind(std::wstring(whole.substr(0, m))) == 1) return 1;
      n = low - 1;
    }
    const size_t dot = u.find(L'.');
    if (dot == std::wstring::npos) return 0;
    const size_t end = std::min(u.size(), 3 + dot);
    for (size_t k = std::min<size_t>(3, u.size()); k < end; ++k) {
      const wchar_t c = u[k];
      if (c < 0x20 || std::wstring_view(L"*?><:|").find(c) != std::wstring_view::npos) return 0;
    }
  }
  return result;
}

int GetPathKindChecked(const std::wstring& path) {
  try {
    if (path.empty() || GetPathKind(path) == 1) return 1;
    return FindFileInText(path);
  } catch (...) {
    return 1;
  }
}

int GetPathKindWow64(const std::wstring& path, bool noSystemFolderTwin) {
  const std::wstring lower = mx::ToLower(path);
  struct Twin {
    const wchar_t* from;
    const wchar_t* to;
    bool systemFolder;
  };
  static const Twin kTwins[] = {
      {L"\\syswow64\\", L"\\system32\\", true},
      {L"\\system32\\", L"\\syswow64\\", true},
      {L"\\program files (x86)\\", L"\\program files\\", false},
      {L"\\program files\\", L"\\program files (x86)\\", false},
  };
  for (const Twin& twin : kTwins) {
    if (twin.systemFolder && noSystemFolderTwin) continue;
    if (!Contains(lower, twin.from)) continue;
    std::wstring other = lower;
    ReplaceAll(other, twin.from, twin.to);
    const int kind = GetPathKindChecked(other);
    if (kind < 0) return GetPathKindChecked(lower);
    if (kind > 0) return kind;
    return Exists(other) ? 1 : 0;
  }
  return GetPathKindChecked(lower);
}

bool IsRegisteredAppPath(std::wstring& name) {
  if (Contains(name, L"\\")) {
    CSplitPath split;
    split.Split(name);
    name = split.GetFileName() + split.GetExtension();
  }
  if (name.empty()) return true;
  std::wstring key = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  AppendPath(key, name);
  using Reader = bool (*)(std::wstring&, HKEY, const std::wstring&, const std::wstring&);
  std::vector<std::pair<Reader, const wchar_t*>> reads;
  if (IsWow64())
    reads = {{ReadRegString32, L""}, {ReadRegString32, L"Path"}, {ReadRegString64, L""}, {ReadRegString64, L"Path"}};
  else
    reads = {{ReadRegString, L""}, {ReadRegString, L"Path"}};
  for (const auto& [read, valueName] : reads) {
    std::wstring value;
    if (!read(value, HKEY_LOCAL_MACHINE, key, valueName) || value.empty()) continue;
    if (Exists(value) || Protected(value)) {
      name = value;
      return true;
    }
  }
  return false;
}

bool TruncateAfterExtension(std::wstring& text, std::wstring_view extension) {
  // Lowered in place, and the extension compared unit by unit: every reference is cut this way, up to five
  // times, and copies of both texts for each try cost more than the search.
  for (wchar_t& c : text) c = mx::ToLowerChar(c);
  size_t at = std::wstring::npos;
  for (size_t i = 0; at == std::wstring::npos && i + extension.size() <= text.size(); ++i) {
    size_t k = 0;
    while (k < extension.size() && text[i + k] == mx::ToLowerChar(extension[k])) ++k;
    if (k == extension.size()) at = i;
  }
  if (at == std::wstring::npos || at < 1 || text.size() <= at + extension.size()) return false;
  text.resize(at + extension.size());
  return true;
}

void ClearFileReferenceCaches() {
  {
    AnswerCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    for (auto& answers : cache.byOptions) answers.clear();
  }
  DriveRoots& drives = Drives();
  std::lock_guard guard(drives.lock);
  drives.roots.reset();
  drives.types.clear();
}
