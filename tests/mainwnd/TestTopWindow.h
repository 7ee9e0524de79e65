#pragma once
// A plain top-level window of the test's thread, of a class registered on first use, standing in for the
// main window that screens and views post their commands to.
#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"

namespace screentest {

class TestTopWindow : public win::CWnd {
 public:
  explicit TestTopWindow(const wchar_t* className) {
    WNDCLASSW existing;
    if (!win::GetClassInfo(nullptr, className, &existing)) {
      WNDCLASSW wc{};
      wc.lpfnWndProc = win::DefWindowProc;
      wc.lpszClassName = className;
      win::RegisterClass(&wc);
    }
    CreateEx(0, className, L"", WS_POPUP, 0, 0, 770, 593, nullptr, nullptr);
  }
  ~TestTopWindow() override { DestroyWindow(); }
};

}  // namespace screentest
