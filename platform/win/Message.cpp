#include "platform/win/Message.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>

#include "platform/base/Clock.h"
#include "platform/win/Core.h"
#include "platform/win/Timer.h"

namespace win {

namespace {

using core::Core;
using core::ThreadQueue;

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));
const HWND kBroadcast = reinterpret_cast<HWND>(static_cast<std::intptr_t>(0xFFFF));

// Caller holds the lock.
bool IsChildLocked(const Core& core, HWND parent, HWND hwnd) {
  auto w = core.Find(hwnd);
  while (w && w->parent) {
    if (w->parent == parent) return true;
    w = core.Find(w->parent);
  }
  return false;
}

bool Matches(const Core& core, HWND msgHwnd, UINT message, HWND filter, UINT min, UINT max) {
  if ((min || max) && (message < min || message > max)) return false;
  if (!filter) return true;
  if (filter == kThreadMessagesOnly) return msgHwnd == nullptr;
  return msgHwnd == filter || IsChildLocked(core, filter, msgHwnd);
}

bool VisibleLocked(const Core& core, HWND hwnd) {
  for (auto w = core.Find(hwnd); w; w = core.Find(w->parent)) {
    if (!(w->style & WS_VISIBLE)) return false;
    if (!w->parent) return true;
  }
  return false;
}

void DrainWakeFd(ThreadQueue& q) {
  if (q.wakeFd < 0) return;
  std::uint64_t count;
  [[maybe_unused]] auto n = ::read(q.wakeFd, &count, sizeof count);
}

thread_local bool (*t_waitHook)(int) = nullptr;

// Waits for something to arrive in the thread's queue, or for dueMs (0: no deadline).
void WaitForQueueLocked(std::unique_lock<std::mutex>& lock, ThreadQueue& q, std::uint64_t dueMs) {
  if (!t_waitHook || q.wakeFd < 0) {
    core::WaitUntil(q.cv, lock, dueMs);
    return;
  }
  int ms = -1;
  if (dueMs != 0) {
    const std::uint64_t now = core::NowMs();
    if (now >= dueMs) return;
    // Only the system clock moves by itself; any other clock is looked at again shortly.
    const bool realTime = dynamic_cast<mx::SystemClock*>(&mx::GetClock()) != nullptr;
    ms = static_cast<int>(realTime ? std::min<std::uint64_t>(dueMs - now, 60000) : 2);
  }
  // Drained under the lock: whatever is queued after the unlock makes the descriptor readable again.
  DrainWakeFd(q);
  lock.unlock();
  t_waitHook(ms);
  lock.lock();
}

MSG Make(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG m;
  m.hwnd = hwnd;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.time = static_cast<DWORD>(core::NowMs());
  return m;
}

// Caller holds the lock.
void Enqueue(Core& core, ThreadQueue& q, const MSG& msg) {
  q.posted.push_back(msg);
  core.Wake(q);
}

std::uint64_t NextDueLocked(const ThreadQueue& q) {
  std::uint64_t due = 0;
  for (const auto& t : q.timers)
    if (due == 0 || t.due < due) due = t.due;
  return due;
}

