#include "platform/regedit/RegImporter.h"

#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/registry/RegistryControl.h"

namespace mx {

namespace {

std::wstring FullName(const RegOperation& op) {
  std::wstring name(RegRootName(op.root));
  if (!op.path.empty()) name += L"\\" + op.path;
  return name;
}

std::string Failure(const RegOperation& op, const char* what, LONG rc) {
  return "line " + std::to_string(op.line) + ": cannot " + what + " " + WideToUtf8(FullName(op)) +
         (op.kind == RegOperationKind::SetValue || op.kind == RegOperationKind::DeleteValue
              ? " value \"" + WideToUtf8(op.valueName) + "\""
              : std::string()) +
         ": " + RegErrorText(rc);
}

LONG DeleteTree(const RegOperation& op, REGSAM view) {
  size_t slash = op.path.rfind(L'\\');
  std::wstring parentPath = slash == std::wstring::npos ? std::wstring() : op.path.substr(0, slash);
  std::wstring name = slash == std::wstring::npos ? op.path : op.path.substr(slash + 1);
  RegKeyHandle parent;
  LONG rc = win::RegOpenKeyEx(op.root, parentPath.c_str(), 0, KEY_ALL_ACCESS | view, parent.receive());
  if (rc == ERROR_SUCCESS) rc = win::SHDeleteKey(parent.get(), name.c_str());
  // Deleting what is not there is what the file asked for.
  return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

std::string Apply(const RegScript& script, REGSAM view) {
  RegKeyHandle current;
  for (const auto& op : script) {
    switch (op.kind) {
      case RegOperationKind::CreateKey: {
        LONG rc = win::RegCreateKeyEx(op.root, op.path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_ALL_ACCESS | view, nullptr, current.receive(), nullptr);
        if (rc != ERROR_SUCCESS) return Failure(op, "create", rc);
        break;
      }
      case RegOperationKind::DeleteKey: {
        current.reset();
        if (LONG rc = DeleteTree(op, view); rc != ERROR_SUCCESS) return Failure(op, "delete", rc);
        break;
      }
      case RegOperationKind::SetValue: {
        static const BYTE kNoData = 0;  // never hand on a null pointer, even for an empty value
        LONG rc = win::RegSetValueEx(current.get(), op.valueName.c_str(), 0, op.type,
                                     op.data.empty() ? &kNoData : op.data.data(), static_cast<DWORD>(op.data.size()));
        if (rc != ERROR_SUCCESS) return Failure(op, "set", rc);
        break;
      }
      case RegOperationKind::DeleteValue: {
        LONG rc = win::RegDeleteValue(current.get(), op.valueName.c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) return Failure(op, "delete", rc);
        break;
      }
    }
  }
  return {};
}

}  // namespace

std::string ApplyRegScript(const RegScript& script, REGSAM view) {
  reg::Transaction transaction;
  if (std::string error = Apply(script, view); !error.empty()) return error;  // rolled back by the transaction
  if (LONG rc = transaction.Commit(); rc != ERROR_SUCCESS)
    return "the import could not be saved: " + WideToUtf8(reg::LastRegistryError()) + " (" + RegErrorText(rc) + ")";
  return {};
}

}  // namespace mx
