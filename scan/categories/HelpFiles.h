#pragma once
// Registered help files that no longer exist: the machine's classic help list (type 24) and compiled HTML
// help list (type 25), each value naming a help file and its data naming the folder it lives in.
#include <string>

#include "scan/Category.h"

class CHelpFiles : public CCategory {
 public:
  int Scan() override;
  int GetItemCount() override { return 1; }

  // One pass over one list in one view: 1 when it ran to its end (also when the key did not open), 2 when a
  // stop was requested. 64: the 64-bit view of 64-bit Windows; 32: its 32-bit view; plain: 32-bit Windows.
  int ScanHelpKey64(const std::wstring& keyPath, int entryType, const std::wstring& progressPrefix,
                    const std::wstring& detailPrefix);
  int ScanHelpKey32(const std::wstring& keyPath, int entryType, const std::wstring& progressPrefix,
                    const std::wstring& detailPrefix);
  int ScanHelpKey(const std::wstring& keyPath, int entryType, const std::wstring& progressPrefix,
                  const std::wstring& detailPrefix);

 private:
  using Reader = bool (*)(std::wstring&, HKEY, const std::wstring&, const std::wstring&);
  int ScanHelpPass(REGSAM view, Reader reader, int is32BitEntry, const std::wstring& keyPath, int entryType,
                   const std::wstring& progressPrefix, const std::wstring& detailPrefix);
  // Whether a help file registered without a folder is in one of the folders the help viewers search.
  bool HelpFileWithoutFolderExists(const std::wstring& name);
};
