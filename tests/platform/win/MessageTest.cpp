#include "platform/win/Message.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include <poll.h>

#include "WinTestSupport.h"
#include "platform/win/Timer.h"
#include "platform/win/Window.h"

using namespace wintest;

namespace {
constexpr UINT kA = WM_USER + 1, kB = WM_USER + 2, kC = WM_USER + 3;
}

TEST(MessageQueue, PostedMessagesComeFirstInOrderThenQuitThenPaintThenTimers) {
  FakeTime time;
  HWND w = MakeWindow(L"w", nullptr, WS_VISIBLE);
  PumpAll();
  win::SetTimer(w, 7, 90, nullptr);
  time.clock.Advance(90);  // the timer is due before anything is posted
  win::InvalidateRect(w, nullptr, FALSE);
  win::PostMessage(w, kA, 1, 0);
  win::PostMessage(w, kB, 2, 0);
  win::PostThreadMessage(win::GetCurrentThreadId(), kC, 3, 0);
  EXPECT_EQ(PumpAll(), (std::vector<UINT>{kA, kB, kC, WM_PAINT, WM_TIMER}));

  win::PostMessage(w, kA, 0, 0);
  win::PostQuitMessage(5);
  win::PostMessage(w, kB, 0, 0);
  MSG msg;
  ASSERT_TRUE(win::GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, kA);
  ASSERT_TRUE(win::GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, kB);
  EXPECT_FALSE(win::GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 5u);
  win::DestroyWindow(w);
}

TEST(MessageQueue, FiltersByWindowAndRangeAndLeavesTheRest) {
  HWND a = MakeWindow(L"a");
  HWND b = MakeWindow(L"b");
  HWND child = MakeWindow(L"c", a, 0, 5);
  win::PostMessage(b, kA, 0, 0);
  win::PostMessage(child, kB, 0, 0);
  win::PostMessage(a, kC, 0, 0);
  MSG msg;
  ASSERT_TRUE(win::PeekMessage(&msg, a, 0, 0, PM_REMOVE));  // a's own and its children's messages
  EXPECT_EQ(msg.hwnd, child);
  ASSERT_TRUE(win::PeekMessage(&msg, nullptr, kC, kC, PM_NOREMOVE));
  EXPECT_EQ(msg.hwnd, a);
  ASSERT_TRUE(win::PeekMessage(&msg, nullptr, kC, kC, PM_REMOVE));
  ASSERT_TRUE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, b);
  EXPECT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  win::DestroyWindow(b);
  EXPECT_EQ(win::GetMessage(&msg, b, 0, 0), -1);  // a dead window as filter
  win::DestroyWindow(a);
}

TEST(MessageQueue, PostingFailsForDeadWindowsAndUnknownThreads) {
  HWND w = MakeWindow();
  win::PostMessage(w, kA, 0, 0);
  ASSERT_TRUE(win::DestroyWindow(w));
  EXPECT_FALSE(win::PostMessage(w, kA, 0, 0));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(win::PostThreadMessage(999999, kA, 0, 0));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_THREAD_ID));
  EXPECT_EQ(win::SendMessage(w, kA, 0, 0), 0);
  ClearRecorded();
  EXPECT_TRUE(PumpAll().empty()) << "messages of a destroyed window are dropped";
}

namespace {
// Waits (in real time) until a message sent by another thread waits in the calling thread's queue; looking
// does not handle it.
void WaitForIncomingSend() {
  while (!(win::GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}
}  // namespace

TEST(MessageQueue, SendFromAnotherThreadRunsOnTheOwnerOnlyWhileItWaitsForMessages) {
  HWND w = MakeWindow();
  win::SetWindowText(w, L"four");
  ClearRecorded();
  std::atomic<bool> returned{false};
  auto worker = std::async(std::launch::async, [&] {
    LRESULT r = win::SendMessage(w, WM_GETTEXTLENGTH, 0, 0);
    returned = true;
    return r;
  });
  WaitForIncomingSend();
  // Only this thread may take it: it stays queued, unhandled, and the sender blocked, until this thread looks.
  EXPECT_TRUE(win::GetQueueStatus(QS_SENDMESSAGE) & QS_SENDMESSAGE);
  EXPECT_FALSE(returned);
  EXPECT_TRUE(Recorded().empty());
  MSG msg;
  EXPECT_FALSE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));  // handles the send, returns nothing
  EXPECT_EQ(worker.get(), 4);
  auto seen = Recorded();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].thread, win::GetCurrentThreadId());
  win::DestroyWindow(w);
}

