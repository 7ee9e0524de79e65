#include "scan/Backup.h"

#include <cwctype>
#include <limits>

#include "app/AppLog.h"
#include "app/AppPaths.h"
#include "app/AppSettings.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/WindowUtils.h"
#include "platform/base/Archive.h"
#include "platform/fs/FileApi.h"
#include "platform/system/Time.h"
#include "scan/BackupZip.h"

namespace {

const wchar_t* const kRootNames[] = {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
                                     L"HKEY_CURRENT_CONFIG"};

// The C runtime's reading of a leading number: white space, a sign, digits; 0 when there is none.
long long LeadingNumber(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > std::numeric_limits<int>::max()) return negative ? 0 : std::numeric_limits<int>::max();
  }
  return negative ? -value : value;
}

std::wstring EightDigits(long long number) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%.8lld", number);
  return text;
}

}  // namespace

HKEY RootKeyFromIndex(int index) {
  switch (index) {
    case 0: return HKEY_CLASSES_ROOT;
    case 1: return HKEY_CURRENT_USER;
    case 2: return HKEY_LOCAL_MACHINE;
    case 3: return HKEY_USERS;
    case 4: return HKEY_CURRENT_CONFIG;
    default: return nullptr;
  }
}

int RootIndexFromName(const std::wstring& name) {
  for (int i = 0; i < 5; ++i)
    if (name == kRootNames[i]) return i;
  return -1;
}

bool IsValidArchiveEntryName(const std::wstring& name) {
  if (name.size() != 12 || name.compare(8, 4, L".reg") != 0) return false;
  for (size_t i = 0; i < 8; ++i)
    if (name[i] < L'0' || name[i] > L'9') return false;
  return true;
}

CBackup::CBackup() { Init(); }

CBackup::CBackup(const std::wstring& description) {
  Init();
  m_strDescription = description;
}

void CBackup::Init() {
  PumpMessages();
  m_bIsWow64 = IsWow64() ? 1 : 0;
  // Without a data folder the run has no folder either: every file step then fails instead of writing
  // into whatever the current folder is.
  const std::wstring dataFolder = GetAppDataFolderPath();
  if (dataFolder.empty()) return;
  m_strFolder = dataFolder;
  AppendPath(m_strFolder, kPartialBackupFolder);
  if (!FileExists(m_strFolder)) CreateDirectoryPath(m_strFolder);
}

CBackup::~CBackup() {
  m_pRegExport32.reset();
  m_pRegExport64.reset();
  m_pZip.reset();
  // Only a run being closed writes its record: a record read back is never rewritten.
  if (m_bActive && !m_arrOperations.empty()) Archive(TRUE);
}

CRegExport* CBackup::ExporterFor(BYTE view64) const {
  return view64 ? m_pRegExport64.get() : m_pRegExport32.get();
}

