#pragma once
// Kernel objects of this layer: events, mutexes and threads behind HANDLE ids, waits with Windows results,
// and Sleep through the injectable clock.
// - Time-outs are measured on mx::GetClock(): with the system clock a wait sleeps in real time; with any other
//   clock (a FakeClock) time moves only when the test steps it, so a finite wait ends when the object is
//   signalled or the clock was stepped past its time-out. A time-out of 0 only tests.
// - A handle is valid from its creation to CloseHandle; afterwards every call with it fails with
//   ERROR_INVALID_HANDLE (values are never reused). Objects live while a handle or a waiter holds them.
// - Named mutexes are seen by every process of the user on this machine (a lock file under the runtime folder,
//   see Instance.h): CreateMutex of a name that exists, here or in another process, returns a handle with
//   last error ERROR_ALREADY_EXISTS; a fresh name sets last error 0. The name lives while a handle to it is open
//   in some process and dies with the process, also when it crashes. Waiting on a named mutex owns it within
//   this process only.
#include <memory>

#include "platform/win/WinDefs.h"

namespace win {

// Events are private to the process; a name is accepted and ignored.
HANDLE CreateEvent(void* securityAttributes, BOOL manualReset, BOOL initialState, LPCWSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

HANDLE CreateMutex(void* securityAttributes, BOOL initialOwner, LPCWSTR name);
// ERROR_NOT_OWNER when the calling thread does not own it.
BOOL ReleaseMutex(HANDLE mutex);

// WAIT_OBJECT_0 when signalled (an auto-reset event is reset, a mutex is owned by the caller), WAIT_TIMEOUT,
// or WAIT_FAILED (bad handle). A thread handle is signalled once the thread ended. A mutex whose owner thread
// ended without releasing it gives WAIT_ABANDONED (and is now owned).
DWORD WaitForSingleObject(HANDLE handle, DWORD ms);
// waitAll FALSE: WAIT_OBJECT_0 + index of the first signalled; TRUE: all at once.
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD ms);
BOOL CloseHandle(HANDLE handle);
// A second handle to the same object (for this process).
HANDLE DuplicateHandle(HANDLE handle);

// mx::GetClock().Sleep(ms): a FakeClock advances instantly. Sleep(0) yields.
void Sleep(DWORD ms);
ULONGLONG GetTickCount64();
DWORD GetTickCount();

// Owns one handle and closes it.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
  UniqueHandle& operator=(UniqueHandle&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  HANDLE get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  HANDLE release() {
    HANDLE h = h_;
    h_ = nullptr;
    return h;
  }
  void reset(HANDLE h = nullptr) {
    if (h_) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

}  // namespace win
