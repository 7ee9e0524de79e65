#pragma once
// The deep scan of the whole of HKEY_CURRENT_USER (entry type 43), in the native view; only the current
// user's hive, never another user's.
#include "scan/categories/DeepScan.h"

class CDeepScanCU : public CDeepScan {
 public:
  CDeepScanCU();
};
