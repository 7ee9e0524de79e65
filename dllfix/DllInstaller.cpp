#include "dllfix/DllInstaller.h"

#include <array>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/RegistryKey.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "dllfix/DllFixFeedback.h"
#include "dllfix/DownloadQueue.h"
#include "platform/base/Md5.h"
#include "platform/base/SafeFormat.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/http/Http.h"
#include "platform/system/Time.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"
#include "platform/win/Wnd.h"
#include "platform/win/WinDefs.h"

bool g_bDllInstallRunning = false;

namespace {

InstallFolderChooser& FolderChooser() {
  static InstallFolderChooser chooser;
  return chooser;
}

HWND MainWindow() {
  win::CWnd* main = win::AfxGetMainWnd();
  return main ? main->GetSafeHwnd() : nullptr;
}

int Tell(const std::wstring& text, UINT type) {
  return win::MessageBox(MainWindow(), text.c_str(), GetAppTitle().c_str(), type);
}

std::wstring SystemFolder() {
  wchar_t buffer[MAX_PATH] = {};
  win::GetSystemDirectory(buffer, MAX_PATH);
  return buffer;
}

// Read once: the folder does not change while the program runs.
const std::wstring& Wow64SystemFolder() {
  static const std::wstring folder = [] {
    wchar_t buffer[MAX_PATH] = {};
    win::GetSystemWow64Directory(buffer, MAX_PATH);
    return std::wstring(buffer);
  }();
  return folder;
}

bool IsDeviceName(std::wstring_view name) {
  std::wstring base = mx::ToUpper(name.substr(0, name.find(L'.')));
  while (!base.empty() && base.back() == L' ') base.pop_back();
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
    if (base == device) return true;
  return base.size() == 4 && (base.rfind(L"COM", 0) == 0 || base.rfind(L"LPT", 0) == 0) && base[3] >= L'0' &&
         base[3] <= L'9';
}

// Hex digits only, 32 of them: the records' hash is an MD5 then.
bool IsMd5Text(const std::wstring& hash) {
  if (hash.size() != 32) return false;
  for (wchar_t c : hash)
    if (!((c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'))) return false;
  return true;
}

// What one version needs on its way: where it is downloaded to and where it goes.
struct Placement {
  DLL_RESULT_DATA_EX record;
  std::wstring downloadPath;
  std::wstring targetPath;
  bool present() const { return !downloadPath.empty(); }
};

// A record is installable only with a safe name and an http or https URL.
bool IsInstallable(const DLL_RESULT_DATA_EX& record) {
  return IsSafeDllFileName(record.filename) && mx::http::IsHttpUrl(mx::WideToUtf8(record.url));
}

void ClearRunning() { g_bDllInstallRunning = false; }

void DownloadFailed() {
  WriteLogLine(L"DLL could not be downloaded to appdata folder");
  WriteLogLine(L"Please contact support if the DLL cannot be downloaded again");
  Tell(GetLocalizedString(L"IDS_CONTACT_SUPPORT"), MB_OK | MB_ICONERROR);
}

// The downloaded file matches its record: present, and of the record's checksum when that is an MD5.
bool DownloadIsWhole(const Placement& p) {
  std::string bytes;
  if (mx::ReadWinFile(p.downloadPath, bytes) != ERROR_SUCCESS) return false;
  if (!IsMd5Text(p.record.hash)) return true;
  return mx::EqualsNoCase(mx::Utf8ToWide(mx::Md5Hex(bytes)), p.record.hash);
}

void RecordInstallation(const std::wstring& fileName, const std::wstring& targetPath) {
  CZUNApp* app = AfxGetZunApp();
  CRegistryKey machine;
  if (machine.Open(HKEY_LOCAL_MACHINE, TRUE, kProductKey)) {
    machine.WriteString(L"DLLFILENAME", fileName);
    machine.WriteDWORD(L"FIRST_FREE_DONE", 1);
  }
  CRegistryKey user;
  if (user.Open(HKEY_CURRENT_USER, TRUE, kProductKey)) {
    user.WriteString(L"FEEDBACKMD5", app ? app->m_strDllMD5List : std::wstring());
    user.WriteString(L"PathInstalled", targetPath);
  }
  SYSTEMTIME now{};
  win::GetLocalTime(&now);
  SaveLastDllInstallTime(now);
}

}  // namespace

bool IsSafeDllFileName(std::wstring_view name) {
  if (name.empty() || name.size() > 255 || name == L"." || name == L"..") return false;
  for (wchar_t c : name)
    if (c < 32 || c == 127 || std::wstring_view(L"\\/:<>\"|?*").find(c) != std::wstring_view::npos) return false;
  if (name.back() == L'.' || name.back() == L' ') return false;
  return !IsDeviceName(name);
}

std::wstring NormaliseDllBits(std::wstring_view bits) { return mx::Trim(bits) == L"64" ? L"64" : L"32"; }

void SetInstallFolderChooser(InstallFolderChooser chooser) { FolderChooser() = std::move(chooser); }

BOOL InstallDlls(DLL_RESULT_DATA_EX a, DLL_RESULT_DATA_EX b, DLL_RESULT_DATA_EX c, BOOL chooseFolder) {
  if (g_bDllInstallRunning) return FALSE;
  WriteLogLine(L"Trying to download all available versions of DLL - " + a.filename);
  if (!TestConnection()) {
    WriteLogLine(L"Cannot connect to server.");
    Tell(GetLocalizedString(L"IDS_CANNOT_CONNECT"), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    return FALSE;
  }
  // What the service names is checked before it becomes part of a path or a request.
  if (!IsInstallable(a)) {
    WriteLogLine(L"DLL offered under an unusable name or address: " + a.filename);
    DownloadFailed();
    return FALSE;
  }
  for (DLL_RESULT_DATA_EX* extra : {&b, &c}) {
    if (!extra->filename.empty() && !IsInstallable(*extra)) {
      WriteLogLine(L"Alternate DLL dropped, its name or address is unusable: " + extra->filename);
      *extra = DLL_RESULT_DATA_EX();
    }
  }
  std::array<Placement, 3> set{Placement{a, {}, {}}, Placement{b, {}, {}}, Placement{c, {}, {}}};
  for (Placement& p : set) p.record.bits = NormaliseDllBits(p.record.bits);
  g_bDllInstallRunning = true;

  // Only this installation's versions are reported with the answer to the follow-up question.
  std::wstring checksums;
  for (const Placement& p : set) {
    if (p.record.filename.empty() || p.record.hash.empty()) continue;
    if (!checksums.empty()) checksums += L":";
    checksums += p.record.hash;
  }
  if (CZUNApp* app = AfxGetZunApp()) app->m_strDllMD5List = checksums;

  const std::wstring data = GetAppDataFolderPath();
  std::wstring folder32 = data, folder64 = data;
  AppendPath(folder32, L"32");
  AppendPath(folder64, L"64");
  CreateDirectoryPath(folder32);
  CreateDirectoryPath(folder64);
  const bool win64 = IsWow64() != FALSE;
  const std::wstring system = SystemFolder();
  const std::wstring system32on64 = win64 ? Wow64SystemFolder() : system;

  std::wstring chosen;
  if (chooseFolder) {
    const std::wstring initial = win64 && set[0].record.bits == L"32" ? system32on64 : system;
    const InstallFolderChooser& chooser = FolderChooser();
    if (!chooser || !chooser(set[0].record.filename, initial, chosen)) {
      ClearRunning();
      return FALSE;
    }
  }

  for (Placement& p : set) {
    if (p.record.filename.empty()) continue;
    const bool is64 = p.record.bits == L"64";
    p.downloadPath = is64 ? folder64 : folder32;
    AppendPath(p.downloadPath, p.record.filename);
    if (!chosen.empty()) {
      p.targetPath = chosen;
      AppendPath(p.targetPath, p.record.filename);
    } else {
      p.targetPath = is64 ? system : system32on64;
      AppendPath(p.targetPath, set[0].record.filename);
    }
    win::DeleteFile(p.downloadPath.c_str());
  }

  {
    DownloadQueueLock lock;
    ResetDownloads();
    for (const Placement& p : set)
      if (p.present()) AddDownload(mx::WideToUtf8(p.record.url).c_str(), mx::WideToUtf8(p.downloadPath).c_str());
    SetDownloadOption("hidden", "0");
    if (!RunDownloads(0)) {
      DownloadFailed();
      ClearRunning();
      return FALSE;
    }
  }
  // A main version that did not arrive whole fails the installation; a damaged extra one is left out.
  if (!DownloadIsWhole(set[0])) {
    WriteLogLine(L"Downloaded DLL is missing or does not match its checksum - " + set[0].record.filename);
    for (const Placement& p : set)
      if (p.present()) win::DeleteFile(p.downloadPath.c_str());
    DownloadFailed();
    ClearRunning();
    return FALSE;
  }
  for (size_t i = 1; i < set.size(); ++i) {
    if (set[i].present() && win::GetFileAttributes(set[i].downloadPath.c_str()) != INVALID_FILE_ATTRIBUTES &&
        !DownloadIsWhole(set[i])) {
      WriteLogLine(L"Alternate DLL does not match its checksum and is left out - " + set[i].record.filename);
      win::DeleteFile(set[i].downloadPath.c_str());
    }
  }

  void* redirection = nullptr;
  const bool redirectionOff = win64 && DisableWow64Redirection(&redirection);
  auto finish = [&](BOOL result) {
    if (redirectionOff) RevertWow64Redirection(redirection);
    ClearRunning();
    return result;
  };
  for (const Placement& p : set) {
    if (!p.present() || win::GetFileAttributes(p.downloadPath.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
    const bool toWow64 = win64 && p.record.bits != L"64";
    WriteLogLine(mx::SafeFormat(L"DLL - %s ( %s Bit ) downloaded to appdata folder, now trying to copy to %s folder",
                                {p.record.filename, p.record.bits, toWow64 ? L"SysWOW64" : L"System32"}));
    if (win::GetFileAttributes(p.targetPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
      WriteLogLine(L"File already exists, seek confirmation from user to overwrite");
      const std::wstring question = mx::SafeFormat(GetLocalizedString(L"IDS_ASK_DLLOVERWRITE"), {p.record.filename});
      if (Tell(question, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        WriteLogLine(L"User denied to overwrite");
        WriteLogLine(L"DLL could not be copied to system directory");
        return finish(FALSE);
      }
      WriteLogLine(L"User confirmed to overwrite");
      // The file is replaced only once it is safe in the backup folder.
      // Named after the file it holds, which is the main file's name in the system folders.
      const std::wstring existing = p.targetPath.substr(p.targetPath.rfind(L'\\') + 1);
      if (!BackupExistingDll(p.targetPath, existing, p.record.bits)) {
        WriteLogLine(L"Existing DLL could not be backed up, it is left in place - " + p.targetPath);
        Tell(GetLocalizedString(L"IDS_DLL_CANNOT_COPIED"), MB_OK | MB_ICONERROR);
        return finish(FALSE);
      }
    }
    if (!MoveAndRegisterDll(p.downloadPath, p.targetPath, p.record.filename)) {
      Tell(GetLocalizedString(L"IDS_DLL_CANNOT_COPIED"), MB_OK | MB_ICONERROR);
      return finish(FALSE);
    }
  }
  finish(TRUE);
  ScheduleDllFixQuestion();
  RecordInstallation(set[0].record.filename, set[0].targetPath);
  return TRUE;
}

BOOL BackupExistingDll(const std::wstring& targetPath, const std::wstring& fileName, const std::wstring& bits) {
  WriteLogLine(fileName + L" alredy found in user's system. Backing up in backup_overwrite folder in appdata");
  std::wstring folder = GetAppDataFolderPath();
  if (folder.empty()) return FALSE;
  AppendPath(folder, L"backup_overwrite");
  AppendPath(folder, NormaliseDllBits(bits));
  if (!CreateDirectoryPath(folder)) return FALSE;
  // The first backup holds the file as it was before any installation: it is never replaced.
  std::wstring backup = folder;
  AppendPath(backup, fileName);
  const size_t dot = fileName.rfind(L'.');
  const std::wstring stem = dot == std::wstring::npos ? fileName : fileName.substr(0, dot);
  const std::wstring extension = dot == std::wstring::npos ? std::wstring() : fileName.substr(dot);
  for (int n = 2; win::GetFileAttributes(backup.c_str()) != INVALID_FILE_ATTRIBUTES; ++n) {
    if (n > 9999) return FALSE;
    backup = folder;
    AppendPath(backup, stem + L"." + std::to_wstring(n) + extension);
  }
  if (!win::MoveFile(targetPath.c_str(), backup.c_str())) return FALSE;
  WriteLogLine(fileName + L" - Existing DLL backed up in backup_overwrite folder in appdata");
  return TRUE;
}

BOOL MoveAndRegisterDll(const std::wstring& downloadedPath, const std::wstring& targetPath,
                        const std::wstring& fileName) {
  if (!win::MoveFile(downloadedPath.c_str(), targetPath.c_str())) {
    WriteLogLine(L"DLL could not be copied to folder - " + targetPath);
    return FALSE;
  }
  WriteLogLine(L"DLL copied to folder - " + targetPath);
  const std::wstring text = mx::SafeFormat(GetLocalizedString(L"IDS_DLL_INSTALL_SUCCESS"), {fileName});
  WriteLogLine(text);
  Tell(text, MB_OK | MB_ICONINFORMATION);
  return TRUE;
}
