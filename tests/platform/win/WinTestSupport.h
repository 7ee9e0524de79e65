#pragma once
// Small helpers shared by the window-core tests: a recording window class and a clock that tests step.
#include <string>
#include <vector>

#include "platform/base/Clock.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace wintest {

struct Seen {
  HWND hwnd;
  UINT msg;
  WPARAM wParam;
  LPARAM lParam;
  DWORD thread;
};

// A class "MxRecorder" whose procedure records every message (from any thread) and defers to DefWindowProc.
// Tests read recorded() after the threads they started are joined.
void RegisterRecorderClass();
std::vector<Seen> Recorded();
void ClearRecorded();
// Only the messages in [first, last].
std::vector<UINT> RecordedMessages(UINT first = 0, UINT last = 0xFFFF);

HWND MakeWindow(LPCWSTR caption = L"", HWND parent = nullptr, DWORD style = 0, int id = 0);

// Dispatches everything waiting for the calling thread; returns the messages handled.
std::vector<UINT> PumpAll();

// Installs a FakeClock for the test's lifetime.
class FakeTime {
 public:
  FakeTime() { mx::SetClock(&clock); }
  ~FakeTime() { mx::SetClock(nullptr); }
  FakeTime(const FakeTime&) = delete;
  FakeTime& operator=(const FakeTime&) = delete;
  mx::FakeClock clock;
};

}  // namespace wintest
