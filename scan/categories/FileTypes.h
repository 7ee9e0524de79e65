#pragma once
// The file-types category: follows, for every name under HKEY_CLASSES_ROOT, the chain the shell follows when
// it opens a file: an extension's ProgID, the class a key names, the verbs and their commands, the icon and
// the context-menu handlers; reports what is missing, empty or unreadable. On 64-bit Windows each view gets
// a pass of its own, into the same problem list.
#include <initializer_list>
#include <string>

#include "scan/Category.h"

namespace filetypes {
struct FileTypesPass;
}

class CFileTypes : public CCategory {
 public:
  // 1 when it ran to its end, 2 when a stop was requested.
  int Scan() override;
  int GetItemCount() override { return 1; }

  // The 32-bit-view pass alone, unsorted.
  virtual int ScanView32();
  // The 64-bit-view pass, then the 32-bit-view pass; sorted unless the first pass stopped.
  virtual int ScanView64();

 private:
  // 2 as soon as a stop is seen, else 1.
  int RunPass(const filetypes::FileTypesPass& pass);
  void CheckExtension(const filetypes::FileTypesPass& pass, const std::wstring& name);
  void CheckClass(const filetypes::FileTypesPass& pass, const std::wstring& name);
  void CheckClsid(const filetypes::FileTypesPass& pass, const std::wstring& name);
  void CheckShell(const filetypes::FileTypesPass& pass, const std::wstring& name, bool extension);
  void CheckHandlers(const filetypes::FileTypesPass& pass, const std::wstring& name);

  // Whether HKEY_CLASSES_ROOT\path is registered by the pass's rule.
  bool TargetExists(const filetypes::FileTypesPass& pass, const std::wstring& path) const;
  // The key's default text, or its name when the text is empty.
  std::wstring Describe(const filetypes::FileTypesPass& pass, const std::wstring& name) const;
  // AddProblem followed by its details (none when the filter dropped it).
  void Report(const filetypes::FileTypesPass& pass, int entryType, const std::wstring& key,
              const std::wstring& valueData, std::initializer_list<std::wstring> details);
};
