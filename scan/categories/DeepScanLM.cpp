#include "scan/categories/DeepScanLM.h"

CDeepScanLM::CDeepScanLM() : CDeepScan(HKEY_LOCAL_MACHINE, L"SOFTWARE", L"HKEY_LOCAL_MACHINE", 42) {}
