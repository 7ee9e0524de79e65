#pragma once
// One pass of the COM registrations category over HKEY_CLASSES_ROOT: the native pass of 32-bit Windows, or
// on 64-bit Windows the 64-bit pass followed by the 32-bit pass. Every check is written once; the pass
// supplies the view, the access masks, the string reader and how its problems are marked. Also the key
// operations all checks of a pass share.
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "scan/Category.h"

namespace activex {

// What a pass and each of its walks return.
inline constexpr int kStopped = 2;
inline constexpr int kRanToEnd = 1;

using RegStringReader = bool (*)(std::wstring& out, HKEY root, const std::wstring& subKey, const std::wstring& valueName);

struct ComPass {
  REGSAM areaAccess = 0;  // the CLSID, AppID, TypeLib and Interface keys
  REGSAM checkAccess = 0;  // every key a check examines
  RegStringReader read = nullptr;
  bool eitherViewRegisters = false;  // a referenced key counts when it exists in either view
  bool view64 = false;  // the empty-key test's view flag
  int is32BitEntry = 0;
  // Put in front of progress texts, and of the Keys of the problems that name the view in their path.
  const wchar_t* viewPrefix = L"";
  FileCheckOptions serverOptions;  // for the InprocServer32 path
  bool testDefaultIconFile = false;
  bool testWin64Entries = false;
};

// 32-bit Windows: one view, no view flags.
ComPass NativePass();
// 64-bit Windows.
ComPass Pass64();
ComPass Pass32();

// The options of every file-reference check of the category except the InprocServer32 path's.
inline constexpr FileCheckOptions kFileOptions{.bUsePathSkipList = true, .bUseFolderSkipList = true, .bPassedBack = true};

// A key below HKEY_CLASSES_ROOT opened with the pass's access for checking; closed when it goes.
class CheckedKey {
 public:
  CheckedKey(const ComPass& pass, const std::wstring& path);
  ~CheckedKey();
  CheckedKey(const CheckedKey&) = delete;
  CheckedKey& operator=(const CheckedKey&) = delete;

  bool IsOpen() const { return key_ != nullptr; }
  HKEY Get() const { return key_; }
  void Close();

 private:
  HKEY key_ = nullptr;
};

// The default value (or the named value) of HKEY_CLASSES_ROOT\path through the pass's reader: trimmed, empty
// when missing or not a string. Returns whether the key opened.
bool ReadKey(const ComPass& pass, const std::wstring& path, std::wstring& text, const std::wstring& valueName = L"");

// Whether HKEY_CLASSES_ROOT\path is registered by the pass's rule. A key the user may not open counts as
// registered: we cannot tell, so we never report it.
bool KeyExists(const ComPass& pass, const std::wstring& path);

// A key with no subkeys that has no values, or whose only value is an empty or missing default value.
bool IsEmptyKey(HKEY key, bool defaultIsEmpty);

// Whether empty server, ProgID and toolbox-bitmap keys are reported: the repair deletes what is reported,
// so every pass keeps to the user's "skip empty keys" setting.
bool ReportEmptyKeys();

// The problem Key of a path below HKEY_CLASSES_ROOT.
inline std::wstring ClassesRootKey(const std::wstring& path) { return L"HKEY_CLASSES_ROOT\\" + path; }

}  // namespace activex
