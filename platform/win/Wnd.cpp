#include "platform/win/Wnd.h"

#include "platform/win/Core.h"
#include "platform/win/Message.h"
#include "platform/win/MessageBox.h"
#include "platform/win/Thread.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"
#include "platform/win/WndAccess.h"

namespace win {

namespace {
// Messages handled before a headless prompt is answered, at most: a handler that keeps posting to itself
// must not hold the prompt for ever.
constexpr int kDrainLimit = 10000;

void Pump(MSG& msg) {
  CWinThread* thread = AfxGetThread();
  if (thread && thread->PreTranslateMessage(&msg)) return;
  TranslateMessage(&msg);
  DispatchMessage(&msg);
}
}  // namespace

CWnd::~CWnd() {
  HWND h = m_hWnd;
  if (!h) return;
  bool destroy = false;
  {
    auto& core = core::Core::Get();
    std::lock_guard lock(core.m);
    auto w = core.Find(h);
    if (w) {
      if (w->handler == this && w->queue->tid == GetCurrentThreadId()) destroy = true;
      else {
        if (w->handler == this) w->handler = nullptr;
        if (w->attached == this) w->attached = nullptr;
      }
    }
  }
  if (destroy) ::win::DestroyWindow(h);
  m_hWnd = h;
  Detach();  // whatever happened, the window no longer reaches this object
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.Find(hwnd);
  if (!w) return nullptr;
  return w->handler ? w->handler : w->attached;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu, LPVOID param) {
  if (m_hWnd) return FALSE;
  SetCreatingHandler(this);
  HWND h = ::win::CreateWindowEx(exStyle, className, windowName, style, x, y, width, height, parent, idOrMenu,
                                 nullptr, param);
  SetCreatingHandler(nullptr);
  return h ? TRUE : FALSE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param) {
  return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                  reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::win::DestroyWindow(m_hWnd) : FALSE; }

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (m_hWnd) return FALSE;
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.Find(hwnd);
  if (!w || (w->handler && w->handler != this)) return FALSE;
  w->handler = this;
  w->attached = this;
  m_hWnd = hwnd;
  return TRUE;
}

HWND CWnd::UnsubclassWindow() { return Detach(); }

BOOL CWnd::Attach(HWND hwnd) {
  if (m_hWnd) return FALSE;
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.Find(hwnd);
  if (!w) return FALSE;
  if (!w->attached) w->attached = this;
  m_hWnd = hwnd;
  return TRUE;
}

HWND CWnd::Detach() {
  HWND h = m_hWnd;
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  if (auto w = core.Find(h)) {
    if (w->handler == this) w->handler = nullptr;
    if (w->attached == this) w->attached = nullptr;
  }
  m_hWnd = nullptr;
  return h;
}

LRESULT CWnd::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProc(msg, wParam, lParam); }

LRESULT CWnd::DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
  WNDPROC proc = nullptr;
  {
    auto& core = core::Core::Get();
    std::lock_guard lock(core.m);
    if (auto w = core.Find(m_hWnd)) proc = w->proc;
  }
  return proc ? proc(m_hWnd, msg, wParam, lParam) : ::win::DefWindowProc(m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

int CWnd::RunModalLoop(DWORD) {
  modal_ = true;
  modalResult_ = -1;
  MSG msg;
  for (int i = 0; modal_ && i < kDrainLimit && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      modal_ = false;
      return -1;
    }
    Pump(msg);
  }
  if (modal_ && m_hWnd) {
    Prompt prompt;
    prompt.kind = PromptKind::Dialog;
    prompt.caption = GetWindowTextString(m_hWnd);
    prompt.text = prompt.caption;
    prompt.hwnd = m_hWnd;
    prompt.owner = GetParent(m_hWnd);
    prompt.threadId = GetCurrentThreadId();
    if (auto answer = GetAnswerProvider().Answer(prompt)) EndModalLoop(*answer);
  }
  while (modal_) {
    if (!m_hWnd || !IsWindow(m_hWnd)) {
      modal_ = false;
      return -1;
    }
    if (GetMessage(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      modal_ = false;
      return -1;
    }
    Pump(msg);
  }
  return modalResult_;
}

void CWnd::EndModalLoop(int result) {
  modalResult_ = result;
  if (modal_.exchange(false) && m_hWnd) ::win::PostMessage(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
}

LRESULT CWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return ::win::SendMessage(m_hWnd, msg, wParam, lParam); }
BOOL CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return ::win::PostMessage(m_hWnd, msg, wParam, lParam); }
UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc) { return ::win::SetTimer(m_hWnd, id, elapse, proc); }
BOOL CWnd::KillTimer(UINT_PTR id) { return ::win::KillTimer(m_hWnd, id); }
BOOL CWnd::ShowWindow(int cmd) { return ::win::ShowWindow(m_hWnd, cmd); }
BOOL CWnd::IsWindowVisible() const { return ::win::IsWindowVisible(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::win::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowEnabled() const { return ::win::IsWindowEnabled(m_hWnd); }
void CWnd::SetWindowText(LPCWSTR text) { ::win::SetWindowText(m_hWnd, text); }
int CWnd::GetWindowText(LPWSTR buffer, int count) const { return ::win::GetWindowText(m_hWnd, buffer, count); }
void CWnd::GetWindowText(std::wstring& text) const { text = GetWindowTextString(m_hWnd); }
void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::win::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
void CWnd::MoveWindow(const RECT& rect, BOOL repaint) {
  MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}
BOOL CWnd::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ::win::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
}
void CWnd::GetWindowRect(RECT* rect) const { ::win::GetWindowRect(m_hWnd, rect); }
void CWnd::GetClientRect(RECT* rect) const { ::win::GetClientRect(m_hWnd, rect); }
HWND CWnd::GetDlgItem(int id) const { return ::win::GetDlgItem(m_hWnd, id); }
int CWnd::GetDlgCtrlID() const { return ::win::GetDlgCtrlID(m_hWnd); }
HWND CWnd::GetParentHwnd() const { return ::win::GetParent(m_hWnd); }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(GetWindowLong(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(GetWindowLong(m_hWnd, GWL_EXSTYLE)); }

namespace {
// Changes style bits; swpFlags, when given, lets the window take the new frame (SetWindowPos without move).
BOOL ModifyLong(HWND hwnd, int index, DWORD remove, DWORD add, UINT swpFlags) {
  DWORD style = static_cast<DWORD>(GetWindowLong(hwnd, index));
  DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  SetWindowLong(hwnd, index, static_cast<LONG>(changed));
  if (swpFlags)
    ::win::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, swpFlags | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return TRUE;
}
}  // namespace

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags) { return ModifyLong(m_hWnd, GWL_STYLE, remove, add, swpFlags); }
BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags) {
  return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, swpFlags);
}

void CWnd::Invalidate(BOOL erase) { InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::UpdateWindow() { ::win::UpdateWindow(m_hWnd); }
HWND CWnd::SetFocus() { return ::win::SetFocus(m_hWnd); }

}  // namespace win
