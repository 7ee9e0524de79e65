// The window queue inside the GLib loop, on the real display's thread.
#include <gtest/gtest.h>

#include <thread>

#include "platform/gtk/QueueSource.h"
#include "platform/gtk/XvfbSession.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

// After our headers: GLib defines TRUE and FALSE as macros.
#include <glib.h>

namespace {

struct Counter {
  static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP) ++handled;
    return win::DefWindowProc(h, m, w, l);
  }
  static inline int handled = 0;
};

class QueueSourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MX_REQUIRE_DISPLAY();
    WNDCLASSW wc{};
    wc.lpfnWndProc = Counter::Proc;
    wc.lpszClassName = L"MxQueueProbe";
    win::RegisterClass(&wc);
    probe = win::CreateWindowEx(0, L"MxQueueProbe", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Counter::handled = 0;
  }
  void TearDown() override {
    if (probe) win::DestroyWindow(probe);
  }
  HWND probe = nullptr;
};

TEST_F(QueueSourceTest, MessagesAreDispatchedByTheGLibLoopUnlessHeld) {
  win::PostMessage(probe, WM_APP, 0, 0);
  {
    gtkhost::QueueHold hold;
    for (int i = 0; i < 20; ++i) g_main_context_iteration(nullptr, FALSE);
    EXPECT_EQ(Counter::handled, 0);
  }
  EXPECT_TRUE(mxtest::RunUntil([] { return Counter::handled == 1; }));
}

TEST_F(QueueSourceTest, CoreWaitRunsGtkAndReturnsWhenAnotherThreadPosts) {
  bool idleRan = false;
  g_idle_add([](gpointer p) -> gboolean { *static_cast<bool*>(p) = true; return G_SOURCE_REMOVE; }, &idleRan);
  std::thread poster([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    win::PostMessage(probe, WM_APP, 0, 0);
  });
  EXPECT_TRUE(gtkhost::WaitForQueue(-1));
  poster.join();
  EXPECT_TRUE(idleRan) << "GTK kept running while the queue waited";
  EXPECT_EQ(Counter::handled, 0) << "the waiter fetches; the wait dispatches nothing";
  MSG msg{};
  ASSERT_TRUE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_APP);
  EXPECT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));  // finding nothing clears the wake-up
  EXPECT_FALSE(gtkhost::WaitForQueue(30)) << "nothing more came";
}

TEST_F(QueueSourceTest, ModalLoopInsideADispatchedMessageKeepsGtkRunning) {
  win::SetQueueWaitHook(&gtkhost::WaitForQueue);
  gtkhost::AttachQueueSource();
  static bool modalDone = false;
  static int idleRuns = 0;
  modalDone = false;
  idleRuns = 0;
  struct Modal {
    static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_APP + 1) {
        // A modal loop of our own, entered from the GLib loop's dispatch of this message.
        std::thread poster([h] {
          std::this_thread::sleep_for(std::chrono::milliseconds(50));
          win::PostMessage(h, WM_APP + 2, 0, 0);
        });
        MSG msg{};
        while (win::GetMessage(&msg, nullptr, 0, 0) > 0 && msg.message != WM_APP + 2) win::DispatchMessage(&msg);
        poster.join();
        modalDone = true;
        return 0;
      }
      return win::DefWindowProc(h, m, w, l);
    }
  };
  WNDCLASSW wc{};
  wc.lpfnWndProc = Modal::Proc;
  wc.lpszClassName = L"MxModalProbe";
  win::RegisterClass(&wc);
  HWND modal = win::CreateWindowEx(0, L"MxModalProbe", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  g_timeout_add(5, [](gpointer) -> gboolean { ++idleRuns; return modalDone ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE; },
                nullptr);
  win::PostMessage(modal, WM_APP + 1, 0, 0);
  EXPECT_TRUE(mxtest::RunUntil([] { return modalDone; }));
  EXPECT_GT(idleRuns, 2) << "GTK ran while the modal loop waited";
  win::DestroyWindow(modal);
  win::SetQueueWaitHook(nullptr);
}

}  // namespace
