#include "scan/categories/DeepScanCU.h"

CDeepScanCU::CDeepScanCU() : CDeepScan(HKEY_CURRENT_USER, L"", L"HKEY_CURRENT_USER", 43) {}
