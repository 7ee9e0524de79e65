#pragma once
// The background saver: runs a save a set time after the last change, on its own thread. It polls real time,
// not the program clock: it must keep working while a test steps a fake clock, and must never touch a clock
// object that a test has already destroyed.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace mx::reg {

class AutoSaver {
 public:
  explicit AutoSaver(std::function<void()> save, std::chrono::milliseconds delay);
  ~AutoSaver();
  AutoSaver(const AutoSaver&) = delete;
  AutoSaver& operator=(const AutoSaver&) = delete;

  // A change happened: save once delay has passed without another one. Starts the thread on first use.
  void Touch();
  // Zero or less: no background saves.
  void SetDelay(std::chrono::milliseconds delay);
  std::chrono::milliseconds delay();
  // Whether this object's thread runs in the calling process (false in a forked child).
  bool OwnedByThisProcess() const;

 private:
  void Loop();

  std::function<void()> save_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::thread thread_;
  int pid_ = 0;
  bool stop_ = false;
  bool pending_ = false;
  std::chrono::steady_clock::time_point lastChange_{};
  std::chrono::milliseconds delay_;
};

}  // namespace mx::reg
