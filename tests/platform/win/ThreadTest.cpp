#include "platform/win/Thread.h"

#include <gtest/gtest.h>

#include <atomic>

#include "WinTestSupport.h"
#include "platform/win/Sync.h"
#include "platform/win/Wnd.h"

using namespace wintest;

namespace {
UINT ReturnsParam(LPVOID p) { return static_cast<UINT>(reinterpret_cast<std::uintptr_t>(p)); }
std::atomic<int> g_ran{0};
UINT CountsRun(LPVOID) {
  ++g_ran;
  return 0;
}
}  // namespace

TEST(Thread, WorkerGivesItsExitCodeToAWaiterThatKeepsTheObject) {
  win::CWinThread* t = win::AfxBeginThread(&ReturnsParam, reinterpret_cast<LPVOID>(7), 0, 0, win::CREATE_SUSPENDED);
  ASSERT_NE(t, nullptr);
  EXPECT_NE(t->m_nThreadID, 0u);
  EXPECT_NE(t->m_nThreadID, win::GetCurrentThreadId());
  t->m_bAutoDelete = FALSE;
  DWORD code = 0;
  EXPECT_TRUE(win::GetExitCodeThread(t->m_hThread, &code));
  EXPECT_EQ(code, win::STILL_ACTIVE_THREAD);
  t->ResumeThread();
  EXPECT_EQ(win::WaitForSingleObject(t->m_hThread, INFINITE), win::WAIT_OBJECT_0);
  EXPECT_TRUE(win::GetExitCodeThread(t->m_hThread, &code));
  EXPECT_EQ(code, 7u);
  delete t;
}

TEST(Thread, AnAutoDeletingThreadLeavesAStaleHandleThatIsRefused) {
  g_ran = 0;
  // Suspended, so the object cannot be gone before its handle is read.
  win::CWinThread* t = win::AfxBeginThread(&CountsRun, nullptr, 0, 0, win::CREATE_SUSPENDED);
  ASSERT_NE(t, nullptr);
  HANDLE copy = win::DuplicateHandle(t->m_hThread);  // the one way to outlive the object
  HANDLE stale = t->m_hThread;
  t->ResumeThread();  // from here t may be deleted at any moment
  EXPECT_EQ(win::WaitForSingleObject(copy, INFINITE), win::WAIT_OBJECT_0);
  while (win::WaitForSingleObject(stale, 0) != win::WAIT_FAILED) std::this_thread::yield();
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(g_ran, 1);
  win::CloseHandle(copy);
}

TEST(Thread, ASuspendedThreadThatIsNeverResumedNeverRuns) {
  g_ran = 0;
  win::CWinThread* t = win::AfxBeginThread(&CountsRun, nullptr, 0, 0, win::CREATE_SUSPENDED);
  t->m_bAutoDelete = FALSE;
  delete t;  // must not hang
  EXPECT_EQ(g_ran, 0);
}

namespace {
class Window final : public win::CWnd {
 public:
  std::atomic<int>* closes = nullptr;
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_CLOSE) ++*closes;
    return CWnd::WindowProc(msg, wParam, lParam);
  }
  void PostNcDestroy() override { delete this; }
};

std::atomic<int> g_closes{0};
std::atomic<HWND> g_threadWindow{nullptr};

// A user-interface thread: its main window's end ends its loop.
class UiThread final : public win::CWinThread {
 public:
  BOOL InitInstance() override {
    auto* w = new Window;  // owns itself: deleted in PostNcDestroy
    w->closes = &g_closes;
    RegisterRecorderClass();  // WM_CLOSE destroys (a dialog would turn it into IDCANCEL)
    w->CreateEx(0, L"MxRecorder", L"ui thread", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    m_pMainWnd = w;
    g_threadWindow = w->m_hWnd;
    return TRUE;
  }
  int ExitInstance() override { return 33; }
};
}  // namespace

TEST(Thread, UserInterfaceThreadRunsItsLoopUntilItsMainWindowIsGone) {
  g_closes = 0;
  g_threadWindow = nullptr;
  auto* t = win::AfxBeginThread<UiThread>(0, 0, win::CREATE_SUSPENDED);
  ASSERT_NE(t, nullptr);
  t->m_bAutoDelete = FALSE;
  t->ResumeThread();
  while (!g_threadWindow) std::this_thread::yield();
  HWND w = g_threadWindow;
  EXPECT_EQ(win::FindWindow(L"MxRecorder", L"UI THREAD"), w);
  EXPECT_TRUE(win::PostMessage(w, WM_CLOSE, 0, 0));
  EXPECT_EQ(win::WaitForSingleObject(t->m_hThread, INFINITE), win::WAIT_OBJECT_0);
  DWORD code = 0;
  win::GetExitCodeThread(t->m_hThread, &code);
  EXPECT_EQ(code, 33u);
  EXPECT_EQ(g_closes, 1);
  EXPECT_FALSE(win::IsWindow(w));
  delete t;
}
