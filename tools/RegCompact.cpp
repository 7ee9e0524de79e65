#include "tools/RegCompact.h"

#include <algorithm>

#include "app/AppPaths.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/fs/DosDevices.h"
#include "platform/fs/Drives.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/fs/WinPath.h"
#include "platform/gdi/Controls.h"
#include "platform/system/Environment.h"
#include "platform/system/Wow64Redirection.h"
#include "platform/win/Message.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"

CRegCompact* g_pRegCompact = nullptr;

namespace {

constexpr const wchar_t* kHiveListKey = L"SYSTEM\\CurrentControlSet\\Control\\hivelist";

// Hives the compaction leaves alone, by a fragment of the upper-cased name.
constexpr const wchar_t* kSkippedHives[] = {L"\\MACHINE\\SYSTEM", L"\\MACHINE\\DRIVERS", L"\\SCHEMA",
                                            L"\\SOFTWARE", L"\\MACHINE\\BCD", L"\\MACHINE\\COMPONENTS",
                                            L"\\USER\\.DEFAULT", L"\\MACHINE\\HARDWARE"};

struct KindRule {
  const wchar_t* fragment;
  int kind;
};
constexpr KindRule kKinds[] = {
    {L"registry\\machine\\security", HIVE_KIND_SECURITY}, {L"registry\\machine\\software", HIVE_KIND_SOFTWARE},
    {L"registry\\machine\\system", HIVE_KIND_SYSTEM},     {L"registry\\machine\\sam", HIVE_KIND_SAM},
    {L"registry\\machine\\components", HIVE_KIND_COMPONENTS}, {L"registry\\machine\\bcd", HIVE_KIND_BCD},
    {L"registry\\user\\", HIVE_KIND_USER}};

std::wstring Lower(std::wstring s) {
  for (auto& c : s) c = mx::ToLowerChar(c);
  return s;
}

std::wstring Upper(std::wstring s) {
  for (auto& c : s) c = mx::ToUpperChar(c);
  return s;
}

REGSAM NativeView() { return IsWow64() ? KEY_WOW64_64KEY : 0; }

// The worker talks to the page's controls only while they exist; a closed page just stops getting updates.
void SendIfWindow(HWND hwnd, UINT msg, WPARAM w = 0, LPARAM l = 0) {
  if (hwnd && win::IsWindow(hwnd)) win::SendMessage(hwnd, msg, w, l);
}

void SetTextIfWindow(HWND hwnd, const std::wstring& text) {
  if (hwnd && win::IsWindow(hwnd)) win::SetWindowText(hwnd, text.c_str());
}

void DeleteFileForced(const std::wstring& path) {
  if (path.empty()) return;
  win::SetFileAttributes(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  win::DeleteFile(path.c_str());
}

std::wstring SystemFolder() {
  wchar_t buffer[1039] = {};
  UINT n = win::GetSystemDirectory(buffer, 1039);
  return n > 0 && n < 1039 ? std::wstring(buffer, n) : std::wstring();
}

std::wstring ShortForm(const std::wstring& path) {
  wchar_t buffer[1039] = {};
  DWORD n = win::GetShortPathName(path.c_str(), buffer, 1039);
  return n > 0 && n < 1039 ? std::wstring(buffer, n) : path;
}

// The priorities the analysis raises, put back when it ends however it ends.
class RaisedPriority {
 public:
  RaisedPriority() : process_(win::GetPriorityClass()), thread_(win::GetThreadPriority()) {
    win::SetPriorityClass(HIGH_PRIORITY_CLASS);
    win::SetThreadPriority(THREAD_PRIORITY_TIME_CRITICAL);
    win::Sleep(0);
  }
  ~RaisedPriority() {
    win::SetThreadPriority(thread_);
    win::SetPriorityClass(process_);
  }
  RaisedPriority(const RaisedPriority&) = delete;
  RaisedPriority& operator=(const RaisedPriority&) = delete;

 private:
  DWORD process_;
  int thread_;
};

// The unique number of the fallback copy names, kept for the life of the process.
UINT NextCopyNumber() {
  static std::mutex mutex;
  static bool started = false;
  static UINT number = 0;
  std::lock_guard lock(mutex);
  if (!started) {
    number = win::GetTickCount() & 0xFFFF;
    started = true;
  }
  number += (number & 2) ? 5 : 3;
  return number;
}

std::optional<std::wstring> Normalized(const std::wstring& path) {
  if (path.empty()) return std::nullopt;
  return mx::NormalizeWinPath(path);
}

bool SameFolder(const std::wstring& folder, const std::wstring& path) {
  auto f = Normalized(folder);
  if (!f || f->size() >= path.size()) return false;
  return mx::CompareNoCase(path.substr(0, f->size()), *f) == 0 && path[f->size()] == L'\\' &&
         path.find(L'\\', f->size() + 1) == std::wstring::npos;
}

}  // namespace

std::wstring HiveCopyFolder() {
  wchar_t buffer[2048] = {};
  DWORD n = win::ExpandEnvironmentStrings(L"%SystemRoot%\\System32\\Config\\TWQBakup", buffer, 2048);
  return n > 0 && n <= 2048 ? std::wstring(buffer) : std::wstring();
}

bool IsAnalysisCopyPath(const std::wstring& path) {
  auto full = Normalized(path);
  if (!full || mx::CompareNoCase(*full, path) != 0) return false;  // relative or odd forms are never ours
  std::wstring name = full->substr(full->rfind(L'\\') + 1);
  std::wstring lower = Lower(name);
  auto endsWith = [&](const wchar_t* ext) { return lower.size() > 4 && lower.ends_with(ext); };
  if (SameFolder(HiveCopyFolder(), *full)) return endsWith(L".bak") || endsWith(L".bac");
  std::wstring system = SystemFolder();
  if (SameFolder(system, *full) || SameFolder(ShortForm(system), *full)) {
    if (!(endsWith(L".tmp") || endsWith(L".bac")) || !lower.starts_with(L"qz") || lower.size() < 7) return false;
    return std::all_of(lower.begin() + 2, lower.end() - 4, [](wchar_t c) { return iswxdigit(c); });
  }
  return false;
}

CRegCompact::CRegCompact() {
  m_hStopEvent = win::CreateEvent(nullptr, TRUE, FALSE, nullptr);
  if (m_hStopEvent) win::ResetEvent(m_hStopEvent);
}

CRegCompact::~CRegCompact() {
  DeleteCopies();
  if (m_hStopEvent) win::CloseHandle(m_hStopEvent);
}

BOOL CRegCompact::IsStopped() const {
  return m_hStopEvent && win::WaitForSingleObject(m_hStopEvent, 0) == WAIT_OBJECT_0;
}

BOOL EnableTokenPrivilege(HTOKEN token, LPCWSTR privilege) {
  TOKEN_PRIVILEGES tp;
  if (!win::LookupPrivilegeValue(nullptr, privilege, &tp.Privileges[0].Luid)) return FALSE;
  tp.PrivilegeCount = 1;
  tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  return win::AdjustTokenPrivileges(token, FALSE, &tp);
}

BOOL CRegCompact::EnablePrivileges() {
  HTOKEN token = nullptr;
  if (!win::OpenProcessToken(TOKEN_ADJUST_PRIVILEGES, &token)) return FALSE;
  m_bShutdownPrivilege = EnableTokenPrivilege(token, L"SeShutdownPrivilege");
  m_bBackupPrivilege = EnableTokenPrivilege(token, L"SeBackupPrivilege");
  m_bRestorePrivilege = EnableTokenPrivilege(token, L"SeRestorePrivilege");
  win::CloseToken(token);
  return m_bShutdownPrivilege && m_bBackupPrivilege && m_bRestorePrivilege;
}

void CRegCompact::ReadHiveList() {
  CRegistryKey key(HKEY_LOCAL_MACHINE);
  key.m_access = KEY_READ | NativeView();
  if (!key.Open(HKEY_LOCAL_MACHINE, FALSE, kHiveListKey)) return;
  if (!key.GetValueNames(L"", m_arrHiveNames)) m_arrHiveNames.clear();
  std::vector<std::wstring> kept;
  for (const auto& name : m_arrHiveNames) {
    win::Sleep(0);
    if (IsStopped()) return;
    std::wstring upper = Upper(name);
    bool skip = std::any_of(std::begin(kSkippedHives), std::end(kSkippedHives),
                            [&](const wchar_t* f) { return upper.find(f) != std::wstring::npos; });
    if (!skip) kept.push_back(name);
  }
  m_arrHiveNames = std::move(kept);
  for (const auto& name : m_arrHiveNames) {
    std::wstring file;
    if (!key.ReadString(name, file)) file.clear();
    m_arrHiveFiles.push_back(file);
  }
}

void CRegCompact::InitTempFolder() {
  std::wstring system = SystemFolder();
  m_strTempFolder = system.empty() ? L"." : ShortForm(system);
}

void MakeHiveCopyPath(SHiveCompactInfo& record, const std::wstring& tempFolder) {
  record.strCopyPath.clear();
  std::wstring folder = HiveCopyFolder();
  // A prefix may lack the config folder that Windows always has.
  if (!folder.empty() && CreateDirectoryPath(folder)) {
    record.strCopyPath = folder + L"\\" + record.strSubKey + L".bak";
  } else {
    wchar_t name[MAX_PATH] = {};
    // A copy folder we cannot make leaves a temporary name in the system folder; never a name relative to
    // whatever the current folder is.
    if (tempFolder.empty() || tempFolder == L"." ||
        !win::GetTempFileName(tempFolder.c_str(), L"QZ", NextCopyNumber(), name))
      return;
    record.strCopyPath = name;
  }
  if (!IsAnalysisCopyPath(record.strCopyPath)) {
    record.strCopyPath.clear();  // a sub-key name that would leave the copy folder
    return;
  }
  DeleteFileForced(record.strCopyPath);
}

void SaveHiveCopy(SHiveCompactInfo& record) {
  record.nSaved = 0;
  if (record.strCopyPath.empty() || !record.hRootKey) return;
  HKEY root = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(record.hRootKey));
  HKEY hive = nullptr;
  // Opened, never created: a name in the list that is not there is nothing to copy.
  if (win::RegOpenKeyEx(root, record.strSubKey.c_str(), 0, KEY_ALL_ACCESS | NativeView(), &hive) != ERROR_SUCCESS ||
      !hive)
    return;
  DeleteFileForced(record.strCopyPath);
  win::RegFlushKey(hive);
  if (root != HKEY_LOCAL_MACHINE) {
    win::RegFlushKey(HKEY_CURRENT_USER);
    win::RegFlushKey(HKEY_USERS);
  }
  win::RegFlushKey(HKEY_LOCAL_MACHINE);
  win::Sleep(0);
  record.nSaved = win::RegSaveKey(hive, record.strCopyPath.c_str(), nullptr) == ERROR_SUCCESS ? 1 : 0;
  win::RegCloseKey(hive);
}

