#include "platform/registry/AutoSaver.h"

#include <unistd.h>

namespace mx::reg {

AutoSaver::AutoSaver(std::function<void()> save, std::chrono::milliseconds delay)
    : save_(std::move(save)), pid_(::getpid()), delay_(delay) {}

AutoSaver::~AutoSaver() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  cv_.notify_all();
  if (thread_.joinable()) thread_.join();
}

bool AutoSaver::OwnedByThisProcess() const { return pid_ == ::getpid(); }

void AutoSaver::Touch() {
  std::lock_guard lock(mutex_);
  if (delay_.count() <= 0) return;
  lastChange_ = std::chrono::steady_clock::now();
  pending_ = true;
  if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
  cv_.notify_all();
}

void AutoSaver::SetDelay(std::chrono::milliseconds delay) {
  std::lock_guard lock(mutex_);
  delay_ = delay;
  cv_.notify_all();
}

std::chrono::milliseconds AutoSaver::delay() {
  std::lock_guard lock(mutex_);
  return delay_;
}

void AutoSaver::Loop() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    if (!pending_ || delay_.count() <= 0) {
      cv_.wait(lock);
      continue;
    }
    auto due = lastChange_ + delay_;
    if (std::chrono::steady_clock::now() < due) {
      cv_.wait_until(lock, due);
      continue;
    }
    pending_ = false;
    lock.unlock();
    save_();
    lock.lock();
  }
}

}  // namespace mx::reg
