#include "platform/win/Timer.h"

#include <gtest/gtest.h>

#include <future>

#include "WinTestSupport.h"

using namespace wintest;

namespace {
int TimerMessages() {
  int n = 0;
  for (UINT m : PumpAll()) n += m == WM_TIMER;
  return n;
}
}  // namespace

TEST(Timer, FiresOnceWhenTheClockReachesItsTimeAndNotBefore) {
  FakeTime time;
  HWND w = MakeWindow();
  ASSERT_TRUE(win::SetTimer(w, 102, 90, nullptr));
  time.clock.Advance(89);
  EXPECT_EQ(TimerMessages(), 0);
  time.clock.Advance(1);
  EXPECT_EQ(TimerMessages(), 1);
  EXPECT_EQ(TimerMessages(), 0) << "due again only one interval later";
  time.clock.Advance(90 * 5);
  EXPECT_EQ(TimerMessages(), 1) << "a late timer gives one message, not one per interval";
  auto seen = Recorded();
  EXPECT_EQ(seen.back().msg, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(seen.back().wParam, 102u);
  win::DestroyWindow(w);
}

TEST(Timer, ReArmingReplacesKillingStopsAndTheWindowTakesItsTimersAlong) {
  FakeTime time;
  HWND w = MakeWindow();
  win::SetTimer(w, 1, 90, nullptr);
  time.clock.Advance(50);
  win::SetTimer(w, 1, 90, nullptr);  // counted from now
  time.clock.Advance(50);
  EXPECT_EQ(TimerMessages(), 0);
  time.clock.Advance(40);
  EXPECT_EQ(TimerMessages(), 1);

  EXPECT_TRUE(win::KillTimer(w, 1));
  EXPECT_FALSE(win::KillTimer(w, 1));
  time.clock.Advance(1000);
  EXPECT_EQ(TimerMessages(), 0);

  win::SetTimer(w, 2, 1, nullptr);  // below the minimum: runs at 10 ms
  time.clock.Advance(9);
  EXPECT_EQ(TimerMessages(), 0);
  time.clock.Advance(1);
  EXPECT_EQ(TimerMessages(), 1);

  win::DestroyWindow(w);
  time.clock.Advance(1000);
  EXPECT_EQ(TimerMessages(), 0);
  EXPECT_EQ(win::SetTimer(w, 3, 10, nullptr), 0u);
}

namespace {
int g_calls = 0;
void CALLBACK_Counter(HWND, UINT, UINT_PTR, DWORD) { ++g_calls; }
}  // namespace

TEST(Timer, CallbacksRunThroughDispatchAndForgedTimerMessagesRunNothing) {
  FakeTime time;
  g_calls = 0;
  UINT_PTR id = win::SetTimer(nullptr, 0, 30, &CALLBACK_Counter);
  ASSERT_NE(id, 0u);
  time.clock.Advance(30);
  MSG msg;
  ASSERT_TRUE(win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  win::DispatchMessage(&msg);
  EXPECT_EQ(g_calls, 1);
  msg.wParam = id + 1;  // no such timer
  win::DispatchMessage(&msg);
  EXPECT_EQ(g_calls, 1);
  win::KillTimer(nullptr, id);
}

TEST(Timer, AThreadWaitingInGetMessageWakesWhenAnotherStepsTheClock) {
  FakeTime time;
  std::promise<void> armed;
  auto waiter = std::async(std::launch::async, [&] {
    HWND w = MakeWindow();
    win::SetTimer(w, 9, 500, nullptr);
    armed.set_value();
    MSG msg;
    win::GetMessage(&msg, nullptr, 0, 0);
    win::DestroyWindow(w);
    return msg.message;
  });
  armed.get_future().wait();
  time.clock.Advance(500);
  ASSERT_EQ(waiter.wait_for(std::chrono::seconds(10)), std::future_status::ready);
  EXPECT_EQ(waiter.get(), static_cast<UINT>(WM_TIMER));
}
