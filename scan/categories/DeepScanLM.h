#pragma once
// The deep scan of HKEY_LOCAL_MACHINE\SOFTWARE (entry type 42), in both views on 64-bit Windows.
#include "scan/categories/DeepScan.h"

class CDeepScanLM : public CDeepScan {
 public:
  CDeepScanLM();
};
