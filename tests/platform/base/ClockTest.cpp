#include "platform/base/Clock.h"

#include <gtest/gtest.h>

TEST(Clock, FakeClockStepsInsteadOfSleeping) {
  mx::FakeClock fake;
  mx::SetClock(&fake);
  int notified = 0;
  fake.AddListener([&] { ++notified; });
  auto t0 = mx::GetClock().TickMs();
  auto f0 = mx::GetClock().NowFileTime();
  mx::GetClock().Sleep(1024);
  EXPECT_EQ(mx::GetClock().TickMs() - t0, 1024u);
  EXPECT_EQ(mx::GetClock().NowFileTime() - f0, 1024u * 10000u);
  EXPECT_EQ(fake.sleeps(), std::vector<std::uint32_t>{1024});
  EXPECT_EQ(notified, 1);
  mx::SetClock(nullptr);
}
