#pragma once
// The hover look shared by the skinned buttons: a mouse move arms hover and leave tracking and picks the
// hand cursor, the hover notification lights the button, leaving puts it out, and WM_SETCURSOR shows the
// hand while the pointer is over the button.
#include "platform/gdi/GdiTypes.h"
#include "platform/win/WinDefs.h"

struct HoverState {
  BYTE m_bHover = 0;
  BOOL m_bTracking = FALSE;
  BYTE m_bHandCursor = 1;
  HCURSOR m_hHandCursor = nullptr;
  HCURSOR m_hCurrentCursor = nullptr;
};

// Handles msg for the button hwnd when it is one of the hover messages or WM_ERASEBKGND (answered with
// eraseAnswer, nothing erased); *result is what the procedure returns, and false means the message is not
// one of them or wants default processing after it.
bool HandleHoverMessage(HWND hwnd, HoverState& state, DWORD hoverTime, LRESULT eraseAnswer, UINT msg,
                        LRESULT* result);
