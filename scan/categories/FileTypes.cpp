#include "scan/categories/FileTypes.h"

#include <vector>

#include "app/AppSettings.h"
#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "scan/Problem.h"
#include "scan/categories/ShellVerbChecks.h"

namespace filetypes {

using RegStringReader = bool (*)(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName);

// What differs between the native pass of 32-bit Windows and the two view passes of 64-bit Windows.
struct FileTypesPass {
  REGSAM rootAccess;  // HKEY_CLASSES_ROOT itself, for its names
  REGSAM keyAccess;  // every key below it
  RegStringReader read;
  int is32BitEntry;
  bool view64;  // the empty-key test's view, and how it marks what it finds
  bool native;  // one view: targets are looked up there alone, and empty class parts are reported
  int (*checkVerb)(CCategory&, const std::wstring&, const std::wstring&, const std::wstring&);
  bool (*checkIcon)(CCategory&, const std::wstring&);
};

}  // namespace filetypes

using filetypes::FileTypesPass;

namespace {

constexpr int kStopped = 2;
constexpr int kRanToEnd = 1;

constexpr int kTypeProgIdMissing = 15;
constexpr int kTypeEmptyKey = 16;
constexpr int kTypeClassNotRegistered = 19;
constexpr int kTypeHandlerUnreadable = 20;
constexpr int kTypeVerbWithoutCommand = 22;

constexpr REGSAM kKeyAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F

// The empty-key test marks what it finds outside the 64-bit view as a 32-bit-view entry; 32-bit Windows has
// one view only, so the native pass asks as the 64-bit one (it opens and reads without a view flag either way).
constexpr FileTypesPass kNativePass{KEY_READ, kKeyAccess, ReadRegString, 0, true, true,
                                    CheckShellVerbCommand, CheckDefaultIcon};
constexpr FileTypesPass kPass64{KEY_READ | KEY_WOW64_64KEY, kKeyAccess | KEY_WOW64_64KEY, ReadRegString64, 0, true, false,
                                CheckShellVerbCommand64, CheckDefaultIcon64};
constexpr FileTypesPass kPass32{KEY_READ | KEY_WOW64_32KEY, kKeyAccess | KEY_WOW64_32KEY, ReadRegString32, 1, false, false,
                                CheckShellVerbCommand32, CheckDefaultIcon32};

std::wstring ClassesRootKey(const std::wstring& path) { return L"HKEY_CLASSES_ROOT\\" + path; }

// ".txt" -> ".TXT file (*.txt)"
std::wstring ExtensionDescription(const std::wstring& extension) {
  return mx::ToUpper(extension) + L" file (*" + extension + L")";
}

// Present unless the open fails with an error other than ERROR_ACCESS_DENIED: a key the user may not open is
// never reported as missing.
bool OpensOrDenied(const std::wstring& path, REGSAM access) {
  mx::RegKeyHandle key;
  const LONG rc = win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, access, key.receive());
  return rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED;
}

bool HasNoSubKeys(HKEY key) {
  std::vector<std::wstring> names;
  return !EnumSubKeys(key, names);
}

// The repair deletes what is reported, so every empty-key report keeps to the user's "skip empty keys" setting.
bool ReportEmptyKeys() { return SetChkSkipEmptyKeys == 0; }

}  // namespace

int CFileTypes::Scan() {
  if (IsWow64()) return ScanView64();
  if (RunPass(kNativePass) == kStopped) return kStopped;
  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CFileTypes::ScanView64() {
  if (RunPass(kPass64) == kStopped) return kStopped;
  ScanView32();
  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CFileTypes::ScanView32() {
  if (RunPass(kPass32) == kStopped) return kStopped;
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CFileTypes::RunPass(const FileTypesPass& pass) {
  std::vector<std::wstring> names;
  {
    mx::RegKeyHandle root;
    if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, L"", 0, pass.rootAccess, root.receive()) != ERROR_SUCCESS) return kRanToEnd;
    EnumSubKeys(root.get(), names);
  }
  for (const std::wstring& name : names) {
    if (IsStopRequested()) return kStopped;
    ReportScanProgress(L"File Type: " + name);
    if (name.starts_with(L'.'))
      CheckExtension(pass, name);
    else
      CheckClass(pass, name);
  }
  return kRanToEnd;
}

bool CFileTypes::TargetExists(const FileTypesPass& pass, const std::wstring& path) const {
  if (pass.native) return OpensOrDenied(path, kKeyAccess);
  return OpensOrDenied(path, kKeyAccess | KEY_WOW64_64KEY) || OpensOrDenied(path, kKeyAccess | KEY_WOW64_32KEY);
}

std::wstring CFileTypes::Describe(const FileTypesPass& pass, const std::wstring& name) const {
  std::wstring text;
  pass.read(text, HKEY_CLASSES_ROOT, name, L"");
  return text.empty() ? name : text;
}

void CFileTypes::Report(const FileTypesPass& pass, int entryType, const std::wstring& key, const std::wstring& valueData,
                        std::initializer_list<std::wstring> details) {
  const int index = AddProblem(entryType, key, L"", valueData, L"", pass.is32BitEntry);
  for (const std::wstring& detail : details) AddProblemDetail(index, detail);
}

void CFileTypes::CheckExtension(const FileTypesPass& pass, const std::wstring& name) {
  bool empty = false;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, name.c_str(), 0, pass.keyAccess, key.receive()) != ERROR_SUCCESS) return;
    std::wstring progId;
    if (pass.read(progId, HKEY_CLASSES_ROOT, name, L"") && !progId.empty()) {
      // Only the default value is wrong: the repair takes it out and keeps what else the extension holds
      // (OpenWithProgids, ShellNew, PersistentHandler).
      if (!TargetExists(pass, progId))
        Report(pass, kTypeProgIdMissing, ClassesRootKey(name), progId,
               {ExtensionDescription(name), name, ClassesRootKey(progId)});
    } else {
      // An empty default value counts as content here.
      std::vector<std::wstring> values;
      empty = HasNoSubKeys(key.get()) && EnumValueNames(key.get(), values) == 0;
      if (empty && ReportEmptyKeys())
        Report(pass, kTypeEmptyKey, ClassesRootKey(name), L"", {ExtensionDescription(name)});
    }
  }
  if (empty) return;
  CheckClsid(pass, name);
  CheckShell(pass, name, true);
  pass.checkIcon(*this, name);
  CheckHandlers(pass, name);
}

