#pragma once
// A window that records the messages it receives, whichever thread sends or posts them, and the thread-safe
// event list it records into.
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/win/Message.h"
#include "platform/win/Window.h"
#include "platform/win/Wnd.h"

namespace enginetest {

// One thread-safe list of events, in the order they happened.
class EventLog {
 public:
  void Add(std::string event) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.push_back(std::move(event));
  }
  std::vector<std::string> Events() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
  }

 private:
  mutable std::mutex m_lock;
  std::vector<std::string> m_events;
};

inline std::string Hex(unsigned long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "0x%llx", value);
  return buffer;
}

// A window of the calling thread that logs "<name> <message> <wParam> <lParam>" for every message of
// WM_USER and above (and the key messages), and hands each to an optional hook.
class RecordingWindow : public win::CWnd {
 public:
  RecordingWindow(std::wstring className, EventLog* log, std::string name, HWND parent = nullptr)
      : m_log(log), m_name(std::move(name)) {
    RegisterOnce(className);
    CreateEx(0, className.c_str(), L"", parent ? WS_CHILD : WS_POPUP, 0, 0, 10, 10, parent, nullptr);
  }
  ~RecordingWindow() override {
    if (m_hWnd) DestroyWindow();
  }

  std::function<void(RecordingWindow&, UINT, WPARAM, LPARAM)> m_onMessage;

 protected:
  LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg >= WM_USER || msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_CLOSE) {
      m_log->Add(m_name + " " + Hex(msg) + " " + Hex(wParam) + " " + Hex(static_cast<unsigned long long>(lParam)));
      if (m_onMessage) m_onMessage(*this, msg, wParam, lParam);
      return 0;  // and a recorder never closes itself on WM_CLOSE
    }
    return CWnd::WindowProc(msg, wParam, lParam);
  }

 private:
  static void RegisterOnce(const std::wstring& className) {
    WNDCLASSW existing;
    if (win::GetClassInfo(nullptr, className.c_str(), &existing)) return;
    WNDCLASSW wc;
    wc.lpfnWndProc = win::DefWindowProc;
    wc.lpszClassName = className.c_str();
    win::RegisterClass(&wc);
  }

  EventLog* m_log;
  std::string m_name;
};

// Handles everything waiting for the calling thread.
inline void PumpPending() {
  MSG msg;
  while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) win::DispatchMessage(&msg);
}

}  // namespace enginetest
