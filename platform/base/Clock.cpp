#include "platform/base/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace mx {

namespace {
// 100 ns ticks between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochAsFileTime = 116444736000000000ull;
std::atomic<Clock*> g_clock{nullptr};
}  // namespace

std::uint64_t SystemClock::TickMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::uint64_t SystemClock::NowFileTime() {
  using namespace std::chrono;
  auto ns = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
  return kUnixEpochAsFileTime + static_cast<std::uint64_t>(ns / 100);
}

void SystemClock::Sleep(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

FakeClock::FakeClock(std::uint64_t fileTime, std::uint64_t tick) : fileTime_(fileTime), tick_(tick) {}

std::uint64_t FakeClock::TickMs() {
  std::lock_guard lock(mutex_);
  return tick_;
}

std::uint64_t FakeClock::NowFileTime() {
  std::lock_guard lock(mutex_);
  return fileTime_;
}

void FakeClock::Advance(std::uint64_t ms) {
  std::vector<std::function<void()>> listeners;
  {
    std::lock_guard lock(mutex_);
    tick_ += ms;
    fileTime_ += ms * 10000;
    if (ms <= 0xFFFFFFFFu) sleeps_.push_back(static_cast<std::uint32_t>(ms));
    listeners = listeners_;
  }
  for (auto& f : listeners) f();
}

void FakeClock::SetFileTime(std::uint64_t fileTime) {
  std::lock_guard lock(mutex_);
  fileTime_ = fileTime;
}

void FakeClock::AddListener(std::function<void()> onAdvance) {
  std::lock_guard lock(mutex_);
  listeners_.push_back(std::move(onAdvance));
}

std::vector<std::uint32_t> FakeClock::sleeps() const {
  std::lock_guard lock(mutex_);
  return sleeps_;
}

Clock& GetClock() {
  static SystemClock systemClock;
  Clock* c = g_clock.load(std::memory_order_acquire);
  return c ? *c : systemClock;
}

void SetClock(Clock* clock) { g_clock.store(clock, std::memory_order_release); }

}  // namespace mx
