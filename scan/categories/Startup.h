#pragma once
// The start-up entries category: every value of the machine's and the current user's Run key and of the
// matching "Run-" key whose command is empty or names a program that does not exist (entry type 41).
#include <string>

#include "platform/base/WinTypes.h"
#include "scan/Category.h"

inline constexpr const wchar_t* kRunKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const wchar_t* kRunDisabledKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run-";

class CStartup : public CCategory {
 public:
  // 1 when it ran to its end, 2 when a stop was requested.
  int Scan() override;
  int GetItemCount() override { return 1; }
};

// One pass over one Run key of HKEY_LOCAL_MACHINE (machine set) or HKEY_CURRENT_USER: in the native view
// (32-bit Windows), or with explicit views (64-bit Windows: the machine key in the 64-bit view, then the
// 32-bit view; the user's key once). 2 when a stop was requested, else 1.
int ScanRunKey(CCategory& category, BOOL machine, const std::wstring& keyPath);
int ScanRunKeyByView(CCategory& category, BOOL machine, const std::wstring& keyPath);
