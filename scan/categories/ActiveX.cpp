#include "scan/categories/ActiveX.h"

#include <array>
#include <vector>

#include "app/SystemUtils.h"
#include "scan/Problem.h"
#include "scan/categories/ComPass.h"

using namespace activex;

namespace {

constexpr int kTypeFileMissing = 0;
constexpr int kTypeEmptyKey = 1;
constexpr int kTypeAppIdNotRegistered = 2;
constexpr int kTypeTypeLibNotRegistered = 3;
constexpr int kTypeIconWithoutDefault = 4;
constexpr int kTypeHandlerNotRegistered = 5;
constexpr int kTypeToolboxBitmapMissing = 42;

constexpr std::array<const wchar_t*, 6> kServerNames = {L"InprocServer32", L"InprocServer",    L"LocalServer32",
                                                        L"LocalServer",    L"InprocHandler32", L"InprocHandler"};

std::wstring ClassPath(const std::wstring& clsid) { return L"CLSID\\" + clsid; }

// The class name is the class key's default value; whether the class key opened.
bool ReadClassName(const ComPass& pass, const std::wstring& clsid, std::wstring& name) {
  return ReadKey(pass, ClassPath(clsid), name);
}

std::wstring NameOr(const std::wstring& name, const std::wstring& fallback) { return name.empty() ? fallback : name; }

}  // namespace

int CActiveX::Scan() {
  if (IsWow64()) return ScanView64();
  GetItemCount();
  if (RunPass(NativePass()) == kStopped) return kStopped;
  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CActiveX::ScanView64() {
  GetItemCount();
  if (RunPass(Pass64()) == kStopped) return kStopped;
  if (IsStopRequested()) return kStopped;
  ScanView32();
  SortProblems();
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CActiveX::ScanView32() {
  if (RunPass(Pass32()) == kStopped) return kStopped;
  return IsStopRequested() ? kStopped : kRanToEnd;
}

int CActiveX::RunPass(const ComPass& pass) {
  if (WalkClasses(pass) == kStopped) return kStopped;
  if (WalkAppIds(pass) == kStopped) return kStopped;
  if (WalkTypeLibraries(pass) == kStopped) return kStopped;
  return WalkInterfaces(pass);
}

void CActiveX::Report(int entryType, const std::wstring& key, const std::wstring& valueName,
                      const std::wstring& valueData, int is32BitEntry, std::initializer_list<std::wstring> details) {
  const int index = AddProblem(entryType, key, valueName, valueData, L"", is32BitEntry);
  for (const std::wstring& detail : details) AddProblemDetail(index, detail);
}

int CActiveX::WalkClasses(const ComPass& pass) {
  std::vector<std::wstring> classes;
  {
    HKEY area = nullptr;
    if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, L"CLSID", 0, pass.areaAccess, &area) != ERROR_SUCCESS) return kRanToEnd;
    EnumSubKeys(area, classes);
    win::RegCloseKey(area);
  }
  const std::wstring progress = std::wstring(pass.viewPrefix) + L"CLSID: ";
  for (const std::wstring& clsid : classes) {
    ReportScanProgress(progress + clsid);
    for (const wchar_t* server : kServerNames) {
      if (IsStopRequested()) return kStopped;
      CheckServer(pass, clsid, server);
    }
    CheckAppIdReference(pass, clsid);
    CheckProgId(pass, clsid);
    CheckTypeLibReference(pass, clsid);
    CheckDefaultIcon(pass, clsid);
    CheckContextMenuHandlers(pass, clsid);
    CheckToolboxBitmap(pass, clsid);
  }
  return kRanToEnd;
}

void CActiveX::CheckServer(const ComPass& pass, const std::wstring& clsid, const std::wstring& server) {
  const std::wstring path = ClassPath(clsid) + L"\\" + server;
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return;
  std::wstring command;
  const bool opened = ReadKey(pass, path, command);
  std::wstring className;
  if (opened && !command.empty()) {
    // Only an in-process server has to be loadable by this view's processes; the other servers may sit in either.
    const FileCheckOptions& options = server == L"InprocServer32" ? pass.serverOptions : kFileOptions;
    if (IsFileReferenceValid(command, options)) return;
    if (!ReadClassName(pass, clsid, className)) return;
    Report(kTypeFileMissing, ClassesRootKey(path), L"", command, pass.is32BitEntry, {NameOr(className, clsid), server});
    return;
  }
  if (!IsEmptyKey(key.Get(), opened && command.empty()) || !ReportEmptyKeys()) return;
  ReadClassName(pass, clsid, className);
  Report(kTypeEmptyKey, ClassesRootKey(path), L"", L"", pass.is32BitEntry, {NameOr(className, clsid), server});
}

