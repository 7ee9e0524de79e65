#pragma once
// The record of programs the machine was asked to start but cannot run here (installers, "runas", shutdown,
// help files, browser URLs, any program other than the registry editor). Tests read it; the application core
// sets a hook that writes each record to its log.
#include <functional>
#include <string>
#include <vector>

namespace mx {

struct LaunchRecord {
  std::wstring verb;
  std::wstring file;
  std::wstring parameters;
  std::wstring directory;
  int show = 0;
  bool started = false;  // true when a real child was started
};

// Every launch since the last clear, oldest first.
std::vector<LaunchRecord> RecordedLaunches();
void ClearRecordedLaunches();
// Called for each launch as it is recorded; nullptr removes it. Runs on the launching thread.
void SetLaunchHook(std::function<void(const LaunchRecord&)> hook);
void RecordLaunch(LaunchRecord record);

}  // namespace mx
