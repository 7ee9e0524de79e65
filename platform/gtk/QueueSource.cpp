#include "platform/gtk/QueueSource.h"

#include <algorithm>
#include <optional>

#include "platform/win/Message.h"
#include "platform/win/Thread.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <glib.h>

namespace gtkhost {
namespace {

struct QueueGSource {
  GSource base;
  GPollFD poll;
};

// Only touched on the GTK main thread.
GSource* g_source = nullptr;
int g_holds = 0;
int g_waiting = 0;  // a core wait is in progress: the source only watches
bool g_woke = false;
GMainLoop* g_loop = nullptr;
std::optional<int> g_quitCode;

// Enough to keep the queue moving without starving GTK's own events.
constexpr int kMessagesPerDispatch = 64;

gboolean Prepare(GSource* source, gint* timeout) {
  auto* s = reinterpret_cast<QueueGSource*>(source);
  if (g_holds > 0 && g_waiting == 0) {
    // Not polled while held: a readable descriptor would otherwise spin the nested loop.
    s->poll.events = 0;
    *timeout = -1;
    return FALSE;
  }
  s->poll.events = G_IO_IN;
  if (g_waiting > 0) {
    *timeout = -1;  // the waiter keeps its own time
    return FALSE;
  }
  std::int64_t due = win::GetNextTimerDueMs();
  if (due == 0) return TRUE;
  *timeout = due < 0 ? -1 : static_cast<gint>(std::min<std::int64_t>(due, G_MAXINT));
  return FALSE;
}

gboolean Check(GSource* source) {
  auto* s = reinterpret_cast<QueueGSource*>(source);
  if (g_waiting > 0) return (s->poll.revents & G_IO_IN) != 0;
  if (g_holds > 0) return FALSE;
  return (s->poll.revents & G_IO_IN) || win::GetNextTimerDueMs() == 0;
}

gboolean Dispatch(GSource*, GSourceFunc, gpointer) {
  if (g_waiting > 0) {
    g_woke = true;
    return G_SOURCE_CONTINUE;
  }
  for (int i = 0; i < kMessagesPerDispatch && g_holds == 0; ++i) {
    MSG msg{};
    if (!win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    if (msg.message == WM_QUIT) {
      g_quitCode = static_cast<int>(msg.wParam);
      if (g_loop) g_main_loop_quit(g_loop);
      break;
    }
    win::CWinThread* thread = win::AfxGetThread();
    if (thread && thread->PreTranslateMessage(&msg)) continue;
    win::TranslateMessage(&msg);
    win::DispatchMessage(&msg);
  }
  return G_SOURCE_CONTINUE;
}

GSourceFuncs g_funcs = {Prepare, Check, Dispatch, nullptr, nullptr, nullptr};

}  // namespace

void AttachQueueSource() {
  if (g_source) return;
  g_source = g_source_new(&g_funcs, sizeof(QueueGSource));
  auto* s = reinterpret_cast<QueueGSource*>(g_source);
  s->poll.fd = win::GetQueueWakeFd();
  s->poll.events = G_IO_IN;
  s->poll.revents = 0;
  g_source_add_poll(g_source, &s->poll);
  g_source_set_name(g_source, "window message queue");
  // A message handler that waits for the queue (a modal loop) runs the GLib loop again from inside this
  // source's dispatch; the source must still be watched then, or that wait would never wake.
  g_source_set_can_recurse(g_source, TRUE);
  g_source_attach(g_source, nullptr);
}

void DetachQueueSource() {
  if (!g_source) return;
  g_source_destroy(g_source);
  g_source_unref(g_source);
  g_source = nullptr;
}

int RunMessageLoop() {
  AttachQueueSource();
  g_quitCode.reset();
  GMainLoop* outer = g_loop;
  g_loop = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(g_loop);
  g_main_loop_unref(g_loop);
  g_loop = outer;
  return g_quitCode.value_or(0);
}

bool WaitForQueue(int timeoutMs) {
  AttachQueueSource();
  ++g_waiting;
  g_woke = false;
  bool timedOut = false;
  guint timer = 0;
  if (timeoutMs >= 0)
    timer = g_timeout_add(
        static_cast<guint>(timeoutMs),
        [](gpointer p) -> gboolean {
          *static_cast<bool*>(p) = true;
          return G_SOURCE_REMOVE;
        },
        &timedOut);
  while (!g_woke && !timedOut) g_main_context_iteration(nullptr, TRUE);
  if (timer && !timedOut) g_source_remove(timer);
  const bool woke = g_woke;
  --g_waiting;
  return woke;
}

bool QueueHeld() { return g_holds > 0; }

QueueHold::QueueHold() { ++g_holds; }

QueueHold::~QueueHold() {
  // Whatever arrived meanwhile is dispatched on the next turn of the loop.
  if (--g_holds == 0 && g_source) g_main_context_wakeup(g_source_get_context(g_source));
}

}  // namespace gtkhost
