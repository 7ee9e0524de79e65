#include "mainwnd/StartWithWindows.h"

// Until the logon entry is built nothing is written: say so rather than pretend.
BOOL SetStartWithWindows(BOOL) {
  win::SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
