#pragma once
// The deep scan: a walk of a whole registry subtree that reports every string value whose data looks like a
// path to a file that does not exist. The machine and the user categories differ only in their fields.
#include <string>

#include "platform/base/WinTypes.h"
#include "platform/registry/Registry.h"
#include "scan/Category.h"

class CDeepScan : public CCategory {
 public:
  CDeepScan(HKEY rootKey, std::wstring keyPath, std::wstring rootName, int entryType);

  // 1 when the walk ran to its end, 2 when a stop was requested.
  int Scan() override;
  int GetItemCount() override { return 1; }

  // Whether a value's data may name a file: web addresses and texts such as "1:\..." do not.
  virtual bool LooksLikePath(const std::wstring& text, bool skip);
  // The walk of root\path in the native view; path is read, never changed. 1, or 2 when stopped.
  virtual int ScanKey(HKEY root, const std::wstring& path, std::wstring rootName);
  // The same walk with every key opened in the 64-bit view (view64 set) or the 32-bit view.
  virtual int ScanKeyInView(HKEY root, const std::wstring& path, std::wstring rootName, bool view64);
  // The walk in the 64-bit view and then (not for the user's hive) in the 32-bit view.
  virtual int ScanBothViews();

  HKEY m_hRootKey;
  std::wstring m_strKeyPath;  // lower-cased in place when a scan starts
  std::wstring m_strRootName;
  int m_nEntryType;
  bool m_bStopSeen = false;

 private:
  // One walk, depth first and post-order, kept on the heap so that a deeply nested registry cannot exhaust the
  // worker's stack. view is 0 (native) or a view flag; viewPass adds the stop tests of the view walk.
  int Walk(HKEY root, const std::wstring& path, const std::wstring& rootName, REGSAM view, bool viewPass);
  bool StopCheck();
  // The values of one key; false when a stop was seen.
  bool TestValues(HKEY key, HKEY root, const std::wstring& path, int is32BitEntry);
};
