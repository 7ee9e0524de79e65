#pragma once
// The UI thread's message queue as a GSource on the GTK main context: our messages are dispatched from the
// GLib loop (application filter, then the window's procedure), so GTK and the window core share one thread.
// While a hold is in place the source dispatches nothing, so only GTK and browser events advance (a
// synchronous-looking call into a page waits this way: no timer, command or input runs in its middle).
namespace gtkhost {

// Attaches the calling thread's queue to the default main context (once; later calls do nothing). Call on the
// GTK main thread after gtk_init.
void AttachQueueSource();
// Removes it again (tests).
void DetachQueueSource();

// Runs the GLib loop until the queue sees WM_QUIT; returns its exit code.
int RunMessageLoop();

// For the window core's waits on the GTK thread (GetMessage, WaitMessage, modal loops): runs GTK and the
// browser until something arrives in the thread's queue or timeoutMs (-1: no limit) passes. Messages are not
// dispatched from here; the waiting caller fetches them. Returns whether something arrived. The caller has
// consumed the queue's wake-up first (as PeekMessage does when it finds nothing), else this returns at once.
bool WaitForQueue(int timeoutMs);

// True while at least one hold is in place.
bool QueueHeld();

class QueueHold {
 public:
  QueueHold();
  ~QueueHold();
  QueueHold(const QueueHold&) = delete;
  QueueHold& operator=(const QueueHold&) = delete;
};

}  // namespace gtkhost
