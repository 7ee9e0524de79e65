#pragma once
// One undo run (or one run's record read back): the .reg text of each registry view while the run is open,
// and when it is closed the run's zip archive ("rxb") and record ("rmx") in the data folder's
// "Partial Backups" folder, both named by the run's eight-digit number.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "scan/Operation.h"
#include "scan/RegExport.h"

class BackupZipReader;

inline constexpr const wchar_t* kPartialBackupFolder = L"Partial Backups\\";
inline constexpr const wchar_t* kBackupTempFile = L"temp__reg.reg";
inline constexpr std::uint32_t kRecordTimeMarker = 0x8000000Au;

class CBackup {
 public:
  CBackup();
  explicit CBackup(const std::wstring& description);
  // Closes the archive; an active run that still holds entries writes its record.
  ~CBackup();
  CBackup(const CBackup&) = delete;
  CBackup& operator=(const CBackup&) = delete;

  // Runs the operation and takes ownership of it: 1 when it succeeded, 0 when it failed.
  int AddOperation(std::unique_ptr<COperation> operation);
  // Saves each view's .reg text into the run's archive as entries "00000001.reg" (32-bit view) and
  // "00000002.reg" (64-bit view), each noted as an archive-entry operation; writes the archive.
  bool ExportRegFiles();
  // store TRUE writes the record, FALSE reads it from m_strRecordPath: 1 on success, 0 on any error (a read
  // that fails leaves the object holding what was read before the error).
  int Archive(BOOL store);
  // The folder followed by one more than the highest record number present, as eight digits.
  std::wstring GetNextBackupPath();

  // Restore (UndoRestore.cpp): 1 when every archive entry was imported, 0 at the first that failed.
  int UndoAll();
  int UndoOperation(COperation* operation);

  // The record's bytes for the fields below (and Archive's reader of them).
  std::string EncodeRecord() const;
  bool DecodeRecord(const std::string& bytes);

  // The exporter of a view (null when the run has none).
  CRegExport* ExporterFor(BYTE view64) const;
  // The access mask of this run's changes in a view.
  REGSAM ChangeMask(BYTE view64) const;

  BYTE m_bIsWow64 = 0;
  BYTE m_bActive = 0;
  std::unique_ptr<CRegExport> m_pRegExport32;
  std::unique_ptr<CRegExport> m_pRegExport64;
  std::wstring m_strRecordPath;
  std::vector<std::unique_ptr<COperation>> m_arrOperations;
  std::wstring m_strFolder;  // ends with a backslash
  std::wstring m_strDescription;
  std::wstring m_strArchivePath;
  std::int64_t m_tTime = 0;
  std::unique_ptr<BackupZipReader> m_pZip;  // the archive open for reading during a restore
  int m_nReserved = 0;
  int m_nEntryCount = 0;

 private:
  void Init();
};

// Root indices 0 to 4: HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS,
// HKEY_CURRENT_CONFIG. Any other index gives no key; any other name (compared exactly) gives -1.
HKEY RootKeyFromIndex(int index);
int RootIndexFromName(const std::wstring& name);

// An archive entry name as the engine writes it: eight digits and ".reg", nothing else.
bool IsValidArchiveEntryName(const std::wstring& name);
