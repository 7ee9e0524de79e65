#pragma once
// Message queues, one per thread, with the Windows order and cross-thread rules:
// - A thread gets its queue the first time it calls any function here (or creates a window); threads begun
//   with AfxBeginThread have one from the start.
// - PostMessage appends to the queue of the window's thread, first in, first out; it never blocks. It fails
//   for a destroyed window (ERROR_INVALID_WINDOW_HANDLE).
// - SendMessage to a window of the calling thread calls its procedure directly. To another thread's window it
//   queues the message and blocks; the owner handles it only while it waits for messages: in GetMessage,
//   PeekMessage, WaitMessage and every loop built on them (modal loops, message boxes, pumps). While it blocks,
//   the sender itself keeps handling messages sent to it, so two threads sending to each other never deadlock.
//   A window destroyed before it handled the message, or whose thread ended, answers 0.
// - What GetMessage/PeekMessage return, in order: messages sent from other threads are handled first
//   (never returned); then posted messages; then WM_QUIT once PostQuitMessage was called and nothing posted
//   is left; then WM_PAINT for windows with an update rectangle; then WM_TIMER for due timers (Timer.h).
// - Messages crossing processes go through the instance channel (Instance.h).
#include <cstdint>

#include "platform/win/WinDefs.h"

namespace win {

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues a message with no window for a thread that has a queue (ERROR_INVALID_THREAD_ID otherwise).
BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// Ends the calling thread's loop: GetMessage returns 0 with WM_QUIT (wParam = exitCode) once the posted
// messages are handled.
void PostQuitMessage(int exitCode);

// Filters: hwnd nullptr = every window of the thread plus thread messages; (HWND)-1 = thread messages only;
// a window = that window and its children. min = max = 0 takes every message.
// GetMessage waits; it returns 0 for WM_QUIT, -1 for a filter naming a dead window, else TRUE.
BOOL GetMessage(MSG* msg, HWND hwnd, UINT min, UINT max);
// Never waits (but handles waiting sent messages); PM_REMOVE takes the message out.
BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags);
// Waits until something new arrives in the queue.
BOOL WaitMessage();
BOOL TranslateMessage(const MSG* msg);  // keyboard translation is not modelled: returns FALSE
// Calls the window's procedure (WM_TIMER with a TIMERPROC in lParam calls the TIMERPROC). Thread messages
// and messages for dead windows are dropped (0).
LRESULT DispatchMessage(const MSG* msg);
// QS_* bits of what waits in the calling thread's queue (high word: new since the last call is not kept,
// both words carry the same bits).
DWORD GetQueueStatus(UINT flags);
// TRUE while the calling thread handles a message another thread sent.
BOOL InSendMessage();
// Time (tick count) of the message last retrieved by GetMessage/PeekMessage on this thread.
LONG GetMessageTime();

// Threads of this layer have small ids of their own (never 0, never reused in a process).
DWORD GetCurrentThreadId();
DWORD GetCurrentProcessId();

// For a presentation layer that runs this queue inside another event loop (a GSource): a file descriptor
// that becomes readable when something is queued for the calling thread (posted, sent, quit, paint, or a
// timer armed), and the milliseconds until the next timer of the thread is due (-1: none). The descriptor is
// the thread's for its whole life; reading it is done by PeekMessage, never by the caller.
int GetQueueWakeFd();
std::int64_t GetNextTimerDueMs();

// For the same layer: how the calling thread waits for its queue from now on. Set, GetMessage and the other
// queue waits of the thread run wait(timeoutMs) (-1: no limit) instead of blocking, so the other event loop
// keeps running during modal loops; wait returns when the wake descriptor is readable or the time is up.
// Waits on kernel objects (events, threads) are not affected: the UI thread never waits on those for long.
void SetQueueWaitHook(bool (*wait)(int timeoutMs));

}  // namespace win
