#include "scan/BackupSession.h"

#include <memory>

#include "app/AppLog.h"
#include "app/LocalizedStrings.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/base/Text.h"
#include "platform/system/Time.h"
#include "scan/Backup.h"
#include "scan/CleanThread.h"

namespace {

int AddToRun(BackupHolder* holder, std::unique_ptr<COperation> operation) {
  if (!holder || !holder->m_pCurrentRun) return 0;
  return holder->m_pCurrentRun->AddOperation(std::move(operation));
}

}  // namespace

bool BeginBackupSession(BackupHolder* holder) {
  if (!holder || holder->m_pCurrentRun) return false;
  if (CZUNApp* app = AfxGetZunApp(); (app && app->m_bCleanRunning) || IsRepairRunning()) return false;
  WriteLogLine(L"Initializing Backup");
  auto run = std::make_unique<CBackup>(GetLocalizedString(L"AFX_IDS_APP_TITLE"));
  run->m_bActive = 1;
  run->m_pRegExport32 = std::make_unique<CRegExport>();
  WriteLogLine(L"Allocate Mem For Export m_pRegExport32");
  if (IsWow64()) {
    WriteLogLine(L"Allocate Mem For Export 64 bits");
    run->m_pRegExport64 = std::make_unique<CRegExport>();
  } else {
    WriteLogLine(L"**not allocate Mem For Export 64 bits system not found");
  }
  run->m_tTime = mx::UnixTimeNow();
  holder->m_pCurrentRun = run.release();  // owned by the open session until EndBackupSession
  return true;
}

void EndBackupSession(BackupHolder* holder) {
  if (!holder || !holder->m_pCurrentRun) return;
  std::unique_ptr<CBackup> run(holder->m_pCurrentRun);
  holder->m_pCurrentRun = nullptr;
  if (run->m_bActive) {
    run->ExportRegFiles();
    run->m_pRegExport32.reset();
    run->m_pRegExport64.reset();
    WriteLogLine(L"Free Mem Allocated For Export !!");
  }
  run.reset();
  WriteLogLine(L"Delete Backup Initialized Done");
}

int DeleteKeyWithBackup(BackupHolder* holder, int rootIndex, const std::wstring& keyPath, BOOL deleteTree,
                        BYTE view64) {
  auto op = std::make_unique<COperation>();
  op->m_nType = deleteTree ? kOpDeleteKeyTree : kOpDeleteKey;
  op->m_arrStrings = {keyPath};
  op->m_arrInts = {rootIndex};
  op->m_b64BitView = view64;
  return AddToRun(holder, std::move(op));
}

int DeleteValueWithBackup(BackupHolder* holder, int rootIndex, const std::wstring& keyPath,
                          const std::wstring& valueName, BYTE view64) {
  auto op = std::make_unique<COperation>();
  op->m_nType = kOpDeleteValue;
  op->m_arrStrings = {keyPath, valueName};
  op->m_arrInts = {rootIndex};
  op->m_b64BitView = view64;
  return AddToRun(holder, std::move(op));
}

int SetValueWithBackup(BackupHolder* holder, int rootIndex, const std::wstring& keyPath, const std::wstring& valueName,
                       const std::wstring& data, BYTE view64) {
  auto op = std::make_unique<COperation>();
  op->m_nType = kOpSetValue;
  op->m_arrStrings = {keyPath, valueName, data};
  op->m_arrInts = {0, rootIndex};
  op->m_b64BitView = view64;
  return AddToRun(holder, std::move(op));
}

LONG DeleteRegKeyTree(HKEY root, const std::wstring& keyPath, REGSAM access) {
  if (mx::EqualsNoCase(keyPath, L"wow6432node")) return ERROR_SUCCESS;
  HKEY key = nullptr;
  if (const LONG rc = win::RegOpenKeyEx(root, keyPath.c_str(), 0, access, &key); rc != ERROR_SUCCESS) return rc;
  for (;;) {
    wchar_t name[256] = {};
    DWORD length = 256;
    if (win::RegEnumKeyEx(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    if (mx::EqualsNoCase(name, L"wow6432node")) break;
    if (DeleteRegKeyTree(key, name, access) != ERROR_SUCCESS) break;
  }
  win::RegCloseKey(key);
  if (IsWow64()) return win::RegDeleteKeyEx(root, keyPath.c_str(), access, 0);
  LONG rc = win::RegDeleteKey(root, keyPath.c_str());
  if (rc != ERROR_SUCCESS) rc = win::SHDeleteKey(root, keyPath.c_str());
  return rc;
}
