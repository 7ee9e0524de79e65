#pragma once
// What the two notifier windows share: their window class and reading the mouse position of a message.
#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

// Registers a plain window class with the arrow cursor, once per name.
void RegisterNotifierWindowClass(LPCWSTR className);
// The client point a mouse message carries in lParam.
POINT NotifierMousePoint(LPARAM lParam);
bool NotifierHit(const RECT& rect, POINT point);
