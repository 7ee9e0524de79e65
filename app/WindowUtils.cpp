#include "app/WindowUtils.h"

#include <algorithm>
#include <cwchar>

#include "app/AppSettings.h"
#include "app/LanguageTable.h"
#include "platform/win/Message.h"
#include "platform/win/Window.h"

namespace {

// Only the UI thread pumps; the count lives as long as the process.
int g_pumpCount = 0;

}  // namespace

void PumpMessages() {
  MSG msg;
  while (win::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
    win::TranslateMessage(&msg);
    win::DispatchMessage(&msg);
    if (g_pumpCount++ > 9) {
      g_pumpCount = 0;
      return;
    }
  }
}

int PumpedMessageCount() { return g_pumpCount; }

BOOL ForceForegroundWindow(HWND hwnd) {
  if (win::GetForegroundWindow() == hwnd) return TRUE;
  const BOOL result = win::SetForegroundWindow(hwnd);
  win::ShowWindow(hwnd, win::IsIconic(hwnd) ? SW_RESTORE : SW_SHOW);
  return result;
}

void SizeWindowToClientArea(HWND hwnd) {
  if (!win::IsWindow(hwnd)) return;
  RECT rc{};
  win::GetClientRect(hwnd, &rc);
  win::SetWindowPos(hwnd, nullptr, 0, 0, rc.right - rc.left, rc.bottom - rc.top, SWP_NOMOVE | SWP_NOOWNERZORDER);
}

void GetUILogFont(LOGFONTW& out) {
  out = LOGFONTW{};
  const LanguageInfo& row = LanguageTable[GetLangID()];
  out.lfHeight = row.fontHeight;
  out.lfCharSet = row.charset;
  out.lfWeight = 400;
  out.lfQuality = 5;  // ClearType
  const size_t n = std::min<size_t>(std::wcslen(row.fontFace), LF_FACESIZE - 1);
  std::copy_n(row.fontFace, n, out.lfFaceName);
}
