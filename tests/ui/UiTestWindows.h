#pragma once
// Shared pieces of the toolkit's window tests: a skinned frame that paints itself and records the messages
// it posts to itself, pumping the thread's queue, and the blits a draw log holds for one skin bitmap.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/gdi/DrawLog.h"
#include "platform/gdi/Geometry.h"
#include "platform/gdi/WindowDC.h"
#include "platform/win/Message.h"
#include "ui/MainBorder.h"
#include "ui/STMemDC.h"

namespace uitest {

// Template 388 is an empty pop-up; tests size the frame after creating it.
inline constexpr UINT kEmptyPopup = 388;

class TestFrame : public CMainBorder {
 public:
  TestFrame() : CMainBorder(kEmptyPopup, nullptr) {}
  std::vector<MSG> seen;  // WM_NCLBUTTONDOWN, WM_SYSCOMMAND and WM_COMMAND that reached the frame

 protected:
  void OnPaint() override {
    CPaintDC paint(m_hWnd);
    RECT client{};
    GetClientRect(&client);
    CSTMemDC buffer(&paint, &client);
    DrawFrame(&buffer, &client);
  }
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_NCLBUTTONDOWN || msg == WM_SYSCOMMAND || msg == WM_COMMAND)
      seen.push_back(MSG{m_hWnd, msg, wParam, lParam, 0, {}});
    return CMainBorder::WindowProc(msg, wParam, lParam);
  }
};

inline void Pump() {
  MSG msg;
  while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessage(&msg);
}

inline std::vector<gdi::DrawCall> BlitsOf(const gdi::DrawLog& log, UINT resourceId) {
  std::vector<gdi::DrawCall> out;
  for (const auto& c : log.Calls())
    if ((c.op == "BitBlt" || c.op == "StretchBlt") && c.resourceId == resourceId) out.push_back(c);
  return out;
}

inline RECT Xywh(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

}  // namespace uitest

#include <ostream>

inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
  return os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
