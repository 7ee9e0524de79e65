#pragma once
// Threads in the class-library style: a CWinThread object with its id and a waitable handle, begun either
// with a worker function or as a user-interface thread class whose InitInstance / Run / ExitInstance run on
// the new thread.
// - Every thread begun here has a message queue from its first instruction, so PostThreadMessage works at
//   once.
// - m_bAutoDelete (default TRUE): the object deletes itself when the thread ends and its handle is closed then;
//   a stale copy of m_hThread is refused (ERROR_INVALID_HANDLE), never reused. Whoever wants to wait for the
//   thread sets m_bAutoDelete = FALSE (begin it with CREATE_SUSPENDED, set the flag, ResumeThread), then
//   waits on m_hThread and deletes the object; the destructor of a non-auto-deleting object waits for its
//   thread (never from the thread itself).
// - When the thread ends, windows it still owns are destroyed (with their messages) and messages other threads
//   are sending it are answered 0.
// - Priorities are accepted and ignored. There is no SuspendThread: suspending a thread at an arbitrary point
//   can stop it inside a lock.
#include <atomic>
#include <memory>

#include "platform/win/WinDefs.h"

namespace win {

class CWnd;
struct ThreadState;

using AFX_THREADPROC = UINT (*)(LPVOID);
inline constexpr DWORD CREATE_SUSPENDED = 0x00000004;
inline constexpr int THREAD_PRIORITY_NORMAL = 0;
inline constexpr int THREAD_PRIORITY_LOWEST = -2;
inline constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
inline constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
inline constexpr int THREAD_PRIORITY_HIGHEST = 2;
inline constexpr DWORD STILL_ACTIVE_THREAD = 259;

class CWinThread {
 public:
  CWinThread();
  CWinThread(AFX_THREADPROC proc, LPVOID param);
  virtual ~CWinThread();
  CWinThread(const CWinThread&) = delete;
  CWinThread& operator=(const CWinThread&) = delete;

  // Starts the thread (suspended with CREATE_SUSPENDED). FALSE when it cannot start.
  BOOL CreateThread(DWORD flags = 0, UINT stackSize = 0);
  // Lets a suspended thread run; returns the previous suspend count (1, then 0), or (DWORD)-1.
  DWORD ResumeThread();
  BOOL SetThreadPriority(int priority);
  int GetThreadPriority() const { return priority_; }

  // A user-interface thread: InitInstance; when TRUE, Run (the message loop) and its result, else ExitInstance.
  virtual BOOL InitInstance();
  // The message loop: PumpMessage until WM_QUIT, then ExitInstance's result.
  virtual int Run();
  virtual int ExitInstance();
  // Application-level filter: TRUE swallows the message. The default walks from the message's window up to
  // the thread's main window, asking each handler object's PreTranslateMessage.
  virtual BOOL PreTranslateMessage(MSG* msg);
  // One message: GetMessage (waiting), PreTranslateMessage, TranslateMessage, DispatchMessage. FALSE on WM_QUIT.
  virtual BOOL PumpMessage();
  // Called by Run when the queue is empty; TRUE asks for another call before waiting.
  virtual BOOL OnIdle(LONG count);
  virtual CWnd* GetMainWnd();

  CWnd* m_pMainWnd = nullptr;
  HANDLE m_hThread = nullptr;
  DWORD m_nThreadID = 0;
  BOOL m_bAutoDelete = TRUE;
  MSG m_msgCur{};

 protected:
  AFX_THREADPROC m_pfnThreadProc = nullptr;
  LPVOID m_pThreadParams = nullptr;

 private:
  friend struct ThreadStart;
  int priority_ = THREAD_PRIORITY_NORMAL;
  std::shared_ptr<ThreadState> state_;
};

// Worker form: runs proc(param) on a new thread; its return value is the exit code.
CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority = THREAD_PRIORITY_NORMAL,
                           UINT stackSize = 0, DWORD flags = 0, void* securityAttributes = nullptr);
// User-interface form (the runtime-class form): a new T (derived from CWinThread) runs InitInstance/Run.
template <class T>
T* AfxBeginThread(int priority = THREAD_PRIORITY_NORMAL, UINT stackSize = 0, DWORD flags = 0) {
  auto thread = std::make_unique<T>();
  thread->SetThreadPriority(priority);
  if (!thread->CreateThread(flags | CREATE_SUSPENDED, stackSize)) return nullptr;
  T* raw = thread.release();  // from here the thread owns the object (or the caller, with m_bAutoDelete FALSE)
  if (!(flags & CREATE_SUSPENDED)) raw->ResumeThread();
  return raw;
}

// The CWinThread running the calling thread (the application object on the main thread), or nullptr.
CWinThread* AfxGetThread();
// STILL_ACTIVE_THREAD while it runs.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exitCode);

}  // namespace win