REGSAM CBackup::ChangeMask(BYTE view64) const {
  const REGSAM mask = KEY_READ | KEY_WRITE;
  if (!m_bIsWow64) return mask;
  return mask | (view64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
}

int CBackup::AddOperation(std::unique_ptr<COperation> operation) {
  if (!operation) return 0;
  WriteLogLine(L"Trying to Add operation");
  PumpMessages();
  if (!operation->Run(this)) {
    WriteLogLine(L"Add operation FAILED");
    return 0;
  }
  WriteLogLine(L"operation Not added for key delete or value delete");
  return 1;
}

bool CBackup::ExportRegFiles() {
  if (m_strFolder.empty()) return false;
  const std::wstring tempPath = m_strFolder + kBackupTempFile;
  BackupZipWriter zip;
  const size_t entriesBefore = m_arrOperations.size();
  bool ok = true;
  const int passes = m_bIsWow64 ? 2 : 1;
  for (int pass = 0; pass < passes && ok; ++pass) {
    auto entry = std::make_unique<COperation>();
    entry->m_nType = kOpDeleteKeyTree;
    entry->m_arrInts.push_back(1);
    entry->m_arrStrings.push_back(L"waste");
    entry->m_b64BitView = pass == 1 ? 1 : 0;
    WriteLogLine(L"Exporting Reg File");
    if (m_strArchivePath.empty()) m_strArchivePath = GetNextBackupPath() + L".rxb";
    if (FileExists(tempPath)) win::DeleteFile(tempPath.c_str());

    bool saved = false;
    if (pass == 0) {
      WriteLogLine(L"Attempting Exporting for 32 bit reg file : " + tempPath);
      if (!m_pRegExport32) {
        WriteLogLine(L"m_pRegExport32 not initialized!!");
        ok = false;
        break;
      }
      saved = m_pRegExport32->SaveToFile(tempPath);
      WriteLogLine(saved ? L"Reg Export 32 Done !!" : L"Regexport32 failed!!");
    } else if (m_pRegExport64) {
      WriteLogLine(L"Attempting Exporting for 64 bit reg file : " + tempPath);
      saved = m_pRegExport64->SaveToFile(tempPath);
      WriteLogLine(saved ? L"64 Bit reg export  Done!!" : L"64 Bit reg export  failed!!");
    }

    const std::wstring entryName = EightDigits(m_nEntryCount + 1) + L".reg";
    entry->m_arrStrings.push_back(entryName);
    WriteLogLine(L"Attempting TO ZIP Exported File : " + entryName);
    std::string bytes;
    if (!saved || mx::ReadWinFile(tempPath, bytes) != ERROR_SUCCESS || !zip.Add(entryName, bytes)) {
      WriteLogLine(L"ZipAdd failed!!");
      ok = false;
      break;
    }
    WriteLogLine(L"ZIP File OK!");
    win::DeleteFile(tempPath.c_str());
    m_arrOperations.push_back(std::move(entry));
    WriteLogLine(L"Temp File Deleted, operation added");
    ++m_nEntryCount;
  }
  if (FileExists(tempPath)) win::DeleteFile(tempPath.c_str());

  // The entries added so far reach the disk together with the archive, or not at all: the record must never
  // name an entry the archive lacks.
  std::string archive;
  if (m_arrOperations.size() > entriesBefore) {
    if (!zip.Finish(archive) || mx::WriteWinFile(m_strArchivePath, archive) != ERROR_SUCCESS) {
      WriteLogLine(L"ZipAdd failed!!");
      m_nEntryCount -= static_cast<int>(m_arrOperations.size() - entriesBefore);
      m_arrOperations.resize(entriesBefore);
      return false;
    }
  }
  if (!ok) return false;
  m_tTime = mx::UnixTimeNow();
  WriteLogLine(L"Export Reg Files And Add Operation Success!!");
  return true;
}

std::string CBackup::EncodeRecord() const {
  mx::ArchiveWriter out;
  out.WriteString(m_strDescription);
  out.WriteI32(static_cast<std::int32_t>(m_arrOperations.size()));
  out.WriteI32(m_nReserved);
  out.WriteI32(m_nEntryCount);
  out.WriteU32(kRecordTimeMarker);
  out.WriteU64(static_cast<std::uint64_t>(m_tTime));
  for (const auto& op : m_arrOperations) {
    out.WriteI32(op->m_nType);
    out.WriteI32(static_cast<std::int32_t>(op->m_arrStrings.size()));
    for (const auto& s : op->m_arrStrings) out.WriteString(s);
    out.WriteI32(static_cast<std::int32_t>(op->m_arrInts.size()));
    for (std::int32_t v : op->m_arrInts) out.WriteI32(v);
    out.WriteI32(static_cast<std::int32_t>(op->m_data.size()));
    if (op->m_data.empty())
      out.WriteI32(0);
    else
      out.WriteBytes(op->m_data);
    out.WriteI32(op->m_b64BitView ? 1 : 0);
  }
  return out.take();
}

bool CBackup::DecodeRecord(const std::string& bytes) {
  mx::ArchiveReader in(bytes);
  std::int32_t count = 0;
  std::uint32_t marker = 0;
  if (!in.ReadString(m_strDescription) || !in.ReadI32(count) || !in.ReadI32(m_nReserved) ||
      !in.ReadI32(m_nEntryCount) || !in.ReadU32(marker))
    return false;
  if (marker == kRecordTimeMarker) {
    std::uint64_t time = 0;
    if (!in.ReadU64(time)) return false;
    m_tTime = static_cast<std::int64_t>(time);
  } else {
    m_tTime = marker;  // the older form: the marker's place holds a 32-bit time
  }
  // An operation takes at least six integers: a count beyond the bytes left is damage, not a reason to
  // reserve memory.
  if (count < 0 || static_cast<size_t>(count) > in.remaining() / 24) return false;
  for (std::int32_t i = 0; i < count; ++i) {
    auto op = std::make_unique<COperation>();
    std::int32_t n = 0;
    if (!in.ReadI32(op->m_nType) || !in.ReadI32(n) || n < 0 || static_cast<size_t>(n) > in.remaining() / 4)
      return false;
    op->m_arrStrings.resize(static_cast<size_t>(n));
    for (auto& s : op->m_arrStrings)
      if (!in.ReadString(s)) return false;
    if (!in.ReadI32(n) || n < 0 || static_cast<size_t>(n) > in.remaining() / 4) return false;
    op->m_arrInts.resize(static_cast<size_t>(n));
    for (auto& v : op->m_arrInts)
      if (!in.ReadI32(v)) return false;
    std::int32_t dataLength = 0;
    if (!in.ReadI32(dataLength) || dataLength < 0) return false;
    if (dataLength > 0) {
      if (!in.ReadBytes(static_cast<size_t>(dataLength), op->m_data)) return false;
    } else {
      std::int32_t placeholder = 0;
      if (!in.ReadI32(placeholder)) return false;
    }
    std::int32_t view = 0;
    if (!in.ReadI32(view)) return false;
    op->m_b64BitView = view != 0 ? 1 : 0;
    m_arrOperations.push_back(std::move(op));
  }
  return true;
}

int CBackup::Archive(BOOL store) {
  if (store) {
    WriteLogLine(L"Attempting to save partial backup");
    std::tm tm{};
    if (mx::LocalTimeFromUnix(mx::UnixTimeNow(), tm))
      StrLatestRestorePoint = mx::FormatTime(L"%a. %B %d, %Y. %I:%M %p ", tm) + GetLocalizedString(L"IDS_STR_PARTIAL_BACKUP");
    if (m_strFolder.empty() && (m_strArchivePath.empty() || m_strRecordPath.empty())) return 0;
    if (m_strArchivePath.empty()) m_strArchivePath = GetNextBackupPath() + L".rxb";
    if (m_strRecordPath.empty()) m_strRecordPath = m_strArchivePath.substr(0, m_strArchivePath.size() - 3) + L"rmx";
    WriteLogLine(L"Archiveing partial backup started");
    if (mx::WriteWinFile(m_strRecordPath, EncodeRecord()) != ERROR_SUCCESS) {
      WriteLogLine(L"Archiveing partial backup failed : " + m_strRecordPath);
      return 0;
    }
    WriteLogLine(L"Archiveing partial backup Done!");
    return 1;
  }
  if (m_strRecordPath.empty()) return 0;
  std::string bytes;
  // A record is a few hundred bytes; anything near this size is not one.
  if (mx::ReadWinFile(m_strRecordPath, bytes, 16u << 20) != ERROR_SUCCESS) return 0;
  return DecodeRecord(bytes) ? 1 : 0;
}

std::wstring CBackup::GetNextBackupPath() {
  long long highest = 0;
  WIN32_FIND_DATAW data;
  const std::wstring pattern = m_strFolder + L"*.*";
  mx::FindPtr find(win::FindFirstFile(pattern.c_str(), &data));
  if (find) {
    do {
      PumpMessages();
      const std::wstring name = data.cFileName;
      if (name == L"." || name == L".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
      const size_t at = name.find(L"rmx");
      if (at == std::wstring::npos || at + 3 != name.size()) continue;
      highest = std::max(highest, LeadingNumber(name));
    } while (win::FindNextFile(find.get(), &data));
  }
  return m_strFolder + EightDigits(highest + 1);
}
