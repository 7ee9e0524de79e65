// The window queue inside the GLib loop, on the real display's thread.
#include <gtest/gtest.h>

#include <poll.h>

#include <atomic>
#include <future>
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
  // The post comes only once GTK has run a callback, which it can do only inside the wait: a wait that kept
  // GTK from running would never end, and the poster gives up after a long while to let the test fail.
  std::promise<void> idleRan;
  g_idle_add([](gpointer p) -> gboolean {
    static_cast<std::promise<void>*>(p)->set_value();
    return G_SOURCE_REMOVE;
  }, &idleRan);
  std::atomic<bool> gtkRan{false};
  std::thread poster([this, &gtkRan, ran = idleRan.get_future()] {
    gtkRan = ran.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    win::PostMessage(probe, WM_APP, 0, 0);
  });
  EXPECT_TRUE(gtkhost::WaitForQueue(-1));
  poster.join();
  EXPECT_TRUE(gtkRan) << "GTK kept running while the queue waited";
  EXPECT_EQ(Counter::handled, 0) << "the waiter fetches; the wait dispatches nothing";
  MSG msg{};
  ASSERT_TRUE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_APP);
  EXPECT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));  // finding nothing clears the wake-up
  pollfd wake{win::GetQueueWakeFd(), POLLIN, 0};
  EXPECT_EQ(::poll(&wake, 1, 0), 0) << "no wake-up is left for a later wait";
  EXPECT_FALSE(gtkhost::WaitForQueue(30)) << "a wait with nothing to wake it ends at its time";
}

TEST_F(QueueSourceTest, ModalLoopInsideADispatchedMessageKeepsGtkRunning) {
  win::SetQueueWaitHook(&gtkhost::WaitForQueue);
  gtkhost::AttachQueueSource();
  static bool modalDone = false, inModal = false;
  static int idleRuns = 0;  // counted inside the modal loop only
  static std::promise<void> gtkRanThrice;
  modalDone = inModal = false;
  idleRuns = 0;
  gtkRanThrice = {};
  struct Modal {
    static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_APP + 1) {
        // A modal loop of our own, entered from the GLib loop's dispatch of this message. It is ended only
        // once GTK's timer has run in it a few times; the poster gives up after a long while to let the
        // test fail.
        std::thread poster([h, ran = gtkRanThrice.get_future()] {
          ran.wait_for(std::chrono::seconds(30));
          win::PostMessage(h, WM_APP + 2, 0, 0);
        });
        MSG msg{};
        inModal = true;
        while (win::GetMessage(&msg, nullptr, 0, 0) > 0 && msg.message != WM_APP + 2) win::DispatchMessage(&msg);
        inModal = false;
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
  g_timeout_add(5, [](gpointer) -> gboolean {
    if (inModal && ++idleRuns == 3) gtkRanThrice.set_value();
    return modalDone ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
  }, nullptr);
  win::PostMessage(modal, WM_APP + 1, 0, 0);
  EXPECT_TRUE(mxtest::RunUntil([] { return modalDone; }));
  EXPECT_GT(idleRuns, 2) << "GTK ran while the modal loop waited";
  win::DestroyWindow(modal);
  win::SetQueueWaitHook(nullptr);
}

}  // namespace