void CRegCompact::PrepareTempPaths() {
  for (int i = 0; m_pHives && i < m_nHives; ++i) {
    SHiveCompactInfo& r = m_pHives[i];
    if (r.strCopyPath.empty()) continue;
    wchar_t drive[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    win::_wsplitpath(r.strCopyPath.c_str(), drive, dir, name, ext);
    r.strTempPath = std::wstring(drive) + dir + name + L".bac";
    if (IsAnalysisCopyPath(r.strTempPath))
      DeleteFileForced(r.strTempPath);
    else
      r.strTempPath.clear();
  }
}

namespace {

DWORD OpenedFileSize(const std::wstring& path) {
  mx::WinFile file;
  if (path.empty() || file.Open(path, mx::WinFile::kRead, mx::WinFile::kOpenExisting) != ERROR_SUCCESS)
    return static_cast<DWORD>(-1);
  std::uint64_t size = 0;
  if (file.Size(&size) != ERROR_SUCCESS) return static_cast<DWORD>(-1);
  return static_cast<DWORD>(size);
}

}  // namespace

DWORD GetFileSizeByListing(const std::wstring& path) {
  if (path.empty()) return 0;
  WIN32_FIND_DATAW data;
  mx::FindPtr find(win::FindFirstFile((path + L"*").c_str(), &data));
  if (!find) return 0;
  std::wstring folder = path.substr(0, path.find_last_of(L"\\/") + 1);
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (mx::CompareNoCase(folder + name, path) == 0)
      return static_cast<DWORD>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
  } while (win::FindNextFile(find.get(), &data));
  return 0;
}

