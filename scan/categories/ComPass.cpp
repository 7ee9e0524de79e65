#include "scan/categories/ComPass.h"

#include <vector>

#include "app/AppSettings.h"

namespace activex {

namespace {

constexpr REGSAM kCheckAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;  // 0x2001F

// ERROR_SUCCESS or the open's error.
LONG TryOpen(const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  const LONG rc = win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, access, &key);
  if (rc == ERROR_SUCCESS) win::RegCloseKey(key);
  return rc;
}

bool OpensOrDenied(const std::wstring& path, REGSAM access) {
  const LONG rc = TryOpen(path, access);
  return rc == ERROR_SUCCESS || rc == ERROR_ACCESS_DENIED;
}

}  // namespace

ComPass NativePass() {
  ComPass pass;
  pass.areaAccess = KEY_READ;
  pass.checkAccess = kCheckAccess;
  pass.read = ReadRegString;
  pass.serverOptions = kFileOptions;
  pass.testDefaultIconFile = true;
  return pass;
}

ComPass Pass64() {
  ComPass pass;
  pass.areaAccess = KEY_READ | KEY_WOW64_64KEY;
  pass.checkAccess = kCheckAccess | KEY_WOW64_64KEY;
  pass.read = ReadRegString64;
  pass.eitherViewRegisters = true;
  pass.view64 = true;
  pass.serverOptions = kFileOptions;
  // A 64-bit server must be in the 64-bit system folder: its 32-bit twin cannot serve this view.
  pass.serverOptions.bWow64TwinOnlyForProgramFiles = true;
  pass.serverOptions.bNoSystemFolderTwin = true;
  pass.testWin64Entries = true;
  return pass;
}

ComPass Pass32() {
  ComPass pass;
  pass.areaAccess = KEY_READ | KEY_WOW64_32KEY;
  pass.checkAccess = kCheckAccess | KEY_WOW64_32KEY;
  pass.read = ReadRegString32;
  pass.eitherViewRegisters = true;
  pass.is32BitEntry = 1;
  pass.viewPrefix = L"Wow6432Node\\";
  pass.serverOptions = kFileOptions;
  pass.testWin64Entries = true;
  return pass;
}

CheckedKey::CheckedKey(const ComPass& pass, const std::wstring& path) {
  if (win::RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, pass.checkAccess, &key_) != ERROR_SUCCESS) key_ = nullptr;
}

CheckedKey::~CheckedKey() { Close(); }

void CheckedKey::Close() {
  if (key_) win::RegCloseKey(key_);
  key_ = nullptr;
}

bool ReadKey(const ComPass& pass, const std::wstring& path, std::wstring& text, const std::wstring& valueName) {
  return pass.read(text, HKEY_CLASSES_ROOT, path, valueName);
}

bool KeyExists(const ComPass& pass, const std::wstring& path) {
  if (!pass.eitherViewRegisters) return OpensOrDenied(path, kCheckAccess);
  return OpensOrDenied(path, kCheckAccess | KEY_WOW64_64KEY) || OpensOrDenied(path, kCheckAccess | KEY_WOW64_32KEY);
}

bool IsEmptyKey(HKEY key, bool defaultIsEmpty) {
  std::vector<std::wstring> names;
  if (EnumSubKeys(key, names)) return false;
  const int values = EnumValueNames(key, names);
  return values == 0 || (values == 1 && defaultIsEmpty);
}

bool ReportEmptyKeys() { return SetChkSkipEmptyKeys == 0; }

}  // namespace activex
