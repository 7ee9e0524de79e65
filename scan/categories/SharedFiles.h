#pragma once
// Two machine-wide lists: the shared-DLL reference list (value names are full paths of shared files; a
// missing file is reported) and the approved shell extensions (value names are class identifiers; one
// registered in neither registry view is reported). Both are type 33.
#include <string>

#include "scan/Category.h"

class CSharedFiles : public CCategory {
 public:
  int Scan() override;
  int GetItemCount() override { return 1; }

 private:
  void ReportSharedFile(const std::wstring& keyPath, const std::wstring& valueName, const std::wstring& argument,
                        const std::wstring& secondDetail, int is32BitEntry);
};

// Whether HKEY_CLASSES_ROOT\CLSID\<text> opens for reading in the 64-bit or the 32-bit view.
bool ClsidKeyExists(const std::wstring& text);