void CActiveX::CheckAppIdReference(const ComPass& pass, const std::wstring& clsid) {
  const std::wstring path = ClassPath(clsid);
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return;
  std::wstring appId;
  ReadKey(pass, path, appId, L"AppID");
  std::wstring className;
  const bool opened = ReadClassName(pass, clsid, className);
  key.Close();
  if (!opened || appId.empty() || KeyExists(pass, L"AppID\\" + appId)) return;
  Report(kTypeAppIdNotRegistered, ClassesRootKey(path), L"AppID", appId, pass.is32BitEntry, {className});
}

void CActiveX::CheckProgId(const ComPass& pass, const std::wstring& clsid) {
  const std::wstring path = ClassPath(clsid) + L"\\ProgID";
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return;
  std::wstring progId;
  ReadKey(pass, path, progId);
  if (!IsEmptyKey(key.Get(), progId.empty()) || !ReportEmptyKeys()) return;
  std::wstring className;
  ReadClassName(pass, clsid, className);
  Report(kTypeEmptyKey, ClassesRootKey(path), L"", L"", pass.is32BitEntry, {NameOr(className, clsid), L"ProgID"});
}

void CActiveX::CheckTypeLibReference(const ComPass& pass, const std::wstring& clsid) {
  const std::wstring path = ClassPath(clsid) + L"\\TypeLib";
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return;
  std::wstring library;
  const bool opened = ReadKey(pass, path, library);
  key.Close();
  if (!opened || !IsGuidString(library) || KeyExists(pass, L"TypeLib\\" + library)) return;
  std::wstring className;
  ReadClassName(pass, clsid, className);
  Report(kTypeTypeLibNotRegistered, ClassesRootKey(path), L"", library, pass.is32BitEntry, {className});
}

void CActiveX::CheckDefaultIcon(const ComPass& pass, const std::wstring& clsid) {
  const std::wstring path = ClassPath(clsid) + L"\\DefaultIcon";
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return;
  std::wstring icon;
  const bool opened = ReadKey(pass, path, icon);
  key.Close();
  std::wstring className;
  if (opened && !icon.empty()) {
    // Icons are checked on 32-bit Windows only: in the view passes the text may name either view's files.
    if (!pass.testDefaultIconFile || IsFileReferenceValid(icon, kFileOptions)) return;
    if (!ReadClassName(pass, clsid, className)) return;
    Report(kTypeFileMissing, ClassesRootKey(path), L"", icon, pass.is32BitEntry, {NameOr(className, clsid), L"DefaultIcon"});
    return;
  }
  ReadClassName(pass, clsid, className);
  Report(kTypeIconWithoutDefault, ClassesRootKey(path), L"", L"", pass.is32BitEntry, {NameOr(className, clsid)});
}

void CActiveX::CheckContextMenuHandlers(const ComPass& pass, const std::wstring& clsid) {
  const std::wstring path = ClassPath(clsid) + L"\\ShellEx\\ContextMenuHandlers";
  std::vector<std::wstring> handlers;
  {
    CheckedKey key(pass, path);
    if (!key.IsOpen()) return;
    EnumSubKeys(key.Get(), handlers);
  }
  for (const std::wstring& handler : handlers) {
    std::wstring className;
    if (!handler.empty() && handler.front() == L'{') {
      if (KeyExists(pass, L"CLSID\\" + handler)) continue;
      ReadClassName(pass, clsid, className);
      const std::wstring root = ClassesRootKey(pass.viewPrefix);
      Report(kTypeHandlerNotRegistered, root + path + L"\\" + handler, L"", L"", pass.is32BitEntry,
             {className, root + L"CLSID\\" + handler, handler});
      continue;
    }
    const std::wstring handlerPath = path + L"\\" + handler;
    std::wstring target;
    if (!ReadKey(pass, handlerPath, target) || target.empty() || target.front() != L'{') continue;
    if (KeyExists(pass, L"CLSID\\" + target)) continue;
    ReadClassName(pass, clsid, className);
    Report(kTypeHandlerNotRegistered, ClassesRootKey(handlerPath), L"", L"", pass.is32BitEntry,
           {className, ClassesRootKey(L"CLSID\\" + target), target});
  }
}

void CActiveX::CheckToolboxBitmap(const ComPass& pass, const std::wstring& clsid) {
  const std::wstring path = ClassPath(clsid) + L"\\ToolboxBitmap32";
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return;
  std::wstring bitmap;
  const bool opened = ReadKey(pass, path, bitmap);
  std::wstring className;
  if (opened && !bitmap.empty()) {
    if (IsFileReferenceValid(bitmap, kFileOptions) || !ReadClassName(pass, clsid, className)) return;
    Report(kTypeToolboxBitmapMissing, ClassesRootKey(path), L"", bitmap, pass.is32BitEntry,
           {NameOr(className, clsid), L"ToolboxBitmap32"});
    return;
  }
  if (!IsEmptyKey(key.Get(), bitmap.empty()) || !ReportEmptyKeys()) return;
  if (!ReadClassName(pass, clsid, className)) return;
  Report(kTypeEmptyKey, ClassesRootKey(path), L"", L"", pass.is32BitEntry, {NameOr(className, clsid), L"ToolboxBitmap32"});
}
