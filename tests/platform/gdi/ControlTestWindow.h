#pragma once
// A top-level test window that records the notifications and commands its controls send, and pumps
// messages for tests that drive controls from other threads.
#include <string>
#include <vector>

#include "platform/gdi/Controls.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace gditest {

struct Notification {
  UINT code = 0;
  int item = -1;
  UINT oldState = 0;
  UINT newState = 0;
};

class TestWindow {
 public:
  TestWindow(int width, int height);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND hwnd() const { return hwnd_; }
  HWND AddControl(LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle = 0);
  // Dispatches waiting messages until the queue is empty.
  void Pump();

  std::vector<Notification> notifications;  // WM_NOTIFY of the list views
  std::vector<std::pair<int, int>> commands;  // WM_COMMAND: (id, code)
  bool refuseChanging = false;                // answer TRUE to LVN_ITEMCHANGING
  int minColumnWidth = 0;                     // answer TRUE to HDN_ITEMCHANGING below this width
  std::vector<std::pair<UINT, int>> headerNotes;  // header notifications: (code, width)

 private:
  static LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  HWND hwnd_ = nullptr;
};

}  // namespace gditest
