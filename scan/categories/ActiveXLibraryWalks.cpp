// The walks every pass of the COM registrations category runs after its class walk: application identifiers,
// type libraries and interfaces.
#include <array>
#include <vector>

#include "platform/fs/PathApi.h"
#include "scan/Problem.h"
#include "scan/categories/ActiveX.h"
#include "scan/categories/ComPass.h"
#include "scan/categories/RegStringQuery.h"

using namespace activex;

namespace {

constexpr int kTypeAppIdNotRegistered = 6;
constexpr int kTypeTypeLibFileMissing = 7;
constexpr int kTypeHelpDirWithoutFolder = 8;
constexpr int kTypeTypeLibEntryWithoutFile = 9;
constexpr int kTypeHelpFolderMissing = 10;
constexpr int kTypeClassNotRegistered = 11;
constexpr int kTypeInterfaceTypeLibNotRegistered = 12;

constexpr std::array<const wchar_t*, 4> kInterfaceEntries = {L"ProxyStubClsid", L"ProxyStubClsid32", L"TypeLib",
                                                             L"OLEViewerIViewerCLSID"};

// Subkeys the walks examine themselves, so the empty-key test leaves them alone.
const std::vector<std::wstring>& TypeLibSkipFragments() {
  static const std::vector<std::wstring> fragments = {L"\\win32", L"\\win64", L"\\helpdir"};
  return fragments;
}

const std::vector<std::wstring>& InterfaceSkipFragments() {
  static const std::vector<std::wstring> fragments = {L"\\proxystubclsid", L"\\proxystubclsid32", L"\\typelib",
                                                      L"olevieweriviewerclsid"};
  return fragments;
}

// The subkey names of an area key opened with the pass's area access; empty when it does not open.
std::vector<std::wstring> AreaNames(const ComPass& pass, const wchar_t* area) {
  std::vector<std::wstring> names;
  HKEY key = nullptr;
  if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, area, 0, pass.areaAccess, &key) != ERROR_SUCCESS) return names;
  EnumSubKeys(key, names);
  win::RegCloseKey(key);
  return names;
}

// The strict string query of one value of a key opened for checking; false when it cannot be read.
bool QueryCheckedValue(const ComPass& pass, const std::wstring& path, const std::wstring& valueName, std::wstring& text) {
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return false;
  return QueryRegString(key.Get(), valueName, text) == ERROR_SUCCESS;
}

// Whether the path names a file the system would find on its search path. A path that does not fit the
// search's buffer is counted as not found rather than handed over.
bool FoundOnSearchPath(const std::wstring& path) {
  std::array<wchar_t, MAX_PATH> buffer{};
  if (path.size() >= buffer.size()) return false;
  path.copy(buffer.data(), path.size());
  return win::PathFindOnPath(buffer.data(), nullptr) != FALSE;
}

}  // namespace

int CActiveX::WalkAppIds(const ComPass& pass) {
  const std::wstring progress = std::wstring(pass.viewPrefix) + L"AppID: ";
  for (const std::wstring& name : AreaNames(pass, L"AppID")) {
    if (IsStopRequested()) return kStopped;
    // Registrations named by their identifier are the targets, not the references.
    if (!name.empty() && name.front() == L'{') continue;
    ReportScanProgress(progress + name);
    std::wstring appId;
    if (!QueryCheckedValue(pass, L"AppID\\" + name, L"AppID", appId) || appId.empty()) continue;
    if (KeyExists(pass, L"AppID\\" + appId)) continue;
    Report(kTypeAppIdNotRegistered, ClassesRootKey(std::wstring(pass.viewPrefix) + L"AppID\\" + name), L"AppID", appId,
           pass.is32BitEntry, {name});
  }
  return kRanToEnd;
}

int CActiveX::WalkTypeLibraries(const ComPass& pass) {
  const std::wstring progress = std::wstring(pass.viewPrefix) + L"TypeLib: ";
  for (const std::wstring& library : AreaNames(pass, L"TypeLib")) {
    const std::wstring libraryPath = L"TypeLib\\" + library + L"\\";
    ReportScanProgress(progress + library);
    CheckEmptyKey(HKEY_CLASSES_ROOT, libraryPath, pass.view64, TypeLibSkipFragments(), true);
    std::vector<std::wstring> versions;
    {
      CheckedKey key(pass, libraryPath);
      if (!key.IsOpen()) continue;
      EnumSubKeys(key.Get(), versions);
    }
    for (const std::wstring& version : versions) {
      std::vector<std::wstring> locales;
      {
        CheckedKey key(pass, libraryPath + version + L"\\");
        if (key.IsOpen()) EnumSubKeys(key.Get(), locales);
      }
      for (const std::wstring& locale : locales)
        if (CheckTypeLibFile(pass, library, version, locale, L"\\win32") == kStopped) return kStopped;
      if (pass.testWin64Entries) {
        for (const std::wstring& locale : locales)
          if (CheckTypeLibFile(pass, library, version, locale, L"\\win64") == kStopped) return kStopped;
      }
      CheckHelpFolder(pass, library, version);
    }
  }
  return kRanToEnd;
}

