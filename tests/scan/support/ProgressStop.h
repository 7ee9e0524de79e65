#pragma once
// A stop request that arrives in the middle of a scan: the stop event is signalled by the first progress
// report that reaches the progress window (the 27th report from now), so a test places the stop by the
// number of items the category examines before it.
//
//   mxtest::StopAtShownProgress stop;
//   category.m_pStopEvent = stop.event();
#include "platform/win/Sync.h"
#include "scan/Problem.h"

namespace mxtest {

class StopAtShownProgress {
 public:
  StopAtShownProgress() : event_(win::CreateEvent(nullptr, TRUE, FALSE, nullptr)), handle_(event_.get()) {
    ResetScanProgressCounter();
    HANDLE handle = handle_;
    SetScanProgressWindowProvider([handle]() -> HWND {
      win::SetEvent(handle);
      return nullptr;
    });
  }
  ~StopAtShownProgress() { SetScanProgressWindowProvider(nullptr); }
  StopAtShownProgress(const StopAtShownProgress&) = delete;
  StopAtShownProgress& operator=(const StopAtShownProgress&) = delete;

  HANDLE* event() { return &handle_; }

 private:
  win::UniqueHandle event_;
  HANDLE handle_;
};

}  // namespace mxtest
