#pragma once
// The scheduled scan (command word "scan") as the main window runs it while no screen is shown: a hidden
// scan-progress window, child of the main window, takes the categories ticked on the scan-area settings page,
// runs the scan worker, and on its end message saves the results and the scan's time and counts, then ends
// the program, or with a display hands over to the pop-up notifier.
#include <functional>
#include <memory>

#include "platform/win/Wnd.h"

class CZUNDlg;

// What the scan ended with, for the one who started the program.
struct ScheduledScanOutcome {
  bool completed = false;  // false: stopped, or it could not start
  int problems = 0;        // problems held after the scan (the previous results after a stop)
};

class CScheduledScan : public win::CWnd {
 public:
  using FinishedHandler = std::function<void(const ScheduledScanOutcome&)>;

  explicit CScheduledScan(FinishedHandler onFinished) : m_onFinished(std::move(onFinished)) {}
  ~CScheduledScan() override;

  // Creates the hidden window under the main window and arms the start; FALSE when the window could not be
  // made.
  BOOL Start(HWND mainWnd);

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

 private:
  void CreateSelectedCategories();
  void BeginWorker();
  void OnScanCompleted();
  void OnScanStopped();
  // Tells the handler and ends the program's message loop.
  void Finish(bool completed);

  FinishedHandler m_onFinished;
  bool m_finished = false;
};

// Lets the main window start a scheduled scan as soon as it exists when the program was started with the
// command word "scan"; onFinished hears how it ended. Called once by the program before the application runs.
void RegisterScheduledScan(CScheduledScan::FinishedHandler onFinished);
