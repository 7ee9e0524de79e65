#include "scan/Operation.h"

#include "app/AppLog.h"
#include "app/SystemUtils.h"
#include "app/ZUNApp.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/base/Text.h"
#include "scan/Backup.h"
#include "scan/BackupSession.h"

namespace {

const wchar_t* CaptureLine(BYTE view64) {
  return view64 ? L"Attempting to Backup for Set Registry Value - 64 bit"
                : L"Attempting to Backup for Set Registry Value - 32 bit";
}

}  // namespace

int COperation::Run(CBackup* backup) {
  WriteLogLine(L"Attempting to Run Operation");
  if (!backup) return 0;
  const REGSAM mask = backup->ChangeMask(m_b64BitView);
  switch (m_nType) {
    case kOpSetValue: return RunSetValue(*backup, mask);
    case kOpDeleteKey:
    case kOpDeleteKeyTree: return RunDeleteKey(*backup, mask);
    case kOpDeleteValue: return RunDeleteValue(*backup, mask);
    default: return 0;
  }
}

int COperation::RunSetValue(CBackup& backup, REGSAM mask) {
  if (m_arrStrings.size() < 3 || m_arrInts.size() < 2) return 0;
  const HKEY root = RootKeyFromIndex(m_arrInts[1]);
  const std::wstring& keyPath = m_arrStrings[0];
  const std::wstring& valueName = m_arrStrings[1];
  const std::wstring& data = m_arrStrings[2];
  WriteLogLine(L"Attempting to Set Registry Value - 32 bit");
  WriteLogLine(CaptureLine(m_b64BitView));
  CRegExport* exporter = backup.ExporterFor(m_b64BitView);
  // Nothing is changed that a restore could not put back.
  if (!root || !exporter || exporter->ExportValue(root, keyPath, valueName, m_b64BitView) != CaptureResult::Recorded)
    return 0;

  mx::RegKeyHandle key;
  if (win::RegCreateKeyEx(root, keyPath.c_str(), 0, nullptr, 0, mask, nullptr, key.receive(), nullptr) != ERROR_SUCCESS)
    return 0;
  WriteLogLine(L"Key Created");
  const std::string bytes = mx::WideToUtf16Le(data) + std::string(2, '\0');
  const LONG rc = win::RegSetValueEx(key.get(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes.data()),
                                     static_cast<DWORD>(bytes.size()));
  WriteLogLine(L"Value Set ok!");
  return rc == ERROR_SUCCESS ? 1 : 0;
}

int COperation::RunDeleteKey(CBackup& backup, REGSAM mask) {
  if (m_arrStrings.empty() || m_arrInts.empty()) return 0;
  const HKEY root = RootKeyFromIndex(m_arrInts[0]);
  const std::wstring& keyPath = m_arrStrings[0];
  if (!root) return 0;
  // The view's own folder of the other view: never deleted, and nothing changes.
  if (mx::EqualsNoCase(keyPath, L"wow6432node")) return 1;

  WriteLogLine(CaptureLine(m_b64BitView));
  CRegExport* exporter = backup.ExporterFor(m_b64BitView);
  if (!exporter) return 0;
  const CaptureResult capture = exporter->ExportKey(root, keyPath, m_b64BitView);
  if (capture == CaptureResult::Failed) return 0;

  {
    mx::RegKeyHandle key;
    const LONG rc = win::RegOpenKeyEx(root, keyPath.c_str(), 0, mask, key.receive());
    // A key that is gone is what the repair wanted; one we may not change is not fixed.
    if (rc == ERROR_FILE_NOT_FOUND) return 1;
    if (rc != ERROR_SUCCESS) return 0;
  }
  if (capture == CaptureResult::Absent) return 0;  // it appeared between the capture and now: not recorded

  const LONG rc = DeleteRegKeyTree(root, keyPath, mask);
  WriteLogLine(rc == ERROR_SUCCESS ? L"KEY DELETED" : L"KEY NOT DELETED");
  if (IsUserAdmin()) {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(root, keyPath.c_str(), 0, mask, key.receive()) == ERROR_SUCCESS) {
      if (CZUNApp* app = AfxGetZunApp()) app->m_arrExcludeList.push_back(keyPath);
    }
  }
  return rc == ERROR_SUCCESS ? 1 : 0;
}

int COperation::RunDeleteValue(CBackup& backup, REGSAM mask) {
  if (m_arrStrings.size() < 2 || m_arrInts.empty()) return 0;
  const HKEY root = RootKeyFromIndex(m_arrInts[0]);
  const std::wstring& keyPath = m_arrStrings[0];
  const std::wstring& valueName = m_arrStrings[1];
  if (!root) return 0;
  WriteLogLine(L"Attempting to Delete Value");
  WriteLogLine(m_b64BitView ? L"Attempting to backup Value to be deleted - 64 bit"
                            : L"Attempting to backup Value to be deleted - 32 bit");
  CRegExport* exporter = backup.ExporterFor(m_b64BitView);
  if (!exporter || exporter->ExportValue(root, keyPath, valueName, m_b64BitView) != CaptureResult::Recorded) return 0;

  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(root, keyPath.c_str(), 0, mask, key.receive()) != ERROR_SUCCESS) return 0;
  const LONG rc = win::RegDeleteValue(key.get(), valueName.c_str());
  WriteLogLine(rc == ERROR_SUCCESS ? L"Value Deleted ok!" : L"Value Deleted failed!");
  return rc == ERROR_SUCCESS ? 1 : 0;
}
