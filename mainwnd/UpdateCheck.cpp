#include "mainwnd/UpdateCheck.h"

#include <cwchar>
#include <mutex>
#include <optional>
#include <vector>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/FileVersionInfo.h"
#include "app/IniReader.h"
#include "app/LocalizedStrings.h"
#include "app/ProgramVersion.h"
#include "app/ServiceAddress.h"
#include "app/ZUNApp.h"
#include "dllfix/DownloadQueue.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"
#include "platform/http/Http.h"
#include "platform/shell/ShellExecute.h"
#include "platform/system/Module.h"
#include "platform/system/RegRead.h"
#include "platform/system/Time.h"
#include "platform/win/Wnd.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/WinApp.h"

std::atomic<bool> g_bQuietUpdateCheck{false};
std::atomic<bool> g_bUpdateCheckRunning{false};
std::atomic<bool> g_bSetupDownloadRunning{false};
std::atomic<bool> g_bOpenUpdateInBrowser{false};
std::wstring g_strUpdateUrl;
std::wstring g_strSetupPath;
const std::wstring g_strUpdateIniName = L"kvtupdate.ini";
const std::wstring g_strSetupTempName = L"proupdate.tmp";
const std::wstring g_strUpdateRequestFormat = L"/update/checkupdate.php?tarvolen=1&ver=%s&dllname=%s";

namespace {

std::mutex g_hooksMutex;
UpdateCheckHooks g_hooks;

UpdateCheckHooks Hooks() {
  std::lock_guard lock(g_hooksMutex);
  return g_hooks;
}

HWND OwnerWindow() {
  if (auto hooks = Hooks(); hooks.ownerWindow) return hooks.ownerWindow();
  CZUNApp* app = AfxGetZunApp();
  return app && app->m_pMainWnd ? app->m_pMainWnd->GetSafeHwnd() : nullptr;
}

void EndProgram() {
  if (auto hooks = Hooks(); hooks.endProgram) {
    hooks.endProgram();
  } else if (win::CWinApp* app = win::AfxGetApp()) {
    win::PostThreadMessage(app->m_nThreadID, WM_QUIT, 0, 0);
  }
}

int AppMessageBox(const std::wstring& key, UINT type) {
  return win::MessageBox(OwnerWindow(), GetLocalizedString(key, kResourceSection).c_str(), GetAppTitle().c_str(),
                         type);
}

// Clears the running flag on every way out of the check.
struct RunningFlag {
  std::atomic<bool>& flag;
  ~RunningFlag() { flag = false; }
};

std::wstring Encoded(const std::wstring& value) {
  return mx::Utf8ToWide(mx::http::PercentEncode(mx::WideToUtf8(value)));
}

// The request URL on the web service; empty when no service is configured.
std::wstring UpdateRequestUrl() {
  std::wstring version;
  GetExeFileVersion(version);
  std::wstring dll;
  if (auto value = mx::ReadRegString(HKEY_LOCAL_MACHINE, kProductKey, L"DLLFILENAME")) dll = value->text;
  if (dll.empty()) dll = L"nodll";
  std::wstring path = g_strUpdateRequestFormat;
  for (const std::wstring& value : {version, dll}) {
    const size_t at = path.find(L"%s");
    path.replace(at, 2, Encoded(value));
  }
  return MakeServiceUrl(path);
}

// One file through the download queue, as one uninterrupted sequence.
int QueueOneDownload(const std::wstring& url, const std::wstring& target,
                     const std::vector<std::pair<const char*, const char*>>& options) {
  DownloadQueueLock lock;
  ResetDownloads();
  AddDownload(mx::WideToUtf8(url).c_str(), mx::WideToUtf8(target).c_str());
  for (const auto& [name, value] : options) SetDownloadOption(name, value);
  return RunDownloads(0);
}

std::vector<std::wstring> SplitDots(const std::wstring& text) {
  std::vector<std::wstring> parts;
  size_t pos = 0;
  while (true) {
    const size_t dot = text.find(L'.', pos);
    parts.push_back(text.substr(pos, dot == std::wstring::npos ? std::wstring::npos : dot - pos));
    if (dot == std::wstring::npos) return parts;
    pos = dot + 1;
  }
}

// The four parts packed into 16-bit fields, compared as a signed 64-bit number; nothing with fewer parts.
std::optional<long long> PackVersion(const std::wstring& text) {
  const auto parts = SplitDots(text);
  if (parts.size() < 4) return std::nullopt;
  unsigned long long packed = 0;
  for (int i = 0; i < 4; ++i) {
    const unsigned long long part = static_cast<unsigned long long>(std::wcstol(parts[i].c_str(), nullptr, 10)) & 0xFFFF;
    packed |= part << (48 - 16 * i);
  }
  return static_cast<long long>(packed);
}

}  // namespace

