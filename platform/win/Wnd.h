#pragma once
// The handler object of a window: a C++ class whose virtual WindowProc receives the window's messages. Dialog
// classes, controls and message maps derive from it.
// - CreateEx creates the window with this object as its handler from WM_NCCREATE on; SubclassWindow makes
//   this object the handler of an existing window (the class procedure stays reachable through
//   DefWindowProc); Attach only links the object to the handle, for its helper calls.
// - The object must outlive its window or destroy it: the destructor destroys a window it still handles (on
//   the owner thread) and detaches otherwise. After WM_NCDESTROY m_hWnd is nullptr and PostNcDestroy runs,
//   where self-owned windows delete themselves.
// - When the window is the main window of its thread (CWinThread::m_pMainWnd), WM_NCDESTROY posts WM_QUIT to
//   that thread and clears the pointer.
// - Modal loops: RunModalLoop runs a nested loop (handling sent, posted, paint and timer messages for every
//   window of the thread) until EndModalLoop; a headless run asks the answer provider first (MessageBox.h).
#include <atomic>
#include <string>

#include "platform/win/WinDefs.h"

namespace win {

class CWnd {
 public:
  CWnd() = default;
  virtual ~CWnd();
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // The handler object of hwnd (CreateEx/SubclassWindow) or the object attached to it, else nullptr. No
  // temporary objects are made.
  static CWnd* FromHandle(HWND hwnd);
  static CWnd* FromHandlePermanent(HWND hwnd) { return FromHandle(hwnd); }

  BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                int height, HWND parent, HMENU idOrMenu, LPVOID param = nullptr);
  BOOL CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                CWnd* parent, UINT id, LPVOID param = nullptr);
  virtual BOOL DestroyWindow();
  BOOL SubclassWindow(HWND hwnd);
  HWND UnsubclassWindow();
  BOOL Attach(HWND hwnd);
  HWND Detach();
  HWND GetSafeHwnd() const { return m_hWnd; }
  operator HWND() const { return GetSafeHwnd(); }

  // The procedure of the window. The default is DefWindowProc.
  virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // The window class's procedure (the control's own behaviour), else win::DefWindowProc / DefDlgProc.
  virtual LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
  // TRUE swallows the message before it is dispatched (see CWinThread::PreTranslateMessage).
  virtual BOOL PreTranslateMessage(MSG* msg);
  virtual void PostNcDestroy() {}

  // Nested loop until EndModalLoop; returns its result (-1 when the window went away or WM_QUIT came; WM_QUIT
  // is posted again for the outer loop). Answered at once when the answer provider scripts it.
  virtual int RunModalLoop(DWORD flags = 0);
  virtual void EndModalLoop(int result);
  BOOL ContinueModal() const { return modal_; }

  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc = nullptr);
  BOOL KillTimer(UINT_PTR id);
  BOOL ShowWindow(int cmd);
  BOOL IsWindowVisible() const;
  BOOL EnableWindow(BOOL enable = TRUE);
  BOOL IsWindowEnabled() const;
  void SetWindowText(LPCWSTR text);
  int GetWindowText(LPWSTR buffer, int count) const;
  void GetWindowText(std::wstring& text) const;
  void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
  void MoveWindow(const RECT& rect, BOOL repaint = TRUE);
  BOOL SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
  void GetWindowRect(RECT* rect) const;
  void GetClientRect(RECT* rect) const;
  HWND GetDlgItem(int id) const;
  int GetDlgCtrlID() const;
  HWND GetParentHwnd() const;
  DWORD GetStyle() const;
  DWORD GetExStyle() const;
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT swpFlags = 0);
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags = 0);
  void Invalidate(BOOL erase = TRUE);
  void UpdateWindow();
  HWND SetFocus();

  HWND m_hWnd = nullptr;

 private:
  friend struct WndAccess;
  std::atomic<bool> modal_{false};
  std::atomic<int> modalResult_{-1};
};

}  // namespace win
