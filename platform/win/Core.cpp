#include "platform/win/Core.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>

#include "platform/base/Clock.h"
#include "platform/win/Message.h"
#include "platform/win/Thread.h"
#include "platform/win/Wnd.h"
#include "platform/win/WndAccess.h"


namespace win::core {

namespace {

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

void TearDown(const std::shared_ptr<ThreadQueue>& q, bool withMessages);

struct QueueHolder {
  std::shared_ptr<ThreadQueue> queue;
  ~QueueHolder() {
    if (queue) TearDown(queue, false);
  }
};
thread_local QueueHolder t_queue;

LRESULT CALLBACK_DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return DefDlgProc(hwnd, msg, wParam, lParam);
}

void TearDown(const std::shared_ptr<ThreadQueue>& q, bool withMessages) {
  auto& core = Core::Get();
  if (withMessages) {
    // Windows whose parent or owner is not of this thread: destroying them takes their children along.
    std::vector<HWND> roots;
    {
      std::lock_guard lock(core.m);
      for (auto& [h, w] : core.windows) {
        if (w->queue != q || w->destroying) continue;
        auto p = core.Find(w->parent ? w->parent : w->owner);
        if (!p || p->queue != q) roots.push_back(h);
      }
    }
    std::sort(roots.begin(), roots.end());
    for (HWND h : roots) DestroyWindow(h);
  }
  std::vector<std::shared_ptr<SentMessage>> unanswered;
  {
    std::lock_guard lock(core.m);
    std::vector<HWND> left;
    for (auto& [h, w] : core.windows)
      if (w->queue == q) left.push_back(h);
    for (HWND h : left) {
      auto w = core.Find(h);
      core.UnlinkZOrder(*w);
      if (w->cls) --w->cls->windows;
      if (w->handler) WndAccess::Detach(w->handler);
      if (w->attached && w->attached != w->handler) WndAccess::Detach(w->attached);
      core.windows.erase(h);
      if (core.foreground == h) core.foreground = nullptr;
      if (core.active == h) core.active = nullptr;
      if (core.capture == h) core.capture = nullptr;
    }
    q->alive = false;
    for (auto& s : q->incoming) {
      s->done = true;
      s->result = 0;
      if (s->sender) core.Wake(*s->sender);
    }
    q->incoming.clear();
    for (auto& m : q->posted)
      if (m.message == kMsgPostedCall) core.postedCalls.erase(m.lParam);
    q->posted.clear();
    q->timers.clear();
    q->paintPending.clear();
    if (auto it = core.queues.find(q->tid); it != core.queues.end() && it->second == q) core.queues.erase(it);
    if (q->wakeFd >= 0) {
      ::close(q->wakeFd);
      q->wakeFd = -1;
    }
  }
  KernelThreadEnded(q->tid);
}

}  // namespace

Core::Core() {
  auto dialog = std::make_shared<ClassRec>();
  dialog->name = kDialogClass;
  dialog->wc.lpfnWndProc = &CALLBACK_DialogProc;
  dialog->wc.cbWndExtra = DLGWINDOWEXTRA;
  dialog->wc.lpszClassName = nullptr;
  dialog->atom = 0x8002;
  classes.emplace(dialog->name, dialog);
}

Core& Core::Get() {
  static Immortal<Core> core;
  return core.value;
}

std::shared_ptr<WindowRec> Core::Find(HWND hwnd) const {
  auto it = windows.find(hwnd);
  return it == windows.end() ? nullptr : it->second;
}

std::shared_ptr<WindowRec> Core::FindOrFail(HWND hwnd) const {
  auto w = Find(hwnd);
  if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return w;
}

void Core::Wake(ThreadQueue& q) {
  q.cv.notify_all();
  if (q.wakeFd >= 0) {
    std::uint64_t one = 1;
    [[maybe_unused]] auto n = ::write(q.wakeFd, &one, sizeof one);
  }
}

std::vector<HWND>* Core::SiblingList(WindowRec& w) {
  if (w.parent) {
    auto p = Find(w.parent);
    return p ? &p->children : nullptr;
  }
  return w.messageOnly ? nullptr : &topLevel;
}

void Core::LinkZOrder(WindowRec& w) {
  auto* list = SiblingList(w);
  if (!list) return;
  auto pos = list->begin();
  if (!w.parent && !(w.exStyle & WS_EX_TOPMOST)) {
    while (pos != list->end()) {
      auto other = Find(*pos);
      if (!other || !(other->exStyle & WS_EX_TOPMOST)) break;
      ++pos;
    }
  }
  list->insert(pos, w.hwnd);
}

