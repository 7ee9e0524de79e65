#include "platform/win/Sync.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "WinTestSupport.h"
#include "platform/win/CriticalSection.h"
#include "platform/win/Interlocked.h"
#include "support/TestPaths.h"

using namespace wintest;
using win::WAIT_FAILED;
using win::WAIT_OBJECT_0;
using win::WAIT_TIMEOUT;

TEST(Sync, ManualEventsStaySignalledAutoEventsServeOneWait) {
  win::UniqueHandle manual(win::CreateEvent(nullptr, TRUE, FALSE, nullptr));
  win::UniqueHandle automatic(win::CreateEvent(nullptr, FALSE, TRUE, nullptr));
  EXPECT_EQ(win::WaitForSingleObject(manual.get(), 0), WAIT_TIMEOUT);
  win::SetEvent(manual.get());
  EXPECT_EQ(win::WaitForSingleObject(manual.get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(win::WaitForSingleObject(manual.get(), 0), WAIT_OBJECT_0);
  win::ResetEvent(manual.get());
  EXPECT_EQ(win::WaitForSingleObject(manual.get(), 0), WAIT_TIMEOUT);

  EXPECT_EQ(win::WaitForSingleObject(automatic.get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(win::WaitForSingleObject(automatic.get(), 0), WAIT_TIMEOUT);

  HANDLE both[] = {manual.get(), automatic.get()};
  win::SetEvent(automatic.get());
  EXPECT_EQ(win::WaitForMultipleObjects(2, both, FALSE, 0), WAIT_OBJECT_0 + 1);
  win::SetEvent(automatic.get());
  EXPECT_EQ(win::WaitForMultipleObjects(2, both, TRUE, 0), WAIT_TIMEOUT);
  EXPECT_EQ(win::WaitForSingleObject(automatic.get(), 0), WAIT_OBJECT_0) << "a failed wait-all takes nothing";

  HANDLE stale = manual.get();
  manual.reset();
  EXPECT_EQ(win::WaitForSingleObject(stale, 0), WAIT_FAILED);
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(win::SetEvent(stale));
  EXPECT_FALSE(win::CloseHandle(stale));
}

namespace {
// The fake clock, telling when it has been read a number of times: a waiter that has read it again after
// taking its deadline is waiting, so the clock can be moved past that deadline without a race.
class WatchedClock final : public mx::Clock {
 public:
  WatchedClock() { mx::SetClock(this); }
  ~WatchedClock() override { mx::SetClock(nullptr); }
  std::uint64_t TickMs() override {
    std::lock_guard lock(m_);
    ++reads_;
    read_.notify_all();
    return fake.TickMs();
  }
  std::uint64_t NowFileTime() override { return fake.NowFileTime(); }
  void Sleep(std::uint32_t ms) override { fake.Sleep(ms); }
  bool WaitForReads(int count) {
    std::unique_lock lock(m_);
    return read_.wait_for(lock, std::chrono::seconds(30), [&] { return reads_ >= count; });
  }
  mx::FakeClock fake;

 private:
  std::mutex m_;
  std::condition_variable read_;
  int reads_ = 0;
};
}  // namespace

TEST(Sync, FiniteWaitsEndWhenSignalledOrWhenTheClockPassesTheirTime) {
  WatchedClock clock;
  win::UniqueHandle event(win::CreateEvent(nullptr, TRUE, FALSE, nullptr));
  auto timesOut = std::async(std::launch::async, [&] { return win::WaitForSingleObject(event.get(), 100); });
  EXPECT_TRUE(clock.WaitForReads(3)) << "the waiter took its deadline and looked at the clock again";
  EXPECT_EQ(timesOut.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "it still waits";
  clock.fake.Advance(100);
  EXPECT_EQ(timesOut.get(), WAIT_TIMEOUT);

  auto signalled = std::async(std::launch::async, [&] { return win::WaitForSingleObject(event.get(), 100000); });
  win::SetEvent(event.get());
  EXPECT_EQ(signalled.get(), WAIT_OBJECT_0);

  const std::uint64_t before = clock.fake.TickMs();
  win::Sleep(1024);
  EXPECT_EQ(clock.fake.TickMs(), before + 1024);
}

TEST(Sync, MutexesAreRecursiveForTheOwnerAndAbandonedWhenItEnds) {
  win::UniqueHandle mutex(win::CreateMutex(nullptr, TRUE, nullptr));
  EXPECT_EQ(win::WaitForSingleObject(mutex.get(), 0), WAIT_OBJECT_0);
  EXPECT_EQ(std::async(std::launch::async, [&] { return win::WaitForSingleObject(mutex.get(), 0); }).get(),
            WAIT_TIMEOUT);
  EXPECT_EQ(std::async(std::launch::async, [&] { return win::ReleaseMutex(mutex.get()); }).get(), FALSE);
  EXPECT_TRUE(win::ReleaseMutex(mutex.get()));
  EXPECT_TRUE(win::ReleaseMutex(mutex.get()));
  EXPECT_FALSE(win::ReleaseMutex(mutex.get()));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));

  std::thread([&] { win::WaitForSingleObject(mutex.get(), 0); }).join();  // ends holding it
  EXPECT_EQ(win::WaitForSingleObject(mutex.get(), 0), win::WAIT_ABANDONED);
  EXPECT_TRUE(win::ReleaseMutex(mutex.get()));
}

TEST(Sync, NamedMutexExistsWhileAHandleIsOpen) {
  mxtest::TempDir dir;
  ::setenv("MX_RUNTIME_DIR", dir.path().c_str(), 1);
  const wchar_t* name = L"Local\\XJV_4E7965C1-F27A-44e1-90D1-46EBDFE07955";
  win::SetLastError(99);
  win::UniqueHandle first(win::CreateMutex(nullptr, TRUE, name));
  ASSERT_TRUE(first);
  EXPECT_EQ(win::GetLastError(), 0u);
  win::ReleaseMutex(first.get());
  win::UniqueHandle second(win::CreateMutex(nullptr, TRUE, name));
  EXPECT_EQ(win::GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  win::UniqueHandle other(win::CreateMutex(nullptr, TRUE, L"Local\\another"));
  EXPECT_EQ(win::GetLastError(), 0u);
  first.reset();
  second.reset();
  win::UniqueHandle again(win::CreateMutex(nullptr, TRUE, name));
  EXPECT_EQ(win::GetLastError(), 0u);
  ::unsetenv("MX_RUNTIME_DIR");
}

TEST(Sync, CriticalSectionsExcludeOtherThreadsAndCountersStayExact) {
  win::CCriticalSection section;
  {
    win::CSingleLock lock(&section, TRUE);
    EXPECT_TRUE(lock.IsLocked());
    EXPECT_TRUE(win::TryEnterCriticalSection(section));  // recursive for the owner
    win::LeaveCriticalSection(section);
    EXPECT_FALSE(std::async(std::launch::async, [&] { return win::TryEnterCriticalSection(section); }).get());
  }
  EXPECT_TRUE(std::async(std::launch::async, [&] {
                BOOL got = win::TryEnterCriticalSection(section);
                if (got) win::LeaveCriticalSection(section);
                return got;
              }).get());

  LONG counter = 0;
  long plain = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        win::InterlockedIncrement(&counter);
        win::CSingleLock lock(&section, TRUE);
        ++plain;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
  EXPECT_EQ(plain, 40000);
  EXPECT_EQ(win::InterlockedCompareExchange(&counter, 1, 40000), 40000);
  EXPECT_EQ(win::InterlockedDecrement(&counter), 0);
}