void CRegCompact::MeasureHiveSizes() {
  for (int i = 0; m_pHives && i < m_nHives; ++i) {
    SHiveCompactInfo& r = m_pHives[i];
    ResolveHiveFilePath(r.strHiveFile);
    DWORD live = OpenedFileSize(r.strHiveFile);
    r.dwLiveSize = live != static_cast<DWORD>(-1) ? live : GetFileSizeByListing(r.strHiveFile);
    DWORD copy = r.nSaved ? OpenedFileSize(r.strCopyPath) : static_cast<DWORD>(-1);
    if (copy != static_cast<DWORD>(-1)) r.dwCopySize = copy;
  }
}

std::wstring DevicePathToDosPath(const std::wstring& path) {
  wchar_t drives[511] = {};
  DWORD n = win::GetLogicalDriveStrings(511, drives);
  if (n == 0 || n > 511) return {};
  for (const wchar_t* d = drives; *d; d += wcslen(d) + 1) {
    wchar_t letter[3] = {d[0], L':', 0};
    wchar_t device[260] = {};
    if (!win::QueryDosDevice(letter, device, 260)) continue;
    size_t len = wcslen(device);
    if (len == 0 || len >= 260 || path.size() < len) continue;
    // The device name must end where a path component ends: "...Volume1" is no prefix of "...Volume12".
    if (mx::CompareNoCase(path.substr(0, len), device) == 0 && (path.size() == len || path[len] == L'\\'))
      return std::wstring(letter) + path.substr(len);
  }
  return {};
}

