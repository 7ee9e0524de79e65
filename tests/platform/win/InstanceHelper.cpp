// A second program for the tests of what instances share: run by the tests as a separate process.
//   instance_helper register NAME          prints the registered message id of NAME
//   instance_helper first CAPTION MUTEX    takes the mutex, shows a "#32770" window with CAPTION, prints
//                                          "ready <last error>", then "got <msg>" for each message of
//                                          WM_APP and up and "shown <0|1>" when shown or hidden; ends on
//                                          WM_APP+152
//   instance_helper probe MUTEX            prints the last error CreateMutex leaves
#include <cstdio>
#include <string>

#include "platform/base/Text.h"
#include "platform/win/Instance.h"
#include "platform/win/Message.h"
#include "platform/win/RegisteredMessage.h"
#include "platform/win/Sync.h"
#include "platform/win/Window.h"

namespace {
LRESULT Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SHOWWINDOW) {
    std::printf("shown %u\n", static_cast<unsigned>(wParam));
    std::fflush(stdout);
  }
  if (msg >= WM_APP) {
    std::printf("got %u\n", msg);
    std::fflush(stdout);
    if (msg == WM_APP + 152) win::PostQuitMessage(0);
    return 0;
  }
  return win::DefDlgProc(hwnd, msg, wParam, lParam);
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  const std::wstring a = mx::Utf8ToWide(argv[2]);
  if (mode == "register") {
    std::printf("%u\n", win::RegisterWindowMessage(a.c_str()));
    return 0;
  }
  if (mode == "probe") {
    win::UniqueHandle mutex(win::CreateMutex(nullptr, TRUE, a.c_str()));
    std::printf("%u\n", win::GetLastError());
    return 0;
  }
  if (mode == "first" && argc >= 4) {
    const std::wstring name = mx::Utf8ToWide(argv[3]);
    win::UniqueHandle mutex(win::CreateMutex(nullptr, TRUE, name.c_str()));
    DWORD error = win::GetLastError();
    if (mutex) win::ReleaseMutex(mutex.get());
    if (!win::StartInstanceChannel()) return 3;
    HWND w = win::CreateWindowEx(0, win::kDialogClass, a.c_str(), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    win::SetWindowLongPtr(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc));
    std::printf("ready %u\n", error);
    std::fflush(stdout);
    MSG msg;
    while (win::GetMessage(&msg, nullptr, 0, 0) > 0) win::DispatchMessage(&msg);
    win::StopInstanceChannel();
    return 0;
  }
  return 2;
}
