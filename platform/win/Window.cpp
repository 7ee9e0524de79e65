#include "platform/win/Window.h"

#include <algorithm>
#include <cstring>

#include "platform/win/Core.h"
#include "platform/win/Message.h"
#include "platform/win/Thread.h"
#include "platform/win/Wnd.h"
#include "platform/win/WndAccess.h"

namespace win {

namespace {

using core::Core;
using core::WindowRec;

inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr WPARAM SC_CLOSE = 0xF060;
inline constexpr WPARAM SC_RESTORE = 0xF120;

// The handler a CWnd::CreateEx hands to the window being made on this thread.
thread_local CWnd* t_creatingHandler = nullptr;

template <class F>
void Notify(F&& f) {
  WindowObserver* o;
  {
    auto& core = Core::Get();
    std::lock_guard lock(core.m);
    o = core.observer;
  }
  if (o) f(*o);
}

// A process-wide window (active, foreground, capture).
HWND Global(HWND Core::*member) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  return core.*member;
}

bool OwnedByCaller(const WindowRec& w) { return w.queue->tid == GetCurrentThreadId(); }

std::shared_ptr<WindowRec> Lookup(HWND hwnd) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  return core.FindOrFail(hwnd);
}

// Screen position of a window's client origin (caller holds the lock).
POINT ClientOrigin(const Core& core, const WindowRec& w) {
  POINT p{w.rect.left, w.rect.top};
  HWND parent = w.parent;
  while (parent) {
    auto pw = core.Find(parent);
    if (!pw) break;
    p.x += pw->rect.left;
    p.y += pw->rect.top;
    parent = pw->parent;
  }
  return p;
}

void Subtree(const Core& core, HWND hwnd, std::vector<HWND>& parentsFirst) {
  parentsFirst.push_back(hwnd);
  auto w = core.Find(hwnd);
  if (!w) return;
  for (HWND c : w->children) Subtree(core, c, parentsFirst);
}

void RemoveWindow(HWND hwnd) {
  auto& core = Core::Get();
  CWnd* handler = nullptr;
  CWnd* attached = nullptr;
  {
    std::lock_guard lock(core.m);
    auto w = core.Find(hwnd);
    if (!w) return;
    core.UnlinkZOrder(*w);
    if (w->cls) --w->cls->windows;
    auto& q = *w->queue;
    for (auto it = q.posted.begin(); it != q.posted.end();) {
      if (it->hwnd == hwnd) {
        if (it->message == core::kMsgPostedCall) core.postedCalls.erase(it->lParam);
        it = q.posted.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = q.incoming.begin(); it != q.incoming.end();) {
      if ((*it)->hwnd == hwnd) {
        (*it)->done = true;
        (*it)->result = 0;
        if ((*it)->sender) core.Wake(*(*it)->sender);
        it = q.incoming.erase(it);
      } else {
        ++it;
      }
    }
    std::erase_if(q.timers, [&](const core::TimerRec& t) { return t.hwnd == hwnd; });
    q.paintPending.erase(hwnd);
    if (q.focus == hwnd) q.focus = nullptr;
    if (core.foreground == hwnd) core.foreground = nullptr;
    if (core.active == hwnd) core.active = nullptr;
    if (core.capture == hwnd) core.capture = nullptr;
    for (auto& [h, other] : core.windows)
      if (other->lastActivePopup == hwnd) other->lastActivePopup = nullptr;
    handler = w->handler;
    attached = w->attached;
    core.windows.erase(hwnd);
  }
  Notify([&](WindowObserver& o) { o.OnDestroyed(hwnd); });
  if (attached && attached != handler) WndAccess::Detach(attached);
  if (handler) {
    WndAccess::Detach(handler);
    CWinThread* thread = AfxGetThread();
    if (thread && thread->m_pMainWnd == handler) {
      thread->m_pMainWnd = nullptr;
      PostQuitMessage(0);
    }
    handler->PostNcDestroy();  // may delete the object
  }
}

BOOL ShowWindowOnOwner(HWND hwnd, int cmd) {
  auto w = Lookup(hwnd);
  if (!w) return FALSE;
  DWORD style;
  {
    std::lock_guard lock(Core::Get().m);
    style = w->style;
  }
  const bool wasVisible = style & WS_VISIBLE;
  const bool show = cmd != SW_HIDE;
  UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
  DWORD newState = style & ~(WS_MINIMIZE | WS_MAXIMIZE);
  switch (cmd) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
      newState |= WS_MINIMIZE;
      break;
    case SW_SHOWMAXIMIZED:
      newState |= WS_MAXIMIZE;
      break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
    case SW_SHOW:
      newState |= style & (WS_MINIMIZE | WS_MAXIMIZE);
      break;
    case SW_HIDE:
      newState = style;
      break;
    default:
      break;
  }
  if (cmd == SW_SHOWNOACTIVATE || cmd == SW_SHOWNA || cmd == SW_SHOWMINNOACTIVE || cmd == SW_MINIMIZE ||
      cmd == SW_HIDE)
    flags |= SWP_NOACTIVATE;
  if (newState != style) {
    std::lock_guard lock(Core::Get().m);
    w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | (newState & (WS_MINIMIZE | WS_MAXIMIZE));
  }
  if (show == wasVisible && newState == style) return wasVisible ? TRUE : FALSE;
  if (show != wasVisible) {
    core::CallProc(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    flags |= show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW;
  }
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, flags);
  return wasVisible ? TRUE : FALSE;
}