void ResolveHiveFilePath(std::wstring& path) {
  std::wstring dos = DevicePathToDosPath(path);
  if (!dos.empty() && win::PathFileExists(dos.c_str())) {
    path = dos;
    return;
  }
  std::wstring lower = Lower(path);
  auto folderKey = [](const std::wstring& folder, std::wstring& drive) {
    wchar_t d[_MAX_DRIVE], dir[_MAX_DIR], name[_MAX_FNAME], ext[_MAX_EXT];
    win::_wsplitpath(folder.c_str(), d, dir, name, ext);
    drive = d;
    return Lower(std::wstring(dir) + name + ext);
  };
  wchar_t buffer[260] = {};
  std::wstring systemDrive, windowsDrive;
  if (win::GetSystemDirectory(buffer, 259)) {
    std::wstring key = folderKey(buffer, systemDrive);
    if (size_t at = lower.find(key); !key.empty() && at != std::wstring::npos) {
      path = systemDrive + path.substr(at);
      return;
    }
  }
  std::wstring windowsKey;
  if (win::GetWindowsDirectory(buffer, 259)) {
    windowsKey = folderKey(buffer, windowsDrive);
    if (size_t at = lower.find(windowsKey); !windowsKey.empty() && at != std::wstring::npos) {
      std::wstring local;
      if (GetShellFolderPath(local, 0x1C)) {
        std::wstring localFolder = Lower(local.size() > 2 && local[1] == L':' ? local.substr(2) : local);
        size_t pos = lower.find(localFolder);
        if (pos == std::wstring::npos || pos < 1) {
          path = windowsDrive + path.substr(at);
          return;
        }
      }
    }
  }
  // Profiles: the users' hives live under the profiles folder of the Windows drive.
  std::wstring profiles = GetOSMajorVersion() < 6 ? L"\\documents" : L"\\users";
  for (const std::wstring& key : {profiles, std::wstring(L"\\dokumente"), windowsKey + L"profile"}) {
    if (key.empty() || key == L"profile") continue;
    if (size_t at = lower.find(key); at != std::wstring::npos) {
      path = windowsDrive + path.substr(at);
      return;
    }
  }
}

