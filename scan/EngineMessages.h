#pragma once
// The window messages by which the scan and repair workers talk to the user interface.
//
// The scan worker posts its end messages (wParam 1) and sends its category messages; the repair worker
// sends everything. WM_SCAN_ITEM_TEXT carries the address of a long-lived program-wide text, never a copy.
#include "platform/win/WinDefs.h"

inline constexpr UINT WM_SCAN_COMPLETED = WM_USER + 1;     // posted; wParam 1: the scan ran to its end
inline constexpr UINT WM_SCAN_STOPPED = WM_USER + 2;       // posted; wParam 1: the scan was stopped
inline constexpr UINT WM_CATEGORY_STARTED = WM_USER + 3;   // sent; wParam flag, lParam 1 (scan) or 0 (repair)
inline constexpr UINT WM_CATEGORY_FINISHED = WM_USER + 4;  // sent; wParam flag, lParam 1: Scan ended, no stop
inline constexpr UINT WM_CATEGORY_NEXT = WM_USER + 5;      // sent before each category that runs
inline constexpr UINT WM_CLEAN_STOPPED = WM_USER + 6;      // sent by the repair worker
inline constexpr UINT WM_CLEAN_COMPLETED = WM_USER + 7;    // sent by the repair worker
inline constexpr UINT WM_SCAN_ITEM_TEXT = WM_USER + 170;   // posted; wParam: address of the item text

// Sends PBM_SETRANGE to a progress bar: range 0 to maximum (16 bits).
void SetProgressRange(HWND progressBar, int maximum);
