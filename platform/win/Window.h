#pragma once
// Windows as handles: classes, creation and destruction, the parent/child tree in z-order, geometry, styles,
// text, visibility, enabled state, focus, and the per-window procedure.
//
// The model, for the layers built on top (drawing, controls, the GTK presentation):
// - Every window belongs to the thread that created it; its procedure only ever runs on that thread.
//   Calls that change a window from another thread (ShowWindow, SetWindowPos, MoveWindow, EnableWindow,
//   SetWindowText, SetParent) are carried to the owner thread as sent messages, as on Windows; DestroyWindow
//   from another thread fails with ERROR_ACCESS_DENIED.
// - Geometry: a top-level window's rectangle is in screen coordinates, a child's in its parent's client
//   coordinates. There is no non-client area: the client rectangle is (0, 0, width, height); the drawing layer
//   paints any frame inside it.
// - Z-order: each parent keeps its children top first; GetWindow(GW_CHILD) is the topmost child and
//   GW_HWNDNEXT goes downwards. Top-level windows form one list (WS_EX_TOPMOST ones first).
// - Procedure: a window runs its class's WNDPROC, unless a handler object (win::CWnd, see Wnd.h) took it
//   over; DefWindowProc keeps the text, answers WM_GETTEXT/WM_SETTEXT/WM_GETTEXTLENGTH, validates on WM_PAINT,
//   destroys on WM_CLOSE and applies nothing else.
// - Painting: InvalidateRect accumulates an update rectangle; the queue produces WM_PAINT for a visible window
//   with a non-empty one when nothing else is waiting; ValidateRect (or DefWindowProc's WM_PAINT) clears it.
// - Observers: SetWindowObserver lets a presentation layer learn of creation, destruction, moves, show/hide,
//   text and invalidation without hooking every procedure (it is called on the window's thread).
#include <functional>
#include <string>

#include "platform/win/WinDefs.h"

namespace win {

// The dialog class. Registered by the core; its procedure is DefDlgProc.
inline constexpr LPCWSTR kDialogClass = L"#32770";

// Registers a class for this process (names compare without case). A second registration of a name fails
// with ERROR_CLASS_ALREADY_EXISTS. Returns a non-zero atom on success.
ATOM RegisterClass(const WNDCLASSW* wc);
BOOL UnregisterClass(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfo(HINSTANCE instance, LPCWSTR className, WNDCLASSW* out);
int GetClassName(HWND hwnd, LPWSTR buffer, int count);
std::wstring GetClassNameString(HWND hwnd);

// Sends WM_NCCREATE then WM_CREATE (lParam CREATESTRUCTW*); FALSE or -1 from them destroys the window and
// returns nullptr. A child (WS_CHILD with a parent) takes hMenu as its control id and goes on top of its
// siblings. CW_USEDEFAULT positions become 0 and sizes 0. WS_VISIBLE in the style shows the window after
// WM_CREATE. An unknown class fails with ERROR_CANNOT_FIND_WND_CLASS, a dead parent with
// ERROR_INVALID_WINDOW_HANDLE.
HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
// Hides the window, sends WM_DESTROY to it and then to its descendants (parents first), WM_NCDESTROY to the
// descendants and then to it (children first); kills its timers, drops its posted messages, answers 0 to
// every message another thread is still sending it, and destroys the windows it owns (an owned window of
// another thread is posted WM_CLOSE). Only the owner thread may destroy a window.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Top-level windows by class and caption (nullptr = any; both compared without case), hidden ones included,
// message-only windows excluded. An empty caption matches nothing. Searches this process first, then the
// other instances that run an instance channel (Instance.h); a window found there is returned as a proxy
// handle that IsWindow, PostMessage, ShowWindow, SetForegroundWindow and GetLastActivePopup accept (ShowWindow
// and SetForegroundWindow on a proxy are carried out later by the other process and return whether it took the
// request; SendMessage to a proxy fails with ERROR_NOT_SUPPORTED).
HWND FindWindow(LPCWSTR className, LPCWSTR windowName);
HWND FindWindowEx(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName);

// Sends WM_SHOWWINDOW, then goes through SetWindowPos with SWP_SHOWWINDOW/SWP_HIDEWINDOW, so a handler that
// removes the flag in WM_WINDOWPOSCHANGING keeps the window as it was. Returns whether it was visible before.
BOOL ShowWindow(HWND hwnd, int cmd);
// Same, carried out later on the owner thread; never waits for it.
BOOL ShowWindowAsync(HWND hwnd, int cmd);
BOOL IsWindowVisible(HWND hwnd);  // it and all its ancestors have WS_VISIBLE
BOOL IsIconic(HWND hwnd);
BOOL IsZoomed(HWND hwnd);

// WM_WINDOWPOSCHANGING (the handler may change position, size, insert-after and flags), then the change, then
// WM_WINDOWPOSCHANGED, WM_MOVE and WM_SIZE as applicable.
BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint);
BOOL GetWindowRect(HWND hwnd, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND hwnd, RECT* rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND hwnd, POINT* point);
BOOL ScreenToClient(HWND hwnd, POINT* point);
// Maps points from one window's client coordinates to another's (nullptr = screen); returns the offset as
// MAKELONG(dx, dy).
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);

