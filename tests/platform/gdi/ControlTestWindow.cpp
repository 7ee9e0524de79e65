#include "tests/platform/gdi/ControlTestWindow.h"

#include <map>
#include <mutex>

namespace gditest {
namespace {
std::map<HWND, TestWindow*>& Windows() {
  static std::map<HWND, TestWindow*> windows;
  return windows;
}
TestWindow* g_creating = nullptr;
}  // namespace

LRESULT TestWindow::Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TestWindow* self = Windows().count(hwnd) ? Windows()[hwnd] : g_creating;
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC hdc = win::BeginPaint(hwnd, &ps);
      RECT rc{};
      win::GetClientRect(hwnd, &rc);
      win::FillRect(hdc, &rc, win::GetSysColorBrush(COLOR_BTNFACE));
      win::EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lParam);
      if (hdr->code == HDN_ITEMCHANGINGW || hdr->code == HDN_ITEMCHANGEDW || hdr->code == HDN_ENDTRACKW) {
        auto* nm = reinterpret_cast<NMHEADERW*>(lParam);
        int width = nm->pitem ? nm->pitem->cxy : -1;
        if (self) self->headerNotes.emplace_back(hdr->code, width);
        return self && hdr->code == HDN_ITEMCHANGINGW && width < self->minColumnWidth ? TRUE : 0;
      }
      Notification n;
      n.code = hdr->code;
      if (hdr->code == LVN_ITEMCHANGED || hdr->code == LVN_ITEMCHANGING || hdr->code == LVN_INSERTITEM ||
          hdr->code == LVN_DELETEITEM) {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
        n.item = nm->iItem;
        n.oldState = nm->uOldState;
        n.newState = nm->uNewState;
      } else if (hdr->code == NM_CLICK || hdr->code == NM_RCLICK || hdr->code == NM_DBLCLK) {
        n.item = reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem;
      }
      if (self) self->notifications.push_back(n);
      return self && hdr->code == LVN_ITEMCHANGING && self->refuseChanging ? TRUE : 0;
    }
    case WM_COMMAND:
      if (self) self->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
      return 0;
    default: return win::DefWindowProc(hwnd, msg, wParam, lParam);
  }
}

TestWindow::TestWindow(int width, int height) {
  gdi::RegisterControlClasses();
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSW wc;
    wc.lpfnWndProc = &TestWindow::Proc;
    wc.lpszClassName = L"MxGdiTestWindow";
    win::RegisterClass(&wc);
  });
  g_creating = this;
  hwnd_ = win::CreateWindowEx(0, L"MxGdiTestWindow", L"Test", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr,
                              nullptr, nullptr, nullptr);
  g_creating = nullptr;
  Windows()[hwnd_] = this;
}

TestWindow::~TestWindow() {
  win::DestroyWindow(hwnd_);
  Windows().erase(hwnd_);
}

HWND TestWindow::AddControl(LPCWSTR cls, LPCWSTR text, DWORD style, int x, int y, int w, int h, int id, DWORD exStyle) {
  return win::CreateWindowEx(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
}

void TestWindow::Pump() {
  MSG msg;
  while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessage(&msg);
}

}  // namespace gditest