int CActiveX::CheckTypeLibFile(const ComPass& pass, const std::wstring& library, const std::wstring& version,
                               const std::wstring& locale, const wchar_t* suffix) {
  if (IsStopRequested()) return kStopped;
  const std::wstring versionPath = L"TypeLib\\" + library + L"\\" + version;
  const std::wstring entryPath = versionPath + L"\\" + locale + suffix;
  CheckedKey key(pass, entryPath);
  if (!key.IsOpen()) return kRanToEnd;
  std::wstring file;
  if (!ReadKey(pass, entryPath, file)) return kRanToEnd;
  std::wstring libraryName;
  ReadKey(pass, versionPath, libraryName);
  const std::wstring where = version + L"\\" + locale + suffix;
  if (file.empty()) {
    Report(kTypeTypeLibEntryWithoutFile, ClassesRootKey(entryPath), L"", L"", pass.is32BitEntry, {libraryName, where});
    return kRanToEnd;
  }
  const std::wstring path = ExtractFilePathFromCommand(file);
  if (FoundOnSearchPath(path) || IsFileReferenceValid(path, kFileOptions)) return kRanToEnd;
  Report(kTypeTypeLibFileMissing, ClassesRootKey(entryPath), L"", file, pass.is32BitEntry, {libraryName, where});
  return kRanToEnd;
}

void CActiveX::CheckHelpFolder(const ComPass& pass, const std::wstring& library, const std::wstring& version) {
  const std::wstring versionPath = L"TypeLib\\" + library + L"\\" + version;
  const std::wstring path = versionPath + L"\\HELPDIR";
  CheckedKey key(pass, path);
  if (!key.IsOpen()) return;
  std::vector<std::wstring> names;
  const int values = EnumValueNames(key.Get(), names);
  if (values > 1) return;
  std::wstring folder;
  if (values == 1) {
    if (!ReadKey(pass, path, folder)) return;
    if (!folder.empty()) {
      const std::wstring extracted = ExtractFilePathFromCommand(folder);
      if (IsExistingFolder(extracted) || IsFileReferenceValid(extracted, kFileOptions)) return;
      std::wstring libraryName;
      ReadKey(pass, versionPath, libraryName);
      Report(kTypeHelpFolderMissing, ClassesRootKey(path), L"", folder, pass.is32BitEntry,
             {libraryName.empty() ? library : libraryName, version + L"\\HELPDIR"});
      return;
    }
  }
  std::wstring libraryName;
  ReadKey(pass, versionPath, libraryName);
  Report(kTypeHelpDirWithoutFolder, ClassesRootKey(path), L"", L"", pass.is32BitEntry, {libraryName, version + L"\\HELPDIR"});
}

int CActiveX::WalkInterfaces(const ComPass& pass) {
  const std::wstring progress = std::wstring(pass.viewPrefix) + L"Interface: ";
  for (const std::wstring& iface : AreaNames(pass, L"Interface")) {
    ReportScanProgress(progress + iface);
    const std::wstring interfacePath = L"Interface\\" + iface;
    if (!iface.empty()) CheckEmptyKey(HKEY_CLASSES_ROOT, interfacePath, pass.view64, InterfaceSkipFragments(), true);
    for (const wchar_t* entry : kInterfaceEntries) {
      if (IsStopRequested()) return kStopped;
      const std::wstring entryPath = interfacePath + L"\\" + entry;
      std::wstring target;
      if (!QueryCheckedValue(pass, entryPath, L"", target) || target.empty()) continue;
      const bool isTypeLib = std::wstring_view(entry) == L"TypeLib";
      if (KeyExists(pass, (isTypeLib ? L"TypeLib\\" : L"CLSID\\") + target)) continue;
      std::wstring interfaceName;
      QueryCheckedValue(pass, interfacePath, L"", interfaceName);
      Report(isTypeLib ? kTypeInterfaceTypeLibNotRegistered : kTypeClassNotRegistered, ClassesRootKey(entryPath), L"",
             target, pass.is32BitEntry, {interfaceName});
    }
  }
  return kRanToEnd;
}