BOOL SetWindowText(HWND hwnd, LPCWSTR text);  // sends WM_SETTEXT
// Own thread: sends WM_GETTEXT. Another thread's window: reads the stored caption without sending.
int GetWindowText(HWND hwnd, LPWSTR buffer, int count);
int GetWindowTextLength(HWND hwnd);
std::wstring GetWindowTextString(HWND hwnd);

// Returns whether the window was disabled before; sends WM_ENABLE on a change.
BOOL EnableWindow(HWND hwnd, BOOL enable);
BOOL IsWindowEnabled(HWND hwnd);

HWND GetParent(HWND hwnd);  // the parent of a child, the owner of a pop-up
// Moves hwnd under newParent (nullptr: top level), on top of its new siblings; returns the old parent.
HWND SetParent(HWND hwnd, HWND newParent);
HWND GetAncestor(HWND hwnd, UINT flags);  // GA_PARENT, GA_ROOT
inline constexpr UINT GA_PARENT = 1;
inline constexpr UINT GA_ROOT = 2;
BOOL IsChild(HWND parent, HWND hwnd);
HWND GetWindow(HWND hwnd, UINT cmd);
HWND GetTopWindow(HWND hwnd);
HWND GetDlgItem(HWND dialog, int id);  // a direct child with that id
int GetDlgCtrlID(HWND hwnd);
HWND GetDesktopWindow();
// Calls f for every descendant in z-order, depth first, until it returns FALSE.
BOOL EnumChildWindows(HWND parent, const std::function<BOOL(HWND)>& f);
// Top-level windows of this process.
BOOL EnumWindows(const std::function<BOOL(HWND)>& f);
DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId);

LONG_PTR GetWindowLongPtr(HWND hwnd, int index);
// GWL_STYLE changes WS_VISIBLE/WS_DISABLED bits too, without messages (as on Windows).
LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value);
LONG GetWindowLong(HWND hwnd, int index);
LONG SetWindowLong(HWND hwnd, int index, LONG value);

// Focus and activation are per thread (focus) and per process (foreground, active).
HWND SetFocus(HWND hwnd);
HWND GetFocus();
HWND SetActiveWindow(HWND hwnd);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND hwnd);
HWND GetForegroundWindow();
BOOL BringWindowToTop(HWND hwnd);
// The owned pop-up the user used last (an enabled, visible window owned by hwnd), else hwnd.
HWND GetLastActivePopup(HWND hwnd);
HWND SetCapture(HWND hwnd);
BOOL ReleaseCapture();
HWND GetCapture();

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);  // nullptr: the whole client area
BOOL ValidateRect(HWND hwnd, const RECT* rect);
BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase);
BOOL UpdateWindow(HWND hwnd);  // sends WM_PAINT now when the update rectangle is not empty

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// The dialog class's procedure: WM_CLOSE becomes WM_COMMAND IDCANCEL; DWLP_MSGRESULT is kept in the extra
// bytes.
LRESULT DefDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// What a presentation layer learns about windows (all on the window's thread, after the change).
struct WindowObserver {
  virtual ~WindowObserver() = default;
  virtual void OnCreated(HWND) {}
  virtual void OnDestroyed(HWND) {}
  virtual void OnMovedOrSized(HWND) {}
  virtual void OnShown(HWND, bool /*visible*/) {}
  virtual void OnTextChanged(HWND) {}
  virtual void OnInvalidated(HWND) {}
  virtual void OnZOrderChanged(HWND) {}
};
// One observer per process; nullptr removes it. The caller keeps ownership.
void SetWindowObserver(WindowObserver* observer);
// Whether a presentation layer shows the windows (a real display is on).
bool HasWindowObserver();

}  // namespace win
