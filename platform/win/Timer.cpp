#include "platform/win/Timer.h"

#include <algorithm>
#include <atomic>

#include "platform/win/Core.h"
#include "platform/win/Message.h"

namespace win {

namespace {
std::atomic<UINT_PTR> g_nextThreadTimerId{0x7FFF};

// The queue the timer belongs to, or nullptr with the last error set. Caller holds the lock.
core::ThreadQueue* OwnerQueue(core::Core& core, HWND hwnd, const std::shared_ptr<core::ThreadQueue>& me) {
  if (!hwnd) return me.get();
  auto w = core.FindOrFail(hwnd);
  if (!w) return nullptr;
  if (w->queue != me) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return w->queue.get();
}
}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
  elapse = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  auto me = core::CurrentQueue();
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  core::ThreadQueue* q = OwnerQueue(core, hwnd, me);
  if (!q) return 0;
  auto it = std::find_if(q->timers.begin(), q->timers.end(),
                         [&](const core::TimerRec& t) { return t.hwnd == hwnd && t.id == id; });
  if (!hwnd && (id == 0 || it == q->timers.end())) {
    id = g_nextThreadTimerId.fetch_add(1);
    it = q->timers.end();
  }
  if (it == q->timers.end()) {
    q->timers.push_back({});
    it = q->timers.end() - 1;
  }
  it->hwnd = hwnd;
  it->id = id;
  it->elapse = elapse;
  it->proc = proc;
  it->due = core::NowMs() + elapse;
  core.Wake(*q);
  return hwnd && id == 0 ? 1 : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  auto me = core::CurrentQueue();
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  core::ThreadQueue* q = OwnerQueue(core, hwnd, me);
  if (!q) return FALSE;
  auto n = std::erase_if(q->timers, [&](const core::TimerRec& t) { return t.hwnd == hwnd && t.id == id; });
  return n ? TRUE : FALSE;
}

}  // namespace win