void CRegCompact::DeleteCopies() {
  m_bCopiesDeleted = 1;
  // The copies lie in the native system folder, which a redirected thread would not reach.
  mx::ScopedFsRedirectionOff redirection;
  for (int i = 0; m_pHives && i < m_nHives; ++i) {
    SHiveCompactInfo& r = m_pHives[i];
    r.nSaved = 0;
    // Only files the analysis itself makes: a damaged summary must not be able to name anything else.
    if (IsAnalysisCopyPath(r.strCopyPath)) DeleteFileForced(r.strCopyPath);
    if (IsAnalysisCopyPath(r.strTempPath)) DeleteFileForced(r.strTempPath);
  }
}

void CRegCompact::Analyze(win::CWnd* progressBar, win::CWnd* statusText) {
  CRegCompact* self = g_pRegCompact;
  if (!self) return;
  HWND progress = progressBar ? progressBar->GetSafeHwnd() : nullptr;
  HWND status = statusText ? statusText->GetSafeHwnd() : nullptr;
  void* redirection = nullptr;
  if (IsWow64()) DisableWow64Redirection(&redirection);  // the worker ends soon after; never turned back on

  if (!self->EnablePrivileges()) {
    self->m_nHives = 0;
    return;
  }
  self->m_arrHiveNames.clear();
  self->m_arrHiveFiles.clear();
  self->ReadHiveList();
  win::RegFlushKey(HKEY_LOCAL_MACHINE);
  win::RegFlushKey(HKEY_CURRENT_USER);
  win::RegFlushKey(HKEY_USERS);
  self->m_strTempFolder.clear();
  self->InitTempFolder();
  RaisedPriority priority;

  self->m_nHives = static_cast<int>(self->m_arrHiveNames.size());
  if (self->m_nHives < 1) return;
  SendIfWindow(progress, PBM_SETRANGE, 0, static_cast<LPARAM>(static_cast<WORD>(self->m_nHives)) << 16);
  SendIfWindow(progress, PBM_SETPOS, 0);
  SetTextIfWindow(status, mx::SafeFormat(GetLocalizedString(L"IDS_REG_DEFRAG_KEY_COUNT"), {self->m_nHives}));
  if (self->IsStopped()) return;

  self->m_pHives = std::make_unique<SHiveCompactInfo[]>(self->m_nHives);
  for (int i = 0; i < self->m_nHives; ++i) {
    if (self->IsStopped()) return;
    SHiveCompactInfo& r = self->m_pHives[i];
    r.strSubKey = r.strHiveName = self->m_arrHiveNames[i];
    r.strHiveFile = i < static_cast<int>(self->m_arrHiveFiles.size()) ? self->m_arrHiveFiles[i] : L"";
    std::wstring lower = Lower(self->m_arrHiveNames[i]);
    if (size_t at = lower.find(L"\\machine\\"); at != std::wstring::npos) {
      r.strSubKey = lower.substr(at + 9);
      r.hRootKey = 0x80000002u;
    } else if (size_t at2 = lower.find(L"\\user\\"); at2 != std::wstring::npos) {
      r.strSubKey = lower.substr(at2 + 6);
      r.hRootKey = 0x80000003u;
      r.nKind = HIVE_KIND_USERS_ROOT;
    }
    for (const auto& rule : kKinds) {
      if (lower.find(rule.fragment) != std::wstring::npos) {
        r.nKind = rule.kind;
        break;
      }
    }
    MakeHiveCopyPath(r, self->m_strTempFolder);
    r.nSaved = 0;
  }

  for (int i = 0; i < self->m_nHives; ++i) {
    win::Sleep(1024);
    SendIfWindow(progress, WM_NULL);
    SendIfWindow(status, WM_NULL);
    if (self->IsStopped()) return;
    SaveHiveCopy(self->m_pHives[i]);
    if (self->IsStopped()) return;
    SendIfWindow(progress, PBM_SETPOS, static_cast<WPARAM>(i + 1));
    SendIfWindow(progress, WM_NULL);
    SetTextIfWindow(status,
                    mx::SafeFormat(GetLocalizedString(L"IDS_REG_DEFRAG_PROGRESS"), {(i + 1) * 100 / self->m_nHives}));
    SendIfWindow(status, WM_NULL);
  }
  self->PrepareTempPaths();
  self->MeasureHiveSizes();
}