// The heart of GetMessage and PeekMessage. Returns 1 with a message, 0 when none (and not waiting), -1 on a
// bad filter.
int Fetch(MSG* out, HWND filter, UINT min, UINT max, UINT remove, bool wait) {
  auto q = core::CurrentQueue();
  auto& core = Core::Get();
  std::unique_lock lock(core.m);
  if (filter && filter != kThreadMessagesOnly && !core.Find(filter)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return -1;
  }
  for (;;) {
    while (!q->incoming.empty()) core::HandleSent(lock, *q);

    for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
      if (!Matches(core, it->hwnd, it->message, filter, min, max)) continue;
      *out = *it;
      if (remove & PM_REMOVE) q->posted.erase(it);
      q->lastMessageTime = static_cast<LONG>(out->time);
      return 1;
    }

    if (q->quit) {
      *out = Make(nullptr, WM_QUIT, static_cast<WPARAM>(q->quitCode), 0);
      if (remove & PM_REMOVE) q->quit = false;
      return 1;
    }

    for (HWND h : q->paintPending) {
      auto w = core.Find(h);
      if (!w || !w->hasUpdate || !VisibleLocked(core, h) || !Matches(core, h, WM_PAINT, filter, min, max)) continue;
      *out = Make(h, WM_PAINT, 0, 0);
      return 1;
    }

    const std::uint64_t now = core::NowMs();
    core::TimerRec* due = nullptr;
    for (auto& t : q->timers)
      if (t.due <= now && Matches(core, t.hwnd, WM_TIMER, filter, min, max) && (!due || t.due < due->due)) due = &t;
    if (due) {
      *out = Make(due->hwnd, WM_TIMER, due->id, reinterpret_cast<LPARAM>(due->proc));
      if (remove & PM_REMOVE) due->due = now + due->elapse;
      q->lastMessageTime = static_cast<LONG>(out->time);
      return 1;
    }

    if (!wait) {
      DrainWakeFd(*q);
      return 0;
    }
    WaitForQueueLocked(lock, *q, NextDueLocked(*q));
  }
}

}  // namespace

BOOL PostThreadMessage(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  auto it = core.queues.find(threadId);
  if (it == core.queues.end() || !it->second->alive) {
    SetLastError(ERROR_INVALID_THREAD_ID);
    return FALSE;
  }
  Enqueue(core, *it->second, Make(nullptr, msg, wParam, lParam));
  return TRUE;
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!hwnd) return PostThreadMessage(GetCurrentThreadId(), msg, wParam, lParam);
  if (core::IsProxy(hwnd)) return core::ProxyPost(hwnd, msg, wParam, lParam);
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  if (hwnd == kBroadcast) {
    for (HWND h : core.topLevel) {
      auto w = core.Find(h);
      if (!w || !w->queue->alive) continue;
      Enqueue(core, *w->queue, Make(h, msg, wParam, lParam));
    }
    return TRUE;
  }
  auto w = core.Find(hwnd);
  if (!w || !w->queue->alive) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  Enqueue(core, *w->queue, Make(hwnd, msg, wParam, lParam));
  return TRUE;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (core::IsProxy(hwnd)) {
    // Another process would have to block for us; the instance channel only carries posts.
    SetLastError(ERROR_NOT_SUPPORTED);
    return 0;
  }
  auto me = core::CurrentQueue();
  auto& core = Core::Get();
  std::unique_lock lock(core.m);
  auto w = core.FindOrFail(hwnd);
  if (!w) return 0;
  if (w->queue == me) {
    lock.unlock();
    return core::CallProc(hwnd, msg, wParam, lParam);
  }
  if (!w->queue->alive) return 0;
  auto sent = std::make_shared<core::SentMessage>();
  sent->hwnd = hwnd;
  sent->msg = msg;
  sent->wParam = wParam;
  sent->lParam = lParam;
  sent->sender = me;
  w->queue->incoming.push_back(sent);
  core.Wake(*w->queue);
  w.reset();
  while (!sent->done) {
    // Messages sent to us meanwhile are handled, so two threads sending to each other never deadlock.
    if (!me->incoming.empty()) {
      core::HandleSent(lock, *me);
      continue;
    }
    me->cv.wait(lock);
  }
  return sent->result;
}

void PostQuitMessage(int exitCode) {
  auto q = core::CurrentQueue();
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  q->quit = true;
  q->quitCode = exitCode;
  core.Wake(*q);
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT min, UINT max) {
  if (!msg) return -1;
  int r = Fetch(msg, hwnd, min, max, PM_REMOVE, true);
  if (r < 0) return -1;
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT min, UINT max, UINT removeFlags) {
  if (!msg) return FALSE;
  return Fetch(msg, hwnd, min, max, removeFlags, false) > 0 ? TRUE : FALSE;
}

