#include "platform/gtk/Display.h"

#include <algorithm>
#include <map>
#include <memory>

#include "platform/base/Text.h"
#include "platform/gdi/Geometry.h"
#include "platform/gdi/Images.h"
#include "platform/gdi/LayeredWindow.h"
#include "platform/gdi/Surface.h"
#include "platform/gdi/WindowDC.h"
#include "platform/gtk/InputTarget.h"
#include "platform/gtk/KeyState.h"
#include "platform/win/Message.h"
#include "platform/win/Thread.h"
#include "platform/win/Window.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <gtk/gtk.h>

namespace gtkhost {
namespace {

struct Presented {
  HWND hwnd = nullptr;
  GtkWidget* window = nullptr;
  GtkWidget* fixed = nullptr;
  GtkWidget* area = nullptr;
  bool otherThread = false;
  bool redrawQueued = false;
  RECT dirty{};  // what to draw again, in the window's client coordinates
  HWND pressTarget = nullptr;  // the implicit grab of a held button, as X gives it
};

struct Native {
  HWND top = nullptr;
  GtkWidget* widget = nullptr;  // one reference held
};

// Only touched on the GTK main thread.
struct State {
  bool started = false;
  DWORD gtkThread = 0;
  std::map<HWND, std::unique_ptr<Presented>> tops;
  std::map<HWND, Native> natives;
  guint refreshTimer = 0;
};

State& S() {
  static State s;
  return s;
}

void Sync(HWND top);

// Runs f on the GTK main thread: now when called there, else queued to its main context.
void OnGtkThread(std::function<void()> f) {
  if (win::GetCurrentThreadId() == S().gtkThread) {
    f();
    return;
  }
  auto* heap = new std::function<void()>(std::move(f));
  g_main_context_invoke_full(
      nullptr, G_PRIORITY_DEFAULT,
      [](gpointer p) -> gboolean {
        if (S().started) (*static_cast<std::function<void()>*>(p))();
        return G_SOURCE_REMOVE;
      },
      heap, [](gpointer p) { delete static_cast<std::function<void()>*>(p); });
}

bool IsTopLevel(HWND hwnd) {
  return win::IsWindow(hwnd) && !(win::GetWindowLong(hwnd, GWL_STYLE) & WS_CHILD);
}

HWND RootOf(HWND hwnd) { return win::GetAncestor(hwnd, win::GA_ROOT); }

Presented* Find(HWND top) {
  auto it = S().tops.find(top);
  return it == S().tops.end() ? nullptr : it->second.get();
}

// A layered window's alpha is shown by the desktop's compositor (where there is one).
void ApplyOpacity(Presented& p) {
  const double opacity = gdi::WindowOpacity(p.hwnd) / 255.0;
  if (gtk_widget_get_opacity(p.window) != opacity) gtk_widget_set_opacity(p.window, opacity);
}

void QueueRedraw(Presented& p, const RECT& part) {
  // Only what changed is drawn again, so the browser view beside a busy animation is left alone.
  if (p.redrawQueued) {
    win::UnionRect(&p.dirty, &p.dirty, &part);
    return;
  }
  p.redrawQueued = true;
  p.dirty = part;
  // At idle priority, after the queue source, so the window's paint has run before we present it.
  HWND top = p.hwnd;
  g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      [](gpointer data) -> gboolean {
        if (auto* p = Find(static_cast<HWND>(data))) {
          p->redrawQueued = false;
          ApplyOpacity(*p);
          const RECT& r = p->dirty;
          cairo_rectangle_int_t dirty{r.left, r.top, r.right - r.left, r.bottom - r.top};
          cairo_region_t* region = cairo_region_create_rectangle(&dirty);
          // Nothing of ours shows under a native child: drawing there again only disturbs it.
          for (const auto& [host, native] : S().natives) {
            if (native.top != p->hwnd || !gtk_widget_get_visible(native.widget)) continue;
            GtkAllocation a;
            gtk_widget_get_allocation(native.widget, &a);
            cairo_region_subtract_rectangle(region, &a);
          }
          if (!cairo_region_is_empty(region)) gtk_widget_queue_draw_region(p->area, region);
          cairo_region_destroy(region);
        }
        return G_SOURCE_REMOVE;
      },
      top, nullptr);
}

void QueueRedraw(Presented& p) {
  RECT all{};
  win::GetClientRect(p.hwnd, &all);
  QueueRedraw(p, all);
}

gboolean OnDraw(GtkWidget*, cairo_t* cr, gpointer data) {
  HWND top = static_cast<HWND>(data);
  if (!win::IsWindow(top)) return TRUE;
  auto surface = gdi::WindowSurface(top);
  cairo_set_source_surface(cr, surface->cairo(), 0, 0);
  cairo_paint(cr);
  return TRUE;
}

WPARAM MouseKeys(guint state) {
  WPARAM keys = 0;
  if (state & GDK_BUTTON1_MASK) keys |= 0x0001;  // MK_LBUTTON
  if (state & GDK_BUTTON3_MASK) keys |= 0x0002;  // MK_RBUTTON
  if (state & GDK_SHIFT_MASK) keys |= 0x0004;    // MK_SHIFT
  if (state & GDK_CONTROL_MASK) keys |= 0x0008;  // MK_CONTROL
  if (state & GDK_BUTTON2_MASK) keys |= 0x0010;  // MK_MBUTTON
  return keys;
}

void PostMouse(HWND target, UINT msg, WPARAM keys, POINT pt) {
  win::PostMessage(target, msg, keys, MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
}

gboolean OnButton(GtkWidget* widget, GdkEventButton* ev, gpointer data) {
  auto* p = Find(static_cast<HWND>(data));
  if (!p || (ev->type != GDK_BUTTON_PRESS && ev->type != GDK_BUTTON_RELEASE)) return TRUE;
  UINT msg = 0;
  switch (ev->button) {
    case 1: msg = ev->type == GDK_BUTTON_PRESS ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
    case 3: msg = ev->type == GDK_BUTTON_PRESS ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
    default: return TRUE;
  }
  const int x = static_cast<int>(ev->x), y = static_cast<int>(ev->y);
  // Where the pointer is: a menu opened at the pointer (a list's context menu) shows there.
  win::SetCursorPos(static_cast<int>(ev->x_root), static_cast<int>(ev->y_root));
  NoteKey(ev->button == 1 ? 0x01 : 0x02, ev->type == GDK_BUTTON_PRESS);  // VK_LBUTTON, VK_RBUTTON
  if (ev->type == GDK_BUTTON_PRESS) {
    gtk_widget_grab_focus(widget);  // keys go to our windows again, not to a native child
    MouseTarget t = FindMouseTarget(p->hwnd, x, y);
    p->pressTarget = t.hwnd;
    if (t.hwnd) PostMouse(t.hwnd, msg, MouseKeys(ev->state) | (ev->button == 1 ? 0x0001 : 0x0002), t.client);
    return TRUE;
  }
  // The release goes where the press went unless a window took the capture meanwhile.
  HWND target = win::GetCapture();
  if (!target || (target != p->hwnd && !win::IsChild(p->hwnd, target))) target = p->pressTarget;
  p->pressTarget = nullptr;
  if (!target || !win::IsWindow(target)) return TRUE;
  POINT pt{x, y};
  win::ClientToScreen(p->hwnd, &pt);
  win::ScreenToClient(target, &pt);
  PostMouse(target, msg, MouseKeys(ev->state) & ~static_cast<WPARAM>(ev->button == 1 ? 0x0001 : 0x0002), pt);
  return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* ev, gpointer data) {
  auto* p = Find(static_cast<HWND>(data));
  if (!p) return TRUE;
  win::SetCursorPos(static_cast<int>(ev->x_root), static_cast<int>(ev->y_root));
  MouseTarget t = FindMouseTarget(p->hwnd, static_cast<int>(ev->x), static_cast<int>(ev->y));
  if (t.hwnd) PostMouse(t.hwnd, WM_MOUSEMOVE, MouseKeys(ev->state), t.client);
  return TRUE;
}

HWND NativeHostOf(GtkWidget* widget) {
  for (const auto& [host, native] : S().natives)
    if (widget && (native.widget == widget || gtk_widget_is_ancestor(widget, native.widget))) return host;
  return nullptr;
}

gboolean OnKey(GtkWidget* window, GdkEventKey* ev, gpointer data) {
  auto* p = Find(static_cast<HWND>(data));
  if (!p) return TRUE;
  const bool down = ev->type == GDK_KEY_PRESS;
  const bool alt = ev->state & GDK_MOD1_MASK;
  const UINT vk = VirtualKeyFromKeyval(ev->keyval);
  const UINT msg = alt ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);
  NoteKey(static_cast<int>(vk), down);
  if (HWND host = NativeHostOf(gtk_window_get_focus(GTK_WINDOW(window)))) {
    // Typing into the page belongs to the page, after the filters of the thread and of the host's screen had
    // their say, as they have over every key of our own windows: a key they swallow or blank never arrives.
    if (!down || !vk || p->otherThread) return FALSE;
    MSG m{};
    m.hwnd = host;
    m.message = msg;
    m.wParam = vk;
    m.lParam = 1;
    win::CWinThread* thread = win::AfxGetThread();
    if (thread && (thread->PreTranslateMessage(&m) || m.wParam == 0)) return TRUE;
    return FALSE;
  }
  HWND target = p->otherThread ? nullptr : win::GetFocus();
  if (!target || (target != p->hwnd && !win::IsChild(p->hwnd, target))) target = p->hwnd;
  if (vk) win::PostMessage(target, msg, vk, down ? 1 : static_cast<LPARAM>(0xC0000001u));
  const guint32 ch = gdk_keyval_to_unicode(ev->keyval);
  if (down && ch >= 0x20 && ch != 0x7F && !(ev->state & (GDK_CONTROL_MASK | GDK_MOD1_MASK))) {
    // The character as UTF-16 units, one WM_CHAR each.
    if (ch >= 0x10000) {
      win::PostMessage(target, WM_CHAR, 0xD800 + ((ch - 0x10000) >> 10), 1);
      win::PostMessage(target, WM_CHAR, 0xDC00 + ((ch - 0x10000) & 0x3FF), 1);
    } else {
      win::PostMessage(target, WM_CHAR, ch, 1);
    }
  }
  return TRUE;
}

gboolean OnFocusOut(GtkWidget*, GdkEvent*, gpointer) {
  ReleaseAllKeys();
  return FALSE;
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  win::PostMessage(static_cast<HWND>(data), WM_CLOSE, 0, 0);
  return TRUE;  // the window decides; GTK never closes it
}

void EnsureRefreshTimer() {
  if (S().refreshTimer) return;
  // Windows of other threads paint on their own time; their surfaces are presented a few times a second.
  S().refreshTimer = g_timeout_add(
      40,
      [](gpointer) -> gboolean {
        bool any = false;
        for (auto& [h, p] : S().tops)
          if (p->otherThread) {
            any = true;
            gtk_widget_queue_draw(p->area);
          }
        if (!any) S().refreshTimer = 0;
        return any ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
      },
      nullptr);
}

Presented& Create(HWND top) {
  auto p = std::make_unique<Presented>();
  p->hwnd = top;
  p->otherThread = win::GetWindowThreadProcessId(top, nullptr) != S().gtkThread;
  p->window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_decorated(GTK_WINDOW(p->window), FALSE);
  // Resizable for GTK only: a non-resizable window takes its children's natural size, and a browser view asks
  // for more than its place. The window's size is the core's, held by the geometry hints below.
  gtk_window_set_resizable(GTK_WINDOW(p->window), TRUE);
  p->fixed = gtk_fixed_new();
  p->area = gtk_drawing_area_new();
  gtk_widget_set_can_focus(p->area, TRUE);
  gtk_widget_add_events(p->area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK);
  gtk_fixed_put(GTK_FIXED(p->fixed), p->area, 0, 0);
  gtk_container_add(GTK_CONTAINER(p->window), p->fixed);
  g_signal_connect(p->area, "draw", G_CALLBACK(OnDraw), top);
  g_signal_connect(p->area, "button-press-event", G_CALLBACK(OnButton), top);
  g_signal_connect(p->area, "button-release-event", G_CALLBACK(OnButton), top);
  g_signal_connect(p->area, "motion-notify-event", G_CALLBACK(OnMotion), top);
  g_signal_connect(p->window, "key-press-event", G_CALLBACK(OnKey), top);
  g_signal_connect(p->window, "key-release-event", G_CALLBACK(OnKey), top);
  g_signal_connect(p->window, "delete-event", G_CALLBACK(OnDelete), top);
  g_signal_connect(p->window, "focus-out-event", G_CALLBACK(OnFocusOut), top);
  auto& ref = *p;
  S().tops[top] = std::move(p);
  if (ref.otherThread) EnsureRefreshTimer();
  return ref;
}

void Unpresent(HWND top) {
  auto it = S().tops.find(top);
  if (it == S().tops.end()) return;
  // Native children outlive the GtkWindow: they are put into the next one.
  for (auto& [host, native] : S().natives)
    if (native.top == top && gtk_widget_get_parent(native.widget))
      gtk_container_remove(GTK_CONTAINER(it->second->fixed), native.widget);
  gtk_widget_destroy(it->second->window);
  S().tops.erase(it);
}

void PlaceNative(Presented& p, HWND host, Native& native) {
  GtkWidget* parent = gtk_widget_get_parent(native.widget);
  if (parent != p.fixed) {
    if (parent) gtk_container_remove(GTK_CONTAINER(parent), native.widget);
    gtk_fixed_put(GTK_FIXED(p.fixed), native.widget, 0, 0);
  }
  POINT origin{0, 0};
  win::MapWindowPoints(host, p.hwnd, &origin, 1);
  RECT rc{};
  win::GetClientRect(host, &rc);
  gtk_fixed_move(GTK_FIXED(p.fixed), native.widget, origin.x, origin.y);
  gtk_widget_set_size_request(native.widget, rc.right - rc.left, rc.bottom - rc.top);
  if (win::IsWindowVisible(host))
    gtk_widget_show(native.widget);
  else
    gtk_widget_hide(native.widget);
}

// Windows it owns stay above a window, as on Windows: a window shown after the windows it owns (a modal
// overlay shown after the dialog it hosts) would otherwise cover them.
void RaiseOwnedAbove(HWND top) {
  for (auto& [hwnd, presented] : S().tops) {
    if (hwnd == top || !gtk_widget_get_visible(presented->window)) continue;
    for (HWND owner = win::GetWindow(hwnd, GW_OWNER); owner; owner = win::GetWindow(owner, GW_OWNER)) {
      if (owner != top) continue;
      if (GdkWindow* w = gtk_widget_get_window(presented->window)) gdk_window_raise(w);
      break;
    }
  }
}

void Sync(HWND top) {
  if (!S().started) return;
  if (!IsTopLevel(top)) return;
  const bool visible = win::IsWindowVisible(top);
  Presented* p = Find(top);
  if (!visible) {
    if (p) gtk_widget_hide(p->window);
    return;
  }
  if (!p) p = &Create(top);
  RECT rc{};
  win::GetWindowRect(top, &rc);
  const int width = std::max<int>(1, rc.right - rc.left), height = std::max<int>(1, rc.bottom - rc.top);
  gtk_widget_set_size_request(p->area, width, height);
  GdkGeometry hints{};
  hints.min_width = hints.max_width = width;
  hints.min_height = hints.max_height = height;
  gtk_window_set_geometry_hints(GTK_WINDOW(p->window), nullptr, &hints,
                                static_cast<GdkWindowHints>(GDK_HINT_MIN_SIZE | GDK_HINT_MAX_SIZE));
  gtk_window_resize(GTK_WINDOW(p->window), width, height);
  gtk_window_move(GTK_WINDOW(p->window), rc.left, rc.top);
  gtk_window_set_title(GTK_WINDOW(p->window), mx::WideToUtf8(win::GetWindowTextString(top)).c_str());
  for (auto& [host, native] : S().natives)
    if (native.top == top) PlaceNative(*p, host, native);
  ApplyOpacity(*p);
  if (!gtk_widget_get_visible(p->window)) {
    gtk_widget_show(p->fixed);
    gtk_widget_show(p->area);
    gtk_widget_show(p->window);
    RaiseOwnedAbove(top);
  }
  QueueRedraw(*p);
}

void Destroyed(HWND hwnd) {
  auto n = S().natives.find(hwnd);
  if (n != S().natives.end()) {
    if (GtkWidget* parent = gtk_widget_get_parent(n->second.widget))
      gtk_container_remove(GTK_CONTAINER(parent), n->second.widget);
    g_object_unref(n->second.widget);
    S().natives.erase(n);
  }
  Unpresent(hwnd);
}

class Observer final : public win::WindowObserver {
 public:
  void OnDestroyed(HWND hwnd) override {
    OnGtkThread([hwnd] { Destroyed(hwnd); });
  }
  void OnMovedOrSized(HWND hwnd) override { Changed(hwnd); }
  void OnShown(HWND hwnd, bool) override { Changed(hwnd); }
  void OnTextChanged(HWND hwnd) override { Changed(hwnd); }
  void OnInvalidated(HWND hwnd) override {
    HWND top = RootOf(hwnd);
    RECT part{};
    win::GetClientRect(hwnd, &part);
    win::MapWindowPoints(hwnd, top, reinterpret_cast<POINT*>(&part), 2);
    OnGtkThread([top, part] {
      if (auto* p = Find(top)) QueueRedraw(*p, part);
    });
  }

