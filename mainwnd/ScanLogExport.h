#pragma once
// The scan log export of the problems view: the current results as an XML document ("KVTscanlog") written
// into the data folder as "MendrixScanlog.xml", then, when the user picks a folder, a copy there. The export
// stops at its first failure and tells the user where the log is, or that it was not written.
#include <string>

#include "app/XmlWriter.h"
#include "platform/win/WinDefs.h"

class CProblem;
class CScanManager;

inline constexpr const wchar_t* kScanLogFileName = L"MendrixScanlog.xml";
inline constexpr const wchar_t* kScanLogFolderTitle = L"Select a location to save log file.";

struct ScanLogExportOutcome {
  enum Kind { NotWritten, Written, CopiedToFolder, NotCopied } kind = NotWritten;
  std::wstring path;  // the file the user is pointed to: the copy, or the data folder's file
  std::wstring failure;  // the log line of the first failure
};

// One category: opens "Scanning" with its "Section" attribute, writes its description and count; the
// element stays open for the entries. The log line of a failing call goes to *failure (when not yet set).
HRESULT WriteScanLogSection(XmlWriter& writer, const std::wstring& name, const std::wstring& description,
                            const std::wstring& countText, std::wstring* failure);
// One problem: "EntryDetails" with its "Entry" (detail 0) and "Details" (the detail text).
HRESULT WriteScanLogEntry(const CProblem& problem, XmlWriter& writer, std::wstring* failure);
// The whole document for the manager's categories (none: the three head elements only) into writer, up to
// the first failing call, whose log line goes to *failure.
HRESULT WriteScanLog(const CScanManager* manager, XmlWriter& writer, std::wstring* failure);

// The command: the data folder's file replaced whole, the folder picker over owner, the copy, and the user
// told the outcome.
ScanLogExportOutcome ExportScanLogXml(HWND owner);