void Core::UnlinkZOrder(WindowRec& w) {
  auto* list = SiblingList(w);
  if (!list) return;
  list->erase(std::remove(list->begin(), list->end(), w.hwnd), list->end());
}

std::shared_ptr<ThreadQueue> CurrentQueue() {
  if (t_queue.queue && t_queue.queue->alive) return t_queue.queue;
  auto q = std::make_shared<ThreadQueue>();
  q->tid = GetCurrentThreadId();
  auto& core = Core::Get();
  std::lock_guard lock(core.m);
  core.queues[q->tid] = q;
  t_queue.queue = q;
  return q;
}

void EndCurrentThread() {
  if (!t_queue.queue) return;
  auto q = t_queue.queue;  // stays the thread's queue while its windows are destroyed
  TearDown(q, true);
  t_queue.queue.reset();
}

LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  auto& core = Core::Get();
  if (msg == kMsgRunOnOwner || msg == kMsgPostedCall) {
    std::unique_lock lock(core.m);
    if (msg == kMsgRunOnOwner) {
      auto it = core.runCalls.find(lParam);
      if (it == core.runCalls.end()) return 0;
      const auto* f = it->second;
      lock.unlock();
      return (*f)();
    }
    auto it = core.postedCalls.find(lParam);
    if (it == core.postedCalls.end()) return 0;
    auto f = std::move(it->second);
    core.postedCalls.erase(it);
    lock.unlock();
    f();
    return 0;
  }
  CWnd* handler = nullptr;
  WNDPROC proc = nullptr;
  {
    std::lock_guard lock(core.m);
    auto w = core.FindOrFail(hwnd);
    if (!w) return 0;
    handler = w->handler;
    proc = w->proc;
  }
  if (handler) return handler->WindowProc(msg, wParam, lParam);
  if (proc) return proc(hwnd, msg, wParam, lParam);
  return DefWindowProc(hwnd, msg, wParam, lParam);
}

LRESULT RunOnOwner(HWND hwnd, const std::function<LRESULT()>& f) {
  auto& core = Core::Get();
  LPARAM key;
  {
    std::lock_guard lock(core.m);
    auto w = core.FindOrFail(hwnd);
    if (!w) return 0;
    if (w->queue->tid == GetCurrentThreadId()) key = 0;
    else {
      key = core.nextCallKey++;
      core.runCalls[key] = &f;
    }
  }
  if (key == 0) return f();
  LRESULT r = SendMessage(hwnd, kMsgRunOnOwner, 0, key);
  std::lock_guard lock(core.m);
  core.runCalls.erase(key);
  return r;
}

BOOL PostToOwner(HWND hwnd, std::function<void()> f) {
  auto& core = Core::Get();
  LPARAM key;
  {
    std::lock_guard lock(core.m);
    if (!core.Find(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    key = core.nextCallKey++;
    core.postedCalls[key] = std::move(f);
  }
  if (PostMessage(hwnd, kMsgPostedCall, 0, key)) return TRUE;
  std::lock_guard lock(core.m);
  core.postedCalls.erase(key);
  return FALSE;
}

void HandleSent(std::unique_lock<std::mutex>& lock, ThreadQueue& q) {
  auto s = q.incoming.front();
  q.incoming.pop_front();
  lock.unlock();
  ++q.inSend;
  LRESULT r = CallProc(s->hwnd, s->msg, s->wParam, s->lParam);
  --q.inSend;
  lock.lock();
  s->result = r;
  s->done = true;
  if (s->sender) Core::Get().Wake(*s->sender);
}

std::uint64_t NowMs() { return mx::GetClock().TickMs(); }

void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::uint64_t dueMs) {
  if (dueMs == 0) {
    cv.wait(lock);
    return;
  }
  std::uint64_t now = NowMs();
  if (now >= dueMs) return;
  // Only the system clock moves by itself; any other clock is looked at again shortly.
  bool realTime = dynamic_cast<mx::SystemClock*>(&mx::GetClock()) != nullptr;
  std::uint64_t ms = realTime ? std::min<std::uint64_t>(dueMs - now, 60000) : 2;
  cv.wait_for(lock, std::chrono::milliseconds(ms));
}

}  // namespace win::core

namespace win {

DWORD GetCurrentThreadId() {
  if (core::t_threadId == 0) core::t_threadId = core::g_nextThreadId.fetch_add(1);
  return core::t_threadId;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }

void SetWindowObserver(WindowObserver* observer) {
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  core.observer = observer;
}

bool HasWindowObserver() {
  auto& core = core::Core::Get();
  std::lock_guard lock(core.m);
  return core.observer != nullptr;
}

}  // namespace win