BOOL WaitMessage() {
  auto q = core::CurrentQueue();
  auto& core = Core::Get();
  std::unique_lock lock(core.m);
  const size_t posted = q->posted.size();
  const bool paint = !q->paintPending.empty();
  for (;;) {
    while (!q->incoming.empty()) core::HandleSent(lock, *q);
    if (q->posted.size() != posted || q->quit || (!paint && !q->paintPending.empty())) return TRUE;
    std::uint64_t now = core::NowMs();
    for (const auto& t : q->timers)
      if (t.due <= now) return TRUE;
    WaitForQueueLocked(lock, *q, NextDueLocked(*q));
  }
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessage(const MSG* msg) {
  if (!msg) return 0;
  auto& core = Core::Get();
  if (msg->message == WM_TIMER && msg->lParam) {
    // Only a callback armed with SetTimer is called: a forged WM_TIMER runs nothing.
    TIMERPROC proc = nullptr;
    {
      auto q = core::CurrentQueue();
      std::lock_guard lock(core.m);
      for (const auto& t : q->timers)
        if (t.hwnd == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.proc) == msg->lParam) proc = t.proc;
    }
    if (proc) proc(msg->hwnd, WM_TIMER, msg->wParam, static_cast<DWORD>(core::NowMs()));
    return 0;
  }
  if (!msg->hwnd) return 0;
  if (msg->message == WM_PAINT) {
    std::uint64_t generation;
    std::shared_ptr<core::WindowRec> w;
    {
      std::lock_guard lock(core.m);
      w = core.Find(msg->hwnd);
      if (!w) return 0;
      generation = w->updateGeneration;
    }
    LRESULT r = core::CallProc(msg->hwnd, WM_PAINT, msg->wParam, msg->lParam);
    // A handler that did not validate would get WM_PAINT for ever; what it left is taken as painted unless it
    // invalidated again meanwhile.
    bool stale;
    {
      std::lock_guard lock(core.m);
      stale = core.Find(msg->hwnd) && w->hasUpdate && w->updateGeneration == generation;
    }
    if (stale) ValidateRect(msg->hwnd, nullptr);
    return r;
  }
  return core::CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

DWORD GetQueueStatus(UINT flags) {
  auto q = core::CurrentQueue();
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  DWORD bits = 0;
  if (!q->posted.empty()) bits |= QS_POSTMESSAGE;
  if (!q->incoming.empty()) bits |= QS_SENDMESSAGE;
  for (HWND h : q->paintPending)
    if (VisibleLocked(core, h)) bits |= QS_PAINT;
  std::uint64_t now = core::NowMs();
  for (const auto& t : q->timers)
    if (t.due <= now) bits |= QS_TIMER;
  bits &= flags;
  return (bits << 16) | bits;
}

BOOL InSendMessage() {
  auto q = core::CurrentQueue();
  return q->inSend > 0 ? TRUE : FALSE;
}

LONG GetMessageTime() {
  auto q = core::CurrentQueue();
  std::lock_guard lock(Core::Get().m);
  return q->lastMessageTime;
}

void SetQueueWaitHook(bool (*wait)(int timeoutMs)) { t_waitHook = wait; }

int GetQueueWakeFd() {
  auto q = core::CurrentQueue();
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  if (q->wakeFd < 0) {
    q->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (q->wakeFd >= 0 && (!q->posted.empty() || !q->incoming.empty() || q->quit || !q->paintPending.empty()))
      core.Wake(*q);
  }
  return q->wakeFd;
}

std::int64_t GetNextTimerDueMs() {
  auto q = core::CurrentQueue();
  std::lock_guard lock(Core::Get().m);
  std::uint64_t due = NextDueLocked(*q);
  if (due == 0) return -1;
  std::uint64_t now = core::NowMs();
  return due <= now ? 0 : static_cast<std::int64_t>(due - now);
}

}  // namespace win
