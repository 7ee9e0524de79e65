#include "WinTestSupport.h"

#include <mutex>

namespace wintest {

namespace {
std::mutex g_mutex;
std::vector<Seen> g_seen;

LRESULT RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  {
    std::lock_guard lock(g_mutex);
    g_seen.push_back({hwnd, msg, wParam, lParam, win::GetCurrentThreadId()});
  }
  return win::DefWindowProc(hwnd, msg, wParam, lParam);
}
}  // namespace

void RegisterRecorderClass() {
  WNDCLASSW wc;
  wc.lpfnWndProc = &RecorderProc;
  wc.lpszClassName = L"MxRecorder";
  win::RegisterClass(&wc);  // a second registration fails harmlessly
}

std::vector<Seen> Recorded() {
  std::lock_guard lock(g_mutex);
  return g_seen;
}

void ClearRecorded() {
  std::lock_guard lock(g_mutex);
  g_seen.clear();
}

std::vector<UINT> RecordedMessages(UINT first, UINT last) {
  std::vector<UINT> out;
  for (const auto& s : Recorded())
    if (s.msg >= first && s.msg <= last) out.push_back(s.msg);
  return out;
}

HWND MakeWindow(LPCWSTR caption, HWND parent, DWORD style, int id) {
  RegisterRecorderClass();
  return win::CreateWindowEx(0, L"MxRecorder", caption, style | (parent ? WS_CHILD : 0), 0, 0, 100, 50, parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

std::vector<UINT> PumpAll() {
  std::vector<UINT> out;
  MSG msg;
  while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    out.push_back(msg.message);
    win::DispatchMessage(&msg);
  }
  return out;
}

}  // namespace wintest
