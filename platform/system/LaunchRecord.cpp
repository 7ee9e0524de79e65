#include "platform/system/LaunchRecord.h"

#include <mutex>

namespace mx {

namespace {
std::mutex g_mutex;
std::vector<LaunchRecord> g_records;
std::function<void(const LaunchRecord&)> g_hook;
}  // namespace

std::vector<LaunchRecord> RecordedLaunches() {
  std::lock_guard lock(g_mutex);
  return g_records;
}

void ClearRecordedLaunches() {
  std::lock_guard lock(g_mutex);
  g_records.clear();
}

void SetLaunchHook(std::function<void(const LaunchRecord&)> hook) {
  std::lock_guard lock(g_mutex);
  g_hook = std::move(hook);
}

void RecordLaunch(LaunchRecord record) {
  std::function<void(const LaunchRecord&)> hook;
  {
    std::lock_guard lock(g_mutex);
    g_records.push_back(record);
    hook = g_hook;
  }
  // Outside the lock: the hook may log, and logging may launch nothing but may take its own locks.
  if (hook) hook(record);
}

}  // namespace mx
