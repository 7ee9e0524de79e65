#pragma once
// Helpers of the UI thread: a bounded message pump for long handlers, bringing a window to the front,
// sizing a window to its client area, and the user-interface font of the current language.
#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

// Dispatches waiting messages, at most eleven per call counted across calls: the count is kept when the
// queue runs empty and reset after the eleventh message.
void PumpMessages();
// Test hook: the count of messages dispatched since the last reset.
int PumpedMessageCount();
BOOL ForceForegroundWindow(HWND hwnd);
void SizeWindowToClientArea(HWND hwnd);
// Height, character set and face of the current language's row; weight 400, ClearType quality.
void GetUILogFont(LOGFONTW& out);