void SetUpdateCheckHooks(UpdateCheckHooks hooks) {
  std::lock_guard lock(g_hooksMutex);
  g_hooks = std::move(hooks);
}

BOOL CCheckUpdateThread::InitInstance() {
  CZUNApp* app = AfxGetZunApp();
  RunUpdateCheck(app ? app->m_bUpdateCheckMode : FALSE, app && app->m_bUpdateFromPopup ? TRUE : FALSE);
  return FALSE;
}

void RunUpdateCheck(BOOL updateCheckMode, BOOL fromPopup) {
  const int result = CheckForUpdatesGuarded(updateCheckMode, fromPopup);
  if (!updateCheckMode) return;
  if (result == 0) {
    EndProgram();
  } else if (auto hooks = Hooks(); hooks.popupNotifier) {
    hooks.popupNotifier();
  }
}

void StartUpdateCheck(bool quiet) {
  if (!quiet)
    if (CZUNApp* app = AfxGetZunApp()) app->m_bUpdateCheckMode = FALSE;
  g_bQuietUpdateCheck = quiet;
  win::AfxBeginThread<CCheckUpdateThread>();
}

int CheckForUpdatesGuarded(BOOL updateCheckMode, BOOL fromPopup) {
  try {
    return CheckForUpdates(g_bQuietUpdateCheck ? TRUE : FALSE, updateCheckMode, fromPopup);
  } catch (...) {
    return 0;
  }
}