TEST(MessageQueue, SendToAWindowDestroyedBeforeItWasHandledReturnsZero) {
  HWND w = MakeWindow();
  auto worker = std::async(std::launch::async, [&] { return win::SendMessage(w, WM_NCHITTEST, 0, 0); });
  WaitForIncomingSend();
  win::DestroyWindow(w);  // no message loop ran meanwhile
  EXPECT_EQ(worker.get(), 0);  // handled, it would have been 1
  EXPECT_EQ(win::SendMessage(w, WM_NCHITTEST, 0, 0), 0);
}

TEST(MessageQueue, SendToAThreadThatEndsReturnsZero) {
  std::promise<HWND> made;
  std::thread owner([&] {
    made.set_value(MakeWindow());
    WaitForIncomingSend();  // then ends without pumping; its windows die with it
  });
  HWND w = made.get_future().get();
  auto sender = std::async(std::launch::async, [&] { return win::SendMessage(w, WM_NCHITTEST, 0, 0); });
  owner.join();
  EXPECT_EQ(sender.get(), 0);
  EXPECT_FALSE(win::IsWindow(w));
}

// A thread blocked in SendMessage keeps answering what is sent to it, so mutual sends cannot deadlock.
namespace {
HWND g_mainWindow = nullptr;
LRESULT ForwardingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == kA) return win::SendMessage(g_mainWindow, kB, 0, 0) + 1;
  if (msg == kB) return 41;
  return win::DefWindowProc(hwnd, msg, wParam, lParam);
}
}  // namespace

TEST(MessageQueue, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  WNDCLASSW wc;
  wc.lpfnWndProc = &ForwardingProc;
  wc.lpszClassName = L"MxForwarder";
  win::RegisterClass(&wc);
  g_mainWindow = win::CreateWindowEx(0, L"MxForwarder", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  std::promise<HWND> made;
  std::thread other([&] {
    made.set_value(win::CreateWindowEx(0, L"MxForwarder", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr));
    MSG msg;
    while (win::GetMessage(&msg, nullptr, 0, 0) > 0) win::DispatchMessage(&msg);
  });
  HWND otherWindow = made.get_future().get();
  EXPECT_EQ(win::SendMessage(otherWindow, kA, 0, 0), 42);
  win::PostThreadMessage(win::GetWindowThreadProcessId(otherWindow, nullptr), WM_QUIT, 0, 0);
  other.join();
  win::DestroyWindow(g_mainWindow);
}

TEST(MessageQueue, ThreadMessagesReachAThreadWithAQueue) {
  std::promise<DWORD> id;
  auto worker = std::async(std::launch::async, [&] {
    MSG msg;
    win::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes the queue
    id.set_value(win::GetCurrentThreadId());
    std::vector<WPARAM> got;
    while (win::GetMessage(&msg, nullptr, 0, 0) > 0) got.push_back(msg.wParam);
    return got;
  });
  DWORD tid = id.get_future().get();
  EXPECT_NE(tid, win::GetCurrentThreadId());
  win::PostThreadMessage(tid, kA, 1, 0);
  win::PostThreadMessage(tid, kA, 2, 0);
  win::PostThreadMessage(tid, WM_QUIT, 0, 0);
  EXPECT_EQ(worker.get(), (std::vector<WPARAM>{1, 2}));
}

TEST(MessageQueue, WakeDescriptorSignalsQueuedWork) {
  int fd = win::GetQueueWakeFd();
  ASSERT_GE(fd, 0);
  MSG msg;
  win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);  // drains
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 0), 0);
  HWND w = MakeWindow();
  std::thread([w] { win::PostMessage(w, kA, 0, 0); }).join();
  EXPECT_EQ(::poll(&p, 1, 0), 1);
  PumpAll();
  EXPECT_EQ(::poll(&p, 1, 0), 0);

  FakeTime time;
  EXPECT_EQ(win::GetNextTimerDueMs(), -1);
  win::SetTimer(w, 1, 500, nullptr);
  time.clock.Advance(200);
  EXPECT_EQ(win::GetNextTimerDueMs(), 300);
  win::DestroyWindow(w);
}
