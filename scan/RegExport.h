#pragma once
// The .reg text of one registry view during one undo run: every key and value the run is about to change is
// captured here first, in the form the registry editor imports ("Windows Registry Editor Version 5.00",
// UTF-16LE with byte-order mark), so that importing the text puts back what the run changed.
//
// Each key or value is captured only the first time in a run: a later capture would hold an intermediate
// state, and the import, which applies the text top to bottom, would restore that instead of the original.
// What did not exist when first touched is recorded as absent ("name"=- or [-KEY]), so that a restore also
// removes what the repair created.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"

// What a capture achieved. A change may go ahead only when the present state is recorded in full, or when
// there is nothing to record and the change cannot create anything.
enum class CaptureResult {
  Recorded,  // the state (present or absent) is in the text, now or from an earlier capture in this run
  Absent,    // the key does not exist; nothing was added
  Failed,    // the key or value exists but could not be captured completely; nothing may be changed
};

class CRegExport {
 public:
  CRegExport();
  ~CRegExport();
  CRegExport(const CRegExport&) = delete;
  CRegExport& operator=(const CRegExport&) = delete;

  // The key with all its values and, depth first, its subkeys.
  CaptureResult ExportKey(HKEY root, const std::wstring& keyPath, BYTE view64);
  // The key header and that one value; a missing value or key is recorded as absent.
  CaptureResult ExportValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName, BYTE view64);
  // Writes the byte-order mark and the whole text (atomically replacing the file); false on any error.
  bool SaveToFile(const std::wstring& path) const;

  // The text as the file holds it after its byte-order mark.
  std::wstring GetText() const;

  // The value lines, CR LF included.
  static std::wstring FormatStringValue(const std::wstring& name, const std::wstring& data);
  static std::wstring FormatDwordValue(const std::wstring& name, DWORD value);
  static std::wstring FormatBinaryValue(const std::wstring& name, const BYTE* data, DWORD length, DWORD type);
  // The line that records a value as absent.
  static std::wstring FormatDeletedValue(const std::wstring& name);
  // The line for a value as read from the registry: the plain forms where they keep the data exact, the hex
  // form otherwise. Empty when the value cannot be written in a form the editor reads back (CR or LF in the
  // name).
  static std::wstring FormatValue(const std::wstring& name, DWORD type, const BYTE* data, DWORD length);

  // The largest value (in bytes) that a capture holds; larger ones make the capture fail.
  static constexpr DWORD kDataBufferSize = 4u * 1024u * 1024u;
  static constexpr DWORD kNameBufferUnits = 16384;

 private:
  REGSAM ReadMask(BYTE view64) const;
  CaptureResult WriteKey(HKEY key, const std::wstring& fullName, REGSAM mask);
  CaptureResult WriteValue(HKEY key, const std::wstring& fullName, const std::wstring& valueName);
  CaptureResult RecordMissingKey(HKEY root, const std::wstring& rootName, const std::wstring& keyPath, REGSAM mask);
  void AppendKeyHeader(const std::wstring& fullName);
  // The length of the nearest key on the path (the key itself included) that was captured whole or
  // recorded absent in this run; 0 when there is none.
  size_t CapturedAncestor(const std::wstring& lowerFullName) const;

  std::vector<wchar_t> m_nameBuffer;
  std::vector<BYTE> m_dataBuffer;
  std::vector<std::wstring> m_pieces;
  std::set<std::wstring> m_capturedKeys;    // lower-case full names captured whole or recorded absent
  std::set<std::wstring> m_absentKeys;      // the subset recorded absent ([-KEY])
  std::set<std::wstring> m_capturedValues;  // lower-case "full name\nvalue name"
};

// The full name of a root the writer captures ("HKEY_LOCAL_MACHINE"); empty for any other root.
std::wstring RegExportRootName(HKEY root);
