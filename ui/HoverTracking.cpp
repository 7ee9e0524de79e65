#include "ui/HoverTracking.h"

#include "platform/gdi/Images.h"
#include "platform/win/Window.h"
#include "ui/InputApi.h"

bool HandleHoverMessage(HWND hwnd, HoverState& state, DWORD hoverTime, LRESULT eraseAnswer, UINT msg,
                        LRESULT* result) {
  switch (msg) {
    case WM_ERASEBKGND:
      *result = eraseAnswer;
      return true;
    case WM_MOUSEMOVE:
      if (!state.m_bTracking) {
        TRACKMOUSEEVENT request;
        request.dwFlags = TME_HOVER | TME_LEAVE;
        request.hwndTrack = hwnd;
        request.dwHoverTime = hoverTime;
        state.m_bTracking = win::TrackMouseEvent(&request);
      }
      state.m_hCurrentCursor = state.m_hHandCursor;
      return false;  // default processing follows
    case WM_MOUSEHOVER:
      state.m_bHover = 1;
      win::InvalidateRect(hwnd, nullptr, FALSE);
      state.m_hCurrentCursor = state.m_hHandCursor;
      *result = 0;
      return true;
    case WM_MOUSELEAVE:
      state.m_bTracking = FALSE;
      state.m_bHover = 0;
      win::InvalidateRect(hwnd, nullptr, FALSE);
      state.m_hCurrentCursor = nullptr;
      *result = 0;
      return true;
    case WM_SETCURSOR:
      if (state.m_bHandCursor && state.m_hCurrentCursor) {
        win::SetCursor(state.m_hCurrentCursor);
        *result = TRUE;
        return true;
      }
      return false;
    default:
      return false;
  }
}
