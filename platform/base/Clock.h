#pragma once
// The one clock of the program: every wait, tick count and wall-clock read goes through it, so that tests
// can step time instead of sleeping.
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace mx {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start, never going back (GetTickCount64).
  virtual std::uint64_t TickMs() = 0;
  // Wall-clock time in 100 ns units since 1601-01-01 UTC (a FILETIME).
  virtual std::uint64_t NowFileTime() = 0;
  virtual void Sleep(std::uint32_t ms) = 0;
};

class SystemClock final : public Clock {
 public:
  std::uint64_t TickMs() override;
  std::uint64_t NowFileTime() override;
  void Sleep(std::uint32_t ms) override;
};

// A clock that moves only when told. Sleep advances it, so code that waits runs instantly; listeners learn of
// every step (the message core uses that to fire timers).
class FakeClock final : public Clock {
 public:
  explicit FakeClock(std::uint64_t fileTime = 134000000000000000ull, std::uint64_t tick = 1000000);
  std::uint64_t TickMs() override;
  std::uint64_t NowFileTime() override;
  void Sleep(std::uint32_t ms) override { Advance(ms); }

  void Advance(std::uint64_t ms);
  // Moves the wall clock only (the tick count never goes back), as when the user sets the date.
  void SetFileTime(std::uint64_t fileTime);
  void AddListener(std::function<void()> onAdvance);

  // Every Sleep call's length, for tests of start-up waits.
  std::vector<std::uint32_t> sleeps() const;

 private:
  mutable std::mutex mutex_;
  std::uint64_t fileTime_;
  std::uint64_t tick_;
  std::vector<std::uint32_t> sleeps_;
  std::vector<std::function<void()>> listeners_;
};

// The process-wide clock; SetClock(nullptr) returns to the system clock. The caller keeps ownership.
Clock& GetClock();
void SetClock(Clock* clock);

}  // namespace mx
