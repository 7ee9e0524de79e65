#include "scan/RegExport.h"

#include <cstdio>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/SystemUtils.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/base/Text.h"
#include "platform/fs/FileApi.h"

namespace {

constexpr const wchar_t* kHeader = L"Windows Registry Editor Version 5.00\r\n";

std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  out.reserve(text.size() + 8);
  for (wchar_t c : text) {
    if (c == L'\\' || c == L'"') out += L'\\';
    out += c;
  }
  return out;
}

bool HasLineBreak(const std::wstring& text) { return text.find_first_of(L"\r\n") != std::wstring::npos; }

std::wstring NamePart(const std::wstring& name) {
  // A value really named "@" is quoted: the bare @ is the default value.
  if (name.empty()) return L"@";
  return L"\"" + Escape(name) + L"\"";
}

std::wstring ValueKey(const std::wstring& lowerFullName, const std::wstring& valueName) {
  return lowerFullName + L'\n' + mx::ToLower(valueName);
}

std::wstring StripTrailingBackslashes(std::wstring path) {
  while (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

std::wstring FullKeyName(const std::wstring& rootName, const std::wstring& keyPath) {
  std::wstring full = rootName;
  AppendPath(full, keyPath);
  return full;
}

// Keys under Wow6432Node belong to the other view; their text would import into the wrong place.
bool IsUnderWow6432Node(const std::wstring& lowerFullName) {
  const size_t at = lowerFullName.find(L"\\wow6432node");
  return at != std::wstring::npos && at > 0;
}

}  // namespace

std::wstring RegExportRootName(HKEY root) {
  if (root == HKEY_CLASSES_ROOT) return L"HKEY_CLASSES_ROOT";
  if (root == HKEY_CURRENT_USER) return L"HKEY_CURRENT_USER";
  if (root == HKEY_LOCAL_MACHINE) return L"HKEY_LOCAL_MACHINE";
  if (root == HKEY_USERS) return L"HKEY_USERS";
  return {};
}

CRegExport::CRegExport() : m_nameBuffer(kNameBufferUnits, 0), m_dataBuffer(kDataBufferSize, 0) {
  m_pieces.emplace_back(kHeader);
}

CRegExport::~CRegExport() = default;

REGSAM CRegExport::ReadMask(BYTE view64) const {
  REGSAM mask = KEY_READ;
  if (IsWow64()) mask |= view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
  return mask;
}

size_t CRegExport::CapturedAncestor(const std::wstring& lowerFullName) const {
  for (std::wstring name = lowerFullName;;) {
    if (m_capturedKeys.count(name)) return name.size();
    const size_t slash = name.rfind(L'\\');
    if (slash == std::wstring::npos) return 0;
    name.resize(slash);
  }
}

void CRegExport::AppendKeyHeader(const std::wstring& fullName) { m_pieces.push_back(L"\r\n[" + fullName + L"]\r\n"); }

CaptureResult CRegExport::ExportKey(HKEY root, const std::wstring& keyPath, BYTE view64) {
  const std::wstring path = StripTrailingBackslashes(keyPath);
  const std::wstring rootName = RegExportRootName(root);
  if (path.empty() || rootName.empty()) return CaptureResult::Failed;
  const std::wstring fullName = FullKeyName(rootName, path);
  if (CapturedAncestor(mx::ToLower(fullName))) return CaptureResult::Recorded;

  const REGSAM mask = ReadMask(view64);
  mx::RegKeyHandle key;
  const LONG rc = win::RegOpenKeyEx(root, path.c_str(), 0, mask, key.receive());
  if (rc == ERROR_FILE_NOT_FOUND) return CaptureResult::Absent;
  if (rc != ERROR_SUCCESS) return CaptureResult::Failed;
  // A key that fails half-way adds nothing: the change it guards will be refused.
  const size_t mark = m_pieces.size();
  auto valuesBefore = m_capturedValues;
  auto keysBefore = m_capturedKeys;
  const CaptureResult result = WriteKey(key.get(), fullName, mask);
  if (result == CaptureResult::Failed) {
    m_pieces.resize(mark);
    m_capturedValues = std::move(valuesBefore);
    m_capturedKeys = std::move(keysBefore);
  }
  return result;
}

CaptureResult CRegExport::WriteKey(HKEY key, const std::wstring& fullName, REGSAM mask) {
  const std::wstring lowerName = mx::ToLower(fullName);
  if (IsUnderWow6432Node(lowerName)) return CaptureResult::Failed;

  DWORD subKeyCount = 0, maxValueNameLen = 0, maxValueLen = 0;
  if (win::RegQueryInfoKey(key, nullptr, nullptr, nullptr, &subKeyCount, nullptr, nullptr, nullptr, &maxValueNameLen,
                           &maxValueLen, nullptr, nullptr) != ERROR_SUCCESS)
    return CaptureResult::Failed;
  if (maxValueLen > kDataBufferSize || maxValueNameLen >= kNameBufferUnits) return CaptureResult::Failed;

  std::vector<std::wstring> pieces;
  std::vector<std::wstring> values;
  pieces.push_back(L"\r\n[" + fullName + L"]\r\n");
  for (DWORD index = 0;; ++index) {
    DWORD nameLen = kNameBufferUnits;
    DWORD dataLen = kDataBufferSize;
    DWORD type = 0;
    m_nameBuffer[0] = 0;
    const LONG rc = win::RegEnumValue(key, index, m_nameBuffer.data(), &nameLen, nullptr, &type, m_dataBuffer.data(),
                                      &dataLen);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return CaptureResult::Failed;  // too large, or unreadable: not complete
    const std::wstring name(m_nameBuffer.data(), nameLen);
    // A value captured earlier in the run already holds its original state.
    if (m_capturedValues.count(ValueKey(lowerName, name))) continue;
    std::wstring line = FormatValue(name, type, m_dataBuffer.data(), dataLen);
    if (line.empty()) return CaptureResult::Failed;
    pieces.push_back(std::move(line));
    values.push_back(name);
  }

  std::vector<std::wstring> subKeys;
  for (DWORD index = 0; index < subKeyCount; ++index) {
    wchar_t name[520] = {};
    if (win::RegEnumKey(key, index, name, 520) != ERROR_SUCCESS) return CaptureResult::Failed;
    // The other view's keys cannot be captured here, and deleting the key would take them along.
    if (mx::EqualsNoCase(name, L"wow6432node")) return CaptureResult::Failed;
    subKeys.emplace_back(name);
  }

  m_pieces.insert(m_pieces.end(), pieces.begin(), pieces.end());
  for (const auto& v : values) m_capturedValues.insert(ValueKey(lowerName, v));
  for (const auto& name : subKeys) {
    const std::wstring subFull = fullName + L"\\" + name;
    if (CapturedAncestor(mx::ToLower(subFull))) continue;
    mx::RegKeyHandle sub;
    if (win::RegOpenKeyEx(key, name.c_str(), 0, mask, sub.receive()) != ERROR_SUCCESS ||
        WriteKey(sub.get(), subFull, mask) == CaptureResult::Failed)
      return CaptureResult::Failed;  // ExportKey takes back what this capture added
  }
  m_capturedKeys.insert(lowerName);
  return CaptureResult::Recorded;
}

CaptureResult CRegExport::ExportValue(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                                      BYTE view64) {
  const std::wstring path = StripTrailingBackslashes(mx::Trim(keyPath));
  const std::wstring rootName = RegExportRootName(root);
  if (path.empty() || rootName.empty()) return CaptureResult::Failed;
  const std::wstring fullName = FullKeyName(rootName, path);
  const std::wstring lowerName = mx::ToLower(fullName);
  if (IsUnderWow6432Node(lowerName) || HasLineBreak(valueName)) return CaptureResult::Failed;
  if (m_capturedValues.count(ValueKey(lowerName, valueName))) return CaptureResult::Recorded;

  const REGSAM mask = ReadMask(view64);
  if (const size_t at = CapturedAncestor(lowerName)) {
    // The key or an ancestor was captured before: whatever it did not hold then did not exist.
    if (m_absentKeys.count(lowerName.substr(0, at))) return CaptureResult::Recorded;
    if (at == lowerName.size()) {
      AppendKeyHeader(fullName);
      m_pieces.push_back(FormatDeletedValue(valueName));
      m_capturedValues.insert(ValueKey(lowerName, valueName));
    } else {
      const size_t end = lowerName.find(L'\\', at + 1);
      const std::wstring created = fullName.substr(0, end == std::wstring::npos ? fullName.size() : end);
      m_pieces.push_back(L"\r\n[-" + created + L"]\r\n");
      m_capturedKeys.insert(mx::ToLower(created));
      m_absentKeys.insert(mx::ToLower(created));
    }
    return CaptureResult::Recorded;
  }

  mx::RegKeyHandle key;
  const LONG rc = win::RegOpenKeyEx(root, path.c_str(), 0, mask, key.receive());
  if (rc == ERROR_FILE_NOT_FOUND) return RecordMissingKey(root, rootName, path, mask);
  if (rc != ERROR_SUCCESS) return CaptureResult::Failed;
  return WriteValue(key.get(), fullName, valueName);
}

CaptureResult CRegExport::WriteValue(HKEY key, const std::wstring& fullName, const std::wstring& valueName) {
  DWORD type = 0;
  DWORD dataLen = kDataBufferSize;
  const LONG rc = win::RegQueryValueEx(key, valueName.c_str(), nullptr, &type, m_dataBuffer.data(), &dataLen);
  std::wstring line;
  if (rc == ERROR_FILE_NOT_FOUND) {
    line = FormatDeletedValue(valueName);
  } else if (rc == ERROR_SUCCESS) {
    line = FormatValue(valueName, type, m_dataBuffer.data(), dataLen);
    if (line.empty()) return CaptureResult::Failed;
  } else {
    return CaptureResult::Failed;
  }
  AppendKeyHeader(fullName);
  m_pieces.push_back(std::move(line));
  m_capturedValues.insert(ValueKey(mx::ToLower(fullName), valueName));
  return CaptureResult::Recorded;
}

CaptureResult CRegExport::RecordMissingKey(HKEY root, const std::wstring& rootName, const std::wstring& keyPath,
                                           REGSAM mask) {
  // The change will create the key and perhaps some of its parents: the highest missing one is what a
  // restore must remove.
  std::wstring missing = keyPath;
  for (;;) {
    const size_t slash = missing.rfind(L'\\');
    if (slash == std::wstring::npos) break;
    const std::wstring parent = missing.substr(0, slash);
    mx::RegKeyHandle key;
    const LONG rc = win::RegOpenKeyEx(root, parent.c_str(), 0, mask, key.receive());
    if (rc == ERROR_SUCCESS) break;
    if (rc != ERROR_FILE_NOT_FOUND) return CaptureResult::Failed;
    missing = parent;
  }
  const std::wstring fullName = FullKeyName(rootName, missing);
  m_pieces.push_back(L"\r\n[-" + fullName + L"]\r\n");
  m_capturedKeys.insert(mx::ToLower(fullName));
  m_absentKeys.insert(mx::ToLower(fullName));
  return CaptureResult::Recorded;
}

std::wstring CRegExport::FormatStringValue(const std::wstring& name, const std::wstring& data) {
  return NamePart(name) + L"=\"" + Escape(data) + L"\"\r\n";
}

std::wstring CRegExport::FormatDwordValue(const std::wstring& name, DWORD value) {
  wchar_t digits[9];
  std::swprintf(digits, 9, L"%08x", static_cast<unsigned>(value));
  return NamePart(name) + L"=dword:" + digits + L"\r\n";
}

std::wstring CRegExport::FormatBinaryValue(const std::wstring& name, const BYTE* data, DWORD length, DWORD type) {
  std::wstring line = NamePart(name);
  if (type == REG_BINARY) {
    line += L"=hex:";
  } else {
    wchar_t prefix[24];
    std::swprintf(prefix, 24, L"=hex(%x):", static_cast<unsigned>(type));
    line += prefix;
  }
  static const wchar_t kHex[] = L"0123456789abcdef";
  for (DWORD i = 0; i < length; ++i) {
    line += kHex[data[i] >> 4];
    line += kHex[data[i] & 0xF];
    if (i + 1 == length) break;
    line += L',';
    // The editor's own line limit: continue once the line reaches a multiple of 77 characters.
    if (line.size() % 77 <= 2) line += L"\\\r\n  ";
  }
  line += L"\r\n";
  return line;
}

std::wstring CRegExport::FormatDeletedValue(const std::wstring& name) { return NamePart(name) + L"=-\r\n"; }

std::wstring CRegExport::FormatValue(const std::wstring& name, DWORD type, const BYTE* data, DWORD length) {
  if (HasLineBreak(name)) return {};
  if (type == REG_SZ && length >= 2 && length % 2 == 0) {
    // The plain form reads back as the text plus one terminator: use it only when that is exactly the data.
    const std::wstring text = mx::Utf16LeToWide(std::string_view(reinterpret_cast<const char*>(data), length - 2));
    const bool terminated = data[length - 2] == 0 && data[length - 1] == 0;
    if (terminated && text.find(L'\0') == std::wstring::npos && !HasLineBreak(text))
      return FormatStringValue(name, text);
  }
  if (type == REG_DWORD && length == 4) {
    const DWORD value = static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
                        static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
    return FormatDwordValue(name, value);
  }
  return FormatBinaryValue(name, data, length, type);
}

std::wstring CRegExport::GetText() const {
  std::wstring text;
  for (const auto& piece : m_pieces) text += piece;
  return text;
}

bool CRegExport::SaveToFile(const std::wstring& path) const {
  WriteLogLine(L"Export  Reg To FileName " + path);
  std::string bytes("\xFF\xFE", 2);
  bytes += mx::WideToUtf16Le(GetText());
  if (mx::WriteWinFile(path, bytes) != ERROR_SUCCESS) {
    WriteLogLine(L"Failed to export : " + path);
    return false;
  }
  WriteLogLine(L"Done writing Unicode sign" + path);
  WriteLogLine(L"Sucessfully wrote to : " + path);
  return true;
}