BOOL SetWindowPosOnOwner(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  auto& core = Core::Get();
  auto w = Lookup(hwnd);
  if (!w) return FALSE;
  WINDOWPOS pos{hwnd, insertAfter, x, y, cx, cy, flags};
  {
    std::lock_guard lock(core.m);
    if (flags & SWP_NOMOVE) {
      pos.x = w->rect.left;
      pos.y = w->rect.top;
    }
    if (flags & SWP_NOSIZE) {
      pos.cx = w->rect.right - w->rect.left;
      pos.cy = w->rect.bottom - w->rect.top;
    }
  }
  if (!(flags & SWP_NOSENDCHANGING)) core::CallProc(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
  bool moved = false, sized = false, shown = false, hidden = false, zorder = false;
  {
    std::lock_guard lock(core.m);
    if (!core.Find(hwnd)) return FALSE;
    if (pos.cx < 0) pos.cx = 0;
    if (pos.cy < 0) pos.cy = 0;
    if (!(pos.flags & SWP_NOMOVE) && (pos.x != w->rect.left || pos.y != w->rect.top)) moved = true;
    if (!(pos.flags & SWP_NOSIZE) &&
        (pos.cx != w->rect.right - w->rect.left || pos.cy != w->rect.bottom - w->rect.top))
      sized = true;
    if (!(pos.flags & SWP_NOMOVE)) {
      LONG wdt = w->rect.right - w->rect.left, hgt = w->rect.bottom - w->rect.top;
      w->rect = {pos.x, pos.y, pos.x + wdt, pos.y + hgt};
    }
    if (!(pos.flags & SWP_NOSIZE)) {
      w->rect.right = w->rect.left + pos.cx;
      w->rect.bottom = w->rect.top + pos.cy;
    }
    if (!(pos.flags & SWP_NOZORDER)) {
      HWND after = pos.hwndInsertAfter;
      if (after == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
      if (after == HWND_NOTOPMOST) w->exStyle &= ~WS_EX_TOPMOST;
      if (auto* list = core.SiblingList(*w)) {
        list->erase(std::remove(list->begin(), list->end(), hwnd), list->end());
        if (after == HWND_BOTTOM) {
          list->push_back(hwnd);
        } else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
          core.LinkZOrder(*w);  // on top of its group
        } else {
          auto it = std::find(list->begin(), list->end(), after);
          if (it == list->end()) core.LinkZOrder(*w);
          else list->insert(it + 1, hwnd);
        }
        zorder = true;
      }
    }
    if ((pos.flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE)) {
      w->style |= WS_VISIBLE;
      shown = true;
    }
    if ((pos.flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE)) {
      w->style &= ~WS_VISIBLE;
      hidden = true;
    }
    if (shown && !w->parent && !(pos.flags & SWP_NOACTIVATE) && !w->messageOnly) {
      core.active = hwnd;
      HWND owner = w->owner;
      if (auto ow = core.Find(owner)) ow->lastActivePopup = hwnd;
    }
  }
  core::CallProc(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
  if (shown || sized) InvalidateRect(hwnd, nullptr, TRUE);
  if (moved || sized) Notify([&](WindowObserver& o) { o.OnMovedOrSized(hwnd); });
  if (shown || hidden) Notify([&](WindowObserver& o) { o.OnShown(hwnd, shown); });
  if (zorder) Notify([&](WindowObserver& o) { o.OnZOrderChanged(hwnd); });
  return TRUE;
}

}  // namespace

// ---- classes -------------------------------------------------------------------------------------------------

ATOM RegisterClass(const WNDCLASSW* wc) {
  if (!wc || !wc->lpszClassName || !*wc->lpszClassName || wc->cbWndExtra < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  std::wstring name = wc->lpszClassName;
  if (core.classes.count(name)) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  auto rec = std::make_shared<core::ClassRec>();
  rec->name = name;
  rec->wc = *wc;
  rec->wc.lpszClassName = nullptr;  // the caller's text need not outlive the call
  rec->wc.lpszMenuName = nullptr;
  rec->atom = core.nextAtom++;
  core.classes.emplace(name, rec);
  return rec->atom;
}

BOOL UnregisterClass(LPCWSTR className, HINSTANCE) {
  if (!className) return FALSE;
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto it = core.classes.find(std::wstring_view(className));
  if (it == core.classes.end() || it->second->name == kDialogClass) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  if (it->second->windows > 0) {
    SetLastError(ERROR_CLASS_HAS_WINDOWS);
    return FALSE;
  }
  core.classes.erase(it);
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, LPCWSTR className, WNDCLASSW* out) {
  if (!className || !out) return FALSE;
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto it = core.classes.find(std::wstring_view(className));
  if (it == core.classes.end()) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  *out = it->second->wc;
  out->lpszClassName = className;
  return TRUE;
}

std::wstring GetClassNameString(HWND hwnd) {
  auto w = Lookup(hwnd);
  return w && w->cls ? w->cls->name : std::wstring();
}

int GetClassName(HWND hwnd, LPWSTR buffer, int count) {
  if (!buffer || count <= 0) return 0;
  std::wstring name = GetClassNameString(hwnd);
  int n = std::min<int>(static_cast<int>(name.size()), count - 1);
  std::copy_n(name.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

// ---- creation and destruction --------------------------------------------------------------------------------

HWND CreateWindowEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  CWnd* handler = t_creatingHandler;
  t_creatingHandler = nullptr;
  auto queue = core::CurrentQueue();
  auto& core = Core::Get();
  auto w = std::make_shared<WindowRec>();
  {
    std::lock_guard lock(core.m);
    auto cls = className ? core.classes.find(std::wstring_view(className)) : core.classes.end();
    if (cls == core.classes.end()) {
      SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    const bool messageOnly = parent == HWND_MESSAGE;
    if (messageOnly) parent = nullptr;
    if ((style & WS_CHILD) && !parent && !messageOnly) {
      SetLastError(1406);  // ERROR_TLW_WITH_WSCHILD
      return nullptr;
    }
    if (parent && !core.Find(parent)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    w->hwnd = reinterpret_cast<HWND>(static_cast<std::uintptr_t>(core.nextHwnd));
    core.nextHwnd += 4;
    w->cls = cls->second;
    ++w->cls->windows;
    w->queue = queue;
    w->text = windowName ? windowName : L"";
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    w->rect = {x, y, x + std::max(width, 0), y + std::max(height, 0)};
    w->messageOnly = messageOnly;
    if (style & WS_CHILD) {
      w->parent = parent;
      w->id = reinterpret_cast<UINT_PTR>(menu);
    } else {
      w->owner = parent;
    }
    w->proc = w->cls->wc.lpfnWndProc;
    w->handler = handler;
    w->attached = handler;
    w->instance = instance;
    w->extra.assign(static_cast<size_t>(w->cls->wc.cbWndExtra), 0);
    core.windows.emplace(w->hwnd, w);
    core.LinkZOrder(*w);
  }
  HWND hwnd = w->hwnd;
  if (handler) handler->m_hWnd = hwnd;
  Notify([&](WindowObserver& o) { o.OnCreated(hwnd); });
  std::wstring classCopy = className;
  CREATESTRUCTW cs;
  cs.lpCreateParams = param;
  cs.hInstance = instance;
  cs.hMenu = menu;
  cs.hwndParent = parent;
  cs.cy = height;
  cs.cx = width;
  cs.y = y;
  cs.x = x;
  cs.style = static_cast<LONG>(style);
  cs.lpszName = windowName;
  cs.lpszClass = classCopy.c_str();
  cs.dwExStyle = exStyle;
  if (!core::CallProc(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
      core::CallProc(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return nullptr;
  }
  if ((style & WS_VISIBLE) && IsWindow(hwnd)) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  auto& core = Core::Get();
  std::vector<HWND> subtree;
  std::vector<HWND> owned;
  {
    std::lock_guard lock(core.m);
    auto w = core.FindOrFail(hwnd);
    if (!w) return FALSE;
    if (!OwnedByCaller(*w)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (w->destroying) return TRUE;
    Subtree(core, hwnd, subtree);
    for (HWND h : subtree) core.Find(h)->destroying = true;
    for (auto& [h, other] : core.windows)
      if (other->owner == hwnd && !other->destroying) owned.push_back(h);
  }
  std::sort(owned.begin(), owned.end());
  for (HWND h : owned) {
    auto o = Lookup(h);
    if (!o) continue;
    if (OwnedByCaller(*o)) DestroyWindow(h);
    else PostMessage(h, WM_CLOSE, 0, 0);
  }
  bool wasVisible;
  {
    std::lock_guard lock(core.m);
    auto w = core.Find(hwnd);
    wasVisible = w && (w->style & WS_VISIBLE);
    if (w) w->style &= ~WS_VISIBLE;
  }
  if (wasVisible) Notify([&](WindowObserver& o) { o.OnShown(hwnd, false); });
  for (HWND h : subtree) SendMessage(h, WM_DESTROY, 0, 0);
  for (auto it = subtree.rbegin(); it != subtree.rend(); ++it) {
    SendMessage(*it, WM_NCDESTROY, 0, 0);
    RemoveWindow(*it);
  }
  return TRUE;
}

BOOL IsWindow(HWND hwnd) {
  if (!hwnd) return FALSE;
  if (core::IsProxy(hwnd)) return core::ProxyIsWindow(hwnd);
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  return core.Find(hwnd) ? TRUE : FALSE;
}

// ---- finding -------------------------------------------------------------------------------------------------

namespace {
bool Matches(const WindowRec& w, LPCWSTR className, LPCWSTR windowName) {
  if (className && !mx::EqualsNoCase(w.cls->name, className)) return false;
  if (windowName && (!*windowName || !mx::EqualsNoCase(w.text, windowName))) return false;
  return true;
}
}  // namespace

HWND FindWindowEx(HWND parent, HWND childAfter, LPCWSTR className, LPCWSTR windowName) {
  if (windowName && !*windowName) return nullptr;
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  const std::vector<HWND>* list = &core.topLevel;
  if (parent) {
    auto p = core.FindOrFail(parent);
    if (!p) return nullptr;
    list = &p->children;
  }
  auto it = list->begin();
  if (childAfter) {
    it = std::find(list->begin(), list->end(), childAfter);
    if (it != list->end()) ++it;
  }
  for (; it != list->end(); ++it) {
    auto w = core.Find(*it);
    if (w && !w->destroying && Matches(*w, className, windowName)) return *it;
  }
  return nullptr;
}

HWND FindWindow(LPCWSTR className, LPCWSTR windowName) {
  if (windowName && !*windowName) return nullptr;
  if (HWND h = FindWindowEx(nullptr, nullptr, className, windowName)) return h;
  return core::FindRemoteWindow(className, windowName);
}

// ---- showing and placing -------------------------------------------------------------------------------------

BOOL ShowWindow(HWND hwnd, int cmd) {
  if (core::IsProxy(hwnd)) return core::ProxyShow(hwnd, cmd);
  auto w = Lookup(hwnd);
  if (!w) return FALSE;
  return static_cast<BOOL>(core::RunOnOwner(hwnd, [&]() -> LRESULT { return ShowWindowOnOwner(hwnd, cmd); }));
}

BOOL ShowWindowAsync(HWND hwnd, int cmd) {
  if (core::IsProxy(hwnd)) return core::ProxyShow(hwnd, cmd);
  return core::PostToOwner(hwnd, [hwnd, cmd] { ShowWindowOnOwner(hwnd, cmd); });
}

BOOL IsWindowVisible(HWND hwnd) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  for (auto w = core.Find(hwnd); w; w = core.Find(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!w->parent) return TRUE;
  }
  return FALSE;
}

BOOL IsIconic(HWND hwnd) { return (GetWindowLong(hwnd, GWL_STYLE) & static_cast<LONG>(WS_MINIMIZE)) ? TRUE : FALSE; }
BOOL IsZoomed(HWND hwnd) { return (GetWindowLong(hwnd, GWL_STYLE) & static_cast<LONG>(WS_MAXIMIZE)) ? TRUE : FALSE; }

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  if (!Lookup(hwnd)) return FALSE;
  return static_cast<BOOL>(core::RunOnOwner(
      hwnd, [&]() -> LRESULT { return SetWindowPosOnOwner(hwnd, insertAfter, x, y, cx, cy, flags); }));
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(hwnd, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return FALSE;
  POINT o = ClientOrigin(core, *w);
  *rect = {o.x, o.y, o.x + (w->rect.right - w->rect.left), o.y + (w->rect.bottom - w->rect.top)};
  return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
  if (!rect) return FALSE;
  auto w = Lookup(hwnd);
  if (!w) return FALSE;
  std::lock_guard lock(Core::Get().m);
  *rect = {0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  POINT a{0, 0}, b{0, 0};
  if (from) {
    auto w = core.FindOrFail(from);
    if (!w) return 0;
    a = ClientOrigin(core, *w);
  }
  if (to) {
    auto w = core.FindOrFail(to);
    if (!w) return 0;
    b = ClientOrigin(core, *w);
  }
  LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  SetLastError(0);
  return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
  if (!IsWindow(hwnd)) return FALSE;
  MapWindowPoints(hwnd, nullptr, point, 1);
  return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
  if (!IsWindow(hwnd)) return FALSE;
  MapWindowPoints(nullptr, hwnd, point, 1);
  return TRUE;
}

// ---- text ----------------------------------------------------------------------------------------------------

BOOL SetWindowText(HWND hwnd, LPCWSTR text) {
  if (!Lookup(hwnd)) return FALSE;
  return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : L"")) ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, LPWSTR buffer, int count) {
  if (!buffer || count <= 0) return 0;
  auto w = Lookup(hwnd);
  if (!w) {
    buffer[0] = 0;
    return 0;
  }
  if (OwnedByCaller(*w))
    return static_cast<int>(SendMessage(hwnd, WM_GETTEXT, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buffer)));
  std::lock_guard lock(Core::Get().m);
  int n = std::min<int>(static_cast<int>(w->text.size()), count - 1);
  std::copy_n(w->text.data(), n, buffer);
  buffer[n] = 0;
  return n;
}

int GetWindowTextLength(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w) return 0;
  if (OwnedByCaller(*w)) return static_cast<int>(SendMessage(hwnd, WM_GETTEXTLENGTH, 0, 0));
  std::lock_guard lock(Core::Get().m);
  return static_cast<int>(w->text.size());
}

std::wstring GetWindowTextString(HWND hwnd) {
  int len = GetWindowTextLength(hwnd);
  if (len <= 0) return {};
  std::wstring text(static_cast<size_t>(len) + 1, L'\0');
  int n = GetWindowText(hwnd, text.data(), len + 1);
  text.resize(static_cast<size_t>(std::max(n, 0)));
  return text;
}

// ---- state ---------------------------------------------------------------------------------------------------

BOOL EnableWindow(HWND hwnd, BOOL enable) {
  if (!Lookup(hwnd)) return FALSE;
  return static_cast<BOOL>(core::RunOnOwner(hwnd, [&]() -> LRESULT {
    bool wasDisabled;
    {
      auto& core = Core::Get();
      std::lock_guard lock(core.m);
      auto w = core.Find(hwnd);
      if (!w) return FALSE;
      wasDisabled = w->style & WS_DISABLED;
      if (wasDisabled == !enable) return wasDisabled;
      if (enable) w->style &= ~WS_DISABLED;
      else w->style |= WS_DISABLED;
    }
    core::CallProc(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
  }));
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w) return FALSE;
  std::lock_guard lock(Core::Get().m);
  return (w->style & WS_DISABLED) ? FALSE : TRUE;
}

// ---- the tree ------------------------------------------------------------------------------------------------

HWND GetParent(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w) return nullptr;
  std::lock_guard lock(Core::Get().m);
  return w->parent ? w->parent : w->owner;
}

HWND SetParent(HWND hwnd, HWND newParent) {
  if (!Lookup(hwnd) || (newParent && !Lookup(newParent))) return nullptr;
  LRESULT old = core::RunOnOwner(hwnd, [&]() -> LRESULT {
    auto& core = Core::Get();
    std::lock_guard lock(core.m);
    auto w = core.Find(hwnd);
    if (!w) return 0;
    for (HWND p = newParent; p; p = core.Find(p) ? core.Find(p)->parent : nullptr)
      if (p == hwnd) return 0;  // a window cannot become its own descendant
    HWND previous = w->parent;
    core.UnlinkZOrder(*w);
    w->parent = newParent;
    if (newParent) {
      w->style |= WS_CHILD;
      w->style &= ~WS_POPUP;
      w->owner = nullptr;
    } else {
      w->style &= ~WS_CHILD;
    }
    core.LinkZOrder(*w);
    return reinterpret_cast<LRESULT>(previous ? previous : GetDesktopWindow());
  });
  if (old) Notify([&](WindowObserver& o) { o.OnZOrderChanged(hwnd); });
  return reinterpret_cast<HWND>(old);
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.Find(hwnd);
  if (!w) return nullptr;
  if (flags == GA_PARENT) return w->parent;
  while (w->parent) {
    auto p = core.Find(w->parent);
    if (!p) break;
    w = p;
  }
  return w->hwnd;
}

BOOL IsChild(HWND parent, HWND hwnd) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.Find(hwnd);
  while (w && w->parent) {
    if (w->parent == parent) return TRUE;
    w = core.Find(w->parent);
  }
  return FALSE;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return nullptr;
  if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
  if (cmd == GW_OWNER) return w->owner;
  auto* list = core.SiblingList(*w);
  if (!list || list->empty()) return nullptr;
  auto it = std::find(list->begin(), list->end(), hwnd);
  switch (cmd) {
    case GW_HWNDFIRST:
      return list->front();
    case GW_HWNDLAST:
      return list->back();
    case GW_HWNDNEXT:
      return (it == list->end() || it + 1 == list->end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV:
      return (it == list->begin() || it == list->end()) ? nullptr : *(it - 1);
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
  }
}

HWND GetTopWindow(HWND hwnd) {
  if (!hwnd) {
    auto& core = Core::Get();
    std::lock_guard lock(core.m);
    return core.topLevel.empty() ? nullptr : core.topLevel.front();
  }
  return GetWindow(hwnd, GW_CHILD);
}

HWND GetDlgItem(HWND dialog, int id) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(dialog);
  if (!w) return nullptr;
  for (HWND c : w->children) {
    auto cw = core.Find(c);
    if (cw && static_cast<int>(cw->id) == id) return c;
  }
  SetLastError(1421);  // ERROR_CONTROL_ID_NOT_FOUND
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  auto w = Lookup(hwnd);
  if (!w) return 0;
  std::lock_guard lock(Core::Get().m);
  return static_cast<int>(w->id);
}

HWND GetDesktopWindow() {
  // A fixed value no window ever gets (window handles start higher and are multiples of 4 above it).
  return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(0x10008));
}

BOOL EnumChildWindows(HWND parent, const std::function<BOOL(HWND)>& f) {
  std::vector<HWND> all;
  {
    auto& core = Core::Get();
    std::lock_guard lock(core.m);
    if (!core.Find(parent)) return FALSE;
    Subtree(core, parent, all);
  }
  for (size_t i = 1; i < all.size(); ++i)
    if (IsWindow(all[i]) && !f(all[i])) return FALSE;
  return TRUE;
}

BOOL EnumWindows(const std::function<BOOL(HWND)>& f) {
  std::vector<HWND> all;
  {
    auto& core = Core::Get();
    std::lock_guard lock(core.m);
    all = core.topLevel;
  }
  for (HWND h : all)
    if (IsWindow(h) && !f(h)) return FALSE;
  return TRUE;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* processId) {
  auto w = Lookup(hwnd);
  if (!w) return 0;
  if (processId) *processId = GetCurrentProcessId();
  return w->queue->tid;
}

// ---- window longs --------------------------------------------------------------------------------------------

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_ID:
      return static_cast<LONG_PTR>(w->id);
    case GWLP_USERDATA:
      return w->userData;
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    default:
      break;
  }
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  LONG_PTR v;
  std::memcpy(&v, w->extra.data() + index, sizeof v);
  return v;
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return 0;
  LONG_PTR old = 0;
  switch (index) {
    case GWL_STYLE:
      old = static_cast<LONG>(w->style);
      w->style = static_cast<DWORD>(value);
      return old;
    case GWL_EXSTYLE:
      old = static_cast<LONG>(w->exStyle);
      w->exStyle = static_cast<DWORD>(value);
      return old;
    case GWLP_ID:
      old = static_cast<LONG_PTR>(w->id);
      w->id = static_cast<UINT_PTR>(value);
      return old;
    case GWLP_USERDATA:
      old = w->userData;
      w->userData = value;
      return old;
    case GWLP_WNDPROC:
      old = reinterpret_cast<LONG_PTR>(w->proc);
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    default:
      break;
  }
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > w->extra.size()) {
    SetLastError(ERROR_INVALID_INDEX);
    return 0;
  }
  std::memcpy(&old, w->extra.data() + index, sizeof old);
  std::memcpy(w->extra.data() + index, &value, sizeof value);
  return old;
}

