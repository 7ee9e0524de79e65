#pragma once
// Application registrations: the App Paths lists of the user and of the machine (each subkey named after a
// program, its default value the program's path) and the per-application shell commands under the machine's
// Classes\Applications. Reports missing programs (13), entries without any value (14) and entries holding
// only an empty default value (1).
#include <string>

#include "scan/Category.h"

class CAppPaths : public CCategory {
 public:
  int Scan() override;
  int GetItemCount() override { return 1; }

  // The walks of 64-bit Windows in one view; with view64 set also the 32-bit walk and the Applications checks.
  int ScanByView(bool view64);

 private:
  // One App Paths list: 2 when stopped, else 1. consultSkipSetting: empty entries (14, 1) are reported only
  // while SetChkSkipEmptyKeys is 0.
  int WalkAppPaths(HKEY root, REGSAM view, int is32BitEntry, bool consultSkipSetting);
};

// The Applications verbs of one view (view64 clear on 32-bit Windows means the native view): 2 when stopped,
// else 1.
int CheckApplicationsShellCommands(CCategory* category, bool view64);
