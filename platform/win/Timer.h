#pragma once
// Timers per window and id, delivered as WM_TIMER by the owner thread's loop and driven by mx::GetClock(), so
// tests step a mx::FakeClock instead of sleeping:
// - due = now + elapse; once due, the next GetMessage/PeekMessage that finds nothing posted returns one
//   WM_TIMER (however far the clock moved, one message, as on Windows) and the timer is due again one
//   interval after that moment;
// - arming an id that already runs on that window replaces it (new interval, counted from now);
// - elapse below USER_TIMER_MINIMUM (10 ms) runs at 10 ms, as on Windows;
// - timers die with their window; a timer with no window belongs to the calling thread, gets a new id, and
//   its WM_TIMER has hwnd nullptr.
// With the system clock a waiting GetMessage wakes when the next timer is due; with any other clock it looks
// again every few milliseconds of real time, so a test thread can step time while another thread waits.
#include "platform/win/WinDefs.h"

namespace win {

// Returns the id (or the new id for hwnd nullptr), 0 on failure (dead window: ERROR_INVALID_WINDOW_HANDLE).
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc);
// FALSE when no such timer runs.
BOOL KillTimer(HWND hwnd, UINT_PTR id);

}  // namespace win
