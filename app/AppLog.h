#pragma once
// The diagnostic log: English lines, one UTF-16LE file per day in the data folder ("log_MM-DD-YYYY.log"),
// numbered from 1 in every run, appended, closed with "Closing Log". Any thread may log; a line is written
// whole under one lock. The first line of a run prunes the old logs to the newest five.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/fs/FileApi.h"

class AppLog {
 public:
  // Writes "<n>   <text>\r\n" when the file is open and the text is not empty.
  void WriteLine(const std::wstring& text);
  // Switches to another file (nothing when it is the current one): closes the current one with its closing
  // line, restarts the numbering and opens path.
  void Reopen(const std::wstring& path);
  void Close();
  bool IsOpen();

 private:
  void Open(const std::wstring& path);
  void WriteNumbered(const std::wstring& text);

  std::mutex m_lock;
  mx::WinFile m_file;
  std::wstring m_path;
  bool m_open = false;
  int m_nextLine = 1;
};

// The program's log function; safe from any thread, never fails visibly. Lines are dropped when the data
// folder cannot be made.
void WriteLogLine(const std::wstring& text);

// Ends the run's log (the closing line) and forgets the day's file, so that the next line starts a new run:
// at process exit, and in tests.
void CloseAppLog();

// Deletes the program's own old logs ("log_MM-DD-YYYY.log" in the data folder) beyond the five with the
// newest last-write times; system files and links are neither counted nor deleted.
void PruneOldLogs();

// "log_MM-DD-YYYY.log".
bool IsOwnLogFileName(const std::wstring& name);