void CFileTypes::CheckClass(const FileTypesPass& pass, const std::wstring& name) {
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, name.c_str(), 0, pass.keyAccess, key.receive()) == ERROR_SUCCESS) {
      std::wstring description;
      if (!pass.read(description, HKEY_CLASSES_ROOT, name, L"") || description.empty()) {
        std::vector<std::wstring> values;
        const bool empty = HasNoSubKeys(key.get()) && EnumValueNamesSkipDefault(key.get(), values) == 0;
        if (empty && ReportEmptyKeys()) Report(pass, kTypeEmptyKey, ClassesRootKey(name), L"", {mx::ToUpper(name)});
      }
    }
  }
  CheckClsid(pass, name);
  CheckShell(pass, name, false);
  pass.checkIcon(*this, name);
  CheckHandlers(pass, name);
}

void CFileTypes::CheckClsid(const FileTypesPass& pass, const std::wstring& name) {
  const std::wstring path = name + L"\\CLSID";
  mx::RegKeyHandle key;
  if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, pass.keyAccess, key.receive()) != ERROR_SUCCESS) return;
  std::wstring clsid;
  if (!pass.read(clsid, HKEY_CLASSES_ROOT, path, L"")) return;
  if (!clsid.empty()) {
    if (IsGuidString(clsid) && !TargetExists(pass, L"CLSID\\" + clsid))
      Report(pass, kTypeClassNotRegistered, ClassesRootKey(path), clsid,
             {Describe(pass, name), L"HKEY_CLASSES_ROOT\\CLSID\\" + clsid});
    return;
  }
  // Empty CLSID keys of extensions and of classes alike follow the setting.
  if (!pass.native || !ReportEmptyKeys()) return;
  std::vector<std::wstring> values;
  if (HasNoSubKeys(key.get()) && EnumValueNamesSkipDefault(key.get(), values) == 0)
    Report(pass, kTypeEmptyKey, ClassesRootKey(path), L"", {mx::ToUpper(name)});
}

void CFileTypes::CheckShell(const FileTypesPass& pass, const std::wstring& name, bool extension) {
  const std::wstring path = name + L"\\shell";
  std::vector<std::wstring> verbs;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, pass.keyAccess, key.receive()) != ERROR_SUCCESS) return;
    EnumSubKeys(key.get(), verbs);
  }
  if (verbs.empty()) {
    if (extension) {
      CheckEmptyKey(HKEY_CLASSES_ROOT, path, pass.view64, {}, true);
    } else if (pass.native && ReportEmptyKeys()) {
      std::wstring description;
      pass.read(description, HKEY_CLASSES_ROOT, name, L"");
      Report(pass, kTypeVerbWithoutCommand, ClassesRootKey(path), L"",
             {description.empty() ? path : description, L"shell", L"shell1"});
    }
    return;
  }
  for (const std::wstring& verb : verbs) pass.checkVerb(*this, path + L"\\" + verb + L"\\command", name, verb);
}

void CFileTypes::CheckHandlers(const FileTypesPass& pass, const std::wstring& name) {
  const std::wstring path = name + L"\\ShellEx\\ContextMenuHandlers";
  std::vector<std::wstring> handlers;
  {
    mx::RegKeyHandle key;
    if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, pass.keyAccess, key.receive()) != ERROR_SUCCESS) return;
    EnumSubKeys(key.get(), handlers);
  }
  for (const std::wstring& handler : handlers) {
    if (handler.starts_with(L'{')) continue;  // the handler's class itself, named by the key
    const std::wstring handlerPath = path + L"\\" + handler;
    std::wstring clsid;
    if (!pass.read(clsid, HKEY_CLASSES_ROOT, handlerPath, L"")) {
      Report(pass, kTypeHandlerUnreadable, ClassesRootKey(handlerPath), L"", {Describe(pass, name)});
      continue;
    }
    if (clsid.empty() || !IsGuidString(clsid)) continue;
    if (!TargetExists(pass, L"CLSID\\" + clsid))
      Report(pass, kTypeClassNotRegistered, ClassesRootKey(handlerPath), clsid,
             {Describe(pass, name), L"HKEY_CLASSES_ROOT\\CLSID\\" + clsid});
  }
}
