#include "scan/categories/ShellVerbChecks.h"

#include <vector>

#include "app/AppSettings.h"
#include "app/SystemUtils.h"
#include "platform/base/Text.h"
#include "platform/regedit/RegKeyHandle.h"
#include "platform/registry/Registry.h"
#include "scan/Category.h"
#include "scan/categories/RegStringQuery.h"

namespace {

constexpr int kTypeIconFileMissing = 17;
constexpr int kTypeIconMissing = 18;
constexpr int kTypeCommandInvalid = 21;
constexpr int kTypeVerbWithoutCommand = 22;

constexpr REGSAM kCheckAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F
// Room of the "MUIVerb" query, terminator included.
constexpr DWORD kMuiVerbChars = 259;
constexpr FileCheckOptions kFileOptions{.bUsePathSkipList = true, .bUseFolderSkipList = true};

using RegStringReader = bool (*)(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName);

struct ShellCheckView {
  REGSAM access;
  RegStringReader read;
  bool delegateView64;
  int is32BitEntry;
};

constexpr ShellCheckView kNative{kCheckAccess, ReadRegString, false, 0};
constexpr ShellCheckView kView64{kCheckAccess | KEY_WOW64_64KEY, ReadRegString64, true, 0};
constexpr ShellCheckView kView32{kCheckAccess | KEY_WOW64_32KEY, ReadRegString32, false, 1};

std::wstring ClassesRootKey(const std::wstring& path) { return L"HKEY_CLASSES_ROOT\\" + path; }

std::wstring Capitalised(std::wstring text) {
  if (!text.empty()) text[0] = mx::ToUpperChar(text[0]);
  return text;
}

// The key's description (an extension's ProgID, a class's name), or the key name when it has none.
std::wstring Describe(const ShellCheckView& view, const std::wstring& keyName) {
  std::wstring text;
  view.read(text, HKEY_CLASSES_ROOT, keyName, L"");
  return text.empty() ? keyName : text;
}

void Report(CCategory& category, int entryType, const std::wstring& key, const std::wstring& valueData,
            const ShellCheckView& view, const std::vector<std::wstring>& details) {
  const int index = category.AddProblem(entryType, key, L"", valueData, L"", view.is32BitEntry);
  for (const std::wstring& detail : details) category.AddProblemDetail(index, detail);
}

// An advertised verb of Windows Installer keeps its command as a descriptor in the multi-string value
// "command", which the installer resolves (and repairs) when the verb runs; the key often has no default.
bool HasAdvertisedCommand(HKEY commandKey) {
  DWORD type = REG_NONE;
  DWORD size = 0;
  if (win::RegQueryValueEx(commandKey, L"command", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  if (type != REG_MULTI_SZ || size < 2) return false;
  std::vector<BYTE> bytes(size);
  if (win::RegQueryValueEx(commandKey, L"command", nullptr, &type, bytes.data(), &size) != ERROR_SUCCESS) return false;
  for (DWORD i = 0; i + 1 < size; i += 2)
    if (bytes[i] != 0 || bytes[i + 1] != 0) return true;
  return false;
}

void CheckCommandKey(CCategory& category, const ShellCheckView& view, const std::wstring& commandKeyPath,
                     const std::wstring& keyName, const std::wstring& verb, bool advertised) {
  // The version is read from the registry each time: asked only of the few commands that delegate.
  if (HasDelegateExecute(commandKeyPath, view.delegateView64) && GetOSMajorVersion() > 5) return;
  std::wstring command;
  if (!view.read(command, HKEY_CLASSES_ROOT, commandKeyPath, L"")) return;
  if (command.empty() && advertised) return;
  if (!command.empty()) {
    const std::wstring program = ExtractFilePathFromCommand(command);
    if (program.starts_with(L"%1")) return;  // the file runs itself
    if (category.IsFileReferenceValid(program, kFileOptions)) return;
  }
  Report(category, kTypeCommandInvalid, ClassesRootKey(commandKeyPath), command, view,
         {Describe(view, keyName), Capitalised(verb)});
}

void CheckVerbWithoutCommand(CCategory& category, const ShellCheckView& view, const std::wstring& commandKeyPath,
                             const std::wstring& keyName, const std::wstring& verb) {
  const size_t slash = commandKeyPath.rfind(L'\\');
  if (slash == std::wstring::npos) return;
  const std::wstring lastPart = Capitalised(commandKeyPath.substr(slash + 1));
  const std::wstring verbKeyPath = commandKeyPath.substr(0, slash);
  bool reportable = false;
  {
    mx::RegKeyHandle verbKey;
    if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, verbKeyPath.c_str(), 0, view.access, verbKey.receive()) != ERROR_SUCCESS)
      return;
    std::vector<std::wstring> subKeys;
    if (EnumSubKeys(verbKey.get(), subKeys)) return;
    // A verb that only names its menu text (often a resource of an existing file) is complete without a command.
    std::wstring muiVerb;
    reportable = !(QueryRegString(verbKey.get(), L"MUIVerb", muiVerb, kMuiVerbChars) == ERROR_SUCCESS &&
                   !muiVerb.empty() && category.IsFileReferenceValid(muiVerb, kFileOptions));
  }
  if (!reportable || SetChkSkipEmptyKeys != 0) return;
  Report(category, kTypeVerbWithoutCommand, ClassesRootKey(verbKeyPath), L"", view,
         {Describe(view, keyName), Capitalised(verb), lastPart});
}

int CheckShellVerbCommandIn(CCategory& category, const ShellCheckView& view, const std::wstring& commandKeyPath,
                            const std::wstring& keyName, const std::wstring& verb) {
  mx::RegKeyHandle commandKey;
  const LONG rc = win::RegOpenKeyEx(HKEY_CLASSES_ROOT, commandKeyPath.c_str(), 0, view.access, commandKey.receive());
  if (rc == ERROR_SUCCESS) {
    const bool advertised = HasAdvertisedCommand(commandKey.get());
    commandKey.reset();
    CheckCommandKey(category, view, commandKeyPath, keyName, verb, advertised);
  } else if (rc != ERROR_ACCESS_DENIED) {  // a command we may not look at is never reported
    CheckVerbWithoutCommand(category, view, commandKeyPath, keyName, verb);
  }
  return 1;
}

bool CheckDefaultIconIn(CCategory& category, const ShellCheckView& view, const std::wstring& keyName) {
  const std::wstring iconPath = keyName + L"\\DefaultIcon";
  mx::RegKeyHandle iconKey;
  if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, iconPath.c_str(), 0, view.access, iconKey.receive()) != ERROR_SUCCESS)
    return true;
  const std::wstring key = ClassesRootKey(iconPath);
  std::wstring icon;
  if (!view.read(icon, HKEY_CLASSES_ROOT, iconPath, L"") || icon.empty()) {
    Report(category, kTypeIconMissing, key, L"", view, {Describe(view, keyName)});
    return true;
  }
  const std::wstring file = ExtractFilePathFromCommand(icon);
  if (file == L"%1") return true;  // the file is its own icon
  if (category.IsFileReferenceValid(file, kFileOptions)) return true;
  // Both view passes see a shared icon key; the first report stands for both.
  if (category.FindProblem(kTypeIconFileMissing, key)) return false;
  Report(category, kTypeIconFileMissing, key, icon, view, {Describe(view, keyName)});
  return false;
}

}  // namespace