LONG GetWindowLong(HWND hwnd, int index) { return static_cast<LONG>(GetWindowLongPtr(hwnd, index)); }
LONG SetWindowLong(HWND hwnd, int index, LONG value) {
  LONG_PTR v = (index == GWL_STYLE || index == GWL_EXSTYLE) ? static_cast<LONG_PTR>(static_cast<DWORD>(value)) : value;
  return static_cast<LONG>(SetWindowLongPtr(hwnd, index, v));
}

// ---- focus and activation ------------------------------------------------------------------------------------

HWND SetFocus(HWND hwnd) {
  auto q = core::CurrentQueue();
  HWND old;
  {
    auto& core = Core::Get();
    std::lock_guard lock(core.m);
    if (hwnd) {
      auto w = core.FindOrFail(hwnd);
      if (!w) return nullptr;
      if (w->queue != q) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
      }
    }
    old = q->focus;
    if (old == hwnd) return old;
    q->focus = hwnd;
  }
  if (old && IsWindow(old)) core::CallProc(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
  if (hwnd && IsWindow(hwnd)) core::CallProc(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() {
  auto q = core::CurrentQueue();
  std::lock_guard lock(Core::Get().m);
  return q->focus;
}

HWND SetActiveWindow(HWND hwnd) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  if (hwnd && !core.Find(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND old = core.active;
  core.active = hwnd;
  if (auto w = core.Find(hwnd))
    if (auto ow = core.Find(w->owner)) ow->lastActivePopup = hwnd;
  return old;
}

HWND GetActiveWindow() { return Global(&Core::active); }

BOOL SetForegroundWindow(HWND hwnd) {
  if (core::IsProxy(hwnd)) return core::ProxyForeground(hwnd);
  auto& core = Core::Get();
  {
    std::lock_guard lock(core.m);
    auto w = core.FindOrFail(hwnd);
    if (!w) return FALSE;
    core.foreground = hwnd;
    core.active = hwnd;
  }
  BringWindowToTop(hwnd);
  return TRUE;
}

HWND GetForegroundWindow() { return Global(&Core::foreground); }

BOOL BringWindowToTop(HWND hwnd) {
  return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HWND GetLastActivePopup(HWND hwnd) {
  if (core::IsProxy(hwnd)) return core::ProxyLastActivePopup(hwnd);
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return nullptr;
  auto p = core.Find(w->lastActivePopup);
  if (p && p->owner == hwnd && (p->style & WS_VISIBLE) && !(p->style & WS_DISABLED)) return p->hwnd;
  return hwnd;
}

HWND SetCapture(HWND hwnd) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  if (!core.Find(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  HWND old = core.capture;
  core.capture = hwnd;
  return old;
}

BOOL ReleaseCapture() {
  HWND old;
  {
    auto& core = Core::Get();
    std::lock_guard lock(core.m);
    old = core.capture;
    core.capture = nullptr;
  }
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return Global(&Core::capture); }

// ---- painting ------------------------------------------------------------------------------------------------

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL) {
  auto& core = Core::Get();
  {
    std::lock_guard lock(core.m);
    auto w = core.FindOrFail(hwnd);
    if (!w) return FALSE;
    RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    RECT r = rect ? *rect : client;
    r.left = std::max(r.left, client.left);
    r.top = std::max(r.top, client.top);
    r.right = std::min(r.right, client.right);
    r.bottom = std::min(r.bottom, client.bottom);
    if (r.right <= r.left || r.bottom <= r.top) return TRUE;
    if (!w->hasUpdate) {
      w->update = r;
      w->hasUpdate = true;
    } else {
      w->update = {std::min(w->update.left, r.left), std::min(w->update.top, r.top),
                   std::max(w->update.right, r.right), std::max(w->update.bottom, r.bottom)};
    }
    ++w->updateGeneration;
    w->queue->paintPending.insert(hwnd);
    core.Wake(*w->queue);
  }
  Notify([&](WindowObserver& o) { o.OnInvalidated(hwnd); });
  return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return FALSE;
  if (!w->hasUpdate) return TRUE;
  const RECT& u = w->update;
  // A rectangle only clears the update area when it covers it: the area is kept as one rectangle.
  if (!rect || (rect->left <= u.left && rect->top <= u.top && rect->right >= u.right && rect->bottom >= u.bottom)) {
    w->hasUpdate = false;
    w->update = {};
    w->queue->paintPending.erase(hwnd);
  }
  return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return FALSE;
  if (rect) *rect = w->hasUpdate ? w->update : RECT{};
  return w->hasUpdate ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
  if (!IsWindow(hwnd)) return FALSE;
  if (GetUpdateRect(hwnd, nullptr, FALSE) && IsWindowVisible(hwnd)) SendMessage(hwnd, WM_PAINT, 0, 0);
  return TRUE;
}

// ---- default procedures --------------------------------------------------------------------------------------

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& core = Core::Get();
  switch (msg) {
    case WM_NCCREATE:
      return TRUE;
    case WM_SETTEXT: {
      {
        std::lock_guard lock(core.m);
        auto w = core.Find(hwnd);
        if (!w) return FALSE;
        auto text = reinterpret_cast<LPCWSTR>(lParam);
        w->text = text ? text : L"";
      }
      Notify([&](WindowObserver& o) { o.OnTextChanged(hwnd); });
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<LPWSTR>(lParam);
      if (!buffer || wParam == 0) return 0;
      std::lock_guard lock(core.m);
      auto w = core.Find(hwnd);
      if (!w) {
        buffer[0] = 0;
        return 0;
      }
      size_t n = std::min(w->text.size(), static_cast<size_t>(wParam) - 1);
      std::copy_n(w->text.data(), n, buffer);
      buffer[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
      std::lock_guard lock(core.m);
      auto w = core.Find(hwnd);
      return w ? static_cast<LRESULT>(w->text.size()) : 0;
    }
    case WM_PAINT:
      ValidateRect(hwnd, nullptr);
      return 0;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!pos) return 0;
      if (!(pos->flags & SWP_NOMOVE))
        core::CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(pos->x), static_cast<WORD>(pos->y)));
      if (!(pos->flags & SWP_NOSIZE))
        core::CallProc(hwnd, WM_SIZE, IsIconic(hwnd) ? 1 : (IsZoomed(hwnd) ? 2 : 0),
                       MAKELPARAM(static_cast<WORD>(pos->cx), static_cast<WORD>(pos->cy)));
      return 0;
    }
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_CLOSE:
          core::CallProc(hwnd, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(hwnd, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(hwnd, SW_SHOWMAXIMIZED);
          break;
        case SC_RESTORE:
          ShowWindow(hwnd, SW_RESTORE);
          break;
        default:
          break;
      }
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_NCHITTEST:
      return 1;  // HTCLIENT
    case WM_MOUSEACTIVATE:
      return 1;  // MA_ACTIVATE
    default:
      return 0;
  }
}

LRESULT DefDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_CLOSE) {
    PostMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
    return 0;
  }
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(hwnd, msg, wParam, lParam) : DefWindowProc(hwnd, msg, wParam, lParam);
}

// Used by CWnd::CreateEx.
void SetCreatingHandler(CWnd* handler) { t_creatingHandler = handler; }

}  // namespace win
