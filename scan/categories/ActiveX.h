#pragma once
// The COM registrations category: class registrations under HKEY_CLASSES_ROOT whose server, handler, icon or
// toolbox-bitmap file is gone, class keys that have become empty, references to application identifiers,
// type libraries and classes that are not registered; then the application-identifier, type-library and
// interface registrations themselves. On 64-bit Windows each view gets a pass of its own.
#include <initializer_list>
#include <string>

#include "scan/Category.h"

namespace activex {
struct ComPass;
}

class CActiveX : public CCategory {
 public:
  // 1 when it ran to its end, 2 when a stop was requested.
  int Scan() override;
  int GetItemCount() override { return 1; }

  // The 64-bit pass, then the 32-bit pass; the problems are sorted only when both ran to their end.
  int ScanView64();
  // The 32-bit pass alone, unsorted.
  int ScanView32();

 private:
  // Each returns 2 as soon as a stop is seen, else 1.
  int RunPass(const activex::ComPass& pass);
  int WalkClasses(const activex::ComPass& pass);
  int WalkAppIds(const activex::ComPass& pass);
  int WalkTypeLibraries(const activex::ComPass& pass);
  int WalkInterfaces(const activex::ComPass& pass);

  // The checks of one class key.
  void CheckServer(const activex::ComPass& pass, const std::wstring& clsid, const std::wstring& server);
  void CheckAppIdReference(const activex::ComPass& pass, const std::wstring& clsid);
  void CheckProgId(const activex::ComPass& pass, const std::wstring& clsid);
  void CheckTypeLibReference(const activex::ComPass& pass, const std::wstring& clsid);
  void CheckDefaultIcon(const activex::ComPass& pass, const std::wstring& clsid);
  void CheckContextMenuHandlers(const activex::ComPass& pass, const std::wstring& clsid);
  void CheckToolboxBitmap(const activex::ComPass& pass, const std::wstring& clsid);

  // The checks of one type-library version; the file entry check returns 2 on a stop.
  int CheckTypeLibFile(const activex::ComPass& pass, const std::wstring& library, const std::wstring& version,
                       const std::wstring& locale, const wchar_t* suffix);
  void CheckHelpFolder(const activex::ComPass& pass, const std::wstring& library, const std::wstring& version);

  // AddProblem followed by its details (none when the filter dropped it).
  void Report(int entryType, const std::wstring& key, const std::wstring& valueName, const std::wstring& valueData,
              int is32BitEntry, std::initializer_list<std::wstring> details);
};