int CheckForUpdates(BOOL quiet, BOOL updateCheckMode, BOOL fromPopup) {
  bool idle = false;
  if (!g_bUpdateCheckRunning.compare_exchange_strong(idle, true)) return 0;
  RunningFlag running{g_bUpdateCheckRunning};

  const std::wstring url = UpdateRequestUrl();
  if (url.empty() || !TestConnection()) {
    if (!quiet) AppMessageBox(L"IDS_CANNOT_CONNECT", MB_ICONERROR | MB_TASKMODAL);
    return 0;
  }
  std::wstring description = GetAppDataFolderPath();
  AppendPath(description, g_strUpdateIniName);
  win::DeleteFile(description.c_str());
  if (!QueueOneDownload(url, description, {{"hidden", quiet ? "1" : "0"}})) {
    if (!quiet) AppMessageBox(L"IDS_NO_NEW_UPDATE_ABLBLE", MB_ICONINFORMATION);
    return 0;
  }
  const BOOL newer = ParseUpdateInfo(description);
  if (updateCheckMode && !fromPopup) return newer;
  if (!newer) {
    if (!quiet) AppMessageBox(L"IDS_NO_NEW_UPDATE_ABLBLE", MB_ICONINFORMATION);
    return 0;
  }
  if (g_bOpenUpdateInBrowser) {
    if (AppMessageBox(L"IDS_NEW_UPDATE_ABLBLE_BROWSER", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) == IDYES)
      win::ShellExecute(nullptr, L"open", g_strUpdateUrl.c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
    return 0;
  }
  if (!fromPopup &&
      AppMessageBox(L"IDS_NEW_UPDATE_ABLBLE", MB_YESNO | MB_ICONQUESTION | MB_TASKMODAL) != IDYES)
    return 0;
  const int downloaded = DownloadAndRunSetup(quiet);
  if (downloaded == 0) AppMessageBox(L"IDS_UPDATE_DOWNLOAD_FAILED", MB_ICONERROR | MB_TASKMODAL);
  if (downloaded <= 0) return 0;
  if (!RunDownloadedSetup()) {
    std::wstring text = GetLocalizedString(L"IDS_UPDATE_SETUP_NOT_STARTED", kResourceSection);
    if (const size_t at = text.find(L"%s"); at != std::wstring::npos) text.replace(at, 2, g_strSetupPath);
    win::MessageBox(OwnerWindow(), text.c_str(), GetAppTitle().c_str(), MB_ICONERROR | MB_TASKMODAL);
    return 0;
  }
  return 1;
}

int CompareUpdateVersions(const std::wstring& own, const std::wstring& remote) {
  std::wstring mine;
  for (wchar_t c : own)
    if (c != L' ') mine.push_back(c == L',' ? L'.' : c);
  const auto a = PackVersion(mine), b = PackVersion(remote);
  if (!a || !b) return -1;
  return *b > *a ? 1 : 0;
}

BOOL ParseUpdateInfo(const std::wstring& path) {
  // Read past the shared cache: a second check in one run must see the file it just downloaded.
  const CIniReader reader(path, false);
  const std::wstring version = reader.GetValue(L"Application", L"PROGRAM_VERSION");
  const std::wstring url = reader.GetValue(L"Application", L"PROGRAM_URL");
  g_bOpenUpdateInBrowser = mx::ToLower(mx::Trim(reader.GetValue(L"Application", L"OPEN_BROWSER"))) == L"1";
  std::wstring own;
  GetExeFileVersion(own);
  if (own.empty() || version.empty() || url.empty()) return FALSE;
  if (!mx::http::IsHttpUrl(mx::WideToUtf8(url))) {
    WriteLogLine(L"Update description names no web address: " + url);
    return FALSE;
  }
  if (CompareUpdateVersions(own, version) != 1) return FALSE;
  g_strUpdateUrl = url;
  return TRUE;
}

int DownloadAndRunSetup(BOOL quiet) {
  bool idle = false;
  if (!g_bSetupDownloadRunning.compare_exchange_strong(idle, true)) return 0;
  RunningFlag running{g_bSetupDownloadRunning};
  if (!TestConnection()) {
    if (!quiet) AppMessageBox(L"IDS_CANNOT_CONNECT", MB_ICONERROR | MB_TASKMODAL);
    return -1;
  }
  const std::wstring folder = GetAppDataFolderPath();
  std::wstring temp = folder;
  AppendPath(temp, g_strSetupTempName);
  win::DeleteFile(temp.c_str());
  if (!QueueOneDownload(g_strUpdateUrl, temp, {{"hidden", "0"}, {"simple", "0"}})) return 0;

  SYSTEMTIME now;
  win::GetLocalTime(&now);
  const std::wstring name = L"productSetup_Setup_" + std::to_wstring(now.wMonth) + L"_" +
                            std::to_wstring(now.wDay) + L"_" + std::to_wstring(now.wYear) + L".exe";
  std::wstring target = folder;
  AppendPath(target, name);
  win::DeleteFile(target.c_str());
  if (!win::MoveFile(temp.c_str(), target.c_str())) {
    WriteLogLine(L"The downloaded installer could not be moved to " + target);
    win::DeleteFile(temp.c_str());
    return 0;
  }
  g_strSetupPath = target;
  return 1;
}

BOOL RunDownloadedSetup() {
  if (!FileExists(g_strSetupPath)) return FALSE;
  const std::wstring quoted = L"\"" + g_strSetupPath + L"\"";
  const std::intptr_t rc =
      win::ShellExecute(nullptr, L"open", quoted.c_str(), L"/verysilent", L"", SW_SHOWNORMAL);
  if (rc <= 32) {
    WriteLogLine(L"The installer could not be started: " + g_strSetupPath);
    return FALSE;
  }
  EndProgram();
  return TRUE;
}

