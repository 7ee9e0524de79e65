#pragma once
// Internal to platform/win: the state behind windows, queues and timers. One mutex guards all of it; no
// procedure, handler or observer is ever called while it is held.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/base/Text.h"
#include "platform/win/Window.h"

namespace win {
class CWnd;
class CWinThread;
}

namespace win::core {

// A process-wide object that is never destroyed: threads nobody waits for may still use it while the process
// exits.
template <class T>
union Immortal {
  T value;
  Immortal() : value() {}
  ~Immortal() {}
};

struct ThreadQueue;

struct SentMessage {
  HWND hwnd = nullptr;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  LRESULT result = 0;
  bool done = false;
  std::shared_ptr<ThreadQueue> sender;
};

struct TimerRec {
  HWND hwnd = nullptr;
  UINT_PTR id = 0;
  UINT elapse = 0;
  TIMERPROC proc = nullptr;
  std::uint64_t due = 0;
};

struct ThreadQueue {
  DWORD tid = 0;
  bool alive = true;
  std::deque<MSG> posted;
  std::deque<std::shared_ptr<SentMessage>> incoming;
  bool quit = false;
  int quitCode = 0;
  std::vector<TimerRec> timers;
  std::set<HWND> paintPending;
  std::condition_variable cv;
  int wakeFd = -1;
  HWND focus = nullptr;
  CWinThread* thread = nullptr;
  int inSend = 0;
  LONG lastMessageTime = 0;
};

struct ClassRec {
  std::wstring name;
  WNDCLASSW wc{};
  ATOM atom = 0;
  int windows = 0;
};

struct WindowRec {
  HWND hwnd = nullptr;
  std::shared_ptr<ClassRec> cls;
  std::shared_ptr<ThreadQueue> queue;
  std::wstring text;
  DWORD style = 0;
  DWORD exStyle = 0;
  RECT rect{};
  HWND parent = nullptr;  // WS_CHILD windows
  HWND owner = nullptr;   // pop-ups
  bool messageOnly = false;
  std::vector<HWND> children;  // top first
  UINT_PTR id = 0;
  WNDPROC proc = nullptr;
  CWnd* handler = nullptr;   // receives the messages
  CWnd* attached = nullptr;  // only linked (Attach)
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  std::vector<std::uint8_t> extra;
  bool hasUpdate = false;
  RECT update{};
  std::uint64_t updateGeneration = 0;
  bool destroying = false;
  HWND lastActivePopup = nullptr;
};

class Core {
 public:
  static Core& Get();

  std::mutex m;
  std::unordered_map<HWND, std::shared_ptr<WindowRec>> windows;
  std::vector<HWND> topLevel;  // top first
  std::map<std::wstring, std::shared_ptr<ClassRec>, mx::LessNoCase> classes;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> queues;
  std::uint64_t nextHwnd = 0x10010;
  ATOM nextAtom = 0xC000;
  HWND foreground = nullptr;
  HWND active = nullptr;
  HWND capture = nullptr;
  WindowObserver* observer = nullptr;
  // Work carried to an owner thread: the message's lParam is a key here, so a forged message runs nothing.
  std::unordered_map<LPARAM, const std::function<LRESULT()>*> runCalls;
  std::unordered_map<LPARAM, std::function<void()>> postedCalls;
  LPARAM nextCallKey = 1;

  // Caller holds m.
  std::shared_ptr<WindowRec> Find(HWND hwnd) const;
  // Find, with ERROR_INVALID_WINDOW_HANDLE as the last error when there is no such window.
  std::shared_ptr<WindowRec> FindOrFail(HWND hwnd) const;
  void Wake(ThreadQueue& q);
  // Links hwnd into its parent's (or the top-level) z-order list, on top of its group.
  void LinkZOrder(WindowRec& w);
  void UnlinkZOrder(WindowRec& w);
  std::vector<HWND>* SiblingList(WindowRec& w);

 private:
  friend union Immortal<Core>;
  Core();
};

// The calling thread's queue, made on first use.
std::shared_ptr<ThreadQueue> CurrentQueue();
// A thread begun by CWinThread ends: its windows are destroyed with their messages, then the queue goes.
void EndCurrentThread();

// Runs the window's procedure (handler object or class procedure) on the calling thread. Internal requests
// carried from other threads are run here too.
LRESULT CallProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Runs f on hwnd's owner thread: directly when that is the caller, else as a sent message (0 when the window
// or its thread went away first).
LRESULT RunOnOwner(HWND hwnd, const std::function<LRESULT()>& f);
// Runs f later on hwnd's owner thread (posted).
BOOL PostToOwner(HWND hwnd, std::function<void()> f);
// Handles one waiting sent message; the caller holds lock (on Core::m), which is released around the call.
void HandleSent(std::unique_lock<std::mutex>& lock, ThreadQueue& q);

inline constexpr UINT kMsgRunOnOwner = 0x03F3;  // lParam: key into Core::runCalls
inline constexpr UINT kMsgPostedCall = 0x03F4;  // lParam: key into Core::postedCalls

// Proxy handles of windows in other processes (Instance.cpp).
bool IsProxy(HWND hwnd);
BOOL ProxyIsWindow(HWND hwnd);
BOOL ProxyPost(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL ProxyShow(HWND hwnd, int cmd);
BOOL ProxyForeground(HWND hwnd);
HWND ProxyLastActivePopup(HWND hwnd);
HWND FindRemoteWindow(LPCWSTR className, LPCWSTR windowName);

// Thread ids and the end of a thread for the kernel objects (mutex abandonment).
void KernelThreadEnded(DWORD tid);
// Current time of the program's clock, and how long a waiter may sleep in real time before looking again.
std::uint64_t NowMs();
// Waits on cv until woken or the clock reaches dueMs (0: no deadline).
void WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, std::uint64_t dueMs);

}  // namespace win::core
