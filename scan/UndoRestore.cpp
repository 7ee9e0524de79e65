#include "scan/UndoRestore.h"

#include <optional>

#include "app/AppLog.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "platform/fs/FileApi.h"
#include "platform/fs/PathApi.h"
#include "platform/registry/RegistryControl.h"
#include "platform/system/Process.h"
#include "platform/system/Wow64Redirection.h"
#include "platform/win/MessageBox.h"
#include "scan/Backup.h"
#include "scan/BackupZip.h"

namespace {

constexpr DWORD kImportPollMs = 20;
constexpr std::uint64_t kMaxArchiveBytes = 1ull << 30;

void ShowUndoMessage(const wchar_t* key) {
  const std::wstring text = GetLocalizedString(key);
  const std::wstring caption = GetLocalizedString(L"AFX_IDS_APP_TITLE");
  win::MessageBox(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

// The editor of the view's bitness by its full path: %windir%\regedit.exe (the 64-bit one with redirection
// off, the only one on 32-bit Windows), or the 32-bit one in SysWOW64, whatever the thread's redirection.
std::wstring EditorPath(bool view32OnWow64) {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = view32OnWow64 ? win::GetSystemWow64Directory(folder, MAX_PATH)
                                    : win::GetWindowsDirectory(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  std::wstring path(folder, length);
  if (path.back() != L'\\') path += L'\\';
  return path + L"regedit.exe";
}

}  // namespace

BOOL ImportRegFile(const std::wstring& path, BYTE view64) {
  const bool wow64 = IsWow64();
  std::optional<mx::ScopedFsRedirectionOff> redirectionOff;
  if (view64 && wow64) redirectionOff.emplace();

  // Started by full path: a search would try the current folder, which is the user-writable data folder.
  const std::wstring editor = EditorPath(wow64 && !view64);
  if (editor.empty()) return FALSE;
  std::wstring commandLine = L"\"" + editor + L"\" /s \"" + path + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info;
  if (!win::CreateProcess(editor.c_str(), commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                          nullptr, &startup, &info))
    return FALSE;
  mx::ProcessPtr process(info.hProcess.get());

  // A large run's import may take minutes: stopping the editor half-way would leave the user not knowing
  // what was restored, so it is waited for, and the windows of this thread (the UI) keep answering.
  DWORD waited = WAIT_TIMEOUT;
  while ((waited = win::WaitForProcess(info.hProcess, kImportPollMs)) == WAIT_TIMEOUT) PumpMessages();
  DWORD exitCode = STILL_ACTIVE;
  const bool succeeded =
      waited == WAIT_OBJECT_0 && win::GetExitCodeProcess(info.hProcess, &exitCode) && exitCode == 0;
  // The editor wrote the registry files; take its changes in before anything reads the registry again.
  mx::reg::ReloadIfChanged();
  return succeeded ? TRUE : FALSE;
}

int CBackup::UndoAll() {
  PumpMessages();
  for (auto it = m_arrOperations.rbegin(); it != m_arrOperations.rend(); ++it) {
    if (!UndoOperation(it->get())) {
      ShowUndoMessage(L"IDS_STR_UNDO_FAILED");
      return 0;
    }
  }
  m_pZip.reset();
  return 1;
}

int CBackup::UndoOperation(COperation* operation) {
  PumpMessages();
  if (!m_pZip) {
    if (m_strRecordPath.empty() || m_strRecordPath.size() < 3) return 0;
    if (m_strArchivePath.empty()) m_strArchivePath = m_strRecordPath.substr(0, m_strRecordPath.size() - 3) + L"rxb";
    std::string bytes;
    auto zip = std::make_unique<BackupZipReader>();
    if (mx::ReadWinFile(m_strArchivePath, bytes, kMaxArchiveBytes) != ERROR_SUCCESS || !zip->Open(std::move(bytes))) {
      ShowUndoMessage(L"IDS_UNZIP_ERR");
      return 0;
    }
    m_pZip = std::move(zip);
  }
  // Names come from files on disk: only our own "NNNNNNNN.reg" form may become a file name here.
  if (!operation || operation->m_nType != kOpDeleteKeyTree || operation->m_arrStrings.size() < 2) return 0;
  const std::wstring& entryName = operation->m_arrStrings[1];
  if (!IsValidArchiveEntryName(entryName)) {
    WriteLogLine(L"Undo: invalid archive entry name : " + entryName);
    return 0;
  }
  std::string content;
  if (!m_pZip->Extract(entryName, content)) {
    WriteLogLine(L"Undo: archive entry missing or damaged : " + entryName);
    return 0;
  }
  if (m_strFolder.empty()) return 0;
  const std::wstring extracted = m_strFolder + entryName;
  if (mx::WriteWinFile(extracted, content) != ERROR_SUCCESS) return 0;
  const BOOL imported = ImportRegFile(extracted, operation->m_b64BitView);
  win::DeleteFile(extracted.c_str());
  if (!imported) WriteLogLine(L"Undo: the registry editor did not import : " + entryName);
  return imported ? 1 : 0;
}