bool HasDelegateExecute(const std::wstring& commandKeyPath, bool view64) {
  std::wstring text;
  bool read = false;
  if (IsWow64())
    read = view64 ? ReadRegString64(text, HKEY_CLASSES_ROOT, commandKeyPath, L"DelegateExecute")
                  : ReadRegString32(text, HKEY_CLASSES_ROOT, commandKeyPath, L"DelegateExecute");
  else
    read = ReadRegString(text, HKEY_CLASSES_ROOT, commandKeyPath, L"DelegateExecute");
  return read && !text.empty();
}

int CheckShellVerbCommand(CCategory& category, const std::wstring& commandKeyPath, const std::wstring& keyName,
                          const std::wstring& verb) {
  return CheckShellVerbCommandIn(category, kNative, commandKeyPath, keyName, verb);
}

int CheckShellVerbCommand64(CCategory& category, const std::wstring& commandKeyPath, const std::wstring& keyName,
                            const std::wstring& verb) {
  return CheckShellVerbCommandIn(category, kView64, commandKeyPath, keyName, verb);
}

int CheckShellVerbCommand32(CCategory& category, const std::wstring& commandKeyPath, const std::wstring& keyName,
                            const std::wstring& verb) {
  return CheckShellVerbCommandIn(category, kView32, commandKeyPath, keyName, verb);
}

bool CheckDefaultIcon(CCategory& category, const std::wstring& keyName) {
  return CheckDefaultIconIn(category, kNative, keyName);
}

bool CheckDefaultIcon64(CCategory& category, const std::wstring& keyName) {
  return CheckDefaultIconIn(category, kView64, keyName);
}

bool CheckDefaultIcon32(CCategory& category, const std::wstring& keyName) {
  return CheckDefaultIconIn(category, kView32, keyName);
}
