#include "platform/win/Thread.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/win/Core.h"
#include "platform/win/KernelObjects.h"
#include "platform/win/Message.h"
#include "platform/win/Sync.h"
#include "platform/win/WinApp.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"

namespace win {

struct ThreadState {
  std::mutex m;
  std::condition_variable cv;
  bool started = false;
  bool resumed = false;
  bool cancelled = false;
  bool ended = false;
  DWORD tid = 0;
  std::shared_ptr<void> object;
};

struct ThreadStart {
  static void Main(CWinThread* self, std::shared_ptr<ThreadState> st) {
    auto queue = core::CurrentQueue();
    queue->thread = self;
    bool run;
    {
      std::unique_lock lock(st->m);
      st->tid = GetCurrentThreadId();
      st->started = true;
      st->cv.notify_all();
      st->cv.wait(lock, [&] { return st->resumed || st->cancelled; });
      run = !st->cancelled;
    }
    UINT code = 0;
    if (run) {
      if (self->m_pfnThreadProc) code = self->m_pfnThreadProc(self->m_pThreadParams);
      else code = static_cast<UINT>(self->InitInstance() ? self->Run() : self->ExitInstance());
    }
    core::EndCurrentThread();
    auto object = st->object;
    if (run && self->m_bAutoDelete) delete self;  // the object owns itself from AfxBeginThread on
    {
      std::lock_guard lock(st->m);
      st->ended = true;
      st->cv.notify_all();
    }
    core::EndThreadObject(object, code);
  }
};

CWinThread::CWinThread() = default;

CWinThread::CWinThread(AFX_THREADPROC proc, LPVOID param) : m_pfnThreadProc(proc), m_pThreadParams(param) {}

CWinThread::~CWinThread() {
  if (state_) {
    std::unique_lock lock(state_->m);
    if (state_->tid != GetCurrentThreadId()) {
      if (!state_->resumed) {
        state_->cancelled = true;
        state_->cv.notify_all();
      }
      // The thread still uses this object until it ends.
      state_->cv.wait(lock, [&] { return state_->ended; });
    }
  }
  if (m_hThread) CloseHandle(m_hThread);
}

BOOL CWinThread::CreateThread(DWORD flags, UINT) {
  if (state_) return FALSE;
  auto st = std::make_shared<ThreadState>();
  st->resumed = !(flags & CREATE_SUSPENDED);
  m_hThread = core::CreateThreadObject(&st->object);
  state_ = st;
  try {
    std::thread(&ThreadStart::Main, this, st).detach();
  } catch (const std::system_error&) {
    CloseHandle(m_hThread);
    m_hThread = nullptr;
    state_.reset();
    return FALSE;
  }
  std::unique_lock lock(st->m);
  st->cv.wait(lock, [&] { return st->started; });
  m_nThreadID = st->tid;
  return TRUE;
}

DWORD CWinThread::ResumeThread() {
  if (!state_) return static_cast<DWORD>(-1);
  std::lock_guard lock(state_->m);
  if (state_->resumed) return 0;
  state_->resumed = true;
  state_->cv.notify_all();
  return 1;
}

BOOL CWinThread::SetThreadPriority(int priority) {
  priority_ = priority;
  return TRUE;
}

BOOL CWinThread::InitInstance() { return FALSE; }

int CWinThread::Run() {
  LONG idle = 0;
  for (;;) {
    MSG peek;
    while (!PeekMessage(&peek, nullptr, 0, 0, PM_NOREMOVE) && OnIdle(idle++)) {
    }
    idle = 0;
    if (!PumpMessage()) return ExitInstance();
  }
}

int CWinThread::ExitInstance() { return static_cast<int>(m_msgCur.wParam); }

BOOL CWinThread::PumpMessage() {
  if (GetMessage(&m_msgCur, nullptr, 0, 0) <= 0) return FALSE;
  if (!PreTranslateMessage(&m_msgCur)) {
    TranslateMessage(&m_msgCur);
    DispatchMessage(&m_msgCur);
  }
  return TRUE;
}

BOOL CWinThread::OnIdle(LONG) { return FALSE; }

CWnd* CWinThread::GetMainWnd() { return m_pMainWnd; }

BOOL CWinThread::PreTranslateMessage(MSG* msg) {
  if (!msg) return FALSE;
  CWnd* main = AfxGetMainWnd();
  HWND stop = main ? main->m_hWnd : nullptr;
  HWND top = nullptr;
  for (HWND h = msg->hwnd; h && IsWindow(h); h = GetParent(h)) {
    if (CWnd* w = CWnd::FromHandle(h); w && w->PreTranslateMessage(msg)) return TRUE;
    top = h;
    if (h == stop) return FALSE;
  }
  // A window outside the main window's tree (a modeless pop-up): the main window still gets its say.
  if (main && msg->hwnd && top != stop && IsWindow(stop)) return main->PreTranslateMessage(msg);
  return FALSE;
}

CWinThread* AfxBeginThread(AFX_THREADPROC proc, LPVOID param, int priority, UINT stackSize, DWORD flags, void*) {
  if (!proc) return nullptr;
  auto thread = std::make_unique<CWinThread>(proc, param);
  thread->SetThreadPriority(priority);
  if (!thread->CreateThread(flags | CREATE_SUSPENDED, stackSize)) return nullptr;
  CWinThread* raw = thread.release();  // owned by the thread (or by the caller, with m_bAutoDelete FALSE)
  if (!(flags & CREATE_SUSPENDED)) raw->ResumeThread();
  return raw;
}

}  // namespace win
