#include "app/AppLog.h"

#include <algorithm>
#include <cwctype>
#include <vector>

#include "app/AppPaths.h"
#include "platform/base/Text.h"
#include "platform/system/Module.h"
#include "platform/system/Time.h"

namespace {

struct LogState {
  std::mutex setupLock;
  bool dayFileChosen = false;
  AppLog log;
  ~LogState() { log.Close(); }
};

LogState& State() {
  static LogState state;
  return state;
}

bool IsAbsoluteWinPath(const std::wstring& path) {
  return (path.size() >= 3 && path[1] == L':') || (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\');
}

std::wstring TwoDigits(int v) { return std::wstring(v < 10 ? L"0" : L"") + std::to_wstring(v); }

}  // namespace

bool IsOwnLogFileName(const std::wstring& name) {
  // log_ D D - D D - D D D D .log
  if (name.size() != 18 || !mx::StartsWithNoCase(name, L"log_") || !mx::EndsWithNoCase(name, L".log")) return false;
  for (size_t i = 4; i < 14; ++i) {
    const bool dash = i == 6 || i == 9;
    if (dash ? name[i] != L'-' : !(name[i] >= L'0' && name[i] <= L'9')) return false;
  }
  return true;
}

void AppLog::WriteNumbered(const std::wstring& text) {
  const std::wstring line = std::to_wstring(m_nextLine) + L"   " + text + L"\r\n";
  ++m_nextLine;
  const std::string bytes = mx::WideToUtf16Le(line);
  m_file.Write(bytes.data(), static_cast<DWORD>(bytes.size()));  // a failed write drops this line only
}

void AppLog::WriteLine(const std::wstring& text) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (!m_open || text.empty()) return;
  WriteNumbered(text);
}

void AppLog::Open(const std::wstring& path) {
  m_path = path;
  std::wstring full = path;
  if (!IsAbsoluteWinPath(path)) {
    // A relative name is taken beside the program, as the log always was.
    full = mx::ProgramWinDir() + L"\\" + path;
  }
  // The folders are made by full path: the process's current folder is never touched.
  const size_t slash = full.rfind(L'\\');
  if (slash != std::wstring::npos && !FileExists(full)) CreateDirectoryPath(full.substr(0, slash));
  m_open = m_file.Open(full, mx::WinFile::kWrite, mx::WinFile::kOpenAlways) == ERROR_SUCCESS &&
           m_file.SeekToEnd() == ERROR_SUCCESS;
  if (!m_open) m_file.Close();
}

void AppLog::Reopen(const std::wstring& path) {
  std::lock_guard<std::mutex> guard(m_lock);
  if (path == m_path && m_open) return;
  if (m_open) {
    WriteNumbered(L"Closing Log\r\n\r\n");
    m_file.Close();
    m_open = false;
  }
  m_nextLine = 1;
  Open(path);
}

void AppLog::Close() {
  std::lock_guard<std::mutex> guard(m_lock);
  if (m_open) {
    WriteNumbered(L"Closing Log\r\n\r\n");
    m_file.Close();
  }
  m_open = false;
  m_path.clear();
}

bool AppLog::IsOpen() {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_open;
}

void PruneOldLogs() {
  const std::wstring folder = GetAppDataFolderPath();
  if (folder.empty()) return;
  struct ScanResultFile {
    std::wstring name;
    std::int64_t time;
  };
  std::vector<ScanResultFile> files;
  std::wstring pattern = folder;
  AppendPath(pattern, L"log_*.log");
  WIN32_FIND_DATAW data;
  mx::FindPtr find(win::FindFirstFile(pattern.c_str(), &data));
  for (bool more = find != nullptr; more; more = win::FindNextFile(find.get(), &data)) {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L".." || !IsOwnLogFileName(name)) continue;
    if (data.dwFileAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
      continue;
    files.push_back({name, mx::FileTimeToUnix(mx::FileTimeToU64(data.ftLastWriteTime))});
  }
  if (files.size() < 5) return;
  std::stable_sort(files.begin(), files.end(),
                   [](const ScanResultFile& a, const ScanResultFile& b) { return a.time > b.time; });
  for (size_t i = files.size(); i-- > 5;) {
    std::wstring path = folder;
    AppendPath(path, files[i].name);
    win::DeleteFile(path.c_str());  // a read-only log stays; nothing to report
  }
}

void WriteLogLine(const std::wstring& text) {
  LogState& state = State();
  {
    std::lock_guard<std::mutex> guard(state.setupLock);
    if (!state.dayFileChosen) {
      state.dayFileChosen = true;  // a failed open is not tried again in this run
      PruneOldLogs();
      const std::wstring folder = GetAppDataFolderPath();
      if (!folder.empty()) {
        SYSTEMTIME now;
        win::GetLocalTime(&now);
        std::wstring path = folder;
        AppendPath(path, L"log_" + TwoDigits(now.wMonth) + L"-" + TwoDigits(now.wDay) + L"-" +
                             TwoDigits(now.wYear) + L".log");
        state.log.Reopen(path);
      }
    }
  }
  state.log.WriteLine(text);
}

void CloseAppLog() {
  LogState& state = State();
  std::lock_guard<std::mutex> guard(state.setupLock);
  state.log.Close();
  state.dayFileChosen = false;
}