 private:
  static void Changed(HWND hwnd) {
    HWND top = RootOf(hwnd);
    OnGtkThread([top] { Sync(top); });
  }
};

Observer g_observer;

}  // namespace

Display& Display::Get() {
  static Display display;
  return display;
}

void Display::Start() {
  if (S().started) return;
  S().started = true;
  S().gtkThread = win::GetCurrentThreadId();
  win::SetWindowObserver(&g_observer);
  // Windows already visible are presented at once.
  win::EnumWindows([](HWND hwnd) {
    Sync(hwnd);
    return TRUE;
  });
}

void Display::Stop() {
  if (!S().started) return;
  win::SetWindowObserver(nullptr);
  std::vector<HWND> tops;
  for (auto& [h, p] : S().tops) tops.push_back(h);
  for (HWND h : tops) Unpresent(h);
  for (auto& [host, native] : S().natives) {
    if (GtkWidget* parent = gtk_widget_get_parent(native.widget))
      gtk_container_remove(GTK_CONTAINER(parent), native.widget);
    g_object_unref(native.widget);
  }
  S().natives.clear();
  if (S().refreshTimer) g_source_remove(S().refreshTimer);
  S().refreshTimer = 0;
  S().started = false;
}

bool Display::Started() const { return S().started; }

void Display::AttachNativeChild(HWND host, GtkWidget* widget) {
  DetachNativeChild(host);
  S().natives[host] = Native{RootOf(host), GTK_WIDGET(g_object_ref_sink(widget))};
  Sync(RootOf(host));
}

void Display::DetachNativeChild(HWND host) {
  auto n = S().natives.find(host);
  if (n == S().natives.end()) return;
  if (GtkWidget* parent = gtk_widget_get_parent(n->second.widget))
    gtk_container_remove(GTK_CONTAINER(parent), n->second.widget);
  g_object_unref(n->second.widget);
  S().natives.erase(n);
}

GtkWidget* Display::WindowWidget(HWND top) const {
  Presented* p = Find(top);
  return p ? p->window : nullptr;
}


}  // namespace gtkhost
